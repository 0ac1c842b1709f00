#include "world/material/ResourceCache.h"

#include "base/Diagnosis.h"
#include "base/File.h"
#include "render/DXObject.h"
#include "world/material/PicturePrefetch.h"
#include "world/material/Texture.h"
#include "world/material/TexturePixels.h"

namespace vesk {

namespace {

// One worker beside the main thread: on two cores a second one slows the drawing (the device
// draws on both) more than it speeds the decoding. The words of about 24 full-screen pictures
// ahead.
constexpr int kPrefetchThreads = 1;
constexpr std::size_t kPrefetchBytes = std::size_t{40} << 20;

}  // namespace

ResourceCache::ResourceCache() {
  _instance = this;
  addBank();
}

ResourceCache::~ResourceCache() {
  stopPrefetch();
  if (_instance == this) _instance = nullptr;
}

void ResourceCache::prefetch(std::vector<PrefetchStep> plan) {
  stopPrefetch();
  if (plan.empty()) return;
  PrefetchLimits limits;
  limits.largestSide = Texture::largestSide();
  limits.aheadBytes = kPrefetchBytes;
  limits.threads = kPrefetchThreads;
  _prefetch = make<PicturePrefetch>(here(), std::move(plan), limits, File::mode());
}

void ResourceCache::stopPrefetch() {
  _prefetch.reset();
}

std::uint32_t ResourceCache::addBank() {
  _banks.emplace_back();
  return static_cast<std::uint32_t>(_banks.size() - 1);
}

ResourceCache::Bank* ResourceCache::bank(std::uint32_t index) {
  VK_ASSERT(index < _banks.size(), "(bank < _banks.size())",
            "Resource bank " << index << " does not exist");
  return index < _banks.size() ? &_banks[index] : nullptr;
}

const ResourceCache::Bank* ResourceCache::bank(std::uint32_t index) const {
  return index < _banks.size() ? &_banks[index] : nullptr;
}

Texture* ResourceCache::getTexture(std::uint32_t index, std::string_view fileName, bool colourKey,
                                   int kind, Texture* diffuse) {
  Bank* textures = bank(index);
  if (!textures) return nullptr;
  std::string key = Texture::makeKey(fileName, colourKey, kind, diffuse);
  auto found = textures->textures.find(key);
  if (found != textures->textures.end()) return found->second.get();
  TexturePixels decoded;
  const bool ahead =
      _prefetch && _prefetch->take(PictureRequest{std::string(fileName), colourKey, kind}, decoded);
  Owned<Texture> texture =
      make<Texture>(here(), fileName, colourKey, kind, diffuse, ahead ? &decoded : nullptr);
  Texture* result = texture.get();
  textures->textures.emplace(std::move(key), std::move(texture));
  return result;
}

DXObject* ResourceCache::keepMesh(std::uint32_t index, Owned<DXObject> mesh) {
  Bank* meshes = bank(index);
  if (!meshes) return nullptr;
  meshes->meshes.push_back(std::move(mesh));
  return meshes->meshes.back().get();
}

void ResourceCache::freeBank(std::uint32_t index) {
  Bank* content = bank(index);
  if (!content) return;
  content->textures.clear();
  // In creation order (clearing a vector gives no order).
  for (Owned<DXObject>& mesh : content->meshes)
    mesh.reset();
  content->meshes.clear();
}

std::size_t ResourceCache::textureCount(std::uint32_t index) const {
  const Bank* content = bank(index);
  return content ? content->textures.size() : 0;
}

std::size_t ResourceCache::meshCount(std::uint32_t index) const {
  const Bank* content = bank(index);
  return content ? content->meshes.size() : 0;
}

}  // namespace vesk
