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
// The device keeps the interface's state values and a shadow of what it has told OpenGL
// (GlStateCache), so that a repeated state costs no call. States that depend on each other (texture
// stages, lights, clip planes, matrices, fog and point modes, vertex arrays) are gathered and sent
// just before a draw.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "gfx/Device.h"
#include "gfx/GlApi.h"
#include "gfx/GlBuffer.h"
#include "gfx/GlStateCache.h"
#include "gfx/RenderStateTable.h"

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
  using Device::createIndexBuffer;
  Owned<IndexBuffer> createIndexBuffer(std::uint32_t bytes, std::uint32_t usage, Format format,
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
  void timeApiCalls(bool on) override { _gl.setTiming(on); }
  std::uint64_t apiNanoseconds() const override { return _gl.nanoseconds(); }

  // For the resources (GlDeviceResources.cpp): OpenGL objects are made, filled and freed here,
  // where the bindings are known.
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
  bool readTextureLevel(GLuint name, std::uint32_t level, void* words);
  // Buffers lent to locked texture levels: at least `bytes` long (`capacity` receives the
  // length), and given back at unlock. A few are kept for the next locks, so that a texture
  // written level after level reuses memory that is already there.
  Bytes takeLevelBuffer(std::size_t bytes, std::size_t& capacity);
  void keepLevelBuffer(Bytes buffer, std::size_t capacity);
  void releaseTexture(GlTexture* texture);
  void releaseSurface(GlSurface* surface);

 private:
  // Groups of state gathered and sent just before a draw.
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

  // GlDevice.cpp: creation, errors.
  bool fail(std::string_view what) const;
  // False, with a log line naming the operation, when OpenGL reports an error.
  bool checkGl(std::string_view operation);
  // Empties OpenGL's error queue (within reason), so that the next check reports its own.
  void drainGlErrors();
  bool cached(bool same) const { return _state.cached(same); }
  std::uint32_t rs(RenderState state) const { return _renderStates[static_cast<int>(state)]; }
  float rsFloat(RenderState state) const { return stateFloat(rs(state)); }
  std::uint32_t ss(int stage, StageState state) const {
    return _stageStates[stage][static_cast<int>(state)];
  }
  static bool colorFormat(Format format);
  static std::string hex(std::uint32_t value);

  // GlDeviceTargets.cpp: render targets, clears, present and read-back.
  void attachColor(GLenum framebuffer, GlSurface* color);
  bool attachTargets(GlSurface* color, GlSurface* depth);
  void attachReadSource(GlSurface* source);
  bool readColor(GlSurface* source, std::uint32_t* words);
  // The source's words (of its size) into `words`, for copyRects.
  bool copyInto(GlSurface* source, std::uint32_t* words);
  void applyViewport();

  // GlDeviceStates.cpp: render states, sent at once or gathered (fog, points).
  void applyRenderState(RenderState state);
  void applyAllRenderStates();
  void applyMasks();
  void flushFog();
  void flushPoints();
  void applySprites(bool sprites);

  // GlDeviceLighting.cpp: transforms, lights, clip planes, material.
  void flushTransforms();
  void flushLights();
  void flushPlanes();
  void flushVertexDefaults();
  void flushMaterial();

  // GlDeviceStages.cpp: texture stages.
  void flushStages();
  void flushStage(int unit, bool enabled);

  // GlDeviceDraws.cpp: vertex arrays and draws.
  bool prepareDraw(Primitive type);
  void setupArrays(GLuint buffer, std::uintptr_t base, std::uint32_t stride);
  bool finishDraw(std::string_view operation);
  // Points under point scaling: each drawn alone at the size of its distance from the eye.
  bool scaledPoints(Primitive type) const;
  void drawScaledPoints(const std::uint8_t* vertices, std::uint64_t first, std::uint64_t count,
                        std::uint32_t stride);

  DeviceHost& _host;
  DeviceParams _params;
  GlApi _gl;
  GlStateCache _state;  // what OpenGL has been told, through _gl
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
  std::array<std::uint32_t, kRenderStateCount> _renderStates{};
  std::array<std::array<std::uint32_t, static_cast<int>(StageState::Count)>, kStageCount>
      _stageStates{};
  struct SpareBuffer {
    Bytes bytes;
    std::size_t capacity = 0;
  };
  std::vector<SpareBuffer> _spareLevelBuffers;
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
};

}  // namespace vesk::gfx
