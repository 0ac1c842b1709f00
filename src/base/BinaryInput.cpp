#include "base/BinaryInput.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/ByteOrder.h"
#include "base/Diagnosis.h"
#include "base/Text.h"

namespace vesk {

BinaryInput::BinaryInput(Bytes data, std::size_t size, std::string name)
    : _data(std::move(data)), _size(_data ? size : 0), _name(std::move(name)) {}

void BinaryInput::fail() {
  if (_failed) return;
  _failed = true;
  if (!_quiet) fatal(str("Error : file ", _name, " is corrupt or truncated"), here());
}

const std::uint8_t* BinaryInput::take(std::size_t count) {
  if (!_data || count > _size - _position) {
    _position = _size;
    fail();
    return nullptr;
  }
  const std::uint8_t* bytes = _data.get() + _position;
  _position += count;
  return bytes;
}

Input& BinaryInput::operator>>(char& value) {
  const std::uint8_t* bytes = take(1);
  value = bytes ? static_cast<char>(bytes[0]) : 0;
  return *this;
}

Input& BinaryInput::operator>>(std::int32_t& value) {
  const std::uint8_t* bytes = take(4);
  value = bytes ? static_cast<std::int32_t>(loadLe32(bytes)) : 0;
  return *this;
}

Input& BinaryInput::operator>>(float& value) {
  const std::uint8_t* bytes = take(4);
  std::uint32_t bits = bytes ? loadLe32(bytes) : 0;
  std::memcpy(&value, &bits, sizeof value);
  return *this;
}

Input& BinaryInput::operator>>(std::uint32_t& value) {
  const std::uint8_t* bytes = take(4);
  value = bytes ? loadLe32(bytes) : 0;
  return *this;
}

Input& BinaryInput::operator>>(bool& value) {
  const std::uint8_t* bytes = take(1);
  value = bytes && bytes[0] != 0;
  return *this;
}

Input& BinaryInput::operator>>(std::string& value) {
  value.clear();
  std::uint32_t count = 0;
  *this >> count;
  const std::uint8_t* bytes = take(count);
  if (bytes) {
    const char* text = reinterpret_cast<const char*>(bytes);
    value.assign(text, std::find(text, text + count, '\0'));
  }
  return *this;
}

Input& BinaryInput::readChars(char* buffer, std::size_t capacity) {
  std::uint32_t count = 0;
  *this >> count;
  const std::uint8_t* bytes = take(count);
  if (capacity == 0) return *this;
  std::size_t copied = 0;
  if (bytes) {
    copied = std::min<std::size_t>(count, capacity - 1);
    std::memcpy(buffer, bytes, copied);
    if (copied < count) fail();
  }
  buffer[copied] = '\0';
  return *this;
}

}  // namespace vesk
