#include "app/ConfigPanel.h"

#include <cstdio>

namespace vesk {

namespace {

int deviceSelection(const Core::Settings& settings) {
  if (settings.deviceType == kReferenceDevice) return static_cast<int>(DeviceChoice::Reference);
  switch (settings.vertexProcessing) {
    case kSoftwareVertexProcessing:
      return static_cast<int>(DeviceChoice::HalSoftware);
    case kMixedVertexProcessing:
      return static_cast<int>(DeviceChoice::HalMixed);
    default:
      return static_cast<int>(DeviceChoice::HalHardware);
  }
}

// Device type and vertex processing of each entry of the device list.
struct DeviceSetting {
  std::int32_t type, vertexProcessing;
};
constexpr DeviceSetting kDeviceSettings[] = {
    {kReferenceDevice, kSoftwareVertexProcessing},
    {kHalDevice, kSoftwareVertexProcessing},
    {kHalDevice, kMixedVertexProcessing},
    {kHalDevice, kHardwareVertexProcessing},
};

}  // namespace

ConfigPanel::ConfigPanel(const Core::Settings& settings, const std::vector<gfx::DisplayMode>& modes,
                         bool hardwareDriver) {
  _devices = {"Reference", "HAL : Software T&L"};
  if (hardwareDriver) {
    _devices.push_back("HAL : Mixed T&L");
    _devices.push_back("HAL : Hardware T&L");
  }
  for (const gfx::DisplayMode& mode : modes) {
    char text[64];
    std::snprintf(text, sizeof text, "%ld x %ld x 32", static_cast<long>(mode.width),
                  static_cast<long>(mode.height));
    _modes.push_back(text);
  }
  _initial.device = deviceSelection(settings);
  _initial.mode = settings.modeIndex;
  _initial.desktopWindow = !settings.fullscreen;
  _initial.fsaa = settings.fsaa;
  _initial.noSound = !settings.soundOn;
  _initial.loop = settings.loopMode;
  _initial.party = settings.partyVersion;
  _controls = _initial;
  refresh();
}

std::string ConfigPanel::caption() {
  return std::string(kGroupName) + " " + kPartyName + " - Configuration panel";
}

void ConfigPanel::refresh() {
  if (!_controls.party) return;
  _controls.desktopWindow = false;
  _controls.fsaa = false;
  _controls.noSound = false;
  _controls.loop = false;
}

bool ConfigPanel::enabled(PanelControl control) const {
  switch (control) {
    case PanelControl::RunDemo:
    case PanelControl::Exit:
    case PanelControl::PartyVersion:
      return true;
    case PanelControl::Mode:
    case PanelControl::ModesGroup:
      return !_controls.party && !_controls.desktopWindow;
    default:
      return !_controls.party;
  }
}

PanelResult ConfigPanel::run(Core::Settings& settings) const {
  if (_controls == _initial) return PanelResult::RunUnchanged;
  settings.fullscreen = !_controls.desktopWindow;
  settings.partyVersion = _controls.party;
  settings.gamma = _controls.party ? kPartyGamma : 0;
  settings.fsaa = _controls.fsaa;
  settings.soundOn = !_controls.noSound;
  settings.loopMode = _controls.loop;
  settings.modeIndex = _controls.mode;
  if (_controls.device >= 0 && _controls.device < static_cast<int>(std::size(kDeviceSettings))) {
    settings.deviceType = kDeviceSettings[_controls.device].type;
    settings.vertexProcessing = kDeviceSettings[_controls.device].vertexProcessing;
  }
  return PanelResult::RunChanged;
}

}  // namespace vesk
