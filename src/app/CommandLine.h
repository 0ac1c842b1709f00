// The program's command line. Every option presets a control of the configuration panel (or the
// volume, which the panel does not show); --no-panel then starts at once, as if "Run demo" were
// pressed on the preset panel.
//
//   vesk [--data DIR] [--no-panel] [--window | --fullscreen] [--mode WxH] [--sound | --no-sound]
//        [--volume N] [--loop] [--party] [--help] [--version]
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/Display.h"

namespace vesk {

class ConfigPanel;

inline constexpr const char* kVersion = "0.11";
inline constexpr int kUsageExitCode = 2;

// The usage text, ending with a new line.
const char* usageText();
// "Last built on Jul 21 2001 at 21:39:42": when the program was built.
std::string buildStamp();

struct CommandLine {
  std::filesystem::path data;  // empty: the current folder
  bool noPanel = false;
  std::optional<bool> fullscreen;
  std::optional<std::uint32_t> modeWidth, modeHeight;
  std::optional<bool> soundOn;
  std::optional<int> volume;
  bool loop = false;
  bool party = false;
  bool help = false;
  bool version = false;
};

// Reads the arguments after the program's name. False with the reason in `error` for an
// unknown option, a missing or wrong value, or two options that exclude each other.
bool parseCommandLine(std::span<const std::string_view> arguments, CommandLine& line,
                      std::string& error);

// The index in `modes` of --mode's size; -1 when the display offers no such mode or none was
// asked for.
int requestedMode(const CommandLine& line, const std::vector<gfx::DisplayMode>& modes);
// Sets the panel's controls as the options ask (the party version's forcing included). False
// when the display offers no full-screen mode of --mode's size among `modes`.
bool presetPanel(const CommandLine& line, ConfigPanel& panel,
                 const std::vector<gfx::DisplayMode>& modes, std::string& error);

}  // namespace vesk
