// A texture of the OpenGL device. Textures that are not render targets live in OpenGL alone:
// locking a level lends a buffer of 32-bit words, filled from OpenGL unless the lock discards
// the level, and unlocking uploads it (unless the lock was read-only). Render-target textures
// are drawn into by OpenGL and cannot be locked.
//
// The words go to OpenGL as they are in memory, blue, green, red, alpha bytes, into RGBA
// storage, and the texture's swizzle puts the channels back in place when it is sampled (alpha 1
// for X8R8G8B8): the upload is then a plain copy, and read-back gives the same bytes, the fourth
// byte of X8R8G8B8 included.
//
// A new level reads as zeros: OpenGL's storage starts undefined, so a level that nothing has
// written is read as zeros and sent as zeros before the texture is first drawn with.
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
  bool levelLocked(std::uint32_t level) const;
  bool lockLevel(std::uint32_t level, LockedRect& locked, std::uint32_t flags);
  bool unlockLevel(std::uint32_t level);
  // The level's words (width × height, top row first) into `words`, or from `words` into the
  // level. Not for render targets, nor for a locked level.
  bool readLevel(std::uint32_t level, std::uint32_t* words);
  bool writeLevel(std::uint32_t level, const std::uint32_t* words);
  // Whether OpenGL holds every level; `sendUnwrittenLevels` sends zeros for the others, before
  // the texture is sampled.
  bool allLevelsSent() const { return _unsentLevels == 0; }
  bool sendUnwrittenLevels();

 private:
  struct Level {
    std::uint32_t width = 0, height = 0;
    Owned<GlSurface> surface;
    bool sent = false;  // OpenGL holds the level's words
    bool locked = false;
    std::uint32_t lockFlags = 0;
    Bytes lockedWords;  // lent by the device while locked
    std::size_t lockedCapacity = 0;
  };
  std::size_t levelBytes(std::uint32_t level) const {
    return std::size_t{_levels[level].width} * _levels[level].height * 4;
  }
  bool canAccess(std::uint32_t level) const;

  Format _format;
  bool _renderTarget;
  GLuint _name = 0;
  std::vector<Level> _levels;
  std::uint32_t _unsentLevels = 0;
};

}  // namespace vesk::gfx
