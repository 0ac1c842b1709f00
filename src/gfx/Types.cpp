#include "gfx/Types.h"

#include "gfx/Device.h"

namespace vesk {

Matrix operator*(const Matrix& a, const Matrix& b) {
  Matrix product;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      float sum = 0;
      for (int k = 0; k < 4; ++k)
        sum += a.m[row][k] * b.m[k][column];
      product.m[row][column] = sum;
    }
  }
  return product;
}

namespace gfx {

std::uint32_t fvfStride(std::uint32_t fvf) {
  std::uint32_t stride = 0;
  if (fvf & FVF_XYZ) stride += 12;
  if (fvf & FVF_NORMAL) stride += 12;
  if (fvf & FVF_PSIZE) stride += 4;
  if (fvf & FVF_DIFFUSE) stride += 4;
  if (fvf & FVF_SPECULAR) stride += 4;
  // The texture field is a count of two-float coordinate sets, not a set of flags.
  stride += 8 * ((fvf >> 8) & 0xF);
  return stride;
}

bool Texture::lockRect(std::uint32_t level, LockedRect& locked, std::uint32_t flags) {
  Surface* surface = surfaceLevel(level);
  return surface && surface->lockRect(locked, flags);
}

bool Texture::unlockRect(std::uint32_t level) {
  Surface* surface = surfaceLevel(level);
  return surface && surface->unlockRect();
}

}  // namespace gfx
}  // namespace vesk
