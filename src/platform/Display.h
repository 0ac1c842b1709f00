// The video subsystem and the display's modes.
//
// The program only runs where a person can see it: when no display exists SDL may quietly
// fall back to a driver that shows nothing (its `offscreen` driver draws into EGL buffers),
// and the show would run unseen until killed. Such a driver is accepted only when it was asked
// for by name through SDL_VIDEODRIVER (the capture tool and the tests do that).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/Device.h"

namespace vesk {

// Opens SDL's video and event subsystems. False, with the reason in `error`, when there is no
// display, or only a driver that shows nothing and was not asked for; nothing stays open then.
bool openVideo(std::string& error);
// Closes what openVideo opened (after the window is destroyed); SDL stops altogether when
// nothing else of it is in use.
void closeVideo();
// The name of the video driver in use ("x11", "wayland", "offscreen"...), empty when closed.
std::string videoDriverName();

// The modes display 0 offers, in SDL's order. A driver that lists no mode of its own offers
// its desktop mode.
std::vector<gfx::DisplayMode> listDisplayModes();
// The mode of display 0 on the desktop; false when it cannot be read.
bool desktopDisplayMode(gfx::DisplayMode& mode);

// The device format of an SDL pixel format: 8-bit-per-channel 32-bit words (with or without
// alpha, any channel order) are X8R8G8B8, packed 24-bit triplets R8G8B8, anything else Unknown.
gfx::Format displayFormat(std::uint32_t sdlPixelFormat);

}  // namespace vesk
