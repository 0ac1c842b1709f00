// Appends little-endian values to a byte vector: the one way the writers lay out their formats.
#pragma once

#include <bit>
#include <cstdint>
#include <string_view>
#include <vector>

#include "base/ByteOrder.h"

namespace vesk {

class ByteOutput {
 public:
  explicit ByteOutput(std::vector<std::uint8_t>& bytes) : _bytes(bytes) {}
  void u8(std::uint32_t value) { _bytes.push_back(static_cast<std::uint8_t>(value)); }
  void u16(std::uint32_t value) { appendLe16(_bytes, static_cast<std::uint16_t>(value)); }
  void u32(std::uint32_t value) { appendLe32(_bytes, value); }
  void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
  void f32(float value) { u32(std::bit_cast<std::uint32_t>(value)); }
  void flag(bool value) { u8(value ? 1 : 0); }
  void bytes(std::string_view value) { _bytes.insert(_bytes.end(), value.begin(), value.end()); }
  // The text padded with zero bytes to `size`; the caller has checked its length.
  void text(std::string_view value, std::size_t size) {
    bytes(value);
    zeros(size - value.size());
  }
  void zeros(std::size_t count) { _bytes.resize(_bytes.size() + count, 0); }
  std::size_t size() const { return _bytes.size(); }
  void patch16(std::size_t at, std::uint32_t value) {
    storeLe16(&_bytes[at], static_cast<std::uint16_t>(value));
  }

 private:
  std::vector<std::uint8_t>& _bytes;
};

}  // namespace vesk
