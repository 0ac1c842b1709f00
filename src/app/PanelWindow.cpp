#include "app/PanelWindow.h"

#include <FreeImage.h>
#include <SDL.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <imgui.h>
#include "app/CommandLine.h"
#include "base/ArchiveReader.h"
#include "base/Diagnosis.h"
#include "base/File.h"
#include "base/Log.h"
#include "base/Text.h"
#include "world/material/Picture.h"

namespace vesk {

namespace {

// Where each control stands, in pixels from the window's top-left corner.
struct Box {
  float x, y, w, h;
};
constexpr Box kLaunchGroup{8, 8, 276, 284};
constexpr Box kTitle{18, 28, kTitleSide, kTitleSide};
constexpr Box kConfigGroup{292, 8, 220, 222};
constexpr Box kDeviceGroup{300, 26, 204, 50};
constexpr Box kDeviceList{308, 44, 188, 0};
constexpr Box kDesktopBox{300, 82, 0, 0};
constexpr Box kModesGroup{300, 106, 204, 50};
constexpr Box kModeList{308, 124, 188, 0};
constexpr Box kFsaaBox{300, 160, 0, 0};
constexpr Box kNoSoundBox{300, 182, 0, 0};
constexpr Box kLoopBox{300, 204, 0, 0};
constexpr Box kAboutGroup{292, 236, 220, 56};
constexpr Box kStamp{300, 260, 0, 0};
constexpr Box kPartyBox{8, 304, 0, 0};
constexpr Box kRunButton{320, 302, 90, 26};
constexpr Box kExitButton{422, 302, 90, 26};

// A dialog's group box: an etched frame with its caption over the top edge. A '&' marks the
// next letter as the caption's shortcut letter, which is underlined.
void groupBox(const Box& box, const char* caption, bool enabled) {
  ImDrawList* draw = ImGui::GetWindowDrawList();
  const ImVec2 origin = ImGui::GetWindowPos();
  const ImU32 frame = ImGui::GetColorU32(ImGuiCol_Border);
  const ImU32 text = ImGui::GetColorU32(enabled ? ImGuiCol_Text : ImGuiCol_TextDisabled);
  const float top = origin.y + box.y + ImGui::GetFontSize() / 2;
  draw->AddRect({origin.x + box.x, top}, {origin.x + box.x + box.w, origin.y + box.y + box.h},
                frame);
  std::string shown;
  int underline = -1;
  for (const char* c = caption; *c; ++c) {
    if (*c == '&' && c[1] && underline < 0) {
      underline = static_cast<int>(shown.size());
      continue;
    }
    shown += *c;
  }
  const ImVec2 at{origin.x + box.x + 8, origin.y + box.y};
  const ImVec2 size = ImGui::CalcTextSize(shown.c_str());
  draw->AddRectFilled({at.x - 2, at.y}, {at.x + size.x + 2, at.y + size.y},
                      ImGui::GetColorU32(ImGuiCol_WindowBg));
  draw->AddText(at, text, shown.c_str());
  if (underline >= 0) {
    const float from = at.x + ImGui::CalcTextSize(shown.c_str(), shown.c_str() + underline).x;
    const float to = at.x + ImGui::CalcTextSize(shown.c_str(), shown.c_str() + underline + 1).x;
    draw->AddLine({from, at.y + size.y}, {to, at.y + size.y}, text);
  }
}

void checkbox(const Box& box, const char* caption, bool& value, bool enabled, bool& clicked) {
  ImGui::SetCursorPos({box.x, box.y});
  ImGui::BeginDisabled(!enabled);
  clicked |= ImGui::Checkbox(caption, &value);
  ImGui::EndDisabled();
}

void dropDown(const Box& box, const char* id, const std::vector<std::string>& items, int& value,
              bool enabled, bool& clicked) {
  ImGui::SetCursorPos({box.x, box.y});
  ImGui::SetNextItemWidth(box.w);
  ImGui::BeginDisabled(!enabled);
  const char* shown =
      value >= 0 && value < static_cast<int>(items.size()) ? items[value].c_str() : "";
  if (ImGui::BeginCombo(id, shown)) {
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
      if (ImGui::Selectable(items[i].c_str(), i == value)) {
        value = i;
        clicked = true;
      }
    }
    ImGui::EndCombo();
  }
  ImGui::EndDisabled();
}

// A plain tile for the title picture: a light square with a darker edge.
void titleTile(const Box& box) {
  ImDrawList* draw = ImGui::GetWindowDrawList();
  const ImVec2 origin = ImGui::GetWindowPos();
  const ImVec2 from{origin.x + box.x, origin.y + box.y};
  const ImVec2 to{from.x + box.w, from.y + box.h};
  draw->AddRectFilled(from, to, IM_COL32(112, 128, 160, 255));
  draw->AddRect(from, to, IM_COL32(48, 56, 80, 255), 0, 0, 2);
}

}  // namespace

