// The graphics device: the Direct3D-8-style interface every drawing part is written against.
// Only the implementation (GlDevice) knows OpenGL.
//
// Semantics are those of the classic fixed-function device: row-vector matrices, depth in
// [0, 1], pixel row 0 at the top of every target, clockwise front faces, viewports that also
// limit clears, lights and clip planes given in world space, two texture stages. Every call that
// can fail answers false; callers test it (see VK_DX in Renderer.h).
//
// Resources (buffers, textures, surfaces) are owned by whoever created them and must not
// outlive the device; destroying one that is bound unbinds it.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Memory.h"
#include "gfx/Types.h"

namespace vesk::gfx {

// Index16 and Index32 are the widths of index buffers' indices.
enum class Format { Unknown, A8R8G8B8, X8R8G8B8, R8G8B8, D24S8, D16, Index16, Index32 };

enum class Pool { Default, Managed, SystemMemory };

enum Usage : std::uint32_t {
  USAGE_NONE = 0,
  USAGE_RENDER_TARGET = 1,
  USAGE_DEPTH_STENCIL = 2,
  USAGE_WRITE_ONLY = 8,
  USAGE_DYNAMIC = 0x200,
};

enum LockFlags : std::uint32_t {
  LOCK_NONE = 0,
  LOCK_READ_ONLY = 0x10,
  LOCK_DISCARD = 0x2000,  // the previous contents may be dropped
};

// Flexible vertex format: which fields a vertex holds, in this order. FVF_TEX1 and FVF_TEX2
// are counts of two-float coordinate sets (one or two), not flags to combine.
enum Fvf : std::uint32_t {
  FVF_XYZ = 0x002,
  FVF_NORMAL = 0x010,
  FVF_PSIZE = 0x020,
  FVF_DIFFUSE = 0x040,
  FVF_SPECULAR = 0x080,
  FVF_TEX1 = 0x100,
  FVF_TEX2 = 0x200,
};
// The size in bytes of one vertex of a format.
std::uint32_t fvfStride(std::uint32_t fvf);

enum class Primitive {
  PointList = 1,
  LineList,
  LineStrip,
  TriangleList,
  TriangleStrip,
  TriangleFan
};

enum class TransformType { World, View, Projection, Texture0, Texture1 };

enum ClearFlags : std::uint32_t { CLEAR_TARGET = 1, CLEAR_ZBUFFER = 2, CLEAR_STENCIL = 4 };

enum class Compare : std::uint32_t {
  Never = 1,
  Less,
  Equal,
  LessEqual,
  Greater,
  NotEqual,
  GreaterEqual,
  Always
};
enum class Blend : std::uint32_t {
  Zero = 1,
  One,
  SrcColor,
  InvSrcColor,
  SrcAlpha,
  InvSrcAlpha,
  DestAlpha,
  InvDestAlpha,
  DestColor,
  InvDestColor,
  SrcAlphaSat
};
enum class StencilOp : std::uint32_t {
  Keep = 1,
  Zero,
  Replace,
  IncrSat,
  DecrSat,
  Invert,
  Incr,
  Decr
};
enum class Cull : std::uint32_t { None = 1, Clockwise, CounterClockwise };
enum class Fill : std::uint32_t { Point = 1, Wireframe, Solid };
enum class Shade : std::uint32_t { Flat = 1, Gouraud };
enum class FogMode : std::uint32_t { None = 0, Exp, Exp2, Linear };

// Render states; values are booleans (0/1), the enums above, ARGB words, or floats given
// through `floatState` (their bits, as the classic device takes them).
enum class RenderState {
  ZEnable,            // bool
  ZWriteEnable,       // bool
  ZFunc,              // Compare
  FillMode,           // Fill
  ShadeMode,          // Shade
  CullMode,           // Cull
  Lighting,           // bool
  SpecularEnable,     // bool
  Ambient,            // ARGB global ambient
  AlphaBlendEnable,   // bool
  SrcBlend,           // Blend
  DestBlend,          // Blend
  AlphaTestEnable,    // bool
  AlphaRef,           // 0..255
  AlphaFunc,          // Compare
  StencilEnable,      // bool
  StencilFail,        // StencilOp
  StencilZFail,       // StencilOp
  StencilPass,        // StencilOp
  StencilFunc,        // Compare
  StencilRef,         // int
  StencilMask,        // bits
  StencilWriteMask,   // bits
  FogEnable,          // bool
  FogColor,           // ARGB (alpha ignored)
  FogTableMode,       // FogMode
  FogVertexMode,      // FogMode
  FogStart,           // float
  FogEnd,             // float
  FogDensity,         // float
  RangeFogEnable,     // bool
  PointSpriteEnable,  // bool
  PointScaleEnable,   // bool
  PointSize,          // float
  PointSizeMin,       // float
  PointScaleA,        // float
  PointScaleB,        // float
  PointScaleC,        // float
  ClipPlaneEnable,    // bit i enables plane i
  ColorWriteEnable,   // bool: writes to the colour buffer
  Count
};
constexpr std::uint32_t floatState(float value) {
  return std::bit_cast<std::uint32_t>(value);
}
// The float a state word holds (the inverse of `floatState`).
constexpr float stateFloat(std::uint32_t bits) {
  return std::bit_cast<float>(bits);
}

enum class TextureOp : std::uint32_t {
  Disable = 1,
  SelectArg1,
  SelectArg2,
  Modulate,
  Modulate2x,
  Modulate4x,
  Add,
  AddSigned
};
enum class TextureArg : std::uint32_t { Diffuse = 0, Current = 1, Texture = 2 };
enum class TextureFilter : std::uint32_t { None = 0, Point, Linear };

// Texture coordinate index: the UV set, or generated from camera-space normals.
enum TexCoordIndex : std::uint32_t { TCI_CAMERA_SPACE_NORMAL = 0x10000 };
// Texture transform flags: off, or how many coordinates the texture matrix produces.
enum TextureTransform : std::uint32_t { TTFF_DISABLE = 0, TTFF_COUNT2 = 2 };

enum class StageState {
  ColorOp,         // TextureOp
  ColorArg1,       // TextureArg
  ColorArg2,       // TextureArg
  AlphaOp,         // TextureOp
  AlphaArg1,       // TextureArg
  AlphaArg2,       // TextureArg
  TexCoordIndex,   // set number | TCI_CAMERA_SPACE_NORMAL
  TransformFlags,  // TextureTransform
  MagFilter,       // TextureFilter
  MinFilter,       // TextureFilter
  MipFilter,       // TextureFilter
  Count
};

inline constexpr int kStageCount = 2;
inline constexpr int kLightSlots = 8;  // lights beyond this are accepted and ignored
inline constexpr int kClipPlanes = 6;

struct ViewportRect {
  std::uint32_t x = 0, y = 0, width = 0, height = 0;
  float minZ = 0, maxZ = 1;
  bool operator==(const ViewportRect&) const = default;
};

struct MaterialValues {
  ColorValue diffuse, ambient, specular, emissive;
  float power = 0;
  bool operator==(const MaterialValues&) const = default;
};

enum class LightType : std::uint32_t { Point = 1, Spot, Directional };

struct LightValues {
  LightType type = LightType::Point;
  ColorValue diffuse, specular, ambient;
  Vector3 position, direction;  // world space
  float range = 0, falloff = 0;
  float attenuation0 = 1, attenuation1 = 0, attenuation2 = 0;
  float theta = 0, phi = 0;
  bool operator==(const LightValues&) const = default;
};

struct LockedRect {
  void* bits = nullptr;
  int pitch = 0;  // bytes from one row to the next
};

struct SurfaceDesc {
  Format format = Format::Unknown;
  std::uint32_t width = 0, height = 0;
};

struct GammaRamp {
  std::array<std::uint16_t, 256> red{}, green{}, blue{};
};

struct DisplayMode {
  std::uint32_t width = 0, height = 0, refreshRate = 0;
  Format format = Format::Unknown;
  bool operator==(const DisplayMode&) const = default;
};

class Device;

class VertexBuffer : public TrackedBlock {
 public:
  virtual ~VertexBuffer() = default;
  // Bytes of the buffer from `offset` (0 and size 0: all). Without LOCK_DISCARD the previous
  // contents are kept. Null on failure.
  virtual void* lock(std::uint32_t offset, std::uint32_t size, std::uint32_t flags) = 0;
  virtual bool unlock() = 0;
  virtual std::uint32_t size() const = 0;
};

class IndexBuffer : public TrackedBlock {
 public:
  virtual ~IndexBuffer() = default;
  virtual void* lock(std::uint32_t offset, std::uint32_t size, std::uint32_t flags) = 0;
  virtual bool unlock() = 0;
  virtual std::uint32_t size() const = 0;
  // Format::Index16 or Format::Index32.
  virtual Format format() const = 0;
};

// A 2D image: a texture level, the back buffer, a depth-stencil buffer or an image surface in
// system memory. A texture's levels stay owned by the texture. Image surfaces and the levels of
// textures that are not render targets can be locked; the back buffer, render targets and
// depth surfaces cannot (copy them into an image surface with `copyRects`).
class Surface : public TrackedBlock {
 public:
  virtual ~Surface() = default;
  virtual SurfaceDesc desc() const = 0;
  // Pixels as 32-bit words (A8R8G8B8 / X8R8G8B8), top row first.
  virtual bool lockRect(LockedRect& locked, std::uint32_t flags) = 0;
  virtual bool unlockRect() = 0;
};

class Texture : public TrackedBlock {
 public:
  virtual ~Texture() = default;
  virtual std::uint32_t levelCount() const = 0;
  virtual SurfaceDesc levelDesc(std::uint32_t level) const = 0;
  // The level as a surface (owned by the texture); null when there is no such level.
  virtual Surface* surfaceLevel(std::uint32_t level) = 0;
  bool lockRect(std::uint32_t level, LockedRect& locked, std::uint32_t flags);
  bool unlockRect(std::uint32_t level);
};

// What the device needs from the window system: the default framebuffer's presentation and
// the display's gamma. Implemented by the platform's window (and by tests).
class DeviceHost {
 public:
  virtual ~DeviceHost() = default;
  virtual void swapBuffers() = 0;
  // The size of the default framebuffer that `present` fills.
  virtual void drawableSize(int& width, int& height) = 0;
  virtual bool getGammaRamp(GammaRamp& ramp) = 0;
  virtual bool setGammaRamp(const GammaRamp& ramp) = 0;
  // Presentation waits for `interval` vertical blanks (0: at once). False when the window
  // system refuses; the device goes on without it.
  virtual bool setSwapInterval(int interval) {
    (void)interval;
    return false;
  }
};

struct DeviceParams {
  std::uint32_t width = 640, height = 480;  // back buffer
  bool fullscreen = false;                  // presents with vertical sync
  // Skips OpenGL calls for states that are already set. Off only to measure what it saves.
  bool stateCache = true;
};

struct DeviceCaps {
  bool hardwareTransformAndLight = true;
  bool fullscreenGamma = true;
  std::uint32_t maxTextureSize = 0;
  std::uint32_t maxSamples = 0;  // multisampling the display could offer (0: none)
  // The largest index a draw may use; above 65535, 32-bit index buffers can be made.
  std::uint32_t maxVertexIndex = 0xFFFF;
};

class Device : public TrackedBlock {
 public:
  virtual ~Device() = default;

