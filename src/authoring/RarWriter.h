// Writes RAR archives in the block format of RAR 1.5 to 4, with every member stored
// uncompressed and RAR 2.0 as the version needed to extract. This is how "Data.vk" is built;
// unarr, bsdtar and RAR itself read the result.
//
// Member names are relative paths with backslashes ("data\textures\white.png") in printable
// ASCII; names with other characters are refused rather than written in a form some readers
// decode differently. The host system is recorded as Win32, so extractors turn the
// backslashes into their own separators. A member must be smaller than 4 GiB.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/FileHandle.h"

namespace vesk {

class RarWriter {
 public:
  RarWriter() = default;
  RarWriter(const RarWriter&) = delete;
  RarWriter& operator=(const RarWriter&) = delete;
  // Closes an unfinished archive as it is; the caller removes it.
  ~RarWriter() = default;

  // Creates (or truncates) the archive and writes its opening blocks.
  bool create(const std::filesystem::path& path);
  bool addFile(std::string_view name, std::span<const std::uint8_t> bytes, std::time_t modified);
  // Copies a file from disk in pieces; the file must not change meanwhile.
  bool addFile(std::string_view name, const std::filesystem::path& source);
  // A folder entry: empty folders come back when the archive is extracted.
  bool addFolder(std::string_view name, std::time_t modified);
  // Writes the end block and closes the file.
  bool finish();

  // Why the last operation failed. After a failure the archive cannot be completed.
  const std::string& error() const { return _error; }

 private:
  struct Entry {
    std::string_view name;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::time_t modified = 0;
    bool folder = false;
  };

  bool usable();
  bool fail(std::string message);
  bool writeBytes(const void* data, std::size_t size);
  bool writeHeader(const Entry& entry);
  std::vector<std::uint8_t> fileHeader(const Entry& entry) const;

  FileHandle _file;
  std::filesystem::path _path;
  std::string _error;
};

// Why `name` cannot be a member name; empty when it can.
std::string checkMemberName(std::string_view name);

struct PackResult {
  std::size_t files = 0;
  std::size_t emptyFolders = 0;  // folders stored as entries of their own
  std::uint64_t bytes = 0;       // the files' total size
  std::string error;
  explicit operator bool() const { return error.empty(); }
};

// Stores every file under `folder` in a new archive, in sorted order, with an entry for each
// empty folder so that it is recreated on extraction; member names start with the folder's own name
// ("data\textures\white.png" for the folder "data", however the folder is written). The archive is
// written beside `archive` under a temporary name and renamed when complete: a failure leaves no
// partial archive and an older archive of that name as it was. An archive inside the folder is not
// packed into itself.
PackResult packFolder(const std::filesystem::path& archive, const std::filesystem::path& folder);

}  // namespace vesk
