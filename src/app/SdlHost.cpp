#include "app/SdlHost.h"

#include <SDL.h>

#include "base/Log.h"
#include "platform/Display.h"

namespace vesk {

std::vector<gfx::DisplayMode> SdlDisplay::modes() {
  return listDisplayModes();
}

gfx::DisplayMode SdlDisplay::desktopMode() {
  gfx::DisplayMode mode;
  desktopDisplayMode(mode);
  return mode;
}

void SdlDisplay::hideCursor() {
  SDL_ShowCursor(SDL_DISABLE);
}

SdlHost::SdlHost() {
  _previousPresenter = setPresenter(&_presenter);
  std::string error;
  _videoOpen = openVideo(error);
  if (!_videoOpen) logLine("Video: " + error);
}

SdlHost::~SdlHost() {
  close();
  setPresenter(_previousPresenter);
}

void SdlHost::close() {
  _presenter.setOwner(nullptr);
  _window.reset();
  if (_videoOpen) closeVideo();
  _videoOpen = false;
}

PanelResult SdlHost::showConfigPanel(Core&) {
  // There is no configuration panel yet: the show runs with the constructed settings.
  return PanelResult::RunUnchanged;
}

gfx::DeviceHost* SdlHost::openOutput(const gfx::DisplayMode& mode, bool fullscreen) {
  std::string error;
  _window.emplace();
  if (!_window->create(error) || (fullscreen && !_window->enterFullscreen(mode, error))) {
    logLine("Window: " + error);
    _window.reset();
    return nullptr;
  }
  _presenter.setOwner(_window->sdlWindow());
  return &*_window;
}

void SdlHost::showWindow() {
  if (_window) _window->show();
}

bool SdlHost::pollMessage(WindowMessage& message) {
  return pollWindowMessage(message);
}

void SdlHost::idle() {
  SDL_Delay(1);
}

}  // namespace vesk
