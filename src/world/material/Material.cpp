#include "world/material/Material.h"

#include <algorithm>
#include <string>

#include "base/Diagnosis.h"
#include "world/material/Texture.h"

namespace vesk {

namespace {

// The diffuse maps a record may hold: the diffuse map, then the light map.
constexpr std::int32_t kMaxDiffuseMaps = 2;
constexpr float kPowerPerGlossiness = 128.0f;
// The power of a material made without a record.
constexpr float kDefaultPower = 30.0f;

// One texture descriptor of a material record.
struct TextureRecord {
  bool colourKey = false;
  std::string fileName;
  bool animated = false;
  float framesPerSecond = 0;
  std::int32_t frameCount = 0;
  std::int32_t channel = 1;
};

// False when the record ran past the end of the file (already reported).
bool readTexture(BinaryInput& in, TextureRecord& record) {
  in >> record.colourKey >> record.fileName >> record.animated >> record.framesPerSecond >>
      record.frameCount >> record.channel;
  return !in.failed();
}

ColorValue colour(float r, float g, float b, float a = 1.0f) {
  return {r, g, b, a};
}

}  // namespace

Material::Material(std::uint32_t bank) : _bank(bank) {
  _material.diffuse = colour(1, 1, 1);
  _material.ambient = colour(0.3f, 0.3f, 0.3f);
  _material.specular = colour(1, 1, 1);
  _material.emissive = colour(0, 0, 0);
  _material.power = kDefaultPower;
}

bool Material::load(BinaryInput& in) {
  char reserved = 0;
  float diffuse[3], ambient[3], specular[3], emissive[3];
  float specularLevel = 0, glossiness = 0, opacity = 0;
  std::int32_t diffuseMaps = 0;
  bool hasTransparency = false, hasEnvironment = false, hasAdditiveEnvironment = false;
  in >> reserved >> diffuse[0] >> diffuse[1] >> diffuse[2] >> ambient[0] >> ambient[1] >>
      ambient[2] >> specular[0] >> specular[1] >> specular[2] >> specularLevel >> glossiness >>
      opacity >> emissive[0] >> emissive[1] >> emissive[2] >> diffuseMaps >> hasTransparency >>
      hasEnvironment >> hasAdditiveEnvironment;
  if (in.failed()) return false;

  _material.diffuse = colour(diffuse[0], diffuse[1], diffuse[2], opacity);
  _loadedOpacity = _material.diffuse.a;
  _material.ambient = colour(ambient[0], ambient[1], ambient[2]);
  _material.specular =
      colour(specular[0] * specularLevel, specular[1] * specularLevel, specular[2] * specularLevel);
  _material.emissive = colour(emissive[0], emissive[1], emissive[2]);
  _material.power = glossiness * kPowerPerGlossiness;

  VK_ASSERT(diffuseMaps <= kMaxDiffuseMaps, "nDiffuseMaps <= 2",
            "No more than 2 diffuse maps are currently supported");
  for (std::int32_t i = 0; i < std::min(diffuseMaps, kMaxDiffuseMaps); ++i) {
    if (!loadTexture(in, i == 0 ? VK_DIFFUSE : VK_LIGHTMAP, nullptr)) return false;
  }
  // The maps past the second are passed over, so that the rest of the file is read from where
  // it really continues.
  TextureRecord ignored;
  for (std::int32_t i = kMaxDiffuseMaps; i < diffuseMaps; ++i) {
    if (!readTexture(in, ignored)) return false;
  }

  if (hasTransparency) {
    // The transparency map takes the diffuse map's colours and replaces it.
    ComplexTexture* partner = diffuseMaps > 0 ? _textures.front().get() : nullptr;
    if (!loadTexture(in, VK_TRANSPARENT, partner)) return false;
    if (partner) _textures.erase(_textures.begin());
  }
  if (hasEnvironment && !loadTexture(in, VK_ENVIRONMENT, nullptr)) return false;
  if (hasAdditiveEnvironment && !loadTexture(in, VK_ADDITIVE_ENVIRONMENT, nullptr)) return false;
  return true;
}

bool Material::loadTexture(BinaryInput& in, int kind, ComplexTexture* partner) {
  TextureRecord record;
  if (!readTexture(in, record)) return false;
  if (record.animated ? record.frameCount <= 1 : record.frameCount != 0) {
    fatal("Problem while loading complex textures : animation parameters are not coherent", here());
    return false;
  }
  if (_textures.size() >= kMaxTextures) {
    fatal("Material: multitexturing using more than 2 textures", here());
    return false;
  }
  const std::int32_t frameCount = std::max(record.frameCount, 1);
  _textures.push_back(make<ComplexTexture>(here(), _bank, record.fileName, record.channel, kind,
                                           record.colourKey, frameCount, record.framesPerSecond,
                                           partner));
  return !quitRequested();
}

bool Material::needsSorting() const {
  if (_material.diffuse.a != 1.0f) return true;
  return std::any_of(_textures.begin(), _textures.end(), [](const Owned<ComplexTexture>& texture) {
    return texture->kind() == VK_TRANSPARENT || texture->kind() == VK_ADDITIVE_ENVIRONMENT;
  });
}

void Material::begin(DrawContext& context, Scene* /*scene*/, Camera* /*camera*/) {
  gfx::Device* device = context.device;
  if (_twoSided) {
    VK_DX(device->setRenderState(gfx::RenderState::CullMode, stateWord(gfx::Cull::None)));
  }
  gfx::MaterialValues drawn = _material;
  drawn.diffuse.a *= context.fadeFactor * context.layerAlpha;
  VK_DX(device->setMaterial(drawn));
  if (_textures.empty()) VK_DX(device->setTexture(0, nullptr));
  for (std::size_t stage = 0; stage < _textures.size(); ++stage) {
    _textures[stage]->apply(static_cast<int>(stage), 0);
  }
}

void Material::end(DrawContext& context, Scene* /*scene*/, Camera* /*camera*/) {
  gfx::Device* device = context.device;
  if (_twoSided) {
    VK_DX(device->setRenderState(gfx::RenderState::CullMode, stateWord(context.currentCullMode)));
  }
  if (_textures.empty()) {
    VK_DX(device->setTextureStageState(0, gfx::StageState::ColorOp,
                                       stateWord(gfx::TextureOp::Modulate)));
  }
  for (std::size_t stage = 0; stage < _textures.size(); ++stage) {
    _textures[stage]->unapply(static_cast<int>(stage), 0);
  }
}

}  // namespace vesk
