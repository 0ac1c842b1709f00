// OpenGL's names for the interface's values: comparisons, blend factors, stencil operations,
// fill modes, primitives, texture combiners, colours and the texture matrix as OpenGL applies
// it. Pure functions of their arguments: they need no context.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

#include "gfx/Device.h"

namespace vesk::gfx {

// The enumerations' values, already checked (the tables start at 1 as the enumerations do).
GLenum glCompare(std::uint32_t compare);
GLenum glBlend(std::uint32_t blend);
GLenum glStencilOperation(std::uint32_t operation);
GLenum glFill(std::uint32_t fill);
GLenum glPrimitive(Primitive type);

// The number of vertices `count` primitives use; false for an unknown primitive type.
bool verticesOf(Primitive type, std::uint32_t count, std::uint64_t& vertices);

// One combiner function (colour or alpha) of a texture unit.
struct GlCombiner {
  GLint mode = -1, source0 = -1, source1 = -1;
  GLfloat scale = -1;
};

// The combiner function of a stage operation on two arguments (TextureOp, TextureArg).
GlCombiner glCombiner(std::uint32_t operation, std::uint32_t argument1, std::uint32_t argument2);

// The texture matrix as OpenGL applies it to a stage's coordinates (`normals`: camera-space
// normals rather than a UV set).
Matrix glTextureMatrix(const Matrix& matrix, bool normals);

void toFloats(const ColorValue& color, GLfloat out[4]);
// An ARGB word as red, green, blue, alpha from 0 to 1.
void toFloats(Argb color, GLfloat out[4]);

}  // namespace vesk::gfx
