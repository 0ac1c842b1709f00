// The device's fixed-function transforms and lighting: matrices, material, lights and clip
// planes, kept as the interface gives them and sent before a draw.
#include "gfx/GlDevice.h"

#include <algorithm>
#include <cmath>

#include "base/Text.h"
#include "gfx/GlTables.h"

namespace vesk::gfx {

namespace {

bool finite(const ColorValue& color) {
  return std::isfinite(color.r) && std::isfinite(color.g) && std::isfinite(color.b) &&
         std::isfinite(color.a);
}

bool finite(const Vector3& vector) {
  return std::isfinite(vector.x) && std::isfinite(vector.y) && std::isfinite(vector.z);
}

// Any slot number is accepted as by the classic device, within reason.
constexpr int kLightSlotLimit = 4096;

}  // namespace

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
  if (cached(*target == matrix)) return true;
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
  if (cached(_material == material)) return true;
  _material = material;
  _dirty |= DIRTY_MATERIAL;
  return true;
}

bool GlDevice::setLight(int index, const LightValues& light) {
  if (index < 0 || index >= kLightSlotLimit) return fail(str("no light slot ", index));
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
  if (light.type != LightType::Point && light.direction == Vector3{}) {
    return fail("the light has no direction");
  }
  if (static_cast<std::size_t>(index) >= _lights.size()) _lights.resize(index + 1);
  LightSlot& slot = _lights[index];
  slot.set = true;
  if (cached(slot.values == light)) return true;
  slot.values = light;
  if (slot.enabled) _dirty |= DIRTY_LIGHTS;
  return true;
}

bool GlDevice::lightEnable(int index, bool enable) {
  if (index < 0 || index >= kLightSlotLimit) return fail(str("no light slot ", index));
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
  if (cached(slot == plane)) return true;
  slot = plane;
  _dirty |= DIRTY_PLANES;
  return true;
}

void GlDevice::flushTransforms() {
  if (_dirty & DIRTY_PROJECTION) {
    _state.matrixMode(GL_PROJECTION);
    _gl(glLoadMatrixf, _projection.data());
    _dirty &= ~DIRTY_PROJECTION;
  }
  // Lights and clip planes are given in world space: OpenGL takes them in the eye space of
  // the modelview matrix current when they are given, so they are given under the view.
  bool lights = rs(RenderState::Lighting) && (_dirty & DIRTY_LIGHTS);
  // Nothing to do for planes that are off and were off.
  bool planes =
      (_dirty & DIRTY_PLANES) && (rs(RenderState::ClipPlaneEnable) != 0 || _state.planeMask != 0);
  if (!planes) _dirty &= ~DIRTY_PLANES;
  if (lights || planes) {
    _state.matrixMode(GL_MODELVIEW);
    _gl(glLoadMatrixf, _view.data());
    if (lights) flushLights();
    if (planes) flushPlanes();
    _dirty |= DIRTY_MODELVIEW;
  }
  if (_dirty & DIRTY_MODELVIEW) {
    // Row vectors with row-major matrices are OpenGL's column vectors with column-major ones:
    // the floats go unchanged.
    Matrix modelview = _world * _view;
    _state.matrixMode(GL_MODELVIEW);
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
    GlStateCache::Light& shadow = _state.lights[used];
    ++used;
    _state.setCap(id, true);
    if (!cached(shadow.slot == static_cast<int>(slot) && shadow.values == light)) {
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
    _state.setCap(GL_LIGHT0 + id, false);
    _state.lights[id].slot = -1;
  }
  _dirty &= ~DIRTY_LIGHTS;
}

void GlDevice::flushPlanes() {
  std::uint32_t enabled = rs(RenderState::ClipPlaneEnable);
  for (int index = 0; index < kClipPlanes; ++index) {
    bool on = (enabled >> index) & 1;
    _state.setCap(GL_CLIP_PLANE0 + index, on);
    if (on) {
      const Plane& plane = _planes[index];
      // Both keep the points where the plane's value is not negative.
      GLdouble equation[4] = {plane.a, plane.b, plane.c, plane.d};
      _gl(glClipPlane, GL_CLIP_PLANE0 + index, equation);
    }
  }
  _state.planeMask = enabled;
  _dirty &= ~DIRTY_PLANES;
}

void GlDevice::flushVertexDefaults() {
  bool diffuse = (_fvf & FVF_DIFFUSE) != 0;
  // A vertex colour feeds the diffuse material (this is where a sprite's alpha comes from).
  _state.setCap(GL_COLOR_MATERIAL, diffuse);
  // No colour in the vertices means opaque white, no normal means (0, 0, 0).
  if (!diffuse) _state.currentColorWhite();
  if (!(_fvf & FVF_NORMAL)) _state.currentNormalZero();
  _state.setCap(GL_COLOR_SUM, !rs(RenderState::Lighting) && (_fvf & FVF_SPECULAR) &&
                                  rs(RenderState::SpecularEnable));
}

void GlDevice::flushMaterial() {
  bool tracking = (_fvf & FVF_DIFFUSE) != 0;
  if (!(_dirty & DIRTY_MATERIAL) && (tracking || _state.materialDiffuseKept)) return;
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
  _state.materialDiffuseKept = true;
}

}  // namespace vesk::gfx
