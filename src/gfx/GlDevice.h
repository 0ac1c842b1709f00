// The graphics device over OpenGL (compatibility profile, fixed-function pipeline).
//
// Everything is drawn into framebuffer objects set up with glClipControl(GL_UPPER_LEFT,
// GL_ZERO_TO_ONE): pixel row 0 is the top row of every target, as the interface promises, and
// depth runs from 0 to 1. The back buffer is such a target too; `present` copies it, flipped,
// to the window.
//
// Pixel centres: the classic device puts them on integer coordinates, so that its full-screen
// quads sample texel corners (a slight blur). We keep OpenGL's exact texel mapping, centres at
// half-integers, and shift nothing.
//
// The device keeps the interface's state values and a shadow of what it has told OpenGL, so
// that a repeated state costs no call. States that depend on each other (texture stages,
// lights, clip planes, matrices, fog and point modes, vertex arrays) are gathered and sent
// just before a draw.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "gfx/Device.h"
#include "gfx/GlApi.h"
#include "gfx/GlBuffer.h"

namespace vesk::gfx {

class GlResource;
class GlSurface;
class GlTexture;

class GlDevice final : public Device {
 public:
  GlDevice(DeviceHost& host, const DeviceParams& params);
  ~GlDevice() override;
  GlDevice(const GlDevice&) = delete;
  GlDevice& operator=(const GlDevice&) = delete;

  // Checks the current context and takes it over; false, with a log line, when it lacks
  // something the device needs.
  bool initialise();

  DeviceCaps caps() const override { return _caps; }

  Owned<VertexBuffer> createVertexBuffer(std::uint32_t bytes, std::uint32_t usage,
                                         std::uint32_t fvf, Pool pool) override;
  Owned<IndexBuffer> createIndexBuffer(std::uint32_t bytes, std::uint32_t usage,
                                       Pool pool) override;
  Owned<Texture> createTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                               std::uint32_t usage, Format format, Pool pool) override;
  Owned<Surface> createDepthStencilSurface(std::uint32_t width, std::uint32_t height,
                                           Format format) override;
  Owned<Surface> createImageSurface(std::uint32_t width, std::uint32_t height,
                                    Format format) override;

  Surface* backBuffer() override;
  Surface* renderTarget() override;
  Surface* depthStencilSurface() override;
  bool setRenderTarget(Surface* color, Surface* depthStencil) override;
  bool copyRects(Surface* source, Surface* destination) override;

  bool beginScene() override;
  bool endScene() override;
  bool clear(std::uint32_t flags, Argb color, float z, std::uint32_t stencil) override;
  bool present() override;
  bool setViewport(const ViewportRect& viewport) override;
  bool getViewport(ViewportRect& viewport) const override;

  bool setRenderState(RenderState state, std::uint32_t value) override;
  std::uint32_t renderState(RenderState state) const override;
  bool setTextureStageState(int stage, StageState state, std::uint32_t value) override;
  std::uint32_t textureStageState(int stage, StageState state) const override;
  bool setTexture(int stage, Texture* texture) override;
  bool setTransform(TransformType type, const Matrix& matrix) override;
  bool getTransform(TransformType type, Matrix& matrix) const override;
  bool setMaterial(const MaterialValues& material) override;
  bool setLight(int index, const LightValues& light) override;
  bool lightEnable(int index, bool enable) override;
  bool setClipPlane(int index, const Plane& plane) override;
  bool setVertexFormat(std::uint32_t fvf) override;

  bool setStreamSource(VertexBuffer* buffer, std::uint32_t stride) override;
  bool setIndices(IndexBuffer* buffer, std::uint32_t baseVertex) override;
  bool drawPrimitive(Primitive type, std::uint32_t startVertex,
                     std::uint32_t primitiveCount) override;
  bool drawIndexedPrimitive(Primitive type, std::uint32_t minIndex, std::uint32_t vertexCount,
                            std::uint32_t startIndex, std::uint32_t primitiveCount) override;
  bool drawPrimitiveUP(Primitive type, std::uint32_t primitiveCount, const void* vertices,
                       std::uint32_t stride) override;

