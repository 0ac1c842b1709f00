// The shared textures and meshes, kept in numbered banks: bank 0 belongs to the application
// (pictures, effect textures, preloaded textures), each loaded scene owns one more for its
// materials' textures and its shapes' meshes. Everything in a bank is destroyed together when
// the bank is freed. A freed bank stays in place, empty; banks are only ever appended.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/Memory.h"

namespace vesk {

// The application's bank: pictures, effect textures and preloaded textures.
inline constexpr std::uint32_t kApplicationBank = 0;

class DXObject;
class PicturePrefetch;
class Texture;
struct PrefetchStep;

class ResourceCache : public MemoryItem {
 public:
  // Becomes the process-wide cache and creates bank 0.
  ResourceCache();
  ~ResourceCache() override;
  ResourceCache(const ResourceCache&) = delete;
  ResourceCache& operator=(const ResourceCache&) = delete;

  // The process-wide cache; null before it is created and after it is gone.
  static ResourceCache* instance() { return _instance; }

  // Appends an empty bank; answers its index.
  std::uint32_t addBank();
  std::uint32_t bankCount() const { return static_cast<std::uint32_t>(_banks.size()); }

  // The bank's texture for this request, created (loaded) on first request. A texture that
  // failed to load is kept and handed out again. Null only for a bank that does not exist.
  Texture* getTexture(std::uint32_t bank, std::string_view fileName, bool colourKey, int kind,
                      Texture* diffuse);

  // Has the pictures of this plan decoded ahead on worker threads, in its order (see
  // PicturePrefetch): a texture that the cache creates for one of them takes its words instead
  // of decoding the picture. Replaces a prefetch still running.
  void prefetch(std::vector<PrefetchStep> plan);
  // Stops the prefetch: joins its threads and frees what nobody took.
  void stopPrefetch();
  // The prefetch running, or null.
  PicturePrefetch* picturePrefetch() const { return _prefetch.get(); }

  // Appends a mesh (a DXObject) to the bank, which owns it from then on; answers the mesh.
  // Null (and the mesh destroyed) for a bank that does not exist.
  DXObject* keepMesh(std::uint32_t bank, Owned<DXObject> mesh);

  // Destroys every texture, then every mesh in creation order, and leaves the bank empty.
  void freeBank(std::uint32_t bank);

  std::size_t textureCount(std::uint32_t bank) const;
  std::size_t meshCount(std::uint32_t bank) const;

 private:
  struct Bank {
    std::map<std::string, Owned<Texture>, std::less<>> textures;
    std::vector<Owned<DXObject>> meshes;
  };
  // The bank, or null after an assertion when the index names none.
  Bank* bank(std::uint32_t index);
  const Bank* bank(std::uint32_t index) const;

  std::vector<Bank> _banks;
  Owned<PicturePrefetch> _prefetch;
  static inline ResourceCache* _instance = nullptr;
};

}  // namespace vesk
