// The configuration panel on screen: its own small window (GuiWindow), laid out after the
// dialog it stands for, every control drawn by Dear ImGui from the rules of ConfigPanel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/ConfigPanel.h"
#include "platform/GuiWindow.h"

namespace vesk {

// The panel's size in pixels.
inline constexpr int kPanelWidth = 520;
inline constexpr int kPanelHeight = 336;
// The title picture's side, and the data file it comes from when the show's data has it; a
// plain tile stands in for it otherwise.
inline constexpr int kTitleSide = 256;
inline constexpr const char* kTitlePicture = "data\\textures\\clepsydra title.png";

// The title picture as 256 × 256 RGBA pixels, or empty when the data has none (or it cannot be
// decoded: the log says why). Never a fatal error: the panel does without it.
std::vector<std::uint8_t> loadTitlePicture();

// Runs the panel in `window` until "Run demo" (with `settings` updated by ConfigPanel::run),
// "Exit" or the window's close box.
PanelResult runPanelWindow(GuiWindow& window, ConfigPanel& panel, Core::Settings& settings);

}  // namespace vesk
