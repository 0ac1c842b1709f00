// What a material or a picture layer puts on a texture stage: one or more frames (shared
// textures, animated at a fixed rate by the show clock), a kind that decides how the stage
// combines them with what lies below, the texture coordinate set, and an optional texture
// matrix. The frames belong to a bank of the ResourceCache; this object only borrows them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Memory.h"
#include "render/DXObject.h"

namespace vesk {

class Texture;

class ComplexTexture : public DXObject, public MemoryItem {
 public:
  using MemoryItem::operator new;
  using MemoryItem::operator delete;

  // The most frames an animated texture has: 400 seconds at 25 frames per second.
  static constexpr int kMaxFrameCount = 10000;

  // Frame 0 is `fileName`; frame i of an animated texture is the file named i followed by
  // `fileName` ("2" + F for frame 2 of F). `channel` (1 or 2) is the UV set. A transparency
  // map (kind 2) may take a diffuse partner, whose frame i is merged into frame i. A frame
  // count below 0 or above kMaxFrameCount is an assertion and loads frame 0 alone.
  ComplexTexture(std::uint32_t bank, std::string_view fileName, int channel, int kind,
                 bool colourKey, int frameCount, float framesPerSecond, ComplexTexture* diffuse);
  ~ComplexTexture() override = default;
  ComplexTexture(const ComplexTexture&) = delete;
  ComplexTexture& operator=(const ComplexTexture&) = delete;

  // The files of the frames loaded for that frame count, in order (frame 0 first).
  static std::vector<std::string> frameFiles(std::string_view fileName, int frameCount);

  // Puts the current frame on stage 0 or 1 and sets the stage up for the kind (`kind` 0: the
  // texture's own kind).
  void apply(int stage, int kind);
  // Undoes `apply`; the stage's texture is left in place.
  void unapply(int stage, int kind);

  // The frame shown at the current show time.
  std::size_t currentFrame() const;

  // A texture matrix for the stage while applied (turned on by setting one).
  void setTextureMatrix(const Matrix& matrix);
  void clearTextureMatrix() { _useTextureMatrix = false; }

  const std::vector<Texture*>& frames() const { return _frames; }
  int kind() const { return _kind; }
  float framesPerSecond() const { return _framesPerSecond; }
  bool colourKey() const { return _colourKey; }
  int texCoordSet() const { return _texCoordSet; }

  // Maps a camera-space normal (x, y) to the texture point (0.5 + 0.5x, 0.5 − 0.5y).
  static const Matrix& environmentMatrix();

 private:
  // The stage's texture transform for the environment map.
  void setUpEnvironment(int stage);
  // False (after the assertions) when there is nothing to apply or no such stage.
  bool checkApply(int stage) const;
  void setTextureTransform(int stage, const Matrix& matrix);

  std::vector<Texture*> _frames;
  int _kind;
  float _framesPerSecond;
  bool _useTextureMatrix = false;
  bool _colourKey;
  Matrix _textureMatrix;
  int _texCoordSet = 0;
};

}  // namespace vesk
