// CRC-32 with the reflected polynomial 0xEDB88320 (the checksum of RAR, ZIP and PNG), computed
// incrementally so that a file can be checked while it is copied.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vesk {

class Crc32 {
 public:
  void update(const void* data, std::size_t size);
  std::uint32_t value() const { return ~_state; }

 private:
  std::uint32_t _state = 0xFFFFFFFFu;
};

std::uint32_t crc32(const void* data, std::size_t size);

}  // namespace vesk
