// Material records for the material tests: written by the scene writer, read back through a
// BinaryInput over the bytes.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "authoring/SceneWriter.h"
#include "base/BinaryInput.h"

namespace vesk::test {

inline BinaryInput materialInput(const SceneMaterial& material, std::size_t keep = SIZE_MAX) {
  std::vector<std::uint8_t> bytes;
  ByteOutput out(bytes);
  writeMaterial(out, material);
  bytes.resize(std::min(keep, bytes.size()));
  Bytes data = allocateBytes(bytes.size());
  if (!bytes.empty()) std::memcpy(data.get(), bytes.data(), bytes.size());
  return BinaryInput(std::move(data), bytes.size(), "material.pod");
}

// A device state's value from one of the device's enums.
inline std::uint32_t word(auto value) {
  return static_cast<std::uint32_t>(value);
}

inline SceneTexture map(const std::string& file, std::int32_t channel = 1) {
  SceneTexture texture;
  texture.file = file;
  texture.channel = channel;
  return texture;
}

}  // namespace vesk::test
