// Base of the device's resources (buffers, textures, surfaces). The device keeps a list of the
// registered ones (those the caller owns): destroying a resource unbinds it, and a device
// destroyed first frees their OpenGL objects and leaves them inert instead of dangling.
#pragma once

namespace vesk::gfx {

class GlDevice;

class GlResource {
 public:
  GlResource(const GlResource&) = delete;
  GlResource& operator=(const GlResource&) = delete;

  // The device is going away: free the OpenGL objects now; later calls fail.
  virtual void detach() = 0;

 protected:
  // Unregistered resources belong to the device or to another resource.
  GlResource(GlDevice& device, bool registered);
  virtual ~GlResource();

  GlDevice* _device;  // null once detached
  bool _registered;
};

}  // namespace vesk::gfx
