// The device's draws: the vertex format and streams, the checks that keep OpenGL from reading
// past a buffer, the gathered states and the vertex arrays sent before a draw.
#include "gfx/GlDevice.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/Text.h"
#include "gfx/GlTables.h"

namespace vesk::gfx {

namespace {

// The largest of `count` indices of width T from `first` (the copy in memory is read).
template <class T>
std::uint32_t highestIndex(const GlIndexBuffer& buffer, std::uint64_t first, std::uint64_t count) {
  const auto* indices = reinterpret_cast<const T*>(buffer.bytes()) + first;
  T highest = 0;
  for (std::uint64_t i = 0; i < count; ++i)
    highest = std::max(highest, indices[i]);
  return highest;
}

}  // namespace

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

void GlDevice::setupArrays(GLuint buffer, std::uintptr_t base, std::uint32_t stride) {
  GlStateCache::Arrays want;
  want.buffer = buffer;
  want.base = base;
  want.stride = stride;
  want.fvf = _fvf;
  for (int unit = 0; unit < kStageCount; ++unit) {
    want.coordinateIndex[unit] = ss(unit, StageState::TexCoordIndex);
  }
  want.valid = true;
  _dirty &= ~DIRTY_ARRAYS;
  if (cached(_state.arrays == want)) return;
  _state.bindBuffer(GL_ARRAY_BUFFER, buffer);
  // With a buffer bound the "pointers" are offsets into it.
  auto at = [&](std::uint32_t offset) { return reinterpret_cast<const void*>(base + offset); };
  GLsizei s = static_cast<GLsizei>(stride);
  std::uint32_t offset = 0;
  _gl(glVertexPointer, 3, GL_FLOAT, s, at(offset));
  _state.setClientArray(GL_VERTEX_ARRAY, true);
  offset += 12;
  if (_fvf & FVF_NORMAL) {
    _gl(glNormalPointer, GL_FLOAT, s, at(offset));
    offset += 12;
  }
  _state.setClientArray(GL_NORMAL_ARRAY, (_fvf & FVF_NORMAL) != 0);
  if (_fvf & FVF_PSIZE) offset += 4;
  // Colours are ARGB words, that is B, G, R, A in memory.
  if (_fvf & FVF_DIFFUSE) {
    _gl(glColorPointer, GL_BGRA, GL_UNSIGNED_BYTE, s, at(offset));
    offset += 4;
  }
  _state.setClientArray(GL_COLOR_ARRAY, (_fvf & FVF_DIFFUSE) != 0);
  if (_fvf & FVF_SPECULAR) {
    _gl(glSecondaryColorPointer, GL_BGRA, GL_UNSIGNED_BYTE, s, at(offset));
    offset += 4;
  }
  _state.setClientArray(GL_SECONDARY_COLOR_ARRAY, (_fvf & FVF_SPECULAR) != 0);
  std::uint32_t sets = (_fvf >> 8) & 0xF;
  for (int unit = 0; unit < kStageCount; ++unit) {
    std::uint32_t index = want.coordinateIndex[unit];
    bool fromSet = !(index & TCI_CAMERA_SPACE_NORMAL) && (index & 0xFFFF) < sets;
    if (fromSet) {
      _state.clientUnit(unit);
      _gl(glTexCoordPointer, 2, GL_FLOAT, s, at(offset + 8 * (index & 0xFFFF)));
    }
    _state.setClientArray(GL_TEXTURE_COORD_ARRAY, fromSet, unit);
  }
  _state.arrays = want;
}

bool GlDevice::prepareDraw(Primitive type) {
  if (!_inScene) return fail("drawing outside beginScene and endScene");
  if (!_fvf) return fail("drawing without a vertex format");
  _state.bindDrawFramebuffer(_drawFramebuffer);
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
  bool colors = (_fvf & FVF_DIFFUSE) != 0;
  _state.forgetCurrent(colors, (_fvf & FVF_NORMAL) != 0);
  if (colors) _state.materialDiffuseKept = false;
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
  if (scaledPoints(type)) {
    drawScaledPoints(_stream->bytes(), startVertex, vertices, _stride);
  } else {
    _gl(glDrawArrays, glPrimitive(type), static_cast<GLint>(startVertex),
        static_cast<GLsizei>(vertices));
  }
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
  const std::uint64_t indexCount = _indices->indexCount();
  if (startIndex + count > indexCount) {
    return fail(str("drawIndexedPrimitive reads ", startIndex + count, " indices of ", indexCount));
  }
  // Every index must name a vertex of the buffer: OpenGL would read past its end.
  std::uint64_t available = _stream->size() / _stride;
  if (_baseVertex >= available) return fail("the base vertex lies past the vertex buffer");
  const std::uint32_t highest = _indices->wide()
                                    ? highestIndex<std::uint32_t>(*_indices, startIndex, count)
                                    : highestIndex<std::uint16_t>(*_indices, startIndex, count);
  if (highest > _caps.maxVertexIndex) {
    return fail(str("index ", highest, " is above the largest the device takes"));
  }
  if (_baseVertex + std::uint64_t{highest} >= available) {
    return fail(str("index ", highest, " lies past the vertex buffer"));
  }
  if (!prepareDraw(type)) return false;
  // The base vertex moves the arrays' start rather than every index.
  setupArrays(_stream->name(), std::uintptr_t{_baseVertex} * _stride, _stride);
  _state.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, _indices->name());
  _gl(glDrawElements, glPrimitive(type), static_cast<GLsizei>(count),
      _indices->wide() ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
      reinterpret_cast<const void*>(std::uintptr_t{startIndex} * _indices->indexBytes()));
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
  if (scaledPoints(type)) {
    drawScaledPoints(static_cast<const std::uint8_t*>(vertices), 0, count, stride);
  } else {
    _gl(glDrawArrays, glPrimitive(type), 0, static_cast<GLsizei>(count));
  }
  return finishDraw("drawPrimitiveUP");
}

