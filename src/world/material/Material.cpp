#include "world/material/Material.h"

#include <algorithm>
#include <string>

#include "base/Diagnosis.h"
#include "world/material/PicturePrefetch.h"
#include "world/material/Texture.h"

namespace vesk {

// One texture descriptor of a material record.
struct TextureRecord {
  bool colourKey = false;
  std::string fileName;
  bool animated = false;
  float framesPerSecond = 0;
  std::int32_t frameCount = 0;
  std::int32_t channel = 1;
};

namespace {

// The diffuse maps a record may hold: the diffuse map, then the light map.
constexpr std::int32_t kMaxDiffuseMaps = 2;
constexpr float kPowerPerGlossiness = 128.0f;
// The power of a material made without a record.
constexpr float kDefaultPower = 30.0f;

// False when the record ran past the end of the file (already reported).
bool readTexture(BinaryInput& in, TextureRecord& record) {
  in >> record.colourKey >> record.fileName >> record.animated >> record.framesPerSecond >>
      record.frameCount >> record.channel;
  return !in.failed();
}

// The fixed part of a material record.
struct RecordHead {
  float diffuse[3], ambient[3], specular[3], emissive[3];
  float specularLevel = 0, glossiness = 0, opacity = 0;
  std::int32_t diffuseMaps = 0;
  bool hasTransparency = false, hasEnvironment = false, hasAdditiveEnvironment = false;
};

bool readHead(BinaryInput& in, RecordHead& head) {
  char reserved = 0;
  in >> reserved >> head.diffuse[0] >> head.diffuse[1] >> head.diffuse[2] >> head.ambient[0] >>
      head.ambient[1] >> head.ambient[2] >> head.specular[0] >> head.specular[1] >>
      head.specular[2] >> head.specularLevel >> head.glossiness >> head.opacity >>
      head.emissive[0] >> head.emissive[1] >> head.emissive[2] >> head.diffuseMaps >>
      head.hasTransparency >> head.hasEnvironment >> head.hasAdditiveEnvironment;
  return !in.failed();
}

// The record's texture descriptors in file order, each with the kind it is loaded as:
// `use(record, kind)` answers false to stop. False when the record is truncated or `use` stops.
template <class Use>
bool readTextures(BinaryInput& in, const RecordHead& head, Use use) {
  TextureRecord record;
  for (std::int32_t i = 0; i < std::min(head.diffuseMaps, kMaxDiffuseMaps); ++i) {
    if (!readTexture(in, record) || !use(record, i == 0 ? VK_DIFFUSE : VK_LIGHTMAP)) return false;
  }
  // The maps past the second are passed over, so that the rest of the file is read from where
  // it really continues.
  for (std::int32_t i = kMaxDiffuseMaps; i < head.diffuseMaps; ++i) {
    if (!readTexture(in, record)) return false;
  }
  if (head.hasTransparency && !(readTexture(in, record) && use(record, VK_TRANSPARENT))) {
    return false;
  }
  if (head.hasEnvironment && !(readTexture(in, record) && use(record, VK_ENVIRONMENT))) {
    return false;
  }
  if (head.hasAdditiveEnvironment &&
      !(readTexture(in, record) && use(record, VK_ADDITIVE_ENVIRONMENT))) {
    return false;
  }
  return true;
}

// A descriptor `load` refuses: the animation fields disagree.
bool incoherent(const TextureRecord& record) {
  return record.animated ? record.frameCount <= 1 : record.frameCount != 0;
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
  RecordHead head;
  if (!readHead(in, head)) return false;

  _material.diffuse = colour(head.diffuse[0], head.diffuse[1], head.diffuse[2], head.opacity);
  _loadedOpacity = _material.diffuse.a;
  _material.ambient = colour(head.ambient[0], head.ambient[1], head.ambient[2]);
  _material.specular =
      colour(head.specular[0] * head.specularLevel, head.specular[1] * head.specularLevel,
             head.specular[2] * head.specularLevel);
  _material.emissive = colour(head.emissive[0], head.emissive[1], head.emissive[2]);
  _material.power = head.glossiness * kPowerPerGlossiness;

  VK_ASSERT(head.diffuseMaps <= kMaxDiffuseMaps, "nDiffuseMaps <= 2",
            "No more than 2 diffuse maps are currently supported");
  return readTextures(in, head, [&](const TextureRecord& record, int kind) {
    if (kind != VK_TRANSPARENT) return loadTexture(record, kind, nullptr);
    // The transparency map takes the diffuse map's colours and replaces it.
    ComplexTexture* partner = head.diffuseMaps > 0 ? _textures.front().get() : nullptr;
    if (!loadTexture(record, VK_TRANSPARENT, partner)) return false;
    if (partner) _textures.erase(_textures.begin());
    return true;
  });
}

bool Material::loadTexture(const TextureRecord& record, int kind, ComplexTexture* partner) {
  if (incoherent(record)) {
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

bool Material::pictureRequests(BinaryInput& in, std::vector<PictureRequest>& requests) {
  RecordHead head;
  if (!readHead(in, head)) return false;
  std::size_t textures = 0;
  return readTextures(in, head, [&](const TextureRecord& record, int kind) {
    // As load: a refused descriptor ends the scene, a transparency map replaces its partner.
    if (incoherent(record) || textures == kMaxTextures) return false;
    if (!(kind == VK_TRANSPARENT && head.diffuseMaps > 0)) ++textures;
    for (std::string& file :
         ComplexTexture::frameFiles(record.fileName, std::max(record.frameCount, 1)))
      requests.push_back({std::move(file), record.colourKey, kind});
    return true;
  });
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
