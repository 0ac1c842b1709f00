// The show's data files: members of the archive "Data.vk" in the current folder or, when there
// is no archive, loose files under "data\". Names are relative paths with backslashes
// ("data\textures\white.png"); in archive mode the same text is the member name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Memory.h"

namespace vesk {

inline constexpr const char* kArchiveName = "Data.vk";
// The folder of every picture among the data files; alone, it names the white texture.
inline constexpr std::string_view kTextureFolder = "data\\textures\\";

class File {
 public:
  enum class Mode { Loose = 0, Archive = 1, NotInitialised = 2 };

  // Archive mode when "Data.vk" can be opened for reading, loose mode otherwise.
  static void init();
  static Mode mode();
  // Back to "not initialised"; for tests and tools that run several shows in one process.
  static void reset();

  // The whole content of a data file in a new buffer, its length in `size`. Null (and a fatal
  // error) when the file cannot be had. "data\textures\" alone stands for the white texture.
  // `why`, when given, receives what failed for a loose file that is there but cannot be read
  // (a folder, no permission, ...); it stays empty when the file is simply not found.
  static Bytes get(std::string_view name, std::uint32_t& size, std::string* why = nullptr);
};

// A data file name as a path of this system: backslashes become slashes.
std::string looseFilePath(std::string_view name);

}  // namespace vesk
