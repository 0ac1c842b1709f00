// Vertex and index buffers: an OpenGL buffer object with a copy of its bytes in memory. Locks
// hand out the copy, so a lock without the discard flag sees the previous contents; the locked
// range is uploaded at unlock.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

#include "base/Memory.h"
#include "gfx/Device.h"
#include "gfx/GlResource.h"

namespace vesk::gfx {

template <class Interface>
class GlBuffer : public Interface, public GlResource {
 public:
  // `target` is GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER. Check `valid` afterwards.
  GlBuffer(GlDevice& device, GLenum target, std::uint32_t bytes, bool dynamic);
  ~GlBuffer() override;

  bool valid() const { return _name != 0 && _data != nullptr; }

  void* lock(std::uint32_t offset, std::uint32_t size, std::uint32_t flags) override;
  bool unlock() override;
  std::uint32_t size() const override { return _size; }
  void detach() override;

  GLuint name() const { return _name; }
  const std::uint8_t* bytes() const { return _data.get(); }

 private:
  GLenum _target;
  GLuint _name = 0;
  Bytes _data;
  std::uint32_t _size;
  bool _locked = false;
  std::uint32_t _lockOffset = 0, _lockSize = 0, _lockFlags = 0;
};

using GlVertexBuffer = GlBuffer<VertexBuffer>;

class GlIndexBuffer final : public GlBuffer<IndexBuffer> {
 public:
  // `format` is Format::Index16 or Format::Index32.
  GlIndexBuffer(GlDevice& device, std::uint32_t bytes, bool dynamic, Format format)
      : GlBuffer(device, GL_ELEMENT_ARRAY_BUFFER, bytes, dynamic), _format(format) {}

  Format format() const override { return _format; }
  bool wide() const { return _format == Format::Index32; }
  std::uint32_t indexBytes() const { return wide() ? 4 : 2; }
  std::uint32_t indexCount() const { return size() / indexBytes(); }

 private:
  Format _format;
};

}  // namespace vesk::gfx