std::vector<std::uint8_t> loadTitlePicture() {
  std::vector<std::uint8_t> file;
  if (File::mode() == File::Mode::Archive) {
    ArchiveMember member = readArchiveMember(kArchiveName, kTitlePicture);
    if (!member) return {};
    file.assign(member.data.get(), member.data.get() + member.size);
  } else {
    std::ifstream in(looseFilePath(kTitlePicture), std::ios::binary);
    if (!in) return {};
    file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  Bitmap decoded = decodePicture(kTitlePicture, file.data(), file.size());
  if (!decoded) {
    logLine(str("Panel: ", kTitlePicture, " cannot be decoded; a plain tile stands for it"));
    return {};
  }
  Bitmap rgba(FreeImage_ConvertTo32Bits(decoded.get()));
  if (rgba && (FreeImage_GetWidth(rgba.get()) != kTitleSide ||
               FreeImage_GetHeight(rgba.get()) != kTitleSide)) {
    rgba.reset(FreeImage_Rescale(rgba.get(), kTitleSide, kTitleSide, FILTER_BILINEAR));
  }
  if (!rgba) return {};
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kTitleSide) * kTitleSide * 4);
  for (int y = 0; y < kTitleSide; ++y) {
    // FreeImage keeps rows bottom-up, in blue, green, red, alpha order here.
    const BYTE* row = FreeImage_GetScanLine(rgba.get(), kTitleSide - 1 - y);
    std::uint8_t* out = pixels.data() + static_cast<std::size_t>(y) * kTitleSide * 4;
    for (int x = 0; x < kTitleSide; ++x) {
      out[4 * x + 0] = row[4 * x + FI_RGBA_RED];
      out[4 * x + 1] = row[4 * x + FI_RGBA_GREEN];
      out[4 * x + 2] = row[4 * x + FI_RGBA_BLUE];
      out[4 * x + 3] = 255;
    }
  }
  return pixels;
}

PanelResult runPanelWindow(GuiWindow& window, ConfigPanel& panel, Core::Settings& settings) {
  const std::vector<std::uint8_t> title = loadTitlePicture();
  const std::uintptr_t titleTexture =
      title.empty() ? 0 : window.createTexture(title.data(), kTitleSide, kTitleSide);
  const std::string stamp = buildStamp();
  const std::string partyCaption = std::string(kPartyName) + " version";
  const std::string aboutCaption = std::string(kGroupName) + " - " + kEngineName;

  // SIGINT or SIGTERM close the panel as its close box does.
  while (!quitRequested() && window.beginFrame()) {
    const ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos({0, 0});
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("panel", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus);
    PanelControls& c = panel.controls();
    bool clicked = false;

    groupBox(kLaunchGroup, "Lauching zone", true);
    if (titleTexture) {
      ImGui::SetCursorPos({kTitle.x, kTitle.y});
      ImGui::Image(reinterpret_cast<ImTextureID>(titleTexture), {kTitle.w, kTitle.h});
    } else {
      titleTile(kTitle);
    }

    groupBox(kConfigGroup, "Configuration", true);
    groupBox(kDeviceGroup, "&Direct X device selection", panel.enabled(PanelControl::Device));
    dropDown(kDeviceList, "##device", panel.devices(), c.device,
             panel.enabled(PanelControl::Device), clicked);
    checkbox(kDesktopBox, "Run on desktop window", c.desktopWindow,
             panel.enabled(PanelControl::DesktopWindow), clicked);
    groupBox(kModesGroup, "Fullscreen &modes", panel.enabled(PanelControl::ModesGroup));
    dropDown(kModeList, "##mode", panel.modes(), c.mode, panel.enabled(PanelControl::Mode),
             clicked);
    checkbox(kFsaaBox, "Fullscreen anti-aliasing", c.fsaa, panel.enabled(PanelControl::Fsaa),
             clicked);
    checkbox(kNoSoundBox, "No sound", c.noSound, panel.enabled(PanelControl::NoSound), clicked);
    checkbox(kLoopBox, "Loop mode", c.loop, panel.enabled(PanelControl::Loop), clicked);

    groupBox(kAboutGroup, aboutCaption.c_str(), true);
    ImGui::SetCursorPos({kStamp.x, kStamp.y});
    ImGui::TextUnformatted(stamp.c_str());

    checkbox(kPartyBox, partyCaption.c_str(), c.party, true, clicked);
    if (clicked) panel.refresh();

    // Enter is the default button's key; Escape leaves as the close box does.
    const bool noPopup = !ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId);
    ImGui::SetCursorPos({kRunButton.x, kRunButton.y});
    const bool run =
        ImGui::Button("Run demo", {kRunButton.w, kRunButton.h}) ||
        (noPopup && (window.keyPressed(SDLK_RETURN) || window.keyPressed(SDLK_KP_ENTER)));
    ImGui::SetCursorPos({kExitButton.x, kExitButton.y});
    const bool exit = ImGui::Button("Exit", {kExitButton.w, kExitButton.h}) ||
                      (noPopup && window.keyPressed(SDLK_ESCAPE));
    ImGui::End();
    window.endFrame();
    if (run) return panel.run(settings);
    if (exit) return PanelResult::Exit;
  }
  return PanelResult::Exit;
}

}  // namespace vesk
