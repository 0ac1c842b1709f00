// Little-endian values in byte buffers, the order of every format we read and write (archives,
// WAV, BMP, XM), whatever the machine's own order. Loads do not check bounds: the caller has
// checked that the bytes are there.
#pragma once

#include <cstdint>
#include <vector>

namespace vesk {

constexpr void storeLe16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

constexpr void storeLe32(std::uint8_t* at, std::uint32_t value) {
  storeLe16(at, static_cast<std::uint16_t>(value));
  storeLe16(at + 2, static_cast<std::uint16_t>(value >> 16));
}

constexpr std::uint16_t loadLe16(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

constexpr std::uint32_t loadLe32(const std::uint8_t* at) {
  return std::uint32_t(loadLe16(at)) | std::uint32_t(loadLe16(at + 2)) << 16;
}

constexpr void appendLe16(std::vector<std::uint8_t>& bytes, std::uint16_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value));
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

constexpr void appendLe32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  appendLe16(bytes, static_cast<std::uint16_t>(value));
  appendLe16(bytes, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace vesk
