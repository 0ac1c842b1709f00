#include "app/CommandLine.h"

#include <algorithm>
#include <charconv>

#include "app/ConfigPanel.h"

namespace vesk {

namespace {

constexpr const char* kUsage =
    "usage: vesk [--data DIR] [--no-panel] [--window | --fullscreen] [--mode WxH]\n"
    "            [--sound | --no-sound] [--volume N] [--loop] [--party] [--help] [--version]\n"
    "\n"
    "  --data DIR     run in DIR, which holds Data.vk or data/ (Log.txt and screenshots go there)\n"
    "  --no-panel     start the show at once with the settings given here\n"
    "  --window       run on a desktop window (the default)\n"
    "  --fullscreen   run full screen\n"
    "  --mode WxH     the full-screen mode, one the display offers (default 640x480)\n"
    "  --sound        sound on\n"
    "  --no-sound     sound off (the default)\n"
    "  --volume N     music volume, 0 to 100 (default 100)\n"
    "  --loop         loop mode: the show starts again instead of ending\n"
    "  --party        party version: full screen, sound on, no anti-aliasing, no loop\n"
    "  --help         this text\n"
    "  --version      the version and the build stamp\n"
    "\n"
    "Options preset the configuration panel. A wrong option or value exits with code 2.\n";

bool parseUnsigned(std::string_view text, std::uint32_t& value) {
  const char* end = text.data() + text.size();
  auto [at, failure] = std::from_chars(text.data(), end, value);
  return failure == std::errc() && at == end && !text.empty();
}

bool parseMode(std::string_view text, std::uint32_t& width, std::uint32_t& height) {
  const std::size_t x = text.find('x');
  if (x == std::string_view::npos) return false;
  return parseUnsigned(text.substr(0, x), width) && parseUnsigned(text.substr(x + 1), height) &&
         width > 0 && height > 0 && width <= 16384 && height <= 16384;
}

// Sets a choice given by one of two options; false when the other one was given before.
bool choose(std::optional<bool>& choice, bool value, std::string_view option, std::string& error) {
  if (choice && *choice != value) {
    error = std::string(option) + " contradicts an earlier option";
    return false;
  }
  choice = value;
  return true;
}

}  // namespace

const char* usageText() {
  return kUsage;
}

std::string buildStamp() {
  return std::string("Last built on ") + __DATE__ + " at " + __TIME__;
}

bool parseCommandLine(std::span<const std::string_view> arguments, CommandLine& line,
                      std::string& error) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view option = arguments[i];
    const bool takesValue = option == "--data" || option == "--mode" || option == "--volume";
    if (takesValue && i + 1 >= arguments.size()) {
      error = std::string(option) + " needs a value";
      return false;
    }
    const std::string_view value = takesValue ? arguments[++i] : std::string_view();
    if (option == "--data") {
      if (value.empty()) {
        error = "--data needs a folder";
        return false;
      }
      line.data = std::filesystem::path(value);
    } else if (option == "--mode") {
      std::uint32_t width = 0, height = 0;
      if (!parseMode(value, width, height)) {
        error = "--mode takes WIDTHxHEIGHT, for example 640x480";
        return false;
      }
      line.modeWidth = width;
      line.modeHeight = height;
    } else if (option == "--volume") {
      std::uint32_t volume = 0;
      if (!parseUnsigned(value, volume) || volume > 100) {
        error = "--volume takes a whole number from 0 to 100";
        return false;
      }
      line.volume = static_cast<int>(volume);
    } else if (option == "--no-panel") {
      line.noPanel = true;
    } else if (option == "--window" || option == "--fullscreen") {
      if (!choose(line.fullscreen, option == "--fullscreen", option, error)) return false;
    } else if (option == "--sound" || option == "--no-sound") {
      if (!choose(line.soundOn, option == "--sound", option, error)) return false;
    } else if (option == "--loop") {
      line.loop = true;
    } else if (option == "--party") {
      line.party = true;
    } else if (option == "--help") {
      line.help = true;
    } else if (option == "--version") {
      line.version = true;
    } else {
      error = "unknown option " + std::string(option);
      return false;
    }
  }
  return true;
}

int requestedMode(const CommandLine& line, const std::vector<gfx::DisplayMode>& modes) {
  if (!line.modeWidth) return -1;
  auto match = std::find_if(modes.begin(), modes.end(), [&](const gfx::DisplayMode& mode) {
    return mode.width == *line.modeWidth && mode.height == *line.modeHeight;
  });
  return match == modes.end() ? -1 : static_cast<int>(match - modes.begin());
}

bool presetPanel(const CommandLine& line, ConfigPanel& panel,
                 const std::vector<gfx::DisplayMode>& modes, std::string& error) {
  PanelControls& controls = panel.controls();
  if (line.modeWidth) {
    const int index = requestedMode(line, modes);
    if (index < 0) {
      error = "the display offers no full-screen mode of " + std::to_string(*line.modeWidth) + "x" +
              std::to_string(*line.modeHeight);
      return false;
    }
    controls.mode = index;
  }
  if (line.fullscreen) controls.desktopWindow = !*line.fullscreen;
  if (line.soundOn) controls.noSound = !*line.soundOn;
  if (line.loop) controls.loop = true;
  if (line.party) controls.party = true;
  panel.refresh();
  return true;
}

}  // namespace vesk