bool GlDevice::scaledPoints(Primitive type) const {
  return type == Primitive::PointList && rs(RenderState::PointScaleEnable);
}

void GlDevice::drawScaledPoints(const std::uint8_t* vertices, std::uint64_t first,
                                std::uint64_t count, std::uint32_t stride) {
  // The classic size is viewport height × size × sqrt(1 / (A + B·d + C·d²)) with d the distance
  // from the eye. OpenGL's attenuation takes the depth along the view axis instead (on Mesa),
  // which makes points off the centre of view too large; so each point is drawn alone at the
  // size its own distance gives. Scaled points are few (sprites).
  const Matrix toEye = _world * _view;
  const float height = static_cast<float>(std::max(1u, _viewport.height));
  const float size = rsFloat(RenderState::PointSize);
  const float minimum = std::max(0.0f, rsFloat(RenderState::PointSizeMin));
  const float a = rsFloat(RenderState::PointScaleA), b = rsFloat(RenderState::PointScaleB),
              c = rsFloat(RenderState::PointScaleC);
  _state.pointAttenuation({1, 0, 0});
  for (std::uint64_t i = first; i < first + count; ++i) {
    float p[3];
    std::memcpy(p, vertices + i * stride, sizeof p);
    float eye[3];
    for (int column = 0; column < 3; ++column) {
      eye[column] = p[0] * toEye.m[0][column] + p[1] * toEye.m[1][column] +
                    p[2] * toEye.m[2][column] + toEye.m[3][column];
    }
    const float d = std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2]);
    const float denominator = a + b * d + c * d * d;
    float pixels = height * size * (denominator > 0 ? std::sqrt(1 / denominator) : 1.0f);
    pixels = std::max(pixels, minimum);
    if (!(pixels > 0)) pixels = 1.0f / 64;  // OpenGL refuses 0
    _state.pointSize(pixels);
    _gl(glDrawArrays, GL_POINTS, static_cast<GLint>(i), 1);
  }
  // The next draw sends the states' own size and attenuation again.
  _dirty |= DIRTY_POINTS;
}

}  // namespace vesk::gfx