  bool getGammaRamp(GammaRamp& ramp) override { return _host.getGammaRamp(ramp); }
  bool setGammaRamp(const GammaRamp& ramp) override { return _host.setGammaRamp(ramp); }

  std::uint64_t apiCalls() const override { return _gl.calls(); }

  // For the resources: OpenGL objects are made, filled and freed here, where the bindings are
  // known.
  void registerResource(GlResource* resource);
  void unregisterResource(GlResource* resource);
  GLuint createBufferObject(GLenum target, std::uint32_t bytes, const void* data, bool dynamic);
  bool uploadBuffer(GLenum target, GLuint name, std::uint32_t offset, std::uint32_t bytes,
                    const void* data);
  void releaseBuffer(const void* buffer, GLenum target, GLuint name);
  GLuint createRenderbuffer(GLenum format, std::uint32_t width, std::uint32_t height);
  GLuint createTextureObject(GlTexture& texture);
  bool uploadTextureLevel(GLuint name, std::uint32_t level, std::uint32_t width,
                          std::uint32_t height, const void* words);
  void releaseTexture(GlTexture* texture);
  void releaseSurface(GlSurface* surface);

 private:
  enum Dirty : std::uint32_t {
    DIRTY_PROJECTION = 1 << 0,
    DIRTY_MODELVIEW = 1 << 1,
    DIRTY_LIGHTS = 1 << 2,
    DIRTY_PLANES = 1 << 3,
    DIRTY_MATERIAL = 1 << 4,
    DIRTY_STAGES = 1 << 5,
    DIRTY_ARRAYS = 1 << 6,
    DIRTY_FOG = 1 << 7,
    DIRTY_POINTS = 1 << 8,
  };

  struct LightSlot {
    LightValues values;
    bool enabled = false;
    bool set = false;  // given by setLight (else the classic default light)
  };

  // What one texture unit's combiner was last told.
  struct Combiner {
    GLint rgbMode = -1, rgbSource0 = -1, rgbSource1 = -1, alphaMode = -1, alphaSource0 = -1,
          alphaSource1 = -1;
    GLfloat rgbScale = -1, alphaScale = -1;
  };

  // What the vertex arrays were last set up from.
  struct ArraySetup {
    GLuint buffer = 0;
    std::uintptr_t base = 0;  // pointer, or offset into the buffer
    std::uint32_t stride = 0, fvf = 0;
    std::array<std::uint32_t, kStageCount> coordinateIndex{};
    bool valid = false;
    bool operator==(const ArraySetup&) const = default;
  };

  // What one OpenGL light was last told.
  struct GlLight {
    int slot = -1;
    LightValues values;
  };

  bool fail(std::string_view what) const;
  bool checkGl(std::string_view operation);
  bool cached(bool same) const { return _stateCache && same; }
  std::uint32_t rs(RenderState state) const { return _renderStates[static_cast<int>(state)]; }
  float rsFloat(RenderState state) const { return stateFloat(rs(state)); }
  std::uint32_t ss(int stage, StageState state) const {
    return _stageStates[stage][static_cast<int>(state)];
  }

  // Shadowed OpenGL state.
  void setCap(GLenum cap, bool on, int unit = -1);
  void setClientArray(GLenum array, bool on, int unit = -1);
  void activeUnit(int unit);
  void clientUnit(int unit);
  void matrixMode(GLenum mode);
  void bindBuffer(GLenum target, GLuint name);
  void bindTexture(GLuint name);
  void bindDrawFramebuffer(GLuint name);
  void bindReadFramebuffer(GLuint name);
  void texEnv(GLenum target, GLenum name, GLint value, GLint& shadow);
  void texEnv(GLenum name, GLfloat value, GLfloat& shadow);

  // Render states sent at once.
  void applyRenderState(RenderState state);
  void applyAllRenderStates();
  void applyViewport();
  void applyMasks();

