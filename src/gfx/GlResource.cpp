#include "gfx/GlResource.h"

#include "gfx/GlDevice.h"

namespace vesk::gfx {

GlResource::GlResource(GlDevice& device, bool registered)
    : _device(&device), _registered(registered) {
  if (_registered) device.registerResource(this);
}

GlResource::~GlResource() {
  if (_registered && _device) _device->unregisterResource(this);
}

}  // namespace vesk::gfx
