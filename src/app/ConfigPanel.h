// The configuration panel's rules, apart from how it is drawn: the controls and their ids, the
// device and mode lists, what the party-version box forces and greys, and what "Run demo" does
// with the core's settings. The window that shows it is PanelWindow.
#pragma once

#include <string>
#include <vector>

#include "app/Core.h"

namespace vesk {

// The panel's controls by id. Group boxes and the picture have no id except the modes' group.
enum class PanelControl : int {
  Device = 1000,         // drop-down list
  Mode = 1001,           // drop-down list
  DesktopWindow = 1012,  // "Run on desktop window"
  Fsaa = 1013,           // "Fullscreen anti-aliasing"
  ModesGroup = 1014,     // group box "Fullscreen &modes"
  Loop = 1015,           // "Loop mode"
  BuildStamp = 1016,     // static text
  NoSound = 1017,        // "No sound"
  PartyVersion = 1018,   // "<party> version"
  RunDemo = 1021,        // default button
  Exit = 1022,
};

// The device list's entries, in order; the last two only for a hardware driver.
enum class DeviceChoice : int { Reference = 0, HalSoftware = 1, HalMixed = 2, HalHardware = 3 };

// The show's identity: the production group, the party (with its edition) and the engine.
inline constexpr const char* kPartyName = "Sandglass Summit 2026";
inline constexpr const char* kGroupName = "Vesk";
inline constexpr const char* kEngineName = "Vesk engine";
inline constexpr std::int32_t kReferenceDevice = 2;
inline constexpr std::int32_t kHalDevice = 1;
inline constexpr std::int32_t kPartyGamma = 15;

// The states of the controls that hold a value.
struct PanelControls {
  int device = 0;
  int mode = 0;
  bool desktopWindow = true;
  bool fsaa = false;
  bool noSound = true;
  bool loop = false;
  bool party = false;
  bool operator==(const PanelControls&) const = default;
};

class ConfigPanel {
 public:
  // Opens on the core's current settings; `hardwareDriver` adds the two hardware T&L devices.
  ConfigPanel(const Core::Settings& settings, const std::vector<gfx::DisplayMode>& modes,
              bool hardwareDriver);

  static std::string caption();
  const std::vector<std::string>& devices() const { return _devices; }
  const std::vector<std::string>& modes() const { return _modes; }

  // What the viewer sets; call refresh() after every change, as the panel does after a click.
  PanelControls& controls() { return _controls; }
  const PanelControls& controls() const { return _controls; }
  // Applies the panel's rules to the current states: the party version forces its values.
  void refresh();
  bool enabled(PanelControl control) const;

  // "Run demo": RunUnchanged when every control is as the panel opened, else RunChanged with
  // the new settings stored into `settings`.
  PanelResult run(Core::Settings& settings) const;

 private:
  std::vector<std::string> _devices;
  std::vector<std::string> _modes;
  PanelControls _initial;
  PanelControls _controls;
};

}  // namespace vesk
