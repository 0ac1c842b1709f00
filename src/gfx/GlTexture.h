// A texture of the OpenGL device. Textures that are not render targets keep every level's
// pixels in memory as 32-bit words, so that levels can be locked for reading and writing; an
// unlock uploads the level. Render-target textures live only in OpenGL.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "base/Memory.h"
#include "gfx/Device.h"
#include "gfx/GlResource.h"
#include "gfx/GlSurface.h"

namespace vesk::gfx {

class GlTexture final : public Texture, public GlResource {
 public:
  // `levels` is the final count (already resolved from 0). Check `valid` afterwards.
  GlTexture(GlDevice& device, std::uint32_t width, std::uint32_t height, std::uint32_t levels,
            std::uint32_t usage, Format format);
  ~GlTexture() override;

  bool valid() const { return _name != 0; }

  std::uint32_t levelCount() const override { return static_cast<std::uint32_t>(_levels.size()); }
  SurfaceDesc levelDesc(std::uint32_t level) const override;
  Surface* surfaceLevel(std::uint32_t level) override;
  void detach() override;

  GLuint name() const { return _name; }
  Format format() const { return _format; }
  bool isRenderTarget() const { return _renderTarget; }
  std::uint32_t* levelWords(std::uint32_t level);
  bool levelLocked(std::uint32_t level) const;
  bool lockLevel(std::uint32_t level, LockedRect& locked, std::uint32_t flags);
  bool unlockLevel(std::uint32_t level);
  // Sends the level's words to OpenGL.
  bool uploadLevel(std::uint32_t level);

 private:
  struct Level {
    std::uint32_t width = 0, height = 0;
    Bytes words;  // null for render targets
    Owned<GlSurface> surface;
    bool locked = false;
    std::uint32_t lockFlags = 0;
  };

  Format _format;
  bool _renderTarget;
  GLuint _name = 0;
  std::vector<Level> _levels;
};

}  // namespace vesk::gfx
