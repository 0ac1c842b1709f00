#include "gfx/GlTables.h"

namespace vesk::gfx {

GLenum glCompare(std::uint32_t compare) {
  static constexpr GLenum kCompare[] = {GL_NEVER,   GL_LESS,     GL_EQUAL,  GL_LEQUAL,
                                        GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
  return kCompare[compare - 1];
}

GLenum glBlend(std::uint32_t blend) {
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
  return kBlend[blend - 1];
}

GLenum glStencilOperation(std::uint32_t operation) {
  static constexpr GLenum kOps[] = {GL_KEEP, GL_ZERO,   GL_REPLACE,   GL_INCR,
                                    GL_DECR, GL_INVERT, GL_INCR_WRAP, GL_DECR_WRAP};
  return kOps[operation - 1];
}

GLenum glFill(std::uint32_t fill) {
  static constexpr GLenum kFill[] = {GL_POINT, GL_LINE, GL_FILL};
  return kFill[fill - 1];
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

namespace {

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

}  // namespace

GlCombiner glCombiner(std::uint32_t operation, std::uint32_t argument1, std::uint32_t argument2) {
  GlCombiner combiner{GL_MODULATE, glSource(argument1), glSource(argument2), 1};
  switch (static_cast<TextureOp>(operation)) {
    case TextureOp::Disable:  // only the alpha gets here: it passes through
      combiner.mode = GL_REPLACE;
      combiner.source0 = GL_PREVIOUS;
      break;
    case TextureOp::SelectArg1:
      combiner.mode = GL_REPLACE;
      break;
    case TextureOp::SelectArg2:
      combiner.mode = GL_REPLACE;
      combiner.source0 = combiner.source1;
      break;
    case TextureOp::Modulate:
      break;
    case TextureOp::Modulate2x:
      combiner.scale = 2;
      break;
    case TextureOp::Modulate4x:
      combiner.scale = 4;
      break;
    case TextureOp::Add:
      combiner.mode = GL_ADD;
      break;
    case TextureOp::AddSigned:
      combiner.mode = GL_ADD_SIGNED;
      break;
  }
  return combiner;
}

// The classic device feeds two-component coordinates as (u, v, 1), OpenGL as (s, t, 0, 1): the
// third row moves to the fourth. Camera-space normals are (x, y, z, 1) in both. The classic
// device never divides by the fourth output unless asked to project, so OpenGL's q is kept at 1.
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

}  // namespace vesk::gfx
