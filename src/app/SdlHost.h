// The core's surroundings for the program on screen: SDL's display and window, the real
// clock, the window messages.
#pragma once

#include <optional>
#include <string>

#include "app/CommandLine.h"
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
  // Opens the video system; `line` presets the panel (or replaces it with --no-panel).
  explicit SdlHost(const CommandLine& line = {});
  ~SdlHost() override;

  gfx::Display* display() override { return _videoOpen ? &_display : nullptr; }
  // The panel in its own window, preset by the command line; with --no-panel "Run demo" on the
  // preset panel at once. A --mode the display does not offer is a usage error (exit code 2).
  PanelResult showConfigPanel(Core& core) override;
  gfx::DeviceHost* openOutput(const gfx::DisplayMode& mode, bool fullscreen) override;
  void showWindow() override;
  bool pollMessage(WindowMessage& message) override;
  const Clock& clock() override { return _clock; }
  void idle() override;

  // Closes the window and the video system once the device is gone.
  void close();
  // 2 when the command line asked for something this display cannot give; 0 otherwise.
  int usageExitCode() const { return _usageExitCode; }

 private:
  CommandLine _line;
  Core::Settings _settings;  // as the panel left them
  int _usageExitCode = 0;
  bool _videoOpen = false;
  SdlDisplay _display;
  std::optional<Window> _window;
  RealClock _clock;
  SdlPresenter _presenter;
  Presenter* _previousPresenter = nullptr;
};

}  // namespace vesk
