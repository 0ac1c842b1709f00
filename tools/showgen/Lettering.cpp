#include "Lettering.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstdint>

namespace showgen {

namespace {

const char* fileOf(Face face) {
  switch (face) {
    case Face::Serif:
      return "DejaVuSerif.ttf";
    case Face::SerifBold:
      return "DejaVuSerif-Bold.ttf";
    case Face::Sans:
      return "DejaVuSans.ttf";
    case Face::SansBold:
      return "DejaVuSans-Bold.ttf";
    case Face::SansLight:
      return "DejaVuSans-ExtraLight.ttf";
    case Face::Condensed:
      return "DejaVuSansCondensed.ttf";
    case Face::CondensedBold:
      return "DejaVuSansCondensed-Bold.ttf";
  }
  return "DejaVuSans.ttf";
}

// The alpha channel of a blended rendering, which is the glyphs' coverage.
Mask maskOf(SDL_Surface* surface) {
  Mask mask;
  if (!surface) return mask;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(surface);
  if (!argb) return mask;
  mask.width = argb->w;
  mask.height = argb->h;
  mask.coverage.resize(std::size_t(mask.width) * mask.height);
  SDL_LockSurface(argb);
  for (int y = 0; y < mask.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(
        static_cast<const std::uint8_t*>(argb->pixels) + std::size_t(y) * argb->pitch);
    for (int x = 0; x < mask.width; ++x) {
      mask.coverage[std::size_t(y) * mask.width + x] = float(row[x] >> 24) / 255;
    }
  }
  SDL_UnlockSurface(argb);
  SDL_FreeSurface(argb);
  return mask;
}

// One horizontal then one vertical running sum of width 2 × radius + 1.
void boxBlur(Mask& mask, int radius) {
  std::vector<float> line;
  for (int pass = 0; pass < 2; ++pass) {
    const bool rows = pass == 0;
    const int count = rows ? mask.height : mask.width;
    const int length = rows ? mask.width : mask.height;
    line.resize(length);
    for (int i = 0; i < count; ++i) {
      auto cell = [&](int k) -> float& {
        return rows ? mask.coverage[std::size_t(i) * mask.width + k]
                    : mask.coverage[std::size_t(k) * mask.width + i];
      };
      float sum = 0;
      for (int k = -radius; k <= radius; ++k)
        sum += (k >= 0 && k < length) ? cell(k) : 0;
      for (int k = 0; k < length; ++k) {
        line[k] = sum / float(2 * radius + 1);
        int out = k - radius, in = k + radius + 1;
        if (out >= 0) sum -= cell(out);
        if (in < length) sum += cell(in);
      }
      for (int k = 0; k < length; ++k)
        cell(k) = line[k];
    }
  }
}

}  // namespace

Mask blurred(const Mask& mask, int radius) {
  Mask wide;
  wide.width = mask.width + 4 * radius;
  wide.height = mask.height + 4 * radius;
  wide.coverage.assign(std::size_t(wide.width) * wide.height, 0);
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      wide.coverage[std::size_t(y + 2 * radius) * wide.width + x + 2 * radius] = mask.at(x, y);
    }
  }
  boxBlur(wide, radius);
  boxBlur(wide, radius);
  return wide;
}

void shine(Canvas& canvas, const Mask& mask, int left, int top, Rgb colour, float amount) {
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      canvas.add(left + x, top + y, colour,
                 amount * mask.coverage[std::size_t(y) * mask.width + x]);
    }
  }
}

Lettering::Lettering() {
  if (TTF_Init() != 0) {
    _error = std::string("cannot start SDL2_ttf: ") + TTF_GetError();
    return;
  }
  _started = true;
  if (!font(Face::Sans, 12)) _error = std::string("cannot open the fonts: ") + TTF_GetError();
}

Lettering::~Lettering() {
  for (auto& [key, opened] : _fonts)
    TTF_CloseFont(opened);
  if (_started) TTF_Quit();
}

_TTF_Font* Lettering::font(Face face, int points) {
  auto found = _fonts.find({face, points});
  if (found != _fonts.end()) return found->second;
  std::string path = std::string(VESK_FONT_DIR) + "/" + fileOf(face);
  TTF_Font* opened = TTF_OpenFont(path.c_str(), points);
  if (!opened) return nullptr;
  TTF_SetFontHinting(opened, TTF_HINTING_LIGHT);
  _fonts[{face, points}] = opened;
  return opened;
}

Mask Lettering::render(std::string_view text, Face face, int points, int tracking) {
  TTF_Font* chosen = font(face, points);
  if (!chosen || text.empty()) return {};
  const SDL_Color white{255, 255, 255, 255};
  if (tracking == 0)
    return maskOf(TTF_RenderUTF8_Blended(chosen, std::string(text).c_str(), white));

  // Letter by letter, each advanced by its own width plus the tracking (ASCII text only).
  std::vector<Mask> letters;
  int width = 0;
  for (char letter : text) {
    char one[2] = {letter, 0};
    letters.push_back(maskOf(TTF_RenderUTF8_Blended(chosen, one, white)));
    width += letters.back().width + tracking;
  }
  Mask line;
  line.width = std::max(0, width - tracking);
  line.height = TTF_FontHeight(chosen);
  line.coverage.assign(std::size_t(line.width) * line.height, 0);
  int x = 0;
  for (const Mask& letter : letters) {
    for (int y = 0; y < std::min(letter.height, line.height); ++y) {
      for (int i = 0; i < letter.width && x + i < line.width; ++i) {
        float& cell = line.coverage[std::size_t(y) * line.width + x + i];
        cell = std::max(cell, letter.at(i, y));
      }
    }
    x += letter.width + tracking;
  }
  return line;
}

Mask Lettering::fit(std::string_view text, Face face, int points, int maxWidth, int tracking) {
  for (int size = points; size > 6; size = size * 9 / 10) {
    Mask line = render(text, face, size, tracking * size / points);
    if (line.width <= maxWidth) return line;
  }
  return render(text, face, 6);
}

}  // namespace showgen
