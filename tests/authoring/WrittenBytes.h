// Reads a writer's bytes back with the engine's own reader, field by field, so that a test
// states the layout it expects and a wrong field names its byte offset.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "base/BinaryInput.h"

namespace vesk {

class Reader {
 public:
  explicit Reader(const std::vector<std::uint8_t>& bytes, std::string name = "data\\test.pod")
      : _in(copy(bytes), bytes.size(), std::move(name)) {}
  std::int32_t i32() { return read<std::int32_t>(); }
  std::uint32_t u32() { return read<std::uint32_t>(); }
  float f32() { return read<float>(); }
  int u8() { return static_cast<unsigned char>(read<char>()); }
  std::string text() { return read<std::string>(); }
  void floats(std::initializer_list<float> expected) {
    for (float value : expected)
      EXPECT_EQ(f32(), value) << "at byte " << _in.position() - 4;
  }
  void ints(std::initializer_list<std::int64_t> expected) {
    for (std::int64_t value : expected)
      EXPECT_EQ(u32(), static_cast<std::uint32_t>(value)) << "at byte " << _in.position() - 4;
  }
  void flags(std::initializer_list<int> expected) {
    for (int value : expected)
      EXPECT_EQ(u8(), value) << "at byte " << _in.position() - 1;
  }
  bool atEnd() const { return !_in.failed() && _in.position() == _in.size(); }

 private:
  static Bytes copy(const std::vector<std::uint8_t>& bytes) {
    Bytes data = allocateBytes(bytes.size());
    std::memcpy(data.get(), bytes.data(), bytes.size());
    return data;
  }
  template <class T>
  T read() {
    T value{};
    _in >> value;
    return value;
  }
  BinaryInput _in;
};

}  // namespace vesk
