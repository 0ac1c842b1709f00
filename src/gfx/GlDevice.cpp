#include "gfx/GlDevice.h"

#include <cstdio>

#include "base/Log.h"
#include "base/Text.h"
#include "gfx/GlSurface.h"

namespace vesk::gfx {

Owned<Device> createGlDevice(DeviceHost& host, const DeviceParams& params) {
  Owned<GlDevice> device = make<GlDevice>(here(), host, params);
  if (!device->initialise()) return nullptr;
  return device;
}

GlDevice::GlDevice(DeviceHost& host, const DeviceParams& params)
    : _host(host), _params(params), _state(_gl, params.stateCache) {
  for (const RenderStateRow& row : renderStateTable())
    _renderStates[static_cast<int>(row.state)] = row.initial;
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
}

bool GlDevice::fail(std::string_view what) const {
  logLine(str("Graphics device: ", what));
  return false;
}

void GlDevice::drainGlErrors() {
  for (int i = 0; i < 16 && _gl(glGetError) != GL_NO_ERROR; ++i) {
  }
}

bool GlDevice::checkGl(std::string_view operation) {
  GLenum error = _gl(glGetError);
  if (error == GL_NO_ERROR) return true;
  // Errors queue up: the next check reports its own.
  drainGlErrors();
  return fail(str(operation, " failed with OpenGL error ", hex(error)));
}

bool GlDevice::colorFormat(Format format) {
  return format == Format::A8R8G8B8 || format == Format::X8R8G8B8;
}

std::string GlDevice::hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
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
  if (!has(33, "GL_ARB_texture_swizzle")) return fail("texture swizzles are missing");
  _fogDistance = epoxy_has_gl_extension("GL_NV_fog_distance");

  std::uint32_t width = _params.width, height = _params.height;
  GLint maxTexture = 0, maxRenderbuffer = 0;
  _gl(glGetIntegerv, GL_MAX_TEXTURE_SIZE, &maxTexture);
  _gl(glGetIntegerv, GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
  _caps.maxTextureSize = static_cast<std::uint32_t>(maxTexture);
  // Desktop OpenGL takes any 32-bit index; from 4.3 it can say so.
  _caps.maxVertexIndex = 0xFFFFFFFF;
  if (has(43, "GL_ARB_ES3_compatibility")) {
    GLint64 maxIndex = 0;
    _gl(glGetInteger64v, GL_MAX_ELEMENT_INDEX, &maxIndex);
    if (maxIndex > 0xFFFF && maxIndex < 0xFFFFFFFF)
      _caps.maxVertexIndex = static_cast<std::uint32_t>(maxIndex);
  }
  if (width == 0 || height == 0 || width > static_cast<std::uint32_t>(maxRenderbuffer) ||
      height > static_cast<std::uint32_t>(maxRenderbuffer)) {
    return fail(str("a back buffer of ", width, " x ", height, " is not possible"));
  }
  // Whatever an earlier user of the context left queued is not ours.
  drainGlErrors();

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
    _state.activeUnit(unit);
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

}  // namespace vesk::gfx
