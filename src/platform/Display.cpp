#include "platform/Display.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <string_view>

// SDL's video opens a D-Bus session connection whose library keeps a read buffer until the
// process ends (SDL may not shut D-Bus down for the whole process). The leak checker of
// sanitized builds is told to overlook that library, and only that one.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}

namespace vesk {
namespace {

// Drivers that put nothing in front of anyone.
bool showsNothing(std::string_view driver) {
  return driver == "offscreen" || driver == "dummy" || driver == "evdev";
}

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// True when SDL_VIDEODRIVER (environment or hint; a comma-separated list) names `driver`.
bool driverAskedFor(std::string_view driver) {
  const char* hint = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  if (!hint) return false;
  std::string_view list = hint;
  while (!list.empty()) {
    std::size_t comma = list.find(',');
    std::string_view name = list.substr(0, comma);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front()))) {
      name.remove_prefix(1);
    }
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) {
      name.remove_suffix(1);
    }
    if (sameName(name, driver)) return true;
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return false;
}

gfx::DisplayMode toDisplayMode(const SDL_DisplayMode& mode) {
  gfx::DisplayMode result;
  result.width = static_cast<std::uint32_t>(std::max(mode.w, 0));
  result.height = static_cast<std::uint32_t>(std::max(mode.h, 0));
  result.refreshRate = static_cast<std::uint32_t>(std::max(mode.refresh_rate, 0));
  result.format = displayFormat(mode.format);
  return result;
}

}  // namespace

bool openVideo(std::string& error) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    error = std::string("no display: ") + SDL_GetError();
    return false;
  }
  const char* current = SDL_GetCurrentVideoDriver();
  std::string driver = current ? current : "";
  if (showsNothing(driver) && !driverAskedFor(driver)) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    error = "no display: only the '" + driver + "' video driver, which shows nothing, could open";
    return false;
  }
  return true;
}

void closeVideo() {
  SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  // Only a full stop lets the OpenGL driver release what it keeps per thread; do it when no
  // other part of the program (sound) still uses SDL.
  if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
}

std::string videoDriverName() {
  const char* current = SDL_GetCurrentVideoDriver();
  return current ? current : "";
}

std::vector<gfx::DisplayMode> listDisplayModes() {
  std::vector<gfx::DisplayMode> modes;
  int count = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode{};
    if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
    // The offscreen driver lists one empty entry; it is no mode anyone could use.
    if (mode.w <= 0 || mode.h <= 0) continue;
    modes.push_back(toDisplayMode(mode));
  }
  if (modes.empty()) {
    gfx::DisplayMode desktop;
    if (desktopDisplayMode(desktop)) modes.push_back(desktop);
  }
  return modes;
}

bool desktopDisplayMode(gfx::DisplayMode& mode) {
  SDL_DisplayMode desktop{};
  if (SDL_GetDesktopDisplayMode(0, &desktop) != 0 || desktop.w <= 0 || desktop.h <= 0) {
    return false;
  }
  mode = toDisplayMode(desktop);
  return true;
}

gfx::Format displayFormat(std::uint32_t sdlPixelFormat) {
  if (SDL_ISPIXELFORMAT_FOURCC(sdlPixelFormat)) return gfx::Format::Unknown;
  if (SDL_PIXELTYPE(sdlPixelFormat) == SDL_PIXELTYPE_PACKED32 &&
      SDL_PIXELLAYOUT(sdlPixelFormat) == SDL_PACKEDLAYOUT_8888) {
    return gfx::Format::X8R8G8B8;
  }
  if (sdlPixelFormat == SDL_PIXELFORMAT_RGB24 || sdlPixelFormat == SDL_PIXELFORMAT_BGR24) {
    return gfx::Format::R8G8B8;
  }
  return gfx::Format::Unknown;
}

}  // namespace vesk
