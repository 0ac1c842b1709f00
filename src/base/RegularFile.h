// A whole regular file in a recorded buffer, its size taken from the file itself and checked
// before anything is allocated: how the data files, the tools and the script loader read files.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "base/Memory.h"

namespace vesk {

struct FileContent {
  Bytes data;  // from `allocateBytes`
  std::size_t size = 0;
  // Why the file could not be read, without its name ("not found", "a folder, not a file",
  // "Permission denied", ...); empty on success.
  std::string error;
  bool missing = false;  // nothing exists at the path

  explicit operator bool() const { return error.empty(); }
};

// Reads the file at `path`. Only a regular file of at most `maxSize` bytes is read; a folder, a
// device, a pipe or a larger file is refused without reading (a pipe is not waited for).
FileContent readRegularFile(const std::filesystem::path& path, std::size_t maxSize);

}  // namespace vesk
