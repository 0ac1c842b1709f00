#include "render/Renderer.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/ByteOrder.h"
#include "base/FileHandle.h"
#include "base/Log.h"
#include "events/Event.h"
#include "gfx/Matrices.h"
#include "render/RendererText.h"

namespace vesk {

namespace {

using gfx::RenderState;
using gfx::StageState;

constexpr ScreenVertex kScreenQuad[4] = {
    {-1.0f, 1.0f, 0.0f, 0xFFFFFFFF, 0.0f, 0.0f},
    {1.0f, 1.0f, 0.0f, 0xFFFFFFFF, 1.0f, 0.0f},
    {-1.0f, -1.0f, 0.0f, 0xFFFFFFFF, 0.0f, 1.0f},
    {1.0f, -1.0f, 0.0f, 0xFFFFFFFF, 1.0f, 1.0f},
};

constexpr std::uint32_t kBmpFileHeaderSize = 14;
constexpr std::uint32_t kBmpInfoHeaderSize = 40;
constexpr std::uint32_t kBmpHeaderSize = kBmpFileHeaderSize + kBmpInfoHeaderSize;

// The headers of an uncompressed 24-bit bitmap whose pixels follow at once; the resolution
// and palette fields stay zero.
std::array<std::uint8_t, kBmpHeaderSize> bmpHeader(std::uint32_t width, std::uint32_t height,
                                                   std::uint32_t pixelBytes) {
  std::array<std::uint8_t, kBmpHeaderSize> header{'B', 'M'};
  storeLe32(&header[2], kBmpHeaderSize + pixelBytes);
  storeLe32(&header[10], kBmpHeaderSize);  // where the pixels start
  std::uint8_t* info = &header[kBmpFileHeaderSize];
  storeLe32(info, kBmpInfoHeaderSize);
  storeLe32(info + 4, width);
  storeLe32(info + 8, height);  // positive: the bottom row comes first
  storeLe16(info + 12, 1);      // planes
  storeLe16(info + 14, 24);     // bits per pixel
  storeLe32(info + 20, pixelBytes);
  return header;
}

}  // namespace

Renderer::Renderer(gfx::Display* display) : _display(display) {
  if (!display) {
    fatal("DirectX error : unable to create a D3D8 object", here());
    return;
  }
  _screenProjection = orthoRH(2.0f, 2.0f, 0.0f, 1.0f);
}

Renderer::~Renderer() {
  if (_device) shutdown();
}

void Renderer::listModes(std::vector<gfx::DisplayMode>& modes) {
  if (!_display) return;
  std::vector<gfx::DisplayMode> all = _display->modes();
  for (const gfx::DisplayMode& mode : all) {
    if (mode.format == gfx::Format::X8R8G8B8 && mode.refreshRate == 60) modes.push_back(mode);
  }
  if (!modes.empty()) return;
  for (const gfx::DisplayMode& mode : all) {
    if (mode.format == gfx::Format::X8R8G8B8) modes.push_back(mode);
  }
}

bool Renderer::createDevice(gfx::DeviceHost& host, std::uint32_t width, std::uint32_t height,
                            bool fullscreen, bool /*fsaa: the device is made without it*/,
                            bool stateCache) {
  _windowed = !fullscreen;
  gfx::DeviceParams params;
  params.width = width;
  params.height = height;
  params.fullscreen = fullscreen;
  params.stateCache = stateCache;
  _device = gfx::createGlDevice(host, params);
  if (!_device) {
    dxError(here());
    return false;
  }
  _caps = _device->caps();
  logLine(_caps.maxSamples >= 2 ? "FSAA available" : "FSAA not available");
  _drawContext.device = _device.get();
  setInitialStates();

  // Some systems report the ramp in the top byte of each entry's low half; a ramp that
  // already uses the full 16 bits is kept as it is rather than shifted into garbage.
  if (_device->getGammaRamp(_baseGamma)) {
    bool eightBit = true;
    for (int i = 0; i < 256; ++i) {
      if (_baseGamma.red[i] > 0xFF || _baseGamma.green[i] > 0xFF || _baseGamma.blue[i] > 0xFF) {
        eightBit = false;
      }
    }
    if (eightBit) {
      for (int i = 0; i < 256; ++i) {
        _baseGamma.red[i] = static_cast<std::uint16_t>(_baseGamma.red[i] << 8);
        _baseGamma.green[i] = static_cast<std::uint16_t>(_baseGamma.green[i] << 8);
        _baseGamma.blue[i] = static_cast<std::uint16_t>(_baseGamma.blue[i] << 8);
      }
    }
  } else {
    for (int i = 0; i < 256; ++i) {
      _baseGamma.red[i] = _baseGamma.green[i] = _baseGamma.blue[i] =
          static_cast<std::uint16_t>(i * 257);
    }
  }
  _gamma = _baseGamma;

  _font = TextFont::create(*_device);

  gfx::SurfaceDesc back =
      _device->backBuffer() ? _device->backBuffer()->desc() : gfx::SurfaceDesc{};
  _width = back.width;
  _height = back.height;
  _fullViewport = gfx::ViewportRect{0, 0, _width, _height, 0.0f, 1.0f};

  _screenQuad = _device->createVertexBuffer(sizeof kScreenQuad, gfx::USAGE_WRITE_ONLY,
                                            kScreenVertexFvf, gfx::Pool::Default);
  void* quad = _screenQuad ? _screenQuad->lock(0, 0, 0) : nullptr;
  if (!VK_DX(quad != nullptr)) return false;
  std::memcpy(quad, kScreenQuad, sizeof kScreenQuad);
  VK_DX(_screenQuad->unlock());
  _drawContext.screenQuad = _screenQuad.get();

  if (fullscreen && _display) _display->hideCursor();
  return true;
}

void Renderer::setInitialStates() {
  gfx::Device& d = *_device;
  auto rs = [&d](RenderState state, std::uint32_t value) { VK_DX(d.setRenderState(state, value)); };
  rs(RenderState::ShadeMode, static_cast<std::uint32_t>(gfx::Shade::Gouraud));
  rs(RenderState::Lighting, 1);
  rs(RenderState::FillMode, static_cast<std::uint32_t>(gfx::Fill::Solid));
  rs(RenderState::ZWriteEnable, 1);
  rs(RenderState::ZEnable, 1);
  rs(RenderState::ZFunc, static_cast<std::uint32_t>(gfx::Compare::Less));
  rs(RenderState::AlphaBlendEnable, 1);
  rs(RenderState::SrcBlend, static_cast<std::uint32_t>(gfx::Blend::SrcAlpha));
  rs(RenderState::DestBlend, static_cast<std::uint32_t>(gfx::Blend::InvSrcAlpha));
  rs(RenderState::CullMode, static_cast<std::uint32_t>(gfx::Cull::CounterClockwise));
  _drawContext.currentCullMode = gfx::Cull::CounterClockwise;
  rs(RenderState::StencilEnable, 0);
  rs(RenderState::StencilFail, static_cast<std::uint32_t>(gfx::StencilOp::Keep));
  rs(RenderState::StencilZFail, static_cast<std::uint32_t>(gfx::StencilOp::Keep));
  rs(RenderState::StencilPass, static_cast<std::uint32_t>(gfx::StencilOp::Keep));
  rs(RenderState::StencilFunc, static_cast<std::uint32_t>(gfx::Compare::Never));
  rs(RenderState::StencilRef, 0);
  rs(RenderState::StencilMask, 0xFFFFFFFF);
  rs(RenderState::StencilWriteMask, 0xFFFFFFFF);
  rs(RenderState::SpecularEnable, 1);
  rs(RenderState::PointSpriteEnable, 1);
  rs(RenderState::PointScaleEnable, 1);
  rs(RenderState::PointScaleA, gfx::floatState(0.0f));
  rs(RenderState::PointScaleC, gfx::floatState(1.0f));
  rs(RenderState::PointSizeMin, gfx::floatState(0.0f));

  auto ts = [&d](int stage, StageState state, std::uint32_t value) {
    VK_DX(d.setTextureStageState(stage, state, value));
  };
  for (int stage = 0; stage < 2; ++stage) {
    ts(stage, StageState::MagFilter, static_cast<std::uint32_t>(gfx::TextureFilter::Linear));
    ts(stage, StageState::MinFilter, static_cast<std::uint32_t>(gfx::TextureFilter::Linear));
    ts(stage, StageState::TexCoordIndex, 0);
  }
  const auto texture = static_cast<std::uint32_t>(gfx::TextureArg::Texture);
  const auto diffuse = static_cast<std::uint32_t>(gfx::TextureArg::Diffuse);
  const auto current = static_cast<std::uint32_t>(gfx::TextureArg::Current);
  const auto modulate = static_cast<std::uint32_t>(gfx::TextureOp::Modulate);
  ts(0, StageState::ColorOp, modulate);
  ts(0, StageState::ColorArg1, texture);
  ts(0, StageState::ColorArg2, diffuse);
  ts(0, StageState::AlphaOp, modulate);
  ts(0, StageState::AlphaArg1, texture);
  ts(0, StageState::AlphaArg2, diffuse);
  ts(1, StageState::ColorOp, static_cast<std::uint32_t>(gfx::TextureOp::Disable));
  ts(1, StageState::ColorArg1, texture);
  ts(1, StageState::ColorArg2, current);
  ts(1, StageState::AlphaOp, modulate);
  ts(1, StageState::AlphaArg1, texture);
  ts(1, StageState::AlphaArg2, current);
}

void Renderer::beginFrame() {
  if (_device) VK_DX(_device->beginScene());
}

void Renderer::clearTarget(Argb colour) {
  if (_device) VK_DX(_device->clear(gfx::CLEAR_TARGET, colour, 1.0f, 0));
}

void Renderer::endFrame() {
  if (_device) VK_DX(_device->endScene());
}

void Renderer::present() {
  if (_device) VK_DX(_device->present());
}

void Renderer::restoreFullViewport() {
  if (_device) VK_DX(_device->setViewport(_fullViewport));
}

void Renderer::setGamma(int percent) {
  if (!_device || !_caps.fullscreenGamma) return;
  auto shift = [percent](std::uint16_t base) -> std::uint16_t {
    double b = base;
    double value =
        percent < 1 ? b - std::abs(percent) * b * 0.01 : b + (65535.0 - b) * percent * 0.01;
    return static_cast<std::uint16_t>(value);
  };
  for (int i = 0; i < 256; ++i) {
    _gamma.red[i] = shift(_baseGamma.red[i]);
    _gamma.green[i] = shift(_baseGamma.green[i]);
    _gamma.blue[i] = shift(_baseGamma.blue[i]);
  }
  // A display without gamma control simply keeps its own.
  (void)_device->setGammaRamp(_gamma);
}

void Renderer::drawText(int x, int y, std::string_view text) {
  if (!_device || !_font) return;
  _font->draw(*_device, x + 1, y + 1, text, 0xFF000000);
  _font->draw(*_device, x, y, text, 0xFFFFFFFF);
}

void Renderer::saveScreenshot(const std::string& prefix, int number) {
  if (!_device) return;
  std::string name = prefix + std::to_string(number) + ".bmp";
  gfx::Surface* back = _device->backBuffer();
  if (!VK_DX(back != nullptr)) return;
  gfx::SurfaceDesc desc = back->desc();
  Owned<gfx::Surface> image = _device->createImageSurface(desc.width, desc.height, desc.format);
  if (!VK_DX(image != nullptr)) return;
  if (!VK_DX(_device->copyRects(back, image.get()))) return;
  gfx::LockedRect locked;
  if (!VK_DX(image->lockRect(locked, gfx::LOCK_READ_ONLY))) return;
  FileHandle file = FileHandle::open(name, "wb");
  if (!file) {
    VK_DX(image->unlockRect());
    return;
  }
  VK_ASSERT(locked.pitch % 4 == 0, "(pitchInDWord * 4) == info.Pitch",
            "error pitch is not aligned in 4 bytes");
  const std::uint32_t width = desc.width;
  const std::uint32_t height = desc.height;
  const std::uint32_t padding = width % 4;
  const std::uint32_t pixelBytes = height * (3 * width + padding);
  const auto header = bmpHeader(width, height, pixelBytes);
  std::fwrite(header.data(), 1, header.size(), file.get());
  std::vector<unsigned char> row(3 * width + padding, 0);
  for (std::uint32_t y = height; y-- > 0;) {
    const auto* words =
        reinterpret_cast<const std::uint32_t*>(static_cast<const unsigned char*>(locked.bits) +
                                               static_cast<std::size_t>(y) * locked.pitch);
    for (std::uint32_t x = 0; x < width; ++x) {
      row[3 * x] = static_cast<unsigned char>(words[x]);
      row[3 * x + 1] = static_cast<unsigned char>(words[x] >> 8);
      row[3 * x + 2] = static_cast<unsigned char>(words[x] >> 16);
    }
    std::fwrite(row.data(), 1, row.size(), file.get());
  }
  file.reset();
  VK_DX(image->unlockRect());
}

void Renderer::paint() {
  if (_device && _windowed) VK_DX(_device->present());
}

void Renderer::drawScreenQuad(const DrawContext& context, Argb colour, float umin, float vmin,
                              float umax, float vmax) {
  if (!context.device || !context.screenQuad) return;
  const float alpha =
      static_cast<float>(colour >> 24) / 255.0f * context.layerAlpha * context.fadeFactor * 255.0f;
  // A shaken viewport can push the factors past 1: the alpha saturates instead of wrapping.
  const float clamped = alpha > 255.0f ? 255.0f : (alpha > 0.0f ? alpha : 0.0f);
  const Argb drawn = static_cast<Argb>(clamped) << 24 | (colour & 0x00FFFFFF);
  gfx::VertexBuffer& screenQuad = *context.screenQuad;
  auto* quad = static_cast<ScreenVertex*>(screenQuad.lock(0, 0, 0));
  if (!VK_DX(quad != nullptr)) return;
  const float u[4] = {umin, umax, umin, umax};
  const float v[4] = {vmin, vmin, vmax, vmax};
  for (int i = 0; i < 4; ++i) {
    quad[i] = kScreenQuad[i];
    quad[i].colour = drawn;
    quad[i].u = u[i];
    quad[i].v = v[i];
  }
  VK_DX(screenQuad.unlock());
  gfx::Device& d = *context.device;
  VK_DX(d.setTransform(gfx::TransformType::View, _identity));
  VK_DX(d.setTransform(gfx::TransformType::World, _identity));
  VK_DX(d.setTransform(gfx::TransformType::Projection, _screenProjection));
  VK_DX(d.setRenderState(RenderState::Lighting, 0));
  VK_DX(d.setRenderState(RenderState::ZEnable, 0));
  VK_DX(d.setVertexFormat(kScreenVertexFvf));
  VK_DX(d.setStreamSource(&screenQuad, sizeof(ScreenVertex)));
  VK_DX(d.drawPrimitive(gfx::Primitive::TriangleStrip, 0, 2));
  VK_DX(d.setRenderState(RenderState::ZEnable, 1));
  VK_DX(d.setRenderState(RenderState::Lighting, 1));
}

gfx::VertexBuffer* Renderer::shadowVertexBuffer() {
  constexpr std::uint32_t kVertices = 32000;
  if (!_shadowVertices && _device) {
    _shadowVertices = _device->createVertexBuffer(kVertices * gfx::fvfStride(gfx::FVF_XYZ),
                                                  gfx::USAGE_WRITE_ONLY | gfx::USAGE_DYNAMIC,
                                                  gfx::FVF_XYZ, gfx::Pool::Default);
    VK_DX(_shadowVertices != nullptr);
  }
  return _shadowVertices.get();
}

void Renderer::shutdown() {
  if (!_device) return;
  (void)_device->setGammaRamp(_baseGamma);
  restoreFullViewport();
  VK_DX(_device->clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0, 1.0f, 0));
  if (!_windowed) {
    VK_DX(_device->present());
    VK_DX(_device->clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0, 1.0f, 0));
  }
  _font.reset();
  _screenQuad.reset();
  _shadowVertices.reset();
  _drawContext = DrawContext{};
  _device.reset();
}

std::int32_t Renderer::processEvent(const Event& event) {
  if (event.getCode() == VK_RENDERER_EVENT) return VK_EVENT_PROCESSED;
  return EventTarget::processEvent(event);
}

}  // namespace vesk
