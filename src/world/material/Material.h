// A material of a scene: the device material its nodes are lit with, and at most two textures
// (the first on stage 0, the second on stage 1) loaded into its scene's bank of the
// ResourceCache. It reads itself from a material record of the scene file.
#pragma once

#include <cstdint>
#include <vector>

#include "base/BinaryInput.h"
#include "world/material/ComplexTexture.h"
#include "world/material/Shader.h"

namespace vesk {

struct PictureRequest;
struct TextureRecord;

class Material : public Shader {
 public:
  // The textures a device can combine: one per texture stage.
  static constexpr std::size_t kMaxTextures = 2;

  // Defaults until a record is read: white diffuse, grey ambient, white specular, no emission,
  // power 30; enabled; no textures.
  explicit Material(std::uint32_t bank);
  ~Material() override = default;

  // Fills the material from one material record. False when the record is truncated or
  // inconsistent (after its error): the scene stops loading.
  bool load(BinaryInput& in);
  // The textures `load` asks the cache for, in order, for the record at the reader's position
  // (every frame of an animated one), appended to `requests`; nothing is loaded. False when
  // the record is truncated or `load` would stop at it.
  static bool pictureRequests(BinaryInput& in, std::vector<PictureRequest>& requests);

  // True when the diffuse alpha is not 1 or a texture is a transparency or additive
  // environment map.
  bool needsSorting() const override;
  void begin(DrawContext& context, Scene* scene, Camera* camera) override;
  void end(DrawContext& context, Scene* scene, Camera* camera) override;

  const gfx::MaterialValues& values() const { return _material; }
  // The diffuse alpha; an opacity controller animates it.
  float opacity() const { return _material.diffuse.a; }
  void setOpacity(float opacity) { _material.diffuse.a = opacity; }
  // The opacity the record gave.
  void restoreOpacity() { _material.diffuse.a = _loadedOpacity; }
  // No record sets it; while set, culling is off during the material's drawing.
  bool twoSided() const { return _twoSided; }
  void setTwoSided(bool twoSided) { _twoSided = twoSided; }
  const std::vector<Owned<ComplexTexture>>& textures() const { return _textures; }

 private:
  // Appends the texture of a descriptor as `kind`. False after an error.
  bool loadTexture(const TextureRecord& record, int kind, ComplexTexture* partner);

  gfx::MaterialValues _material;
  std::uint32_t _bank;
  bool _twoSided = false;
  float _loadedOpacity = 1;
  std::vector<Owned<ComplexTexture>> _textures;
};

}  // namespace vesk
