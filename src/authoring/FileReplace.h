// Writing a whole file so that readers see either the old file or the complete new one: the
// bytes go to a temporary file beside the target, reach the disk, and are renamed over it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace vesk {

// A new empty file beside `target` with the permissions an ordinary new file gets, in `made`;
// the reason when it cannot be created, empty otherwise.
std::string createTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& made);

// Writes `bytes` as the file `path`. On failure the reason is in `error`, no temporary is
// left behind and an older file of that name is as it was.
bool replaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                 std::string& error);

// Saves what a writer produced (`bytes`, or the reason in `error` that it refused), as
// replaceFile does.
template <class Written>
bool saveWritten(const std::filesystem::path& path, const Written& written, std::string& error) {
  if (!written) {
    error = written.error;
    return false;
  }
  return replaceFile(path, written.bytes, error);
}

}  // namespace vesk
