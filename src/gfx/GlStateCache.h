// The shadow of what the device has told OpenGL: capabilities, bindings, the active units, the
// matrix mode, samplers, combiners, texture matrices, fog and point parameters, the viewport and
// the clear values. A setter sends its call only when the value differs from the shadow, so a
// repeated state costs nothing; with the cache switched off every setter sends its call (the
// shadow is still kept). Every call goes through the counted GlApi.
//
// Nothing is assumed of the context's state at the start: an earlier user may have changed it,
// so every shadow starts unknown.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <optional>
#include <type_traits>
#include <unordered_map>

#include "gfx/Device.h"
#include "gfx/GlApi.h"
#include "gfx/GlTables.h"

namespace vesk::gfx {

class GlStateCache {
 public:
  GlStateCache(GlApi& gl, bool enabled);
  GlStateCache(const GlStateCache&) = delete;
  GlStateCache& operator=(const GlStateCache&) = delete;

  // Whether a value already set may be skipped: `same` with the cache on.
  bool cached(bool same) const { return _enabled && same; }

  // glEnable / glDisable; a `unit` of 0 or more names the texture unit of a per-unit
  // capability.
  void setCap(GLenum cap, bool on, int unit = -1);
  // glEnableClientState / glDisableClientState, per client unit for texture coordinates.
  void setClientArray(GLenum array, bool on, int unit = -1);
  void activeUnit(int unit);
  void clientUnit(int unit);
  void matrixMode(GLenum mode);
  // GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER.
  void bindBuffer(GLenum target, GLuint name);
  // A 2D texture on the active unit (unit 0 when none is active yet).
  void bindTexture(GLuint name);
  void bindDrawFramebuffer(GLuint name);
  void bindReadFramebuffer(GLuint name);

  // OpenGL unbinds a deleted object; a new object may get the same name.
  void forgetBuffer(GLuint name);
  void forgetTexture(GLuint name);

  // The viewport rectangle (and the scissor, which always equals it) and the depth range.
  // True when the height differs from the last one told (or none was).
  bool viewport(const ViewportRect& viewport);
  void forgetViewport() { _viewport.reset(); }

  void clearColor(Argb color);
  void clearDepth(float depth);
  void clearStencil(std::uint32_t stencil);

  // The filters of a unit's sampler.
  void samplerFilters(int unit, GLuint sampler, GLint mag, GLint min);
  // The colour and alpha combiners of the active unit.
  void combiners(const GlCombiner& rgb, const GlCombiner& alpha);
  void textureMatrix(int unit, const Matrix& matrix);
  // Point-sprite coordinate replacement of a unit.
  void coordReplace(int unit, bool on);

  void fogMode(GLint mode);
  // GL_NV_fog_distance's mode.
  void fogDistance(GLint mode);
  void pointSize(GLfloat size);
  void pointSizeMin(GLfloat size);
  void pointAttenuation(const std::array<GLfloat, 3>& attenuation);

  // The current colour and normal that vertices without them take. Drawing with colour or
  // normal arrays leaves them undefined: `forgetCurrent` says which.
  void currentColorWhite();
  void currentNormalZero();
  void forgetCurrent(bool color, bool normal);

  // Records of the groups the device sends itself, compared before it sends them.
  struct Light {
    int slot = -1;  // the interface's light slot this OpenGL light was last given
    LightValues values;
  };
  struct Arrays {
    GLuint buffer = 0;
    std::uintptr_t base = 0;  // pointer, or offset into the buffer
    std::uint32_t stride = 0, fvf = 0;
    std::array<std::uint32_t, kStageCount> coordinateIndex{};
    bool valid = false;
    bool operator==(const Arrays&) const = default;
  };
  std::array<Light, kLightSlots> lights{};
  Arrays arrays;                     // what the vertex arrays were last set up from
  std::uint32_t planeMask = ~0u;     // the clip planes OpenGL has on
  bool materialDiffuseKept = false;  // colour tracking has not overwritten the diffuse

 private:
  // Calls `function` with the arguments and records `value` in `shadow`, unless the shadow
  // holds it already (and the cache is on).
  template <class T, class Function, class... Arguments>
  void send(T& shadow, const std::type_identity_t<T>& value, Function function,
            Arguments... arguments) {
    if (cached(shadow == value)) return;
    _gl(function, arguments...);
    shadow = value;
  }

  GlApi& _gl;
  bool _enabled;

  std::unordered_map<std::uint32_t, bool> _caps;
  GLuint _arrayBuffer = ~0u, _elementBuffer = ~0u;
  GLuint _drawFramebuffer = ~0u, _readFramebuffer = ~0u;
  int _activeUnit = -1, _clientUnit = -1;
  GLenum _matrixMode = 0;
  std::optional<ViewportRect> _viewport;
  std::optional<Argb> _clearColor;
  float _clearDepth = -1;
  std::uint32_t _clearStencil = ~0u;
  std::array<GLuint, kStageCount> _textures{};
  std::array<std::array<GLint, 2>, kStageCount> _samplerFilters{};  // mag, min
  std::array<std::array<GlCombiner, 2>, kStageCount> _combiners{};  // colour, alpha
  std::array<std::optional<Matrix>, kStageCount> _textureMatrices{};
  std::array<GLint, kStageCount> _coordReplace{};
  GLint _fogMode = -1, _fogDistance = -1;
  GLfloat _pointSize = -1, _pointSizeMin = -1;
  std::array<GLfloat, 3> _pointAttenuation{-1, -1, -1};
  bool _colorWhite = false;
  bool _normalZero = false;
};

}  // namespace vesk::gfx
