// The core's surroundings for the program on screen: SDL's display and window, the real
// clock, the window messages.
#pragma once

#include <optional>
#include <string>

#include "app/Core.h"
#include "platform/Clock.h"
#include "platform/SdlPresenter.h"
#include "platform/Window.h"

namespace vesk {

class SdlDisplay : public gfx::Display {
 public:
  std::vector<gfx::DisplayMode> modes() override;
  gfx::DisplayMode desktopMode() override;
  void hideCursor() override;
};

class SdlHost : public CoreHost {
 public:
  SdlHost();
  ~SdlHost() override;

  gfx::Display* display() override { return _videoOpen ? &_display : nullptr; }
  PanelResult showConfigPanel(Core& core) override;
  gfx::DeviceHost* openOutput(const gfx::DisplayMode& mode, bool fullscreen) override;
  void showWindow() override;
  bool pollMessage(WindowMessage& message) override;
  const Clock& clock() override { return _clock; }
  void idle() override;

  // Closes the window and the video system once the device is gone.
  void close();

 private:
  bool _videoOpen = false;
  SdlDisplay _display;
  std::optional<Window> _window;
  RealClock _clock;
  SdlPresenter _presenter;
  Presenter* _previousPresenter = nullptr;
};

}  // namespace vesk
