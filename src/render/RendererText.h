// The renderer's text: one glyph atlas made once from a system font, drawn as textured quads
// in back-buffer pixels. Lines are 16 pixels apart.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "render/DXObject.h"

namespace vesk {

class TextFont : public DXObject {
 public:
  // Null (after a log line) when the font cannot be loaded: text is then not drawn.
  static Owned<TextFont> create(gfx::Device& device);

  // Draws one line with its top-left corner at pixel (x, y) of the current viewport.
  void draw(gfx::Device& device, int x, int y, std::string_view utf8, Argb colour);
  int lineHeight() const { return _lineHeight; }
  // The width in pixels of a line of text.
  int width(std::string_view utf8) const;

  struct Glyph {
    float u0 = 0, v0 = 0, u1 = 0, v1 = 0;
    int width = 0, height = 0, advance = 0;
  };

 private:
  friend class TextFontBuilder;
  const Glyph& glyph(char32_t code) const;

  Owned<gfx::Texture> _atlas;
  std::array<Glyph, 256> _glyphs{};
  int _lineHeight = 16;
  std::vector<ScreenVertex> _vertices;  // kept between frames
};

}  // namespace vesk
