#include "gfx/GlBuffer.h"

#include <cstring>

#include "gfx/GlDevice.h"

namespace vesk::gfx {

template <class Interface>
GlBuffer<Interface>::GlBuffer(GlDevice& device, GLenum target, std::uint32_t bytes, bool dynamic)
    : GlResource(device, true), _target(target), _size(bytes) {
  _data = allocateBytes(bytes, here());
  if (!_data) return;
  std::memset(_data.get(), 0, bytes);
  _name = device.createBufferObject(target, bytes, _data.get(), dynamic);
}

template <class Interface>
GlBuffer<Interface>::~GlBuffer() {
  if (_device) _device->releaseBuffer(this, _target, _name);
}

template <class Interface>
void GlBuffer<Interface>::detach() {
  if (_device) _device->releaseBuffer(this, _target, _name);
  _device = nullptr;
  _name = 0;
}

template <class Interface>
void* GlBuffer<Interface>::lock(std::uint32_t offset, std::uint32_t size, std::uint32_t flags) {
  if (!_device || !valid() || _locked) return nullptr;
  if (offset == 0 && size == 0) size = _size;
  // Written so that no sum can wrap around.
  if (offset > _size || size > _size - offset || size == 0) return nullptr;
  _locked = true;
  _lockOffset = offset;
  _lockSize = size;
  _lockFlags = flags;
  return _data.get() + offset;
}

template <class Interface>
bool GlBuffer<Interface>::unlock() {
  if (!_device || !_locked) return false;
  _locked = false;
  if (_lockFlags & LOCK_READ_ONLY) return true;
  return _device->uploadBuffer(_target, _name, _lockOffset, _lockSize, _data.get() + _lockOffset);
}

template class GlBuffer<VertexBuffer>;
template class GlBuffer<IndexBuffer>;

}  // namespace vesk::gfx
