// Little-endian reading of a data file held whole in memory: bytes, 32-bit integers and
// floats, and strings stored as a 32-bit byte count followed by the bytes. Values are packed
// back to back; every read advances the position and returns the reader, so reads chain:
//   in >> count >> name >> visible;
//
// The reader knows the buffer's size and never reads past it: a read beyond the end gives a
// zero value, sets the error state and reports the file as corrupt or truncated (once).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Memory.h"

namespace vesk {

class Input : public TrackedBlock {
 public:
  virtual ~Input() = default;
  virtual bool isValid() const = 0;
  virtual Input& operator>>(char& value) = 0;
  virtual Input& operator>>(std::int32_t& value) = 0;
  virtual Input& operator>>(float& value) = 0;
  virtual Input& operator>>(std::uint32_t& value) = 0;
  virtual Input& operator>>(bool& value) = 0;
  // The text up to the first zero byte among the stored bytes; the position always advances
  // past the whole record.
  virtual Input& operator>>(std::string& value) = 0;
  // The stored bytes and a terminating zero into a buffer of `capacity` bytes. A string that
  // does not fit is an error: the buffer gets what fits, still terminated.
  virtual Input& readChars(char* buffer, std::size_t capacity) = 0;

  template <std::size_t N>
  Input& operator>>(char (&buffer)[N]) {
    return readChars(buffer, N);
  }
};

class BinaryInput : public Input {
 public:
  // Takes ownership of the buffer; `name` is the data file's name for error reports.
  BinaryInput(Bytes data, std::size_t size, std::string name);
  BinaryInput(const BinaryInput&) = delete;
  BinaryInput& operator=(const BinaryInput&) = delete;
  ~BinaryInput() override = default;

  bool isValid() const override { return _data != nullptr; }
  using Input::operator>>;
  Input& operator>>(char& value) override;
  Input& operator>>(std::int32_t& value) override;
  Input& operator>>(float& value) override;
  Input& operator>>(std::uint32_t& value) override;
  Input& operator>>(bool& value) override;
  Input& operator>>(std::string& value) override;
  Input& readChars(char* buffer, std::size_t capacity) override;

  std::size_t position() const { return _position; }
  std::size_t size() const { return _size; }
  // True once a read went past the end or a string did not fit its buffer.
  bool failed() const { return _failed; }
  const std::string& name() const { return _name; }
  // From now on a read past the end only sets the error state, reporting nothing: for a look
  // ahead at a file, from any thread.
  void quiet() { _quiet = true; }

 private:
  // Takes `count` bytes at the position, or reports the file as corrupt and gives null.
  const std::uint8_t* take(std::size_t count);
  void fail();

  Bytes _data;
  std::size_t _size = 0;
  std::size_t _position = 0;
  std::string _name;
  bool _failed = false;
  bool _quiet = false;
};

}  // namespace vesk
