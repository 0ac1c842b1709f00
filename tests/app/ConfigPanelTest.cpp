// The configuration panel's rules without a window: what it opens with, what the party version
// forces and greys, and when "Run demo" counts as a change.
#include "app/ConfigPanel.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

const std::vector<gfx::DisplayMode> kModes = {{640, 480, 60, gfx::Format::X8R8G8B8},
                                              {800, 600, 60, gfx::Format::X8R8G8B8}};

TEST(ConfigPanel, OpensOnTheConstructedSettingsAndRunsThemUnchanged) {
  const Core::Settings constructed;
  ConfigPanel panel(constructed, kModes, /*hardwareDriver=*/true);
  EXPECT_EQ(panel.devices(), (std::vector<std::string>{"Reference", "HAL : Software T&L",
                                                       "HAL : Mixed T&L", "HAL : Hardware T&L"}));
  EXPECT_EQ(panel.modes(), (std::vector<std::string>{"640 x 480 x 32", "800 x 600 x 32"}));
  const PanelControls& c = panel.controls();
  EXPECT_EQ(c.device, static_cast<int>(DeviceChoice::HalHardware));
  EXPECT_TRUE(c.desktopWindow);
  EXPECT_TRUE(c.noSound);
  EXPECT_FALSE(c.fsaa || c.loop || c.party);
  EXPECT_FALSE(panel.enabled(PanelControl::Mode)) << "modes are for full screen only";
  EXPECT_TRUE(panel.enabled(PanelControl::Device));

  // A software driver offers no hardware T&L devices.
  ConfigPanel software(constructed, kModes, /*hardwareDriver=*/false);
  EXPECT_EQ(software.devices().size(), 2u);

  Core::Settings settings = constructed;
  settings.gamma = 7;  // "nothing changed" stores nothing at all
  EXPECT_EQ(panel.run(settings), PanelResult::RunUnchanged);
  EXPECT_EQ(settings.gamma, 7);

  // A control changed and changed back is no change either.
  panel.controls().loop = true;
  panel.controls().loop = false;
  EXPECT_EQ(panel.run(settings), PanelResult::RunUnchanged);
}

TEST(ConfigPanel, PartyVersionForcesAndGreysTheOtherControls) {
  Core::Settings settings;
  settings.fsaa = true;
  settings.loopMode = true;
  ConfigPanel panel(settings, kModes, true);
  panel.controls().mode = 1;
  panel.controls().party = true;
  panel.refresh();
  const PanelControls& c = panel.controls();
  EXPECT_FALSE(c.desktopWindow);
  EXPECT_FALSE(c.fsaa);
  EXPECT_FALSE(c.noSound);
  EXPECT_FALSE(c.loop);
  EXPECT_EQ(c.mode, 1) << "the lists keep their selections";
  for (PanelControl control :
       {PanelControl::Device, PanelControl::DesktopWindow, PanelControl::Mode,
        PanelControl::ModesGroup, PanelControl::Fsaa, PanelControl::NoSound, PanelControl::Loop}) {
    EXPECT_FALSE(panel.enabled(control)) << static_cast<int>(control);
  }
  EXPECT_TRUE(panel.enabled(PanelControl::PartyVersion));
  EXPECT_TRUE(panel.enabled(PanelControl::RunDemo));

  ASSERT_EQ(panel.run(settings), PanelResult::RunChanged);
  EXPECT_TRUE(settings.fullscreen);
  EXPECT_TRUE(settings.soundOn);
  EXPECT_FALSE(settings.fsaa);
  EXPECT_FALSE(settings.loopMode);
  EXPECT_TRUE(settings.partyVersion);
  EXPECT_EQ(settings.gamma, kPartyGamma);
  EXPECT_EQ(settings.modeIndex, 1);

  // Unchecked again, the forced values stay and everything is enabled again.
  panel.controls().party = false;
  panel.refresh();
  EXPECT_FALSE(panel.controls().desktopWindow);
  EXPECT_TRUE(panel.enabled(PanelControl::Mode));
}

TEST(ConfigPanel, EachDeviceEntryGivesItsTypeAndVertexProcessing) {
  struct Case {
    DeviceChoice choice;
    std::int32_t type, vertexProcessing;
  };
  for (const Case& expected : {Case{DeviceChoice::Reference, 2, kSoftwareVertexProcessing},
                               Case{DeviceChoice::HalSoftware, 1, kSoftwareVertexProcessing},
                               Case{DeviceChoice::HalMixed, 1, kMixedVertexProcessing},
                               Case{DeviceChoice::HalHardware, 1, kHardwareVertexProcessing}}) {
    Core::Settings settings;
    settings.vertexProcessing = kMixedVertexProcessing;
    settings.deviceType = 2;  // reference: opens on entry 0
    ConfigPanel panel(settings, kModes, true);
    EXPECT_EQ(panel.controls().device, 0);
    panel.controls().device = static_cast<int>(expected.choice);
    panel.controls().noSound = false;  // a change, in case the device is the same
    ASSERT_EQ(panel.run(settings), PanelResult::RunChanged);
    EXPECT_EQ(settings.deviceType, expected.type);
    EXPECT_EQ(settings.vertexProcessing, expected.vertexProcessing);
    EXPECT_TRUE(settings.soundOn);
    EXPECT_EQ(settings.gamma, 0);

    // The panel reopened on these settings selects the same entry.
    EXPECT_EQ(ConfigPanel(settings, kModes, true).controls().device,
              static_cast<int>(expected.choice));
  }
}

}  // namespace
}  // namespace vesk::test
