// Memory accounting: every allocation made by the engine records where it was made and how
// large it is, so that the report at the end of the run lists what was never freed.
//
// Engine objects derive from MemoryItem (recorded as objects, with their class) or from
// TrackedBlock (recorded as blocks). Neither can be created with a plain `new`: they are made
// by `make<T>(here(), ...)`, which records the caller's file and line and returns the owner.
// Raw buffers come from `allocateBytes`; a `Bytes` owner frees any block, tracked or not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <typeinfo>
#include <utility>

#include "base/Site.h"

namespace vesk {

enum class Registry { Objects, Blocks };

struct MemoryRecord {
  const char* file;  // as the compiler recorded it; reports show its base name
  std::uint32_t line;
  std::size_t size;
  const std::type_info* type;  // the object's class; null for blocks
};

class MemoryTracker {
 public:
  // A block from the ordinary heap, counted and (while tracking is on) recorded. Null when
  // the heap refuses.
  void* allocate(std::size_t size, Site site, Registry registry,
                 const std::type_info* type = nullptr);
  // Frees a block; if it is recorded in the registry, its size leaves the current usage.
  // Blocks from elsewhere (for example the archive reader's buffers) are freed unrecorded.
  void release(void* block, Registry registry) noexcept;

  // Turns tracking off for good, lists every block never freed (objects first, then blocks, in
  // address order), the total, and the peak usage, one `writeLine` call per log line.
  void report(const std::function<void(std::string_view)>& writeLine);

  std::size_t currentUsage() const;
  std::size_t maximumUsage() const;
  std::size_t recordCount(Registry registry) const;
  // The record of a block, if it is recorded.
  std::optional<MemoryRecord> find(const void* block, Registry registry) const;
  bool tracking() const;

 private:
  using Entries = std::map<std::uintptr_t, MemoryRecord>;
  Entries& entries(Registry registry) { return registry == Registry::Objects ? _objects : _blocks; }
  const Entries& entries(Registry registry) const {
    return registry == Registry::Objects ? _objects : _blocks;
  }

  mutable std::mutex _mutex;
  Entries _objects;
  Entries _blocks;
  std::size_t _current = 0;
  std::size_t _maximum = 0;
  bool _trackingOff = false;
};

// The process-wide accounting; it lives until the process ends.
MemoryTracker& theMemory();

template <class T>
using Owned = std::unique_ptr<T>;

template <class T, class... Args>
Owned<T> make(Site site, Args&&... args);

// Root of the engine's own objects: their allocations are recorded with their class.
class MemoryItem {
 public:
  virtual ~MemoryItem() = default;
  static void operator delete(void* block, std::size_t size) noexcept;

 protected:
  MemoryItem() = default;
  MemoryItem(const MemoryItem&) = default;
  MemoryItem& operator=(const MemoryItem&) = default;

  // Protected, so that only `make` creates objects; a class with both roots (for example a
  // device-using class that is also an event target) picks this pair with using-declarations.
  template <class T, class... Args>
  friend Owned<T> make(Site site, Args&&... args);
  static void* operator new(std::size_t size, Site site, const std::type_info& type);
  // Runs only when a constructor fails during a located allocation.
  static void operator delete(void* block, Site site, const std::type_info& type) noexcept;
};

// Root of engine classes that are not MemoryItems: on the heap they are recorded as blocks.
// A class deriving from both roots is a MemoryItem: it says so with
//   using MemoryItem::operator new;
//   using MemoryItem::operator delete;
class TrackedBlock {
 public:
  static void operator delete(void* block, std::size_t size) noexcept;

 protected:
  TrackedBlock() = default;
  TrackedBlock(const TrackedBlock&) = default;
  TrackedBlock& operator=(const TrackedBlock&) = default;
  ~TrackedBlock() = default;

  template <class T, class... Args>
  friend Owned<T> make(Site site, Args&&... args);
  static void* operator new(std::size_t size, Site site, const std::type_info& type);
  static void operator delete(void* block, Site site, const std::type_info& type) noexcept;
};

// Creates an engine object, recording the allocation at `site` (pass `here()`).
template <class T, class... Args>
Owned<T> make(Site site, Args&&... args) {
  return Owned<T>(new (site, typeid(T)) T(std::forward<Args>(args)...));
}

// Frees a block from `allocateBytes` or from the plain heap (`std::malloc`).
struct BlockDeleter {
  void operator()(void* block) const noexcept;
};
using Bytes = std::unique_ptr<std::uint8_t[], BlockDeleter>;

// A recorded buffer of `size` bytes (at least one byte is obtained, so an empty buffer is not
// null); null when the heap refuses.
Bytes allocateBytes(std::size_t size, Site site = Site::current());

}  // namespace vesk
