#include "Pictures.h"

#include <cctype>
#include <cmath>
#include <map>
#include <numbers>

#include "PictureStyle.h"

namespace showgen {

namespace {

using vesk::ShowPictureKind;

const std::map<std::string, std::vector<Line>>& textLines() {
  static const std::map<std::string, std::vector<Line>> lines = {
      {"1.png", {{"1", Face::SerifBold, 320}}},
      {"2.png", {{"2", Face::SerifBold, 320}}},
      {"3.png", {{"3", Face::SerifBold, 320}}},
      {"4.png", {{"4", Face::SerifBold, 320}}},
      {"in code we trust.png",
       {{"IN CODE", Face::SerifBold, 96, Ink::Gold, 8},
        {"we trust", Face::SansLight, 56, Ink::White, 6}}},
      {"trust the vesk.png",
       {{"trust the", Face::SansLight, 56, Ink::White, 6},
        {"VESK", Face::SerifBold, 120, Ink::Gold, 16}}},
      {"the vesk within.png",
       {{"the", Face::SansLight, 56, Ink::White, 6},
        {"VESK", Face::SerifBold, 120, Ink::Gold, 16},
        {"within", Face::SansLight, 56, Ink::White, 6}}},
      {"cuni open.png", {{"open", Face::SerifBold, 150, Ink::Gold, 6}}},
      {"cuni your.png", {{"your", Face::SerifBold, 150, Ink::Gold, 6}}},
      {"cuni eyes.png", {{"eyes", Face::SerifBold, 150, Ink::Gold, 6}}},
      {"open your eyes.png",
       {{"open your", Face::SansLight, 64, Ink::White, 6},
        {"EYES", Face::SerifBold, 120, Ink::Gold, 14}}},
      {"time is not truth.png",
       {{"time is not", Face::SansLight, 60, Ink::White, 4},
        {"truth", Face::SerifBold, 110, Ink::Gold, 8}}},
      {"truth is not knowledge.png",
       {{"truth is not", Face::SansLight, 60, Ink::White, 4},
        {"knowledge", Face::SerifBold, 100, Ink::Gold, 6}}},
      {"knowledge is not wisdome.png",
       {{"knowledge is not", Face::SansLight, 60, Ink::White, 4},
        {"wisdom", Face::SerifBold, 110, Ink::Gold, 8}}},
      {"time is everything.png",
       {{"time is", Face::SansLight, 60, Ink::White, 4},
        {"everything", Face::SerifBold, 100, Ink::Gold, 6}}},
      {"vesk.png",
       {{"a", Face::SansLight, 40, Ink::White},
        {"VESK", Face::SerifBold, 130, Ink::Gold, 18},
        {"production", Face::SansLight, 40, Ink::White, 8}}},
      {"clepsydra.png",
       {{"CLEPSYDRA", Face::SerifBold, 84, Ink::Gold, 10},
        {"time, kept by water", Face::SansLight, 36, Ink::White, 4}}},
      {"staff greets.png",
       {{"the Vesk crew", Face::SansLight, 44, Ink::White, 4},
        {"GREETS", Face::SerifBold, 110, Ink::Gold, 12}}},
      {"staff orga.png",
       {{"thank you", Face::SerifBold, 84, Ink::Gold, 4},
        {"to the organisers of", Face::SansLight, 34, Ink::White, 2},
        {"Sandglass Summit 2026", Face::Sans, 44, Ink::White, 2}}},
      {"Typo intro.png",
       {{"VESK", Face::SerifBold, 96, Ink::Gold, 18},
        {"presents", Face::SansLight, 40, Ink::White, 10}}},
  };
  return lines;
}

// A group's name under a small emblem of its own.
Canvas greeting(Lettering& lettering, const std::string& name, int emblem) {
  Canvas canvas(kPictureWidth, kPictureHeight);
  const float cx = kPictureWidth / 2.0f, cy = 170;
  Rgb gold = palette::kGold;
  if (emblem == 0) {
    // A cut quartz: a diamond with facets.
    for (int y = 70; y < 270; ++y) {
      for (int x = 220; x < 420; ++x) {
        float dx = std::abs(x + 0.5f - cx) / 70, dy = std::abs(y + 0.5f - cy) / 100;
        float inside = 1 - (dx + dy);
        if (inside <= 0) continue;
        float facet = (x < cx) == (y < cy) ? 1.0f : 0.7f;
        canvas.blend(x, y, mix(hex(0xB8F2EA), hex(0xFFFFFF), inside) * facet, clamp01(inside * 70));
      }
    }
  } else if (emblem == 1) {
    // A moth: four wings and a body.
    canvas.fillEllipse(cx - 55, cy - 25, 55, 40, hex(0xC27A2C));
    canvas.fillEllipse(cx + 55, cy - 25, 55, 40, hex(0xC27A2C));
    canvas.fillEllipse(cx - 40, cy + 35, 36, 28, hex(0x9A5A20));
    canvas.fillEllipse(cx + 40, cy + 35, 36, 28, hex(0x9A5A20));
    canvas.fillEllipse(cx - 55, cy - 25, 16, 12, gold);
    canvas.fillEllipse(cx + 55, cy - 25, 16, 12, gold);
    canvas.fillEllipse(cx, cy, 10, 62, hex(0x5A3A1A));
  } else {
    // A lantern: a glowing body in a gold frame.
    canvas.fillRect(cx - 8, cy - 100, cx + 8, cy - 80, gold);
    canvas.fillEllipse(cx, cy - 10, 60, 80, hex(0x8A5A1A));
    canvas.fillEllipse(cx, cy - 10, 50, 70, hex(0xFFB040));
    canvas.glow(cx, cy - 10, 48, hex(0xFFF0C0), 0.8f, 1.5f);
    for (int bar = -1; bar <= 1; ++bar) {
      canvas.fillRect(cx + bar * 28 - 2, cy - 88, cx + bar * 28 + 2, cy + 68, gold);
    }
  }
  Mask mask = lettering.fit(name, Face::SerifBold, 72, kPictureWidth - 48, 4);
  letter(canvas, mask, kPictureWidth / 2, 360, Ink::Gold);
  return canvas;
}

Canvas credits(Lettering& lettering, const std::string& member) {
  std::string upper;
  for (char c : member)
    upper += char(std::toupper(static_cast<unsigned char>(c)));
  return textPicture(lettering, {{upper, Face::SerifBold, 100, Ink::Gold, 12},
                                 {crewRole(member), Face::SansLight, 44, Ink::White, 6}});
}

// The show's title: the name in gold between two rules, an hourglass above, the production
// and party below.
Canvas title(Lettering& lettering) {
  Canvas canvas(kPictureWidth, kPictureHeight);
  const float cx = kPictureWidth / 2.0f;
  for (int y = 60; y < 160; ++y) {
    float t = std::abs(y - 110.0f) / 50;  // 1 at the rims, 0 at the waist
    float half = 6 + 44 * t;
    canvas.fillRect(cx - half, float(y), cx + half, float(y + 1), goldAt(1 - t));
  }
  canvas.fillRect(cx - 60, 54, cx + 60, 60, palette::kGold);
  canvas.fillRect(cx - 60, 160, cx + 60, 166, palette::kGold);
  Mask name = lettering.fit("CLEPSYDRA", Face::SerifBold, 96, kPictureWidth - 40, 10);
  int top = letter(canvas, name, kPictureWidth / 2, 250, Ink::Gold);
  canvas.fillRect(70, float(top - 8), 570, float(top - 5), palette::kGold);
  canvas.fillRect(70, float(top + name.height + 4), 570, float(top + name.height + 7),
                  palette::kGold);
  Mask by = lettering.render("Vesk  \u00b7  Sandglass Summit 2026", Face::SansLight, 30);
  letter(canvas, by, kPictureWidth / 2, 370, Ink::White);
  return canvas;
}

// The production's logo: an hourglass in a ring beside the name.
Canvas logo(Lettering& lettering) {
  Canvas canvas(kPictureWidth, kPictureHeight);
  const float cx = 180, cy = 240;
  for (int y = 120; y < 360; ++y) {
    for (int x = 60; x < 300; ++x) {
      float r = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
      float ring = clamp01(1 - std::abs(r - 100) / 9);
      if (ring > 0) canvas.blend(x, y, goldAt((y - 120) / 240.0f), ring);
      float dy = (y + 0.5f - cy) / 70;
      float half = 8 + 48 * std::abs(dy);
      if (std::abs(dy) <= 1 && std::abs(x + 0.5f - cx) < half) {
        Rgb sand = dy > 0.35f || (dy < 0 && dy > -0.55f) ? palette::kSand : hex(0x3A2A1A);
        canvas.blend(x, y, std::abs(x + 0.5f - cx) > half - 5 ? palette::kGold : sand, 1);
      }
    }
  }
  Mask name = lettering.fit("VESK", Face::SerifBold, 100, 300, 10);
  letter(canvas, name, 460, 230, Ink::Gold);
  Mask line = lettering.render("real-time", Face::SansLight, 30, 6);
  letter(canvas, line, 460, 320, Ink::White);
  return canvas;
}

}  // namespace

std::string crewRole(const std::string& member) {
  static const std::map<std::string, std::string> roles = {
      {"ardent", "engine code"}, {"brume", "music"},     {"cobalt", "3D scenes"},
      {"dune", "textures"},      {"ember", "effects"},   {"fennec", "direction"},
      {"glyph", "typography"},   {"halcyon", "support"},
  };
  auto found = roles.find(member);
  return found == roles.end() ? "crew" : found->second;
}

std::optional<Canvas> drawLettering(const vesk::ShowPicture& picture, Lettering& lettering) {
  if (picture.file == "clepsydra title.png") return title(lettering);
  if (picture.file == "logovesk.jpg") return logo(lettering);
  if (picture.file == "quartzlight.png") return greeting(lettering, "quartzlight", 0);
  if (picture.file == "moth orchestra.png") return greeting(lettering, "moth orchestra", 1);
  if (picture.file == "lantern ensemble.png") return greeting(lettering, "lantern ensemble", 2);
  if (picture.file.starts_with("staff ") && picture.name.starts_with("txt")) {
    return credits(lettering, picture.name.substr(3));
  }
  auto found = textLines().find(picture.file);
  if (found == textLines().end()) return std::nullopt;
  return textPicture(lettering, found->second);
}

std::optional<Canvas> drawPicture(const vesk::ShowPicture& picture, Lettering& lettering) {
  switch (picture.kind) {
    case ShowPictureKind::Portrait:
      return drawPortrait(picture.name, lettering);
    case ShowPictureKind::Text:
    case ShowPictureKind::Title:
    case ShowPictureKind::Logo:
      return drawLettering(picture, lettering);
    default:
      return drawScenery(picture, lettering);
  }
}

}  // namespace showgen
