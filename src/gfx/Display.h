// What the renderer needs to know of the display before a device exists: its modes and its
// current (desktop) mode, and the cursor. Implemented by the platform.
#pragma once

#include <vector>

#include "gfx/Device.h"

namespace vesk::gfx {

class Display {
 public:
  virtual ~Display() = default;
  // Every mode of the display, in the order the system lists them.
  virtual std::vector<DisplayMode> modes() = 0;
  virtual DisplayMode desktopMode() = 0;
  virtual void hideCursor() = 0;
};

}  // namespace vesk::gfx