  bool attachTargets(GlSurface* color, GlSurface* depth);
  bool readColor(GlSurface* source, std::uint32_t* words);

  // Gathered states sent before a draw.
  bool prepareDraw(Primitive type);
  void flushTransforms();
  void flushLights();
  void flushPlanes();
  void flushStages();
  void flushStage(int unit, bool enabled);
  void flushVertexDefaults();
  void flushMaterial();
  void flushFog();
  void flushPoints();
  void applySprites(bool sprites);
  void setupArrays(GLuint buffer, std::uintptr_t base, std::uint32_t stride);
  bool finishDraw(std::string_view operation);

  DeviceHost& _host;
  DeviceParams _params;
  GlApi _gl;
  bool _stateCache;
  DeviceCaps _caps;
  bool _fogDistance = false;  // GL_NV_fog_distance
  bool _initialised = false;
  bool _destroying = false;

  std::unordered_set<GlResource*> _resources;
  Owned<GlSurface> _backBuffer;
  Owned<GlSurface> _depthStencil;
  GlSurface* _colorTarget = nullptr;
  GlSurface* _depthTarget = nullptr;
  GlSurface* _readSource = nullptr;  // attached to the read framebuffer
  GLuint _drawFramebuffer = 0, _readFramebuffer = 0;
  std::array<GLuint, kStageCount> _samplers{};

  // The interface's state.
  std::array<std::uint32_t, static_cast<int>(RenderState::Count)> _renderStates{};
  std::array<std::array<std::uint32_t, static_cast<int>(StageState::Count)>, kStageCount>
      _stageStates{};
  std::array<GlTexture*, kStageCount> _textures{};
  Matrix _world, _view, _projection;
  std::array<Matrix, kStageCount> _textureMatrices;
  MaterialValues _material;
  std::vector<LightSlot> _lights;
  std::array<Plane, kClipPlanes> _planes{};
  std::uint32_t _fvf = 0;
  GlVertexBuffer* _stream = nullptr;
  std::uint32_t _stride = 0;
  GlIndexBuffer* _indices = nullptr;
  std::uint32_t _baseVertex = 0;
  ViewportRect _viewport;
  bool _inScene = false;
  std::uint32_t _dirty = 0;

  // The shadow of OpenGL's state.
  std::unordered_map<std::uint32_t, bool> _glCaps;
  GLuint _arrayBuffer = ~0u, _elementBuffer = ~0u;
  GLuint _boundDrawFramebuffer = ~0u, _boundReadFramebuffer = ~0u;
  int _activeUnit = -1, _clientUnit = -1;
  GLenum _matrixMode = 0;
  std::array<GLuint, kStageCount> _boundTextures{};
  std::array<std::array<GLint, 2>, kStageCount> _samplerFilters{};  // mag, min
  std::array<Combiner, kStageCount> _combiners{};
  std::array<Matrix, kStageCount> _glTextureMatrices;
  std::array<bool, kStageCount> _glTextureMatrixKnown{};
  std::array<GLint, kStageCount> _coordReplace{};
  std::array<GlLight, kLightSlots> _glLights{};
  ArraySetup _arrays;
  ViewportRect _glViewport;
  bool _glViewportKnown = false;
  std::uint32_t _glPlaneMask = ~0u;  // the clip planes OpenGL has on
  GLint _fogMode = -1, _fogDistanceMode = -1;
  GLfloat _pointSize = -1, _pointSizeMin = -1;
  std::array<GLfloat, 3> _pointAttenuation{-1, -1, -1};
  Argb _clearColor = 0;
  float _clearDepth = -1;
  std::uint32_t _clearStencil = ~0u;
  bool _clearColorKnown = false;
  bool _colorWhite = false;           // the current colour is opaque white
  bool _normalZero = false;           // the current normal is (0, 0, 0)
  bool _materialDiffuseKept = false;  // colour tracking has not overwritten the diffuse
};

}  // namespace vesk::gfx
