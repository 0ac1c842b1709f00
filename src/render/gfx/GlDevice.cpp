#include "render/gfx/GlDevice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/Log.h"
#include "core/Text.h"
#include "render/gfx/GlSurface.h"
#include "render/gfx/GlTexture.h"

namespace vesk::gfx {

namespace {

constexpr int kStateCount = static_cast<int>(RenderState::Count);

GLenum glCompare(std::uint32_t value) {
  static constexpr GLenum kCompare[] = {GL_NEVER,   GL_LESS,     GL_EQUAL,  GL_LEQUAL,
                                        GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
  return kCompare[value - 1];
}

GLenum glBlend(std::uint32_t value) {
  static constexpr GLenum kBlend[] = {GL_ZERO,
                                      GL_ONE,
                                      GL_SRC_COLOR,
                                      GL_ONE_MINUS_SRC_COLOR,
                                      GL_SRC_ALPHA,
                                      GL_ONE_MINUS_SRC_ALPHA,
                                      GL_DST_ALPHA,
                                      GL_ONE_MINUS_DST_ALPHA,
                                      GL_DST_COLOR,
                                      GL_ONE_MINUS_DST_COLOR,
                                      GL_SRC_ALPHA_SATURATE};
  return kBlend[value - 1];
}

GLenum glStencilOperation(std::uint32_t value) {
  static constexpr GLenum kOps[] = {GL_KEEP, GL_ZERO,   GL_REPLACE,   GL_INCR,
                                    GL_DECR, GL_INVERT, GL_INCR_WRAP, GL_DECR_WRAP};
  return kOps[value - 1];
}

GLenum glPrimitive(Primitive type) {
  switch (type) {
    case Primitive::PointList:
      return GL_POINTS;
    case Primitive::LineList:
      return GL_LINES;
    case Primitive::LineStrip:
      return GL_LINE_STRIP;
    case Primitive::TriangleList:
      return GL_TRIANGLES;
    case Primitive::TriangleStrip:
      return GL_TRIANGLE_STRIP;
    case Primitive::TriangleFan:
      return GL_TRIANGLE_FAN;
  }
  return GL_POINTS;
}

// The number of vertices `count` primitives use; false for an unknown primitive type.
bool verticesOf(Primitive type, std::uint32_t count, std::uint64_t& vertices) {
  std::uint64_t n = count;
  switch (type) {
    case Primitive::PointList:
      vertices = n;
      return true;
    case Primitive::LineList:
      vertices = 2 * n;
      return true;
    case Primitive::LineStrip:
      vertices = n + 1;
      return true;
    case Primitive::TriangleList:
      vertices = 3 * n;
      return true;
    case Primitive::TriangleStrip:
    case Primitive::TriangleFan:
      vertices = n + 2;
      return true;
  }
  return false;
}

// What values a render state accepts.
enum class Range {
  Bool,
  Compare,
  Fill,
  Shade,
  Cull,
  Blend,
  StencilOp,
  FogMode,
  Float,
  Any,
  Byte,
  Planes
};

Range rangeOf(RenderState state) {
  switch (state) {
    case RenderState::ZEnable:
    case RenderState::ZWriteEnable:
    case RenderState::Lighting:
    case RenderState::SpecularEnable:
    case RenderState::AlphaBlendEnable:
    case RenderState::AlphaTestEnable:
    case RenderState::StencilEnable:
    case RenderState::FogEnable:
    case RenderState::RangeFogEnable:
    case RenderState::PointSpriteEnable:
    case RenderState::PointScaleEnable:
    case RenderState::ColorWriteEnable:
      return Range::Bool;
    case RenderState::ZFunc:
    case RenderState::AlphaFunc:
    case RenderState::StencilFunc:
      return Range::Compare;
    case RenderState::FillMode:
      return Range::Fill;
    case RenderState::ShadeMode:
      return Range::Shade;
    case RenderState::CullMode:
      return Range::Cull;
    case RenderState::SrcBlend:
    case RenderState::DestBlend:
      return Range::Blend;
    case RenderState::StencilFail:
    case RenderState::StencilZFail:
    case RenderState::StencilPass:
      return Range::StencilOp;
    case RenderState::FogTableMode:
    case RenderState::FogVertexMode:
      return Range::FogMode;
    case RenderState::FogStart:
    case RenderState::FogEnd:
    case RenderState::FogDensity:
    case RenderState::PointSize:
    case RenderState::PointSizeMin:
    case RenderState::PointScaleA:
    case RenderState::PointScaleB:
    case RenderState::PointScaleC:
      return Range::Float;
    case RenderState::AlphaRef:
      return Range::Byte;
    case RenderState::ClipPlaneEnable:
      return Range::Planes;
    case RenderState::Ambient:
    case RenderState::FogColor:
    case RenderState::StencilRef:
    case RenderState::StencilMask:
    case RenderState::StencilWriteMask:
    case RenderState::Count:
      return Range::Any;
  }
  return Range::Any;
}

bool accepts(Range range, std::uint32_t value) {
  switch (range) {
    case Range::Bool:
      return value <= 1;
    case Range::Compare:
    case Range::StencilOp:
      return value >= 1 && value <= 8;
    case Range::Fill:
    case Range::Cull:
      return value >= 1 && value <= 3;
    case Range::Shade:
      return value >= 1 && value <= 2;
    case Range::Blend:
      return value >= 1 && value <= 11;
    case Range::FogMode:
      return value <= 3;
    case Range::Float:
      return std::isfinite(stateFloat(value));
    case Range::Byte:
      return value <= 255;
    case Range::Planes:
      return value < (1u << kClipPlanes);
    case Range::Any:
      return true;
  }
  return false;
}

// The classic device's initial render states.
std::array<std::uint32_t, kStateCount> initialRenderStates() {
  std::array<std::uint32_t, kStateCount> states{};
  auto set = [&](RenderState state, std::uint32_t value) {
    states[static_cast<int>(state)] = value;
  };
  set(RenderState::ZEnable, 1);
  set(RenderState::ZWriteEnable, 1);
  set(RenderState::ZFunc, static_cast<std::uint32_t>(Compare::LessEqual));
  set(RenderState::FillMode, static_cast<std::uint32_t>(Fill::Solid));
  set(RenderState::ShadeMode, static_cast<std::uint32_t>(Shade::Gouraud));
  set(RenderState::CullMode, static_cast<std::uint32_t>(Cull::CounterClockwise));
  set(RenderState::Lighting, 1);
  set(RenderState::SpecularEnable, 0);
  set(RenderState::Ambient, 0);
  set(RenderState::AlphaBlendEnable, 0);
  set(RenderState::SrcBlend, static_cast<std::uint32_t>(Blend::One));
  set(RenderState::DestBlend, static_cast<std::uint32_t>(Blend::Zero));
  set(RenderState::AlphaTestEnable, 0);
  set(RenderState::AlphaRef, 0);
  set(RenderState::AlphaFunc, static_cast<std::uint32_t>(Compare::Always));
  set(RenderState::StencilEnable, 0);
  set(RenderState::StencilFail, static_cast<std::uint32_t>(StencilOp::Keep));
  set(RenderState::StencilZFail, static_cast<std::uint32_t>(StencilOp::Keep));
  set(RenderState::StencilPass, static_cast<std::uint32_t>(StencilOp::Keep));
  set(RenderState::StencilFunc, static_cast<std::uint32_t>(Compare::Always));
  set(RenderState::StencilRef, 0);
  set(RenderState::StencilMask, 0xFFFFFFFF);
  set(RenderState::StencilWriteMask, 0xFFFFFFFF);
  set(RenderState::FogEnable, 0);
  set(RenderState::FogColor, 0);
  set(RenderState::FogTableMode, static_cast<std::uint32_t>(FogMode::None));
  set(RenderState::FogVertexMode, static_cast<std::uint32_t>(FogMode::None));
  set(RenderState::FogStart, floatState(0));
  set(RenderState::FogEnd, floatState(1));
  set(RenderState::FogDensity, floatState(1));
  set(RenderState::RangeFogEnable, 0);
  set(RenderState::PointSpriteEnable, 0);
  set(RenderState::PointScaleEnable, 0);
  set(RenderState::PointSize, floatState(1));
  set(RenderState::PointSizeMin, floatState(0));
  set(RenderState::PointScaleA, floatState(1));
  set(RenderState::PointScaleB, floatState(0));
  set(RenderState::PointScaleC, floatState(0));
  set(RenderState::ClipPlaneEnable, 0);
  set(RenderState::ColorWriteEnable, 1);
  return states;
}

void toFloats(const ColorValue& color, GLfloat out[4]) {
  out[0] = color.r;
  out[1] = color.g;
  out[2] = color.b;
  out[3] = color.a;
}

void toFloats(Argb color, GLfloat out[4]) {
  out[0] = static_cast<float>((color >> 16) & 0xFF) / 255.0f;
  out[1] = static_cast<float>((color >> 8) & 0xFF) / 255.0f;
  out[2] = static_cast<float>(color & 0xFF) / 255.0f;
  out[3] = static_cast<float>(color >> 24) / 255.0f;
}

bool finite(const ColorValue& color) {
  return std::isfinite(color.r) && std::isfinite(color.g) && std::isfinite(color.b) &&
         std::isfinite(color.a);
}

bool finite(const Vector3& vector) {
  return std::isfinite(vector.x) && std::isfinite(vector.y) && std::isfinite(vector.z);
}

bool sameLight(const LightValues& a, const LightValues& b) {
  auto sameColor = [](const ColorValue& x, const ColorValue& y) {
    return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
  };
  auto sameVector = [](const Vector3& x, const Vector3& y) {
    return x.x == y.x && x.y == y.y && x.z == y.z;
  };
  return a.type == b.type && sameColor(a.diffuse, b.diffuse) && sameColor(a.specular, b.specular) &&
         sameColor(a.ambient, b.ambient) && sameVector(a.position, b.position) &&
         sameVector(a.direction, b.direction) && a.range == b.range && a.falloff == b.falloff &&
         a.attenuation0 == b.attenuation0 && a.attenuation1 == b.attenuation1 &&
         a.attenuation2 == b.attenuation2 && a.theta == b.theta && a.phi == b.phi;
}

bool sameMatrix(const Matrix& a, const Matrix& b) {
  return std::memcmp(a.m, b.m, sizeof a.m) == 0;
}

bool colorFormat(Format format) {
  return format == Format::A8R8G8B8 || format == Format::X8R8G8B8;
}

std::string hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

// The key of a capability in the shadow: per-unit capabilities carry their unit.
std::uint32_t capKey(GLenum cap, int unit, bool client) {
  return static_cast<std::uint32_t>(cap) | static_cast<std::uint32_t>(unit + 1) << 20 |
         (client ? 1u << 28 : 0u);
}

}  // namespace

Owned<Device> createGlDevice(DeviceHost& host, const DeviceParams& params) {
  Owned<GlDevice> device = make<GlDevice>(here(), host, params);
  if (!device->initialise()) return nullptr;
  return device;
}

GlDevice::GlDevice(DeviceHost& host, const DeviceParams& params)
    : _host(host), _params(params), _stateCache(params.stateCache) {
  _renderStates = initialRenderStates();
  for (int stage = 0; stage < kStageCount; ++stage) {
    auto& states = _stageStates[stage];
    auto set = [&](StageState state, std::uint32_t value) {
      states[static_cast<int>(state)] = value;
    };
    set(StageState::ColorOp,
        static_cast<std::uint32_t>(stage == 0 ? TextureOp::Modulate : TextureOp::Disable));
    set(StageState::ColorArg1, static_cast<std::uint32_t>(TextureArg::Texture));
    set(StageState::ColorArg2, static_cast<std::uint32_t>(TextureArg::Current));
    set(StageState::AlphaOp,
        static_cast<std::uint32_t>(stage == 0 ? TextureOp::SelectArg1 : TextureOp::Disable));
    set(StageState::AlphaArg1, static_cast<std::uint32_t>(TextureArg::Texture));
    set(StageState::AlphaArg2, static_cast<std::uint32_t>(TextureArg::Current));
    set(StageState::TexCoordIndex, static_cast<std::uint32_t>(stage));
    set(StageState::TransformFlags, TTFF_DISABLE);
    set(StageState::MagFilter, static_cast<std::uint32_t>(TextureFilter::Point));
    set(StageState::MinFilter, static_cast<std::uint32_t>(TextureFilter::Point));
    set(StageState::MipFilter, static_cast<std::uint32_t>(TextureFilter::None));
  }
  _material.diffuse = {1, 1, 1, 1};
  // Nothing is assumed of the context's state: an earlier user may have changed it.
  _boundTextures.fill(~0u);
  _coordReplace.fill(-1);
}

bool GlDevice::fail(std::string_view what) const {
  logLine(str("Graphics device: ", what));
  return false;
}

bool GlDevice::checkGl(std::string_view operation) {
  GLenum error = _gl(glGetError);
  if (error == GL_NO_ERROR) return true;
  // Errors queue up; drain them so that the next check reports its own.
  for (int i = 0; i < 16 && _gl(glGetError) != GL_NO_ERROR; ++i) {
  }
  return fail(str(operation, " failed with OpenGL error ", hex(error)));
}

bool GlDevice::initialise() {
  if (!epoxy_is_desktop_gl()) return fail("the OpenGL context is not desktop OpenGL");
  int version = epoxy_gl_version();
  auto has = [&](int core, const char* extension) {
    return version >= core || epoxy_has_gl_extension(extension);
  };
  if (version < 21) return fail("OpenGL 2.1 or later is needed");
  if (version >= 32) {
    GLint profile = 0;
    _gl(glGetIntegerv, GL_CONTEXT_PROFILE_MASK, &profile);
    if ((profile & GL_CONTEXT_CORE_PROFILE_BIT) &&
        !(profile & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT)) {
      return fail("a compatibility profile is needed, the context has the core profile");
    }
  }
  if (!has(30, "GL_ARB_framebuffer_object")) return fail("framebuffer objects are missing");
  if (!has(45, "GL_ARB_clip_control")) return fail("clip control is missing");
  if (!has(33, "GL_ARB_sampler_objects")) return fail("sampler objects are missing");
  if (!has(32, "GL_ARB_vertex_array_bgra")) return fail("BGRA vertex colours are missing");
  if (!has(32, "GL_ARB_provoking_vertex")) return fail("the provoking vertex is missing");
  _fogDistance = epoxy_has_gl_extension("GL_NV_fog_distance");

  std::uint32_t width = _params.width, height = _params.height;
  GLint maxTexture = 0, maxRenderbuffer = 0;
  _gl(glGetIntegerv, GL_MAX_TEXTURE_SIZE, &maxTexture);
  _gl(glGetIntegerv, GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
  _caps.maxTextureSize = static_cast<std::uint32_t>(maxTexture);
  if (width == 0 || height == 0 || width > static_cast<std::uint32_t>(maxRenderbuffer) ||
      height > static_cast<std::uint32_t>(maxRenderbuffer)) {
    return fail(str("a back buffer of ", width, " x ", height, " is not possible"));
  }
  // Whatever an earlier user of the context left queued is not ours.
  for (int i = 0; i < 16 && _gl(glGetError) != GL_NO_ERROR; ++i) {
  }

  // Row 0 at the top, depth from 0 to 1, in every framebuffer object we draw into.
  _gl(glClipControl, GL_UPPER_LEFT, GL_ZERO_TO_ONE);
  _gl(glProvokingVertex, GL_FIRST_VERTEX_CONVENTION);
  // Front faces are clockwise as seen; the facing test is unchanged by the upper-left origin.
  _gl(glFrontFace, GL_CW);
  _gl(glColorMaterial, GL_FRONT_AND_BACK, GL_DIFFUSE);
  _gl(glLightModeli, GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE);
  _gl(glLightModeli, GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
  _gl(glLightModeli, GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
  _gl(glPixelStorei, GL_UNPACK_ALIGNMENT, 4);
  _gl(glPixelStorei, GL_PACK_ALIGNMENT, 4);
  // Point sprites: texture row 0 at the top of the sprite, as row 0 is the top of the target.
  _gl(glPointParameteri, GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT);

  _gl(glGenSamplers, kStageCount, _samplers.data());
  static const GLfloat kObjectW[4] = {0, 0, 0, 1};
  for (int unit = 0; unit < kStageCount; ++unit) {
    _gl(glBindSampler, unit, _samplers[unit]);
    activeUnit(unit);
    _gl(glTexEnvi, GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    // Camera-space normals: s, t, r from the eye-space normal, q = 1.
    _gl(glTexGeni, GL_S, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
    _gl(glTexGeni, GL_T, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
    _gl(glTexGeni, GL_R, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
    _gl(glTexGeni, GL_Q, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    _gl(glTexGenfv, GL_Q, GL_OBJECT_PLANE, kObjectW);
  }

  _backBuffer = make<GlSurface>(here(), *this, GlSurface::Kind::BackBuffer, Format::X8R8G8B8, width,
                                height, false);
  _depthStencil = make<GlSurface>(here(), *this, GlSurface::Kind::DepthStencil, Format::D24S8,
                                  width, height, false);
  if (!_backBuffer->valid() || !_depthStencil->valid()) {
    return fail("the back buffer could not be made");
  }
  _gl(glGenFramebuffers, 1, &_drawFramebuffer);
  _gl(glGenFramebuffers, 1, &_readFramebuffer);
  if (!attachTargets(_backBuffer.get(), _depthStencil.get())) return false;
  _colorTarget = _backBuffer.get();
  _depthTarget = _depthStencil.get();
  _viewport = ViewportRect{0, 0, width, height, 0, 1};

  applyAllRenderStates();
  _dirty = ~0u;
  _initialised = true;

  // Full screen waits for the vertical blank, a desktop window presents at once.
  int interval = _params.fullscreen ? 1 : 0;
  if (!_host.setSwapInterval(interval) && interval != 0) {
    logLine(str("Graphics device: swap interval ", interval, " refused; presenting without it"));
  }
  if (!clear(CLEAR_TARGET | CLEAR_ZBUFFER | CLEAR_STENCIL, 0, 1, 0)) return false;
  return checkGl("device creation");
}

GlDevice::~GlDevice() {
  _destroying = true;
  std::vector<GlResource*> resources(_resources.begin(), _resources.end());
  for (GlResource* resource : resources)
    resource->detach();
  _resources.clear();
  _backBuffer.reset();
  _depthStencil.reset();
  if (_drawFramebuffer) _gl(glDeleteFramebuffers, 1, &_drawFramebuffer);
  if (_readFramebuffer) _gl(glDeleteFramebuffers, 1, &_readFramebuffer);
  if (_samplers[0]) _gl(glDeleteSamplers, kStageCount, _samplers.data());
  if (_initialised) {
    _gl(glBindFramebuffer, GL_FRAMEBUFFER, 0);
  }
}

// ---------------------------------------------------------------------------------------------
// The shadow of OpenGL's state.

void GlDevice::setCap(GLenum cap, bool on, int unit) {
  std::uint32_t key = capKey(cap, unit, false);
  auto it = _glCaps.find(key);
  if (it != _glCaps.end() && cached(it->second == on)) return;
  if (unit >= 0) activeUnit(unit);
  if (on) {
    _gl(glEnable, cap);
  } else {
    _gl(glDisable, cap);
  }
  _glCaps[key] = on;
}

void GlDevice::setClientArray(GLenum array, bool on, int unit) {
  std::uint32_t key = capKey(array, unit, true);
  auto it = _glCaps.find(key);
  if (it != _glCaps.end() && cached(it->second == on)) return;
  if (unit >= 0) clientUnit(unit);
  if (on) {
    _gl(glEnableClientState, array);
  } else {
    _gl(glDisableClientState, array);
  }
  _glCaps[key] = on;
}

void GlDevice::activeUnit(int unit) {
  if (cached(_activeUnit == unit)) return;
  _gl(glActiveTexture, GL_TEXTURE0 + unit);
  _activeUnit = unit;
}

void GlDevice::clientUnit(int unit) {
  if (cached(_clientUnit == unit)) return;
  _gl(glClientActiveTexture, GL_TEXTURE0 + unit);
  _clientUnit = unit;
}

void GlDevice::matrixMode(GLenum mode) {
  if (cached(_matrixMode == mode)) return;
  _gl(glMatrixMode, mode);
  _matrixMode = mode;
}

void GlDevice::bindBuffer(GLenum target, GLuint name) {
  GLuint& bound = target == GL_ARRAY_BUFFER ? _arrayBuffer : _elementBuffer;
  if (cached(bound == name)) return;
  _gl(glBindBuffer, target, name);
  bound = name;
}

void GlDevice::bindTexture(GLuint name) {
  if (_activeUnit < 0) activeUnit(0);
  if (cached(_boundTextures[_activeUnit] == name)) return;
  _gl(glBindTexture, GL_TEXTURE_2D, name);
  _boundTextures[_activeUnit] = name;
}

void GlDevice::bindDrawFramebuffer(GLuint name) {
  if (cached(_boundDrawFramebuffer == name)) return;
  _gl(glBindFramebuffer, GL_DRAW_FRAMEBUFFER, name);
  _boundDrawFramebuffer = name;
}

void GlDevice::bindReadFramebuffer(GLuint name) {
  if (cached(_boundReadFramebuffer == name)) return;
  _gl(glBindFramebuffer, GL_READ_FRAMEBUFFER, name);
  _boundReadFramebuffer = name;
}

void GlDevice::texEnv(GLenum target, GLenum name, GLint value, GLint& shadow) {
  if (cached(shadow == value)) return;
  _gl(glTexEnvi, target, name, value);
  shadow = value;
}

void GlDevice::texEnv(GLenum name, GLfloat value, GLfloat& shadow) {
  if (cached(shadow == value)) return;
  _gl(glTexEnvf, GL_TEXTURE_ENV, name, value);
  shadow = value;
}

// ---------------------------------------------------------------------------------------------
// Resources.

void GlDevice::registerResource(GlResource* resource) {
  _resources.insert(resource);
}

void GlDevice::unregisterResource(GlResource* resource) {
  if (!_destroying) _resources.erase(resource);
}

GLuint GlDevice::createBufferObject(GLenum target, std::uint32_t bytes, const void* data,
                                    bool dynamic) {
  GLuint name = 0;
  _gl(glGenBuffers, 1, &name);
  bindBuffer(target, name);
  _gl(glBufferData, target, static_cast<GLsizeiptr>(bytes), data,
      dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
  if (!checkGl("creating a buffer")) {
    releaseBuffer(nullptr, target, name);
    return 0;
  }
  return name;
}

bool GlDevice::uploadBuffer(GLenum target, GLuint name, std::uint32_t offset, std::uint32_t bytes,
                            const void* data) {
  bindBuffer(target, name);
  _gl(glBufferSubData, target, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes), data);
  return checkGl("unlocking a buffer");
}

void GlDevice::releaseBuffer(const void* buffer, GLenum target, GLuint name) {
  if (!_destroying && buffer) {
    if (_stream == buffer) _stream = nullptr;
    if (_indices == buffer) _indices = nullptr;
  }
  if (!name) return;
  (void)target;
  _gl(glDeleteBuffers, 1, &name);
  // OpenGL unbinds a deleted buffer; a new buffer may get the same name, so the arrays must
  // be set up again.
  if (_arrayBuffer == name) _arrayBuffer = 0;
  if (_elementBuffer == name) _elementBuffer = 0;
  if (_arrays.buffer == name) _arrays.valid = false;
}

GLuint GlDevice::createRenderbuffer(GLenum format, std::uint32_t width, std::uint32_t height) {
  GLuint name = 0;
  _gl(glGenRenderbuffers, 1, &name);
  _gl(glBindRenderbuffer, GL_RENDERBUFFER, name);
  _gl(glRenderbufferStorage, GL_RENDERBUFFER, format, static_cast<GLsizei>(width),
      static_cast<GLsizei>(height));
  if (!checkGl("creating a renderbuffer")) {
    _gl(glDeleteRenderbuffers, 1, &name);
    return 0;
  }
  return name;
}

GLuint GlDevice::createTextureObject(GlTexture& texture) {
  GLuint name = 0;
  _gl(glGenTextures, 1, &name);
  bindTexture(name);
  _dirty |= DIRTY_STAGES;
  GLint internal = texture.format() == Format::A8R8G8B8 ? GL_RGBA8 : GL_RGB8;
  _gl(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL,
      static_cast<GLint>(texture.levelCount()) - 1);
  for (std::uint32_t level = 0; level < texture.levelCount(); ++level) {
    SurfaceDesc desc = texture.levelDesc(level);
    _gl(glTexImage2D, GL_TEXTURE_2D, static_cast<GLint>(level), internal,
        static_cast<GLsizei>(desc.width), static_cast<GLsizei>(desc.height), 0, GL_BGRA,
        GL_UNSIGNED_INT_8_8_8_8_REV, static_cast<const void*>(texture.levelWords(level)));
  }
  if (!checkGl("creating a texture")) {
    _gl(glDeleteTextures, 1, &name);
    for (GLuint& bound : _boundTextures) {
      if (bound == name) bound = 0;
    }
    return 0;
  }
  return name;
}

bool GlDevice::uploadTextureLevel(GLuint name, std::uint32_t level, std::uint32_t width,
                                  std::uint32_t height, const void* words) {
  bindTexture(name);
  _dirty |= DIRTY_STAGES;
  _gl(glTexSubImage2D, GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(width),
      static_cast<GLsizei>(height), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, words);
  return checkGl("unlocking a texture level");
}

void GlDevice::releaseTexture(GlTexture* texture) {
  if (!_destroying) {
    for (int stage = 0; stage < kStageCount; ++stage) {
      if (_textures[stage] == texture) {
        _textures[stage] = nullptr;
        _dirty |= DIRTY_STAGES;
      }
    }
    for (std::uint32_t level = 0; level < texture->levelCount(); ++level) {
      releaseSurface(static_cast<GlSurface*>(texture->surfaceLevel(level)));
    }
  }
  GLuint name = texture->name();
  if (!name) return;
  _gl(glDeleteTextures, 1, &name);
  for (GLuint& bound : _boundTextures) {
    if (bound == name) bound = 0;
  }
}

void GlDevice::releaseSurface(GlSurface* surface) {
  if (!_destroying) {
    if (_readSource == surface) _readSource = nullptr;
    if (_colorTarget == surface) {
      // The target goes away: draw into the back buffer again.
      GlSurface* depth = _depthTarget == surface ? nullptr : _depthTarget;
      if (depth && (depth->desc().width < _backBuffer->desc().width ||
                    depth->desc().height < _backBuffer->desc().height)) {
        depth = _depthStencil.get();
      }
      attachTargets(_backBuffer.get(), depth);
      _colorTarget = _backBuffer.get();
      _depthTarget = depth;
      _viewport = ViewportRect{0, 0, _backBuffer->desc().width, _backBuffer->desc().height, 0, 1};
      applyViewport();
    } else if (_depthTarget == surface) {
      attachTargets(_colorTarget, nullptr);
      _depthTarget = nullptr;
    }
  }
  GLuint renderbuffer = surface->renderbuffer();
  if (renderbuffer) _gl(glDeleteRenderbuffers, 1, &renderbuffer);
}

Owned<VertexBuffer> GlDevice::createVertexBuffer(std::uint32_t bytes, std::uint32_t usage,
                                                 std::uint32_t fvf, Pool pool) {
  (void)fvf;
  (void)pool;
  if (bytes == 0) {
    fail("a vertex buffer needs at least one byte");
    return nullptr;
  }
  auto buffer =
      make<GlVertexBuffer>(here(), *this, GL_ARRAY_BUFFER, bytes, (usage & USAGE_DYNAMIC) != 0);
  if (!buffer->valid()) {
    fail(str("a vertex buffer of ", bytes, " bytes could not be made"));
    return nullptr;
  }
  return buffer;
}

Owned<IndexBuffer> GlDevice::createIndexBuffer(std::uint32_t bytes, std::uint32_t usage,
                                               Pool pool) {
  (void)pool;
  if (bytes < 2) {
    fail("an index buffer needs at least one index");
    return nullptr;
  }
  auto buffer = make<GlIndexBuffer>(here(), *this, GL_ELEMENT_ARRAY_BUFFER, bytes,
                                    (usage & USAGE_DYNAMIC) != 0);
  if (!buffer->valid()) {
    fail(str("an index buffer of ", bytes, " bytes could not be made"));
    return nullptr;
  }
  return buffer;
}

Owned<Texture> GlDevice::createTexture(std::uint32_t width, std::uint32_t height,
                                       std::uint32_t levels, std::uint32_t usage, Format format,
                                       Pool pool) {
  if (!colorFormat(format)) {
    fail("textures are A8R8G8B8 or X8R8G8B8");
    return nullptr;
  }
  if (width == 0 || height == 0 || width > _caps.maxTextureSize || height > _caps.maxTextureSize) {
    fail(str("a texture of ", width, " x ", height, " is not possible"));
    return nullptr;
  }
  if ((usage & USAGE_RENDER_TARGET) && pool != Pool::Default) {
    fail("render-target textures belong to the default pool");
    return nullptr;
  }
  std::uint32_t chain = 1;
  while ((std::max(width, height) >> chain) > 0)
    ++chain;
  if (levels == 0) levels = chain;
  if (levels > chain) {
    fail(str("a texture of ", width, " x ", height, " has at most ", chain, " levels"));
    return nullptr;
  }
  auto texture = make<GlTexture>(here(), *this, width, height, levels, usage, format);
  if (!texture->valid()) {
    fail(str("a texture of ", width, " x ", height, " could not be made"));
    return nullptr;
  }
  return texture;
}

Owned<Surface> GlDevice::createDepthStencilSurface(std::uint32_t width, std::uint32_t height,
                                                   Format format) {
  if (format != Format::D24S8 && format != Format::D16) {
    fail("depth-stencil surfaces are D24S8 or D16");
    return nullptr;
  }
  if (width == 0 || height == 0 || width > _caps.maxTextureSize || height > _caps.maxTextureSize) {
    fail(str("a depth-stencil surface of ", width, " x ", height, " is not possible"));
    return nullptr;
  }
  auto surface =
      make<GlSurface>(here(), *this, GlSurface::Kind::DepthStencil, format, width, height, true);
  if (!surface->valid()) return nullptr;
  return surface;
}

Owned<Surface> GlDevice::createImageSurface(std::uint32_t width, std::uint32_t height,
                                            Format format) {
  if (!colorFormat(format)) {
    fail("image surfaces are A8R8G8B8 or X8R8G8B8");
    return nullptr;
  }
  if (width == 0 || height == 0 || width > 16384 || height > 16384) {
    fail(str("an image surface of ", width, " x ", height, " is not possible"));
    return nullptr;
  }
  auto surface =
      make<GlSurface>(here(), *this, GlSurface::Kind::Image, format, width, height, true);
  if (!surface->valid()) {
    fail("an image surface could not be made");
    return nullptr;
  }
  return surface;
}

// ---------------------------------------------------------------------------------------------
// Targets.

Surface* GlDevice::backBuffer() {
  return _backBuffer.get();
}
Surface* GlDevice::renderTarget() {
  return _colorTarget;
}
Surface* GlDevice::depthStencilSurface() {
  return _depthTarget;
}

bool GlDevice::attachTargets(GlSurface* color, GlSurface* depth) {
  bindDrawFramebuffer(_drawFramebuffer);
  if (color->kind() == GlSurface::Kind::BackBuffer) {
    _gl(glFramebufferRenderbuffer, GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
        color->renderbuffer());
  } else {
    _gl(glFramebufferTexture2D, GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
        color->texture()->name(), static_cast<GLint>(color->level()));
  }
  if (depth && depth->hasStencil()) {
    _gl(glFramebufferRenderbuffer, GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT,
        GL_RENDERBUFFER, depth->renderbuffer());
  } else {
    _gl(glFramebufferRenderbuffer, GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
        depth ? depth->renderbuffer() : 0);
    _gl(glFramebufferRenderbuffer, GL_DRAW_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
  }
  GLenum status = _gl(glCheckFramebufferStatus, GL_DRAW_FRAMEBUFFER);
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    checkGl("attaching a render target");
    return fail(str("the render target is incomplete (", hex(status), ")"));
  }
  return checkGl("attaching a render target");
}

bool GlDevice::setRenderTarget(Surface* color, Surface* depthStencil) {
  GlSurface* newColor = color ? dynamic_cast<GlSurface*>(color) : _colorTarget;
  GlSurface* newDepth = depthStencil ? dynamic_cast<GlSurface*>(depthStencil) : nullptr;
  if (!newColor || !newColor->isDrawable()) return fail("the render target cannot be drawn into");
  if (depthStencil &&
      (!newDepth || newDepth->kind() != GlSurface::Kind::DepthStencil || !newDepth->valid())) {
    return fail("the depth surface is not a depth-stencil surface");
  }
  SurfaceDesc size = newColor->desc();
  if (newDepth && (newDepth->desc().width < size.width || newDepth->desc().height < size.height)) {
    return fail("the depth surface is smaller than the render target");
  }
  if (!cached(newColor == _colorTarget && newDepth == _depthTarget)) {
    if (!attachTargets(newColor, newDepth)) {
      attachTargets(_colorTarget, _depthTarget);
      return false;
    }
    _colorTarget = newColor;
    _depthTarget = newDepth;
  }
  return setViewport(ViewportRect{0, 0, size.width, size.height, 0, 1});
}

bool GlDevice::readColor(GlSurface* source, std::uint32_t* words) {
  bindReadFramebuffer(_readFramebuffer);
  if (!cached(_readSource == source)) {
    if (source->kind() == GlSurface::Kind::BackBuffer) {
      _gl(glFramebufferRenderbuffer, GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
          source->renderbuffer());
    } else {
      _gl(glFramebufferTexture2D, GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
          source->texture()->name(), static_cast<GLint>(source->level()));
    }
    _readSource = source;
  }
  SurfaceDesc desc = source->desc();
  // Row 0 of the framebuffer is the top row, so the words come top row first.
  _gl(glReadPixels, 0, 0, static_cast<GLsizei>(desc.width), static_cast<GLsizei>(desc.height),
      GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, static_cast<void*>(words));
  if (!checkGl("reading pixels")) {
    _readSource = nullptr;
    return false;
  }
  return true;
}

bool GlDevice::copyRects(Surface* source, Surface* destination) {
  auto* from = dynamic_cast<GlSurface*>(source);
  auto* to = dynamic_cast<GlSurface*>(destination);
  if (!from || !to || from == to) return fail("copyRects needs two different surfaces");
  SurfaceDesc a = from->desc(), b = to->desc();
  if (!colorFormat(a.format) || !colorFormat(b.format)) {
    return fail("copyRects copies colour surfaces only");
  }
  if (a.width != b.width || a.height != b.height) {
    return fail("copyRects needs surfaces of the same size");
  }
  std::uint32_t* out = to->words();
  if (!out || to->locked()) return fail("copyRects cannot write into that surface");
  std::size_t count = std::size_t{a.width} * a.height;
  if (const std::uint32_t* in = from->words()) {
    if (from->locked()) return fail("copyRects cannot read a locked surface");
    std::memcpy(out, in, count * 4);
  } else if (from->isDrawable()) {
    if (!readColor(from, out)) return false;
  } else {
    return fail("copyRects cannot read that surface");
  }
  // Without alpha the fourth byte is opaque.
  if (b.format == Format::X8R8G8B8) {
    for (std::size_t i = 0; i < count; ++i)
      out[i] |= 0xFF000000u;
  }
  if (to->kind() == GlSurface::Kind::TextureLevel) return to->texture()->uploadLevel(to->level());
  return true;
}

// ---------------------------------------------------------------------------------------------
// Frame.

bool GlDevice::beginScene() {
  if (_inScene) return fail("beginScene inside a scene");
  _inScene = true;
  return true;
}

bool GlDevice::endScene() {
  if (!_inScene) return fail("endScene outside a scene");
  _inScene = false;
  return true;
}

bool GlDevice::clear(std::uint32_t flags, Argb color, float z, std::uint32_t stencil) {
  if (flags == 0 || (flags & ~std::uint32_t{CLEAR_TARGET | CLEAR_ZBUFFER | CLEAR_STENCIL})) {
    return fail("clear without valid flags");
  }
  if ((flags & (CLEAR_ZBUFFER | CLEAR_STENCIL)) && !_depthTarget) {
    return fail("clear of depth or stencil without a depth surface");
  }
  if ((flags & CLEAR_STENCIL) && !_depthTarget->hasStencil()) {
    return fail("clear of the stencil of a depth surface without stencil");
  }
  if ((flags & CLEAR_ZBUFFER) && !(z >= 0 && z <= 1)) return fail("clear depth outside [0, 1]");
  bindDrawFramebuffer(_drawFramebuffer);
  // The scissor equals the viewport, so only the viewport is cleared. The write masks are
  // forced on for the clear and then given back.
  GLbitfield bits = 0;
  bool colorMasked = false, depthMasked = false, stencilMasked = false;
  if (flags & CLEAR_TARGET) {
    if (!cached(_clearColorKnown && _clearColor == color)) {
      GLfloat rgba[4];
      toFloats(color, rgba);
      _gl(glClearColor, rgba[0], rgba[1], rgba[2], rgba[3]);
      _clearColor = color;
      _clearColorKnown = true;
    }
    colorMasked = !rs(RenderState::ColorWriteEnable);
    if (colorMasked) _gl(glColorMask, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    bits |= GL_COLOR_BUFFER_BIT;
  }
  if (flags & CLEAR_ZBUFFER) {
    if (!cached(_clearDepth == z)) {
      _gl(glClearDepth, static_cast<double>(z));
      _clearDepth = z;
    }
    depthMasked = !rs(RenderState::ZWriteEnable);
    if (depthMasked) _gl(glDepthMask, GL_TRUE);
    bits |= GL_DEPTH_BUFFER_BIT;
  }
  if (flags & CLEAR_STENCIL) {
    if (!cached(_clearStencil == stencil)) {
      _gl(glClearStencil, static_cast<GLint>(stencil));
      _clearStencil = stencil;
    }
    stencilMasked = (rs(RenderState::StencilWriteMask) & 0xFF) != 0xFF;
    if (stencilMasked) _gl(glStencilMask, 0xFFu);
    bits |= GL_STENCIL_BUFFER_BIT;
  }
  _gl(glClear, bits);
  if (colorMasked) _gl(glColorMask, GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  if (depthMasked) _gl(glDepthMask, GL_FALSE);
  if (stencilMasked) _gl(glStencilMask, rs(RenderState::StencilWriteMask));
  return checkGl("clear");
}

bool GlDevice::present() {
  int width = 0, height = 0;
  _host.drawableSize(width, height);
  if (width > 0 && height > 0) {
    SurfaceDesc size = _backBuffer->desc();
    if (!cached(_readSource == _backBuffer.get())) {
      bindReadFramebuffer(_readFramebuffer);
      _gl(glFramebufferRenderbuffer, GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
          _backBuffer->renderbuffer());
      _readSource = _backBuffer.get();
    }
    bindReadFramebuffer(_readFramebuffer);
    bindDrawFramebuffer(0);
    // The blit obeys the scissor test, which otherwise always equals the viewport.
    setCap(GL_SCISSOR_TEST, false);
    // Row 0 of the back buffer is its top row; row 0 of the window is its bottom row.
    bool sameSize = static_cast<std::uint32_t>(width) == size.width &&
                    static_cast<std::uint32_t>(height) == size.height;
    _gl(glBlitFramebuffer, 0, 0, static_cast<GLint>(size.width), static_cast<GLint>(size.height), 0,
        height, width, 0, GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    setCap(GL_SCISSOR_TEST, true);
    bindDrawFramebuffer(_drawFramebuffer);
  }
  if (!checkGl("present")) return false;
  _host.swapBuffers();
  return true;
}

void GlDevice::applyViewport() {
  const ViewportRect& v = _viewport;
  bool sameRect = _glViewportKnown && v.x == _glViewport.x && v.y == _glViewport.y &&
                  v.width == _glViewport.width && v.height == _glViewport.height;
  if (!cached(sameRect)) {
    // Row 0 is the top under the upper-left origin, so the classic rectangle is used as it is.
    // OpenGL does not confine points and lines to the viewport; the scissor does.
    _gl(glViewport, static_cast<GLint>(v.x), static_cast<GLint>(v.y), static_cast<GLsizei>(v.width),
        static_cast<GLsizei>(v.height));
    _gl(glScissor, static_cast<GLint>(v.x), static_cast<GLint>(v.y), static_cast<GLsizei>(v.width),
        static_cast<GLsizei>(v.height));
  }
  bool sameDepth = _glViewportKnown && v.minZ == _glViewport.minZ && v.maxZ == _glViewport.maxZ;
  if (!cached(sameDepth)) {
    _gl(glDepthRange, static_cast<double>(v.minZ), static_cast<double>(v.maxZ));
  }
  if (!_glViewportKnown || v.height != _glViewport.height) _dirty |= DIRTY_POINTS;
  _glViewport = v;
  _glViewportKnown = true;
}

bool GlDevice::setViewport(const ViewportRect& viewport) {
  SurfaceDesc size = _colorTarget->desc();
  if (std::uint64_t{viewport.x} + viewport.width > size.width ||
      std::uint64_t{viewport.y} + viewport.height > size.height) {
    return fail(str("the viewport (", viewport.x, ", ", viewport.y, ", ", viewport.width, " x ",
                    viewport.height, ") exceeds the render target"));
  }
  if (!(viewport.minZ >= 0 && viewport.minZ <= 1 && viewport.maxZ >= 0 && viewport.maxZ <= 1)) {
    return fail("the viewport depth range lies outside [0, 1]");
  }
  _viewport = viewport;
  applyViewport();
  return true;
}

bool GlDevice::getViewport(ViewportRect& viewport) const {
  viewport = _viewport;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Render states.

bool GlDevice::setRenderState(RenderState state, std::uint32_t value) {
  int index = static_cast<int>(state);
  if (index < 0 || index >= kStateCount) return fail(str("unknown render state ", index));
  if (!accepts(rangeOf(state), value)) {
    return fail(str("render state ", index, " does not take ", value));
  }
  if (cached(_renderStates[index] == value)) return true;
  _renderStates[index] = value;
  applyRenderState(state);
  return true;
}

std::uint32_t GlDevice::renderState(RenderState state) const {
  int index = static_cast<int>(state);
  return index >= 0 && index < kStateCount ? _renderStates[index] : 0;
}

void GlDevice::applyMasks() {
  GLboolean color = rs(RenderState::ColorWriteEnable) ? GL_TRUE : GL_FALSE;
  _gl(glColorMask, color, color, color, color);
}

void GlDevice::applyRenderState(RenderState state) {
  switch (state) {
    case RenderState::ZEnable:
      // With the test off OpenGL writes no depth either, as the classic device.
      setCap(GL_DEPTH_TEST, rs(state) != 0);
      break;
    case RenderState::ZWriteEnable:
      _gl(glDepthMask, rs(state) ? GL_TRUE : GL_FALSE);
      break;
    case RenderState::ZFunc:
      _gl(glDepthFunc, glCompare(rs(state)));
      break;
    case RenderState::FillMode: {
      static constexpr GLenum kFill[] = {GL_POINT, GL_LINE, GL_FILL};
      _gl(glPolygonMode, GL_FRONT_AND_BACK, kFill[rs(state) - 1]);
      break;
    }
    case RenderState::ShadeMode:
      _gl(glShadeModel, rs(state) == static_cast<std::uint32_t>(Shade::Flat) ? GL_FLAT : GL_SMOOTH);
      break;
    case RenderState::CullMode: {
      auto cull = static_cast<Cull>(rs(state));
      setCap(GL_CULL_FACE, cull != Cull::None);
      // Front faces are clockwise: culling counter-clockwise faces culls the back.
      if (cull != Cull::None) {
        _gl(glCullFace, cull == Cull::CounterClockwise ? GL_BACK : GL_FRONT);
      }
      break;
    }
    case RenderState::Lighting:
      setCap(GL_LIGHTING, rs(state) != 0);
      break;
    case RenderState::SpecularEnable:
      _dirty |= DIRTY_MATERIAL;
      break;
    case RenderState::Ambient: {
      GLfloat ambient[4];
      toFloats(static_cast<Argb>(rs(state)), ambient);
      _gl(glLightModelfv, GL_LIGHT_MODEL_AMBIENT, ambient);
      break;
    }
    case RenderState::AlphaBlendEnable:
      setCap(GL_BLEND, rs(state) != 0);
      break;
    case RenderState::SrcBlend:
    case RenderState::DestBlend:
      _gl(glBlendFunc, glBlend(rs(RenderState::SrcBlend)), glBlend(rs(RenderState::DestBlend)));
      break;
    case RenderState::AlphaTestEnable:
      setCap(GL_ALPHA_TEST, rs(state) != 0);
      break;
    case RenderState::AlphaRef:
    case RenderState::AlphaFunc:
      _gl(glAlphaFunc, glCompare(rs(RenderState::AlphaFunc)),
          static_cast<GLfloat>(rs(RenderState::AlphaRef)) / 255.0f);
      break;
    case RenderState::StencilEnable:
      setCap(GL_STENCIL_TEST, rs(state) != 0);
      break;
    case RenderState::StencilFail:
    case RenderState::StencilZFail:
    case RenderState::StencilPass:
      _gl(glStencilOp, glStencilOperation(rs(RenderState::StencilFail)),
          glStencilOperation(rs(RenderState::StencilZFail)),
          glStencilOperation(rs(RenderState::StencilPass)));
      break;
    case RenderState::StencilFunc:
    case RenderState::StencilRef:
    case RenderState::StencilMask:
      _gl(glStencilFunc, glCompare(rs(RenderState::StencilFunc)),
          static_cast<GLint>(rs(RenderState::StencilRef)), rs(RenderState::StencilMask));
      break;
    case RenderState::StencilWriteMask:
      _gl(glStencilMask, rs(state));
      break;
    case RenderState::FogEnable:
    case RenderState::FogTableMode:
    case RenderState::FogVertexMode:
    case RenderState::RangeFogEnable:
      _dirty |= DIRTY_FOG;
      break;
    case RenderState::FogColor: {
      GLfloat color[4];
      toFloats(static_cast<Argb>(rs(state)), color);
      _gl(glFogfv, GL_FOG_COLOR, color);
      break;
    }
    case RenderState::FogStart:
      _gl(glFogf, GL_FOG_START, rsFloat(state));
      break;
    case RenderState::FogEnd:
      _gl(glFogf, GL_FOG_END, rsFloat(state));
      break;
    case RenderState::FogDensity:
      _gl(glFogf, GL_FOG_DENSITY, rsFloat(state));
      break;
    case RenderState::PointSpriteEnable:
    case RenderState::PointScaleEnable:
    case RenderState::PointSize:
    case RenderState::PointSizeMin:
    case RenderState::PointScaleA:
    case RenderState::PointScaleB:
    case RenderState::PointScaleC:
      _dirty |= DIRTY_POINTS;
      break;
    case RenderState::ClipPlaneEnable:
      _dirty |= DIRTY_PLANES;
      break;
    case RenderState::ColorWriteEnable:
      applyMasks();
      break;
    case RenderState::Count:
      break;
  }
}

void GlDevice::applyAllRenderStates() {
  for (int index = 0; index < kStateCount; ++index) {
    applyRenderState(static_cast<RenderState>(index));
  }
  setCap(GL_SCISSOR_TEST, true);
  _glViewportKnown = false;
  applyViewport();
}

// ---------------------------------------------------------------------------------------------
// Texture stages, transforms, material, lights, clip planes.

bool GlDevice::setTextureStageState(int stage, StageState state, std::uint32_t value) {
  int index = static_cast<int>(state);
  if (stage < 0 || stage >= kStageCount) return fail(str("no texture stage ", stage));
  if (index < 0 || index >= static_cast<int>(StageState::Count)) {
    return fail(str("unknown texture stage state ", index));
  }
  bool valid = false;
  switch (state) {
    case StageState::ColorOp:
    case StageState::AlphaOp:
      valid = value >= 1 && value <= 8;
      break;
    case StageState::ColorArg1:
    case StageState::ColorArg2:
    case StageState::AlphaArg1:
    case StageState::AlphaArg2:
      valid = value <= 2;
      break;
    case StageState::TexCoordIndex:
      valid = (value & 0xFFFF) < 8 && (value >> 16 == 0 || value >> 16 == 1);
      break;
    case StageState::TransformFlags:
      valid = value <= 4;
      break;
    case StageState::MagFilter:
    case StageState::MinFilter:
    case StageState::MipFilter:
      valid = value <= 2;
      break;
    case StageState::Count:
      break;
  }
  if (!valid) return fail(str("texture stage state ", index, " does not take ", value));
  std::uint32_t& slot = _stageStates[stage][index];
  if (cached(slot == value)) return true;
  slot = value;
  _dirty |= DIRTY_STAGES;
  if (state == StageState::TexCoordIndex) _dirty |= DIRTY_ARRAYS;
  return true;
}

std::uint32_t GlDevice::textureStageState(int stage, StageState state) const {
  int index = static_cast<int>(state);
  if (stage < 0 || stage >= kStageCount || index < 0 ||
      index >= static_cast<int>(StageState::Count)) {
    return 0;
  }
  return _stageStates[stage][index];
}

bool GlDevice::setTexture(int stage, Texture* texture) {
  if (stage < 0 || stage >= kStageCount) return fail(str("no texture stage ", stage));
  auto* glTexture = texture ? dynamic_cast<GlTexture*>(texture) : nullptr;
  if (texture && (!glTexture || !glTexture->valid())) return fail("not a texture of this device");
  if (cached(_textures[stage] == glTexture)) return true;
  _textures[stage] = glTexture;
  _dirty |= DIRTY_STAGES;
  return true;
}

bool GlDevice::setTransform(TransformType type, const Matrix& matrix) {
  Matrix* target = nullptr;
  std::uint32_t dirty = 0;
  switch (type) {
    case TransformType::World:
      target = &_world;
      dirty = DIRTY_MODELVIEW;
      break;
    case TransformType::View:
      target = &_view;
      // Lights and clip planes are given in world space: they follow the view.
      dirty = DIRTY_MODELVIEW | DIRTY_LIGHTS | DIRTY_PLANES;
      break;
    case TransformType::Projection:
      target = &_projection;
      dirty = DIRTY_PROJECTION;
      break;
    case TransformType::Texture0:
    case TransformType::Texture1:
      target = &_textureMatrices[type == TransformType::Texture0 ? 0 : 1];
      dirty = DIRTY_STAGES;
      break;
  }
  if (!target) return fail("unknown transform");
  if (cached(sameMatrix(*target, matrix))) return true;
  *target = matrix;
  _dirty |= dirty;
  return true;
}

bool GlDevice::getTransform(TransformType type, Matrix& matrix) const {
  switch (type) {
    case TransformType::World:
      matrix = _world;
      return true;
    case TransformType::View:
      matrix = _view;
      return true;
    case TransformType::Projection:
      matrix = _projection;
      return true;
    case TransformType::Texture0:
      matrix = _textureMatrices[0];
      return true;
    case TransformType::Texture1:
      matrix = _textureMatrices[1];
      return true;
  }
  return fail("unknown transform");
}

bool GlDevice::setMaterial(const MaterialValues& material) {
  if (!finite(material.diffuse) || !finite(material.ambient) || !finite(material.specular) ||
      !finite(material.emissive) || !std::isfinite(material.power)) {
    return fail("the material has a value that is not a number");
  }
  const MaterialValues& m = _material;
  auto same = [](const ColorValue& x, const ColorValue& y) {
    return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
  };
  if (cached(same(m.diffuse, material.diffuse) && same(m.ambient, material.ambient) &&
             same(m.specular, material.specular) && same(m.emissive, material.emissive) &&
             m.power == material.power)) {
    return true;
  }
  _material = material;
  _dirty |= DIRTY_MATERIAL;
  return true;
}

bool GlDevice::setLight(int index, const LightValues& light) {
  // Any slot number is accepted as by the classic device, within reason.
  if (index < 0 || index >= 4096) return fail(str("no light slot ", index));
  if (light.type != LightType::Point && light.type != LightType::Spot &&
      light.type != LightType::Directional) {
    return fail("unknown light type");
  }
  if (!finite(light.diffuse) || !finite(light.specular) || !finite(light.ambient) ||
      !finite(light.position) || !finite(light.direction) || !std::isfinite(light.range) ||
      !std::isfinite(light.falloff) || !std::isfinite(light.theta) || !std::isfinite(light.phi)) {
    return fail("the light has a value that is not a number");
  }
  if (light.type != LightType::Directional &&
      !(light.attenuation0 >= 0 && light.attenuation1 >= 0 && light.attenuation2 >= 0 &&
        light.attenuation0 + light.attenuation1 + light.attenuation2 > 0 &&
        std::isfinite(light.attenuation0 + light.attenuation1 + light.attenuation2))) {
    return fail("the light's attenuation must be positive");
  }
  if (light.type != LightType::Point && light.direction.x == 0 && light.direction.y == 0 &&
      light.direction.z == 0) {
    return fail("the light has no direction");
  }
  if (static_cast<std::size_t>(index) >= _lights.size()) _lights.resize(index + 1);
  LightSlot& slot = _lights[index];
  slot.set = true;
  if (cached(sameLight(slot.values, light))) return true;
  slot.values = light;
  if (slot.enabled) _dirty |= DIRTY_LIGHTS;
  return true;
}

bool GlDevice::lightEnable(int index, bool enable) {
  if (index < 0 || index >= 4096) return fail(str("no light slot ", index));
  if (static_cast<std::size_t>(index) >= _lights.size()) {
    if (!enable) return true;
    _lights.resize(index + 1);
  }
  LightSlot& slot = _lights[index];
  if (!slot.set) {
    // A slot enabled before it was given a light holds the classic default light: white,
    // directional, shining along +z.
    slot.values = LightValues{};
    slot.values.type = LightType::Directional;
    slot.values.diffuse = {1, 1, 1, 0};
    slot.values.direction = {0, 0, 1};
    slot.set = true;
  }
  if (cached(slot.enabled == enable)) return true;
  slot.enabled = enable;
  _dirty |= DIRTY_LIGHTS;
  return true;
}

bool GlDevice::setClipPlane(int index, const Plane& plane) {
  if (index < 0 || index >= kClipPlanes) return fail(str("no clip plane ", index));
  if (!std::isfinite(plane.a) || !std::isfinite(plane.b) || !std::isfinite(plane.c) ||
      !std::isfinite(plane.d)) {
    return fail("the clip plane has a value that is not a number");
  }
  Plane& slot = _planes[index];
  if (cached(slot.a == plane.a && slot.b == plane.b && slot.c == plane.c && slot.d == plane.d)) {
    return true;
  }
  slot = plane;
  _dirty |= DIRTY_PLANES;
  return true;
}

bool GlDevice::setVertexFormat(std::uint32_t fvf) {
  constexpr std::uint32_t known =
      FVF_XYZ | FVF_NORMAL | FVF_PSIZE | FVF_DIFFUSE | FVF_SPECULAR | 0xF00;
  if (!(fvf & FVF_XYZ) || (fvf & ~known) || ((fvf >> 8) & 0xF) > 8) {
    return fail(str("vertex format ", hex(fvf), " is not supported"));
  }
  if (cached(_fvf == fvf)) return true;
  _fvf = fvf;
  _dirty |= DIRTY_ARRAYS;
  return true;
}

bool GlDevice::setStreamSource(VertexBuffer* buffer, std::uint32_t stride) {
  auto* glBuffer = buffer ? dynamic_cast<GlVertexBuffer*>(buffer) : nullptr;
  if (buffer && (!glBuffer || !glBuffer->valid()))
    return fail("not a vertex buffer of this device");
  if (buffer && stride == 0) return fail("a stream needs a stride");
  if (cached(_stream == glBuffer && _stride == stride)) return true;
  _stream = glBuffer;
  _stride = stride;
  _dirty |= DIRTY_ARRAYS;
  return true;
}

bool GlDevice::setIndices(IndexBuffer* buffer, std::uint32_t baseVertex) {
  auto* glBuffer = buffer ? dynamic_cast<GlIndexBuffer*>(buffer) : nullptr;
  if (buffer && (!glBuffer || !glBuffer->valid()))
    return fail("not an index buffer of this device");
  if (cached(_indices == glBuffer && _baseVertex == baseVertex)) return true;
  _indices = glBuffer;
  _baseVertex = baseVertex;
  _dirty |= DIRTY_ARRAYS;
  return true;
}

// ---------------------------------------------------------------------------------------------
// States gathered before a draw.

namespace {

// The texture matrix as OpenGL applies it. The classic device feeds two-component coordinates
// as (u, v, 1), OpenGL as (s, t, 0, 1): the third row moves to the fourth. Camera-space normals
// are (x, y, z, 1) in both. The classic device never divides by the fourth output unless asked
// to project, so OpenGL's q is kept at 1.
Matrix glTextureMatrix(const Matrix& matrix, bool normals) {
  Matrix result = matrix;
  if (!normals) {
    for (int column = 0; column < 4; ++column) {
      result.m[3][column] = matrix.m[2][column];
      result.m[2][column] = 0;
    }
  }
  for (int row = 0; row < 3; ++row)
    result.m[row][3] = 0;
  result.m[3][3] = 1;
  return result;
}

GLint glSource(std::uint32_t argument) {
  switch (static_cast<TextureArg>(argument)) {
    case TextureArg::Diffuse:
      return GL_PRIMARY_COLOR;
    case TextureArg::Current:
      return GL_PREVIOUS;
    case TextureArg::Texture:
      return GL_TEXTURE;
  }
  return GL_PREVIOUS;
}

// One combiner function (colour or alpha) for a stage operation.
void glCombine(std::uint32_t operation, std::uint32_t argument1, std::uint32_t argument2,
               GLint& mode, GLint& source0, GLint& source1, GLfloat& scale) {
  mode = GL_MODULATE;
  source0 = glSource(argument1);
  source1 = glSource(argument2);
  scale = 1;
  switch (static_cast<TextureOp>(operation)) {
    case TextureOp::Disable:  // only the alpha gets here: it passes through
      mode = GL_REPLACE;
      source0 = GL_PREVIOUS;
      break;
    case TextureOp::SelectArg1:
      mode = GL_REPLACE;
      break;
    case TextureOp::SelectArg2:
      mode = GL_REPLACE;
      source0 = source1;
      break;
    case TextureOp::Modulate:
      break;
    case TextureOp::Modulate2x:
      scale = 2;
      break;
    case TextureOp::Modulate4x:
      scale = 4;
      break;
    case TextureOp::Add:
      mode = GL_ADD;
      break;
    case TextureOp::AddSigned:
      mode = GL_ADD_SIGNED;
      break;
  }
}

}  // namespace

void GlDevice::flushTransforms() {
  if (_dirty & DIRTY_PROJECTION) {
    matrixMode(GL_PROJECTION);
    _gl(glLoadMatrixf, _projection.data());
    _dirty &= ~DIRTY_PROJECTION;
  }
  // Lights and clip planes are given in world space: OpenGL takes them in the eye space of
  // the modelview matrix current when they are given, so they are given under the view.
  bool lights = rs(RenderState::Lighting) && (_dirty & DIRTY_LIGHTS);
  // Nothing to do for planes that are off and were off.
  bool planes =
      (_dirty & DIRTY_PLANES) && (rs(RenderState::ClipPlaneEnable) != 0 || _glPlaneMask != 0);
  if (!planes) _dirty &= ~DIRTY_PLANES;
  if (lights || planes) {
    matrixMode(GL_MODELVIEW);
    _gl(glLoadMatrixf, _view.data());
    if (lights) flushLights();
    if (planes) flushPlanes();
    _dirty |= DIRTY_MODELVIEW;
  }
  if (_dirty & DIRTY_MODELVIEW) {
    // Row vectors with row-major matrices are OpenGL's column vectors with column-major ones:
    // the floats go unchanged.
    Matrix modelview = _world * _view;
    matrixMode(GL_MODELVIEW);
    _gl(glLoadMatrixf, modelview.data());
    _dirty &= ~DIRTY_MODELVIEW;
  }
}

void GlDevice::flushLights() {
  int used = 0;
  for (std::size_t slot = 0; slot < _lights.size() && used < kLightSlots; ++slot) {
    if (!_lights[slot].enabled) continue;
    const LightValues& light = _lights[slot].values;
    GLenum id = GL_LIGHT0 + used;
    GlLight& shadow = _glLights[used];
    ++used;
    setCap(id, true);
    if (!cached(shadow.slot == static_cast<int>(slot) && sameLight(shadow.values, light))) {
      GLfloat color[4];
      toFloats(light.ambient, color);
      _gl(glLightfv, id, GL_AMBIENT, color);
      toFloats(light.diffuse, color);
      _gl(glLightfv, id, GL_DIFFUSE, color);
      toFloats(light.specular, color);
      _gl(glLightfv, id, GL_SPECULAR, color);
      bool directional = light.type == LightType::Directional;
      _gl(glLightf, id, GL_CONSTANT_ATTENUATION, directional ? 1.0f : light.attenuation0);
      _gl(glLightf, id, GL_LINEAR_ATTENUATION, directional ? 0.0f : light.attenuation1);
      _gl(glLightf, id, GL_QUADRATIC_ATTENUATION, directional ? 0.0f : light.attenuation2);
      // A spot's outer cone becomes the cut-off and its falloff the exponent; the inner cone
      // and the range have no counterpart in OpenGL.
      float cutoff = 180;
      float exponent = 0;
      if (light.type == LightType::Spot) {
        cutoff = std::clamp(light.phi * 0.5f * 180.0f / 3.14159265f, 0.0f, 90.0f);
        exponent = std::clamp(light.falloff, 0.0f, 128.0f);
      }
      _gl(glLightf, id, GL_SPOT_CUTOFF, cutoff);
      _gl(glLightf, id, GL_SPOT_EXPONENT, exponent);
      shadow.slot = static_cast<int>(slot);
      shadow.values = light;
    }
    // Positions and directions follow the view every time.
    if (light.type == LightType::Directional) {
      GLfloat position[4] = {-light.direction.x, -light.direction.y, -light.direction.z, 0};
      _gl(glLightfv, id, GL_POSITION, position);
    } else {
      GLfloat position[4] = {light.position.x, light.position.y, light.position.z, 1};
      _gl(glLightfv, id, GL_POSITION, position);
      if (light.type == LightType::Spot) {
        GLfloat direction[3] = {light.direction.x, light.direction.y, light.direction.z};
        _gl(glLightfv, id, GL_SPOT_DIRECTION, direction);
      }
    }
  }
  for (int id = used; id < kLightSlots; ++id) {
    setCap(GL_LIGHT0 + id, false);
    _glLights[id].slot = -1;
  }
  _dirty &= ~DIRTY_LIGHTS;
}

void GlDevice::flushPlanes() {
  std::uint32_t enabled = rs(RenderState::ClipPlaneEnable);
  for (int index = 0; index < kClipPlanes; ++index) {
    bool on = (enabled >> index) & 1;
    setCap(GL_CLIP_PLANE0 + index, on);
    if (on) {
      const Plane& plane = _planes[index];
      // Both keep the points where the plane's value is not negative.
      GLdouble equation[4] = {plane.a, plane.b, plane.c, plane.d};
      _gl(glClipPlane, GL_CLIP_PLANE0 + index, equation);
    }
  }
  _glPlaneMask = enabled;
  _dirty &= ~DIRTY_PLANES;
}

void GlDevice::flushStages() {
  // A disabled stage ends the cascade: it and every stage above are off.
  int enabledStages = 0;
  while (enabledStages < kStageCount &&
         ss(enabledStages, StageState::ColorOp) != static_cast<std::uint32_t>(TextureOp::Disable)) {
    ++enabledStages;
  }
  for (int unit = 0; unit < kStageCount; ++unit)
    flushStage(unit, unit < enabledStages);
  _dirty &= ~DIRTY_STAGES;
}

void GlDevice::flushStage(int unit, bool enabled) {
  // A stage without a texture is switched off in OpenGL, which passes the colour through.
  GlTexture* texture = enabled ? _textures[unit] : nullptr;
  setCap(GL_TEXTURE_2D, texture != nullptr, unit);
  if (!texture) return;
  activeUnit(unit);
  bindTexture(texture->name());

  // Filters belong to the stage: each unit has its own sampler. Without a mip filter only
  // level 0 is sampled.
  auto linear = [&](StageState state) {
    return ss(unit, state) == static_cast<std::uint32_t>(TextureFilter::Linear);
  };
  GLint mag = linear(StageState::MagFilter) ? GL_LINEAR : GL_NEAREST;
  bool minLinear = linear(StageState::MinFilter);
  GLint min = minLinear ? GL_LINEAR : GL_NEAREST;
  switch (static_cast<TextureFilter>(ss(unit, StageState::MipFilter))) {
    case TextureFilter::None:
      break;
    case TextureFilter::Point:
      min = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
      break;
    case TextureFilter::Linear:
      min = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
      break;
  }
  if (!cached(_samplerFilters[unit][0] == mag)) {
    _gl(glSamplerParameteri, _samplers[unit], GL_TEXTURE_MAG_FILTER, mag);
    _samplerFilters[unit][0] = mag;
  }
  if (!cached(_samplerFilters[unit][1] == min)) {
    _gl(glSamplerParameteri, _samplers[unit], GL_TEXTURE_MIN_FILTER, min);
    _samplerFilters[unit][1] = min;
  }

  Combiner want;
  glCombine(ss(unit, StageState::ColorOp), ss(unit, StageState::ColorArg1),
            ss(unit, StageState::ColorArg2), want.rgbMode, want.rgbSource0, want.rgbSource1,
            want.rgbScale);
  glCombine(ss(unit, StageState::AlphaOp), ss(unit, StageState::AlphaArg1),
            ss(unit, StageState::AlphaArg2), want.alphaMode, want.alphaSource0, want.alphaSource1,
            want.alphaScale);
  Combiner& have = _combiners[unit];
  texEnv(GL_TEXTURE_ENV, GL_COMBINE_RGB, want.rgbMode, have.rgbMode);
  texEnv(GL_TEXTURE_ENV, GL_SRC0_RGB, want.rgbSource0, have.rgbSource0);
  texEnv(GL_TEXTURE_ENV, GL_SRC1_RGB, want.rgbSource1, have.rgbSource1);
  texEnv(GL_RGB_SCALE, want.rgbScale, have.rgbScale);
  texEnv(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, want.alphaMode, have.alphaMode);
  texEnv(GL_TEXTURE_ENV, GL_SRC0_ALPHA, want.alphaSource0, have.alphaSource0);
  texEnv(GL_TEXTURE_ENV, GL_SRC1_ALPHA, want.alphaSource1, have.alphaSource1);
  texEnv(GL_ALPHA_SCALE, want.alphaScale, have.alphaScale);

  bool normals = (ss(unit, StageState::TexCoordIndex) & TCI_CAMERA_SPACE_NORMAL) != 0;
  setCap(GL_TEXTURE_GEN_S, normals, unit);
  setCap(GL_TEXTURE_GEN_T, normals, unit);
  setCap(GL_TEXTURE_GEN_R, normals, unit);
  setCap(GL_TEXTURE_GEN_Q, normals, unit);

  // The texture matrix applies only while the stage's transform flags are on.
  Matrix matrix;
  if (ss(unit, StageState::TransformFlags) != TTFF_DISABLE) {
    matrix = glTextureMatrix(_textureMatrices[unit], normals);
  }
  if (!cached(_glTextureMatrixKnown[unit] && sameMatrix(_glTextureMatrices[unit], matrix))) {
    activeUnit(unit);
    matrixMode(GL_TEXTURE);
    _gl(glLoadMatrixf, matrix.data());
    _glTextureMatrices[unit] = matrix;
    _glTextureMatrixKnown[unit] = true;
  }
}

void GlDevice::flushVertexDefaults() {
  bool diffuse = (_fvf & FVF_DIFFUSE) != 0;
  // A vertex colour feeds the diffuse material (this is where a sprite's alpha comes from).
  setCap(GL_COLOR_MATERIAL, diffuse);
  // No colour in the vertices means opaque white, no normal means (0, 0, 0).
  if (!diffuse && !cached(_colorWhite)) {
    _gl(glColor4f, 1.0f, 1.0f, 1.0f, 1.0f);
    _colorWhite = true;
  }
  if (!(_fvf & FVF_NORMAL) && !cached(_normalZero)) {
    _gl(glNormal3f, 0.0f, 0.0f, 0.0f);
    _normalZero = true;
  }
  setCap(GL_COLOR_SUM,
         !rs(RenderState::Lighting) && (_fvf & FVF_SPECULAR) && rs(RenderState::SpecularEnable));
}

void GlDevice::flushMaterial() {
  bool tracking = (_fvf & FVF_DIFFUSE) != 0;
  if (!(_dirty & DIRTY_MATERIAL) && (tracking || _materialDiffuseKept)) return;
  GLfloat color[4];
  toFloats(_material.ambient, color);
  _gl(glMaterialfv, GL_FRONT_AND_BACK, GL_AMBIENT, color);
  toFloats(_material.diffuse, color);
  _gl(glMaterialfv, GL_FRONT_AND_BACK, GL_DIFFUSE, color);
  if (rs(RenderState::SpecularEnable)) {
    toFloats(_material.specular, color);
  } else {
    std::fill(color, color + 4, 0.0f);
  }
  _gl(glMaterialfv, GL_FRONT_AND_BACK, GL_SPECULAR, color);
  toFloats(_material.emissive, color);
  _gl(glMaterialfv, GL_FRONT_AND_BACK, GL_EMISSION, color);
  _gl(glMaterialf, GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(_material.power, 0.0f, 128.0f));
  _dirty &= ~DIRTY_MATERIAL;
  _materialDiffuseKept = true;
}

void GlDevice::flushFog() {
  // The table (pixel) mode wins over the vertex mode.
  auto table = static_cast<FogMode>(rs(RenderState::FogTableMode));
  auto vertex = static_cast<FogMode>(rs(RenderState::FogVertexMode));
  FogMode mode = table != FogMode::None ? table : vertex;
  bool on = rs(RenderState::FogEnable) && mode != FogMode::None;
  setCap(GL_FOG, on);
  if (on) {
    GLint glMode = mode == FogMode::Linear ? GL_LINEAR : mode == FogMode::Exp ? GL_EXP : GL_EXP2;
    if (!cached(_fogMode == glMode)) {
      _gl(glFogi, GL_FOG_MODE, glMode);
      _fogMode = glMode;
    }
    if (_fogDistance) {
      // Range fog (the distance to the eye rather than the depth) is a vertex-fog feature.
      bool radial = rs(RenderState::RangeFogEnable) && table == FogMode::None;
      GLint distance = radial ? GL_EYE_RADIAL_NV : GL_EYE_PLANE_ABSOLUTE_NV;
      if (!cached(_fogDistanceMode == distance)) {
        _gl(glFogi, GL_FOG_DISTANCE_MODE_NV, distance);
        _fogDistanceMode = distance;
      }
    }
  }
  _dirty &= ~DIRTY_FOG;
}

void GlDevice::flushPoints() {
  // The classic size is viewport height × size × sqrt(1 / (A + B·d + C·d²)); OpenGL's is
  // size × sqrt(1 / (a + b·d + c·d²)), so the coefficients are divided by the height squared.
  float size = rsFloat(RenderState::PointSize);
  if (!(size > 0)) size = 1.0f / 64;  // OpenGL refuses 0; such points cover at most a pixel
  if (!cached(_pointSize == size)) {
    _gl(glPointSize, size);
    _pointSize = size;
  }
  float minimum = std::max(0.0f, rsFloat(RenderState::PointSizeMin));
  if (!cached(_pointSizeMin == minimum)) {
    _gl(glPointParameterf, GL_POINT_SIZE_MIN, minimum);
    _pointSizeMin = minimum;
  }
  std::array<GLfloat, 3> attenuation{1, 0, 0};
  if (rs(RenderState::PointScaleEnable)) {
    float height = static_cast<float>(std::max(1u, _viewport.height));
    float square = height * height;
    attenuation = {rsFloat(RenderState::PointScaleA) / square,
                   rsFloat(RenderState::PointScaleB) / square,
                   rsFloat(RenderState::PointScaleC) / square};
  }
  if (!cached(_pointAttenuation == attenuation)) {
    _gl(glPointParameterfv, GL_POINT_DISTANCE_ATTENUATION, attenuation.data());
    _pointAttenuation = attenuation;
  }
  _dirty &= ~DIRTY_POINTS;
}

void GlDevice::applySprites(bool sprites) {
  setCap(GL_POINT_SPRITE, sprites);
  for (int unit = 0; unit < kStageCount; ++unit) {
    GLint replace = sprites ? GL_TRUE : GL_FALSE;
    if (!cached(_coordReplace[unit] == replace)) {
      activeUnit(unit);
      _gl(glTexEnvi, GL_POINT_SPRITE, GL_COORD_REPLACE, replace);
      _coordReplace[unit] = replace;
    }
  }
}

void GlDevice::setupArrays(GLuint buffer, std::uintptr_t base, std::uint32_t stride) {
  ArraySetup want;
  want.buffer = buffer;
  want.base = base;
  want.stride = stride;
  want.fvf = _fvf;
  for (int unit = 0; unit < kStageCount; ++unit) {
    want.coordinateIndex[unit] = ss(unit, StageState::TexCoordIndex);
  }
  want.valid = true;
  _dirty &= ~DIRTY_ARRAYS;
  if (cached(_arrays == want)) return;
  bindBuffer(GL_ARRAY_BUFFER, buffer);
  // With a buffer bound the "pointers" are offsets into it.
  auto at = [&](std::uint32_t offset) { return reinterpret_cast<const void*>(base + offset); };
  GLsizei s = static_cast<GLsizei>(stride);
  std::uint32_t offset = 0;
  _gl(glVertexPointer, 3, GL_FLOAT, s, at(offset));
  setClientArray(GL_VERTEX_ARRAY, true);
  offset += 12;
  if (_fvf & FVF_NORMAL) {
    _gl(glNormalPointer, GL_FLOAT, s, at(offset));
    offset += 12;
  }
  setClientArray(GL_NORMAL_ARRAY, (_fvf & FVF_NORMAL) != 0);
  if (_fvf & FVF_PSIZE) offset += 4;
  // Colours are ARGB words, that is B, G, R, A in memory.
  if (_fvf & FVF_DIFFUSE) {
    _gl(glColorPointer, GL_BGRA, GL_UNSIGNED_BYTE, s, at(offset));
    offset += 4;
  }
  setClientArray(GL_COLOR_ARRAY, (_fvf & FVF_DIFFUSE) != 0);
  if (_fvf & FVF_SPECULAR) {
    _gl(glSecondaryColorPointer, GL_BGRA, GL_UNSIGNED_BYTE, s, at(offset));
    offset += 4;
  }
  setClientArray(GL_SECONDARY_COLOR_ARRAY, (_fvf & FVF_SPECULAR) != 0);
  std::uint32_t sets = (_fvf >> 8) & 0xF;
  for (int unit = 0; unit < kStageCount; ++unit) {
    std::uint32_t index = want.coordinateIndex[unit];
    bool fromSet = !(index & TCI_CAMERA_SPACE_NORMAL) && (index & 0xFFFF) < sets;
    if (fromSet) {
      clientUnit(unit);
      _gl(glTexCoordPointer, 2, GL_FLOAT, s, at(offset + 8 * (index & 0xFFFF)));
    }
    setClientArray(GL_TEXTURE_COORD_ARRAY, fromSet, unit);
  }
  _arrays = want;
}

bool GlDevice::prepareDraw(Primitive type) {
  if (!_inScene) return fail("drawing outside beginScene and endScene");
  if (!_fvf) return fail("drawing without a vertex format");
  bindDrawFramebuffer(_drawFramebuffer);
  flushTransforms();
  if (_dirty & DIRTY_STAGES) flushStages();
  flushVertexDefaults();
  if (rs(RenderState::Lighting)) flushMaterial();
  if (_dirty & DIRTY_FOG) flushFog();
  if (_dirty & DIRTY_POINTS) flushPoints();
  // Sprites only for point lists: Mesa replaces the coordinates of every primitive otherwise.
  applySprites(type == Primitive::PointList && rs(RenderState::PointSpriteEnable));
  return true;
}

bool GlDevice::finishDraw(std::string_view operation) {
  // Drawing with arrays leaves the current colour and normal undefined.
  if (_fvf & FVF_DIFFUSE) {
    _colorWhite = false;
    _materialDiffuseKept = false;
  }
  if (_fvf & FVF_NORMAL) _normalZero = false;
  return checkGl(operation);
}

bool GlDevice::drawPrimitive(Primitive type, std::uint32_t startVertex,
                             std::uint32_t primitiveCount) {
  std::uint64_t vertices = 0;
  if (!verticesOf(type, primitiveCount, vertices)) return fail("unknown primitive type");
  if (!_stream) return fail("drawPrimitive without a vertex buffer");
  if (_stride < fvfStride(_fvf)) return fail("the stream's stride is below the vertex size");
  if (primitiveCount == 0) return true;
  std::uint64_t available = _stream->size() / _stride;
  if (startVertex + vertices > available) {
    return fail(str("drawPrimitive reads ", startVertex + vertices, " vertices of ", available));
  }
  if (!prepareDraw(type)) return false;
  setupArrays(_stream->name(), 0, _stride);
  _gl(glDrawArrays, glPrimitive(type), static_cast<GLint>(startVertex),
      static_cast<GLsizei>(vertices));
  return finishDraw("drawPrimitive");
}

bool GlDevice::drawIndexedPrimitive(Primitive type, std::uint32_t minIndex,
                                    std::uint32_t vertexCount, std::uint32_t startIndex,
                                    std::uint32_t primitiveCount) {
  (void)minIndex;
  (void)vertexCount;
  std::uint64_t count = 0;
  if (!verticesOf(type, primitiveCount, count)) return fail("unknown primitive type");
  if (!_stream || !_indices) return fail("drawIndexedPrimitive without vertex or index buffer");
  if (_stride < fvfStride(_fvf)) return fail("the stream's stride is below the vertex size");
  if (primitiveCount == 0) return true;
  std::uint64_t indexCount = _indices->size() / 2;
  if (startIndex + count > indexCount) {
    return fail(str("drawIndexedPrimitive reads ", startIndex + count, " indices of ", indexCount));
  }
  // Every index must name a vertex of the buffer: OpenGL would read past its end.
  std::uint64_t available = _stream->size() / _stride;
  if (_baseVertex >= available) return fail("the base vertex lies past the vertex buffer");
  const auto* indices = reinterpret_cast<const std::uint16_t*>(_indices->bytes()) + startIndex;
  std::uint16_t highest = 0;
  for (std::uint64_t i = 0; i < count; ++i)
    highest = std::max(highest, indices[i]);
  if (_baseVertex + std::uint64_t{highest} >= available) {
    return fail(str("index ", highest, " lies past the vertex buffer"));
  }
  if (!prepareDraw(type)) return false;
  // The base vertex moves the arrays' start rather than every index.
  setupArrays(_stream->name(), std::uintptr_t{_baseVertex} * _stride, _stride);
  bindBuffer(GL_ELEMENT_ARRAY_BUFFER, _indices->name());
  _gl(glDrawElements, glPrimitive(type), static_cast<GLsizei>(count), GL_UNSIGNED_SHORT,
      reinterpret_cast<const void*>(std::uintptr_t{startIndex} * 2));
  return finishDraw("drawIndexedPrimitive");
}

bool GlDevice::drawPrimitiveUP(Primitive type, std::uint32_t primitiveCount, const void* vertices,
                               std::uint32_t stride) {
  std::uint64_t count = 0;
  if (!verticesOf(type, primitiveCount, count)) return fail("unknown primitive type");
  if (!vertices) return fail("drawPrimitiveUP without vertices");
  if (stride == 0 || stride < fvfStride(_fvf)) {
    return fail("drawPrimitiveUP's stride is below the vertex size");
  }
  // As with the classic device, drawing from memory unsets the vertex buffer.
  _stream = nullptr;
  if (primitiveCount == 0) return true;
  if (!prepareDraw(type)) return false;
  setupArrays(0, reinterpret_cast<std::uintptr_t>(vertices), stride);
  _gl(glDrawArrays, glPrimitive(type), 0, static_cast<GLsizei>(count));
  return finishDraw("drawPrimitiveUP");
}

}  // namespace vesk::gfx
