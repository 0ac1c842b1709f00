#include "app/SdlHost.h"

#include <SDL.h>

#include <cstdlib>
#include <iostream>

#include "app/ConfigPanel.h"
#include "app/PanelWindow.h"
#include "base/Log.h"
#include "base/Text.h"
#include "platform/Display.h"
#include "platform/GuiWindow.h"

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

SdlHost::SdlHost(const CommandLine& line) : _line(line) {
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

PanelResult SdlHost::showConfigPanel(Core& core) {
  Core::Settings settings = core.settings();
  std::string error;
  if (_line.modeWidth && requestedMode(_line, core.displayModes()) < 0) {
    // Told before any window opens.
    error =
        str("the display offers no full-screen mode of ", *_line.modeWidth, "x", *_line.modeHeight);
    std::cerr << "vesk: " << error << "\n" << usageText();
    logLine("Command line: " + error);
    _usageExitCode = kUsageExitCode;
    return PanelResult::Exit;
  }
  GuiWindow window;
  // The panel's own context tells the driver; without the panel the hardware entries are
  // assumed, as the settings were made.
  bool hardwareDriver = true;
  if (!_line.noPanel) {
    if (!_videoOpen || !window.create(ConfigPanel::caption(), kPanelWidth, kPanelHeight, error)) {
      logLine("Panel: " + (error.empty() ? std::string("no display") : error));
      return PanelResult::Exit;
    }
    hardwareDriver = !isSoftwareRenderer(window.glRenderer());
    logLine(str("Panel: OpenGL driver ", window.glRenderer(),
                hardwareDriver ? " (hardware)" : " (software)"));
    // Start-up picks software vertex processing where there is no hardware T&L.
    if (!hardwareDriver && settings.vertexProcessing != kSoftwareVertexProcessing) {
      settings.vertexProcessing = kSoftwareVertexProcessing;
      core.applySettings(settings);
    }
  }
  ConfigPanel panel(settings, core.displayModes(), hardwareDriver);
  presetPanel(_line, panel, core.displayModes(), error);
  const PanelResult result =
      _line.noPanel ? panel.run(settings) : runPanelWindow(window, panel, settings);
  if (result == PanelResult::Exit) return result;
  if (_line.volume) settings.volume = *_line.volume;
  core.applySettings(settings);
  _settings = settings;
  return result;
}

gfx::DeviceHost* SdlHost::openOutput(const gfx::DisplayMode& mode, bool fullscreen) {
  std::string error;
  if (_settings.deviceType == kReferenceDevice) {
    // Mesa's software renderer for the rest of the run. Mesa reads the choice when it first
    // meets the X connection, which the panel's window already used: the video system starts
    // over on a new one.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    logLine("Reference device: Mesa's software renderer");
    if (_videoOpen) closeVideo();
    _videoOpen = openVideo(error);
    if (!_videoOpen) {
      logLine("Video: " + error);
      return nullptr;
    }
  }
  _window.emplace();
  if (!_window->create(error, _settings.fsaa) ||
      (fullscreen && !_window->enterFullscreen(mode, error))) {
    logLine("Window: " + error);
    _window.reset();
    return nullptr;
  }
  if (_settings.fsaa) {
    logLine(_window->multisampled()
                ? "Anti-aliasing: multisampled context"
                : "Anti-aliasing: no multisampled context here, running without it");
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
