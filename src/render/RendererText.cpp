#include "render/RendererText.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstring>

#include "base/Log.h"
#include "gfx/Matrices.h"

namespace vesk {

namespace {

constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int kPointSize = 12;
constexpr int kAtlasWidth = 512;
constexpr char32_t kFirstGlyph = 32;

// The next code point of UTF-8 text; malformed bytes read as '?'.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
  auto lead = static_cast<unsigned char>(text[i++]);
  if (lead < 0x80) return lead;
  int extra = (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
  if (extra < 0 || i + extra > text.size()) return '?';
  char32_t code = lead & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return '?';
    code = (code << 6) | (next & 0x3F);
    ++i;
  }
  return code;
}

}  // namespace

class TextFontBuilder {
 public:
  static Owned<TextFont> build(gfx::Device& device) {
    if (!TTF_WasInit() && TTF_Init() != 0) {
      logLine(std::string("Text: ") + TTF_GetError());
      return nullptr;
    }
    TTF_Font* font = TTF_OpenFont(kFontPath, kPointSize);
    if (!font) {
      logLine(std::string("Text: cannot open the font ") + kFontPath);
      return nullptr;
    }
    Owned<TextFont> text = make<TextFont>(here());
    text->_lineHeight = std::min(16, TTF_FontLineSkip(font));

    // Render every glyph once, then pack them in rows of one atlas.
    struct Rendered {
      SDL_Surface* surface = nullptr;
      int advance = 0;
    };
    std::array<Rendered, 256> rendered{};
    const SDL_Color white{255, 255, 255, 255};
    int x = 0, y = 0, rowHeight = 0;
    std::array<std::pair<int, int>, 256> places{};
    for (char32_t code = kFirstGlyph; code < 256; ++code) {
      int minx, maxx, miny, maxy, advance;
      if (TTF_GlyphMetrics(font, static_cast<Uint16>(code), &minx, &maxx, &miny, &maxy, &advance) !=
          0) {
        continue;
      }
      SDL_Surface* surface = TTF_RenderGlyph_Blended(font, static_cast<Uint16>(code), white);
      if (!surface) continue;
      SDL_Surface* converted = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0);
      SDL_FreeSurface(surface);
      if (!converted) continue;
      if (x + converted->w > kAtlasWidth) {
        x = 0;
        y += rowHeight + 1;
        rowHeight = 0;
      }
      places[code] = {x, y};
      rendered[code] = {converted, advance};
      x += converted->w + 1;
      rowHeight = std::max(rowHeight, converted->h);
    }
    const int atlasHeight = y + rowHeight + 1;
    text->_atlas = device.createTexture(kAtlasWidth, static_cast<std::uint32_t>(atlasHeight), 1,
                                        gfx::USAGE_NONE, gfx::Format::A8R8G8B8, gfx::Pool::Managed);
    gfx::LockedRect locked;
    const bool ready = text->_atlas && text->_atlas->lockRect(0, locked, 0);
    for (char32_t code = kFirstGlyph; code < 256; ++code) {
      SDL_Surface* surface = rendered[code].surface;
      if (!surface) continue;
      auto [gx, gy] = places[code];
      if (ready) {
        for (int row = 0; row < surface->h; ++row) {
          auto* target = static_cast<unsigned char*>(locked.bits) +
                         static_cast<std::size_t>(gy + row) * locked.pitch + 4 * gx;
          std::memcpy(target, static_cast<unsigned char*>(surface->pixels) + row * surface->pitch,
                      4 * static_cast<std::size_t>(surface->w));
        }
      }
      TextFont::Glyph& glyph = text->_glyphs[code];
      glyph.width = surface->w;
      glyph.height = surface->h;
      glyph.advance = rendered[code].advance;
      glyph.u0 = static_cast<float>(gx) / kAtlasWidth;
      glyph.v0 = static_cast<float>(gy) / static_cast<float>(atlasHeight);
      glyph.u1 = static_cast<float>(gx + surface->w) / kAtlasWidth;
      glyph.v1 = static_cast<float>(gy + surface->h) / static_cast<float>(atlasHeight);
      SDL_FreeSurface(surface);
    }
    if (ready) (void)text->_atlas->unlockRect(0);
    TTF_CloseFont(font);
    if (!ready) {
      logLine("Text: cannot make the glyph atlas");
      return nullptr;
    }
    return text;
  }
};

Owned<TextFont> TextFont::create(gfx::Device& device) {
  return TextFontBuilder::build(device);
}

const TextFont::Glyph& TextFont::glyph(char32_t code) const {
  if (code < kFirstGlyph || code >= 256 || _glyphs[code].advance == 0) return _glyphs['?'];
  return _glyphs[code];
}

int TextFont::width(std::string_view utf8) const {
  int total = 0;
  for (std::size_t i = 0; i < utf8.size();)
    total += glyph(nextCodePoint(utf8, i)).advance;
  return total;
}

void TextFont::draw(gfx::Device& device, int x, int y, std::string_view utf8, Argb colour) {
  if (!_atlas) return;
  _vertices.clear();
  float penX = static_cast<float>(x);
  const float top = static_cast<float>(y);
  for (std::size_t i = 0; i < utf8.size();) {
    const Glyph& g = glyph(nextCodePoint(utf8, i));
    const float x0 = penX, x1 = penX + static_cast<float>(g.width);
    const float y0 = top, y1 = top + static_cast<float>(g.height);
    const ScreenVertex corners[6] = {
        {x0, y0, 0, colour, g.u0, g.v0}, {x1, y0, 0, colour, g.u1, g.v0},
        {x0, y1, 0, colour, g.u0, g.v1}, {x1, y0, 0, colour, g.u1, g.v0},
        {x1, y1, 0, colour, g.u1, g.v1}, {x0, y1, 0, colour, g.u0, g.v1},
    };
    _vertices.insert(_vertices.end(), std::begin(corners), std::end(corners));
    penX += static_cast<float>(g.advance);
  }
  if (_vertices.empty()) return;

  gfx::ViewportRect viewport;
  VK_DX(device.getViewport(viewport));
  const Matrix identity;
  VK_DX(device.setTransform(gfx::TransformType::View, identity));
  VK_DX(device.setTransform(gfx::TransformType::World, identity));
  // Pixel coordinates, y down: texels map one to one onto pixels.
  VK_DX(device.setTransform(gfx::TransformType::Projection,
                            orthoOffCenterRH(0, static_cast<float>(viewport.width),
                                             static_cast<float>(viewport.height), 0, 0, 1)));
  VK_DX(device.setRenderState(gfx::RenderState::Lighting, 0));
  VK_DX(device.setRenderState(gfx::RenderState::ZEnable, 0));
  VK_DX(device.setTexture(0, _atlas.get()));
  VK_DX(device.setVertexFormat(kScreenVertexFvf));
  VK_DX(device.drawPrimitiveUP(gfx::Primitive::TriangleList,
                               static_cast<std::uint32_t>(_vertices.size() / 3), _vertices.data(),
                               sizeof(ScreenVertex)));
  VK_DX(device.setTexture(0, nullptr));
  VK_DX(device.setRenderState(gfx::RenderState::ZEnable, 1));
  VK_DX(device.setRenderState(gfx::RenderState::Lighting, 1));
}

}  // namespace vesk