  virtual DeviceCaps caps() const = 0;

  // Resources.
  virtual Owned<VertexBuffer> createVertexBuffer(std::uint32_t bytes, std::uint32_t usage,
                                                 std::uint32_t fvf, Pool pool) = 0;
  // `format` is Format::Index16 or, when the caps allow more than 65535, Format::Index32.
  virtual Owned<IndexBuffer> createIndexBuffer(std::uint32_t bytes, std::uint32_t usage,
                                               Format format, Pool pool) = 0;
  // 16-bit indices.
  Owned<IndexBuffer> createIndexBuffer(std::uint32_t bytes, std::uint32_t usage, Pool pool) {
    return createIndexBuffer(bytes, usage, Format::Index16, pool);
  }
  // levels 0: the full chain down to 1 × 1.
  virtual Owned<Texture> createTexture(std::uint32_t width, std::uint32_t height,
                                       std::uint32_t levels, std::uint32_t usage, Format format,
                                       Pool pool) = 0;
  virtual Owned<Surface> createDepthStencilSurface(std::uint32_t width, std::uint32_t height,
                                                   Format format) = 0;
  virtual Owned<Surface> createImageSurface(std::uint32_t width, std::uint32_t height,
                                            Format format) = 0;

  // Targets. The back buffer and its depth-stencil buffer belong to the device.
  virtual Surface* backBuffer() = 0;
  virtual Surface* renderTarget() = 0;
  virtual Surface* depthStencilSurface() = 0;
  // Also resets the viewport to the whole target. A null colour surface keeps the current one;
  // a null depth surface draws without one.
  virtual bool setRenderTarget(Surface* color, Surface* depthStencil) = 0;
  // Copies a whole surface into another of the same size (for example the back buffer into
  // an image surface).
  virtual bool copyRects(Surface* source, Surface* destination) = 0;

