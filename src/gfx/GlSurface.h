// A surface of the OpenGL device: the back buffer or a depth-stencil buffer (renderbuffers), a
// texture level (kept by its texture), or an image surface (words in memory).
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

#include "base/Memory.h"
#include "gfx/Device.h"
#include "gfx/GlResource.h"

namespace vesk::gfx {

class GlTexture;

class GlSurface final : public Surface, public GlResource {
 public:
  enum class Kind { BackBuffer, DepthStencil, TextureLevel, Image };

  // A back buffer or depth-stencil renderbuffer; check `valid` afterwards.
  GlSurface(GlDevice& device, Kind kind, Format format, std::uint32_t width, std::uint32_t height,
            bool registered);
  // A level of a texture.
  GlSurface(GlDevice& device, GlTexture& texture, std::uint32_t level, Format format,
            std::uint32_t width, std::uint32_t height);
  ~GlSurface() override;

  bool valid() const;

  SurfaceDesc desc() const override { return {_format, _width, _height}; }
  bool lockRect(LockedRect& locked, std::uint32_t flags) override;
  bool unlockRect() override;
  void detach() override;

  Kind kind() const { return _kind; }
  GLuint renderbuffer() const { return _renderbuffer; }
  GlTexture* texture() const { return _texture; }
  std::uint32_t level() const { return _level; }
  bool isColor() const { return _kind != Kind::DepthStencil; }
  bool hasStencil() const { return _format == Format::D24S8; }
  // A colour surface that OpenGL draws into: the back buffer or a render-target level.
  bool isDrawable() const;
  // The words in memory of an image surface; null for the others (texture levels are read and
  // written through their texture).
  std::uint32_t* words();
  bool locked() const;

 private:
  Kind _kind;
  Format _format;
  std::uint32_t _width, _height;
  GLuint _renderbuffer = 0;
  GlTexture* _texture = nullptr;
  std::uint32_t _level = 0;
  Bytes _pixels;
  bool _locked = false;
};

}  // namespace vesk::gfx
