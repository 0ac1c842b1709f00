#include "authoring/Crc32.h"

#include <array>

namespace vesk {

namespace {

// Eight tables let the loop consume eight bytes per step ("slicing by 8"): a 10 MB file is
// checked several times faster than byte by byte.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables makeTables() {
  Tables tables{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int bit = 0; bit < 8; ++bit)
      c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    tables[0][i] = c;
  }
  for (std::uint32_t i = 0; i < 256; ++i) {
    for (std::size_t t = 1; t < 8; ++t) {
      tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xFFu];
    }
  }
  return tables;
}

constexpr Tables kTables = makeTables();

}  // namespace

void Crc32::update(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::uint32_t c = _state;
  for (; size >= 8; size -= 8, p += 8) {
    std::uint32_t low = c ^ (std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                             std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
    std::uint32_t high = std::uint32_t(p[4]) | std::uint32_t(p[5]) << 8 |
                         std::uint32_t(p[6]) << 16 | std::uint32_t(p[7]) << 24;
    c = kTables[7][low & 0xFFu] ^ kTables[6][(low >> 8) & 0xFFu] ^ kTables[5][(low >> 16) & 0xFFu] ^
        kTables[4][low >> 24] ^ kTables[3][high & 0xFFu] ^ kTables[2][(high >> 8) & 0xFFu] ^
        kTables[1][(high >> 16) & 0xFFu] ^ kTables[0][high >> 24];
  }
  for (; size > 0; --size, ++p)
    c = (c >> 8) ^ kTables[0][(c ^ *p) & 0xFFu];
  _state = c;
}

std::uint32_t crc32(const void* data, std::size_t size) {
  Crc32 crc;
  crc.update(data, size);
  return crc.value();
}

}  // namespace vesk