  // Frame.
  virtual bool beginScene() = 0;
  virtual bool endScene() = 0;
  // Limited to the viewport rectangle; writes whatever the masks say.
  virtual bool clear(std::uint32_t flags, Argb color, float z, std::uint32_t stencil) = 0;
  virtual bool present() = 0;
  virtual bool setViewport(const ViewportRect& viewport) = 0;
  virtual bool getViewport(ViewportRect& viewport) const = 0;

  // State.
  virtual bool setRenderState(RenderState state, std::uint32_t value) = 0;
  virtual std::uint32_t renderState(RenderState state) const = 0;
  virtual bool setTextureStageState(int stage, StageState state, std::uint32_t value) = 0;
  virtual std::uint32_t textureStageState(int stage, StageState state) const = 0;
  virtual bool setTexture(int stage, Texture* texture) = 0;
  virtual bool setTransform(TransformType type, const Matrix& matrix) = 0;
  virtual bool getTransform(TransformType type, Matrix& matrix) const = 0;
  virtual bool setMaterial(const MaterialValues& material) = 0;
  virtual bool setLight(int index, const LightValues& light) = 0;
  virtual bool lightEnable(int index, bool enable) = 0;
  virtual bool setClipPlane(int index, const Plane& plane) = 0;
  virtual bool setVertexFormat(std::uint32_t fvf) = 0;

