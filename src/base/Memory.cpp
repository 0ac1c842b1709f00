#include "base/Memory.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "base/Diagnosis.h"
#include "base/Text.h"

namespace vesk {

void* MemoryTracker::allocate(std::size_t size, Site site, Registry registry,
                              const std::type_info* type) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (!block) return nullptr;
  std::lock_guard lock(_mutex);
  _current += size;
  if (_current > _maximum) _maximum = _current;
  if (!_trackingOff) {
    entries(registry)[reinterpret_cast<std::uintptr_t>(block)] =
        MemoryRecord{site.file ? site.file : "?", site.line, size, type};
  }
  return block;
}

void MemoryTracker::release(void* block, Registry registry) noexcept {
  if (!block) return;
  {
    std::lock_guard lock(_mutex);
    if (!_trackingOff) {
      Entries& registered = entries(registry);
      auto it = registered.find(reinterpret_cast<std::uintptr_t>(block));
      if (it != registered.end()) {
        _current -= it->second.size;
        registered.erase(it);
      }
    }
  }
  std::free(block);
}

namespace {

std::string hexAddress(std::uintptr_t address) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%0*llX", 8, static_cast<unsigned long long>(address));
  return text;
}

}  // namespace

void MemoryTracker::report(const std::function<void(std::string_view)>& writeLine) {
  Entries objects;
  Entries blocks;
  std::size_t maximum = 0;
  {
    std::lock_guard lock(_mutex);
    _trackingOff = true;
    objects.swap(_objects);
    blocks.swap(_blocks);
    maximum = _maximum;
  }
  if (!objects.empty() || !blocks.empty()) {
    writeLine("\nDetected memory leaks !\nDumping :");
    std::size_t total = 0;
    for (const auto& [address, record] : objects) {
      writeLine(str(baseName(record.file), "(", record.line, ") : MemoryItem (",
                    record.type ? typeName(*record.type) : std::string("?"), ", ", record.size,
                    " bytes long at ", hexAddress(address), ") not deleted"));
      total += record.size;
    }
    for (const auto& [address, record] : blocks) {
      writeLine(str(baseName(record.file), "(", record.line, ") : Unknown object (", record.size,
                    " bytes long at ", hexAddress(address), ") not deleted"));
      total += record.size;
    }
    writeLine(str("Dump complete. Total not freed memory : ", total, " bytes\n"));
  }
  writeLine("");
  writeLine(str("Maximum memory usage : ", maximum, " bytes"));
  writeLine("");
}

std::size_t MemoryTracker::currentUsage() const {
  std::lock_guard lock(_mutex);
  return _current;
}

std::size_t MemoryTracker::maximumUsage() const {
  std::lock_guard lock(_mutex);
  return _maximum;
}

std::size_t MemoryTracker::recordCount(Registry registry) const {
  std::lock_guard lock(_mutex);
  return entries(registry).size();
}

std::optional<MemoryRecord> MemoryTracker::find(const void* block, Registry registry) const {
  std::lock_guard lock(_mutex);
  const Entries& registered = entries(registry);
  auto it = registered.find(reinterpret_cast<std::uintptr_t>(block));
  if (it == registered.end()) return std::nullopt;
  return it->second;
}

bool MemoryTracker::tracking() const {
  std::lock_guard lock(_mutex);
  return !_trackingOff;
}

MemoryTracker& theMemory() {
  // Never destroyed: blocks may still be freed while static objects go away at exit.
  static MemoryTracker* tracker = new MemoryTracker;
  return *tracker;
}

namespace {

void* allocateOrFail(std::size_t size, Site site, Registry registry, const std::type_info* type) {
  void* block = theMemory().allocate(size, site, registry, type);
  if (!block) throw std::bad_alloc();
  return block;
}

}  // namespace

void* MemoryItem::operator new(std::size_t size, Site site, const std::type_info& type) {
  return allocateOrFail(size, site, Registry::Objects, &type);
}

void MemoryItem::operator delete(void* block, std::size_t) noexcept {
  theMemory().release(block, Registry::Objects);
}

void MemoryItem::operator delete(void*, Site, const std::type_info&) noexcept {
  // The constructor failed: the block stays recorded, so the report shows where.
  fatal("Memory overflow", here());
}

void* TrackedBlock::operator new(std::size_t size, Site site, const std::type_info&) {
  return allocateOrFail(size, site, Registry::Blocks, nullptr);
}

void TrackedBlock::operator delete(void* block, std::size_t) noexcept {
  theMemory().release(block, Registry::Blocks);
}

void TrackedBlock::operator delete(void*, Site, const std::type_info&) noexcept {
  fatal("Memory overflow", here());
}

void BlockDeleter::operator()(void* block) const noexcept {
  theMemory().release(block, Registry::Blocks);
}

Bytes allocateBytes(std::size_t size, Site site) {
  return Bytes(static_cast<std::uint8_t*>(theMemory().allocate(size, site, Registry::Blocks)));
}

}  // namespace vesk