  // Drawing (only between beginScene and endScene). Per-vertex point sizes (FVF_PSIZE) are
  // stepped over; the point size state applies. As with the classic device, drawPrimitiveUP
  // leaves no vertex buffer set.
  virtual bool setStreamSource(VertexBuffer* buffer, std::uint32_t stride) = 0;
  virtual bool setIndices(IndexBuffer* buffer, std::uint32_t baseVertex) = 0;
  virtual bool drawPrimitive(Primitive type, std::uint32_t startVertex,
                             std::uint32_t primitiveCount) = 0;
  virtual bool drawIndexedPrimitive(Primitive type, std::uint32_t minIndex,
                                    std::uint32_t vertexCount, std::uint32_t startIndex,
                                    std::uint32_t primitiveCount) = 0;
  virtual bool drawPrimitiveUP(Primitive type, std::uint32_t primitiveCount, const void* vertices,
                               std::uint32_t stride) = 0;

  // Gamma of the display (three channels of 256 16-bit entries).
  virtual bool getGammaRamp(GammaRamp& ramp) = 0;
  virtual bool setGammaRamp(const GammaRamp& ramp) = 0;

  // How many OpenGL calls the device has made (for the benchmarks of the state cache).
  virtual std::uint64_t apiCalls() const = 0;
  // Wall time spent inside OpenGL (its calls and the buffer swap) while timing is on, for the
  // show benchmark. Timing costs a clock reading per call, so it is off unless asked for.
  virtual void timeApiCalls(bool /*on*/) {}
  virtual std::uint64_t apiNanoseconds() const { return 0; }
};

// Creates the OpenGL device in the current OpenGL context: a compatibility profile with
// framebuffer objects, clip control, sampler objects, BGRA vertex colours and the provoking
// vertex (OpenGL 4.5 has them all). Null, with a log line, when the context lacks one. The
// device takes over the context's state; destroy it before the context.
Owned<Device> createGlDevice(DeviceHost& host, const DeviceParams& params);

}  // namespace vesk::gfx
