#include "authoring/RarWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <set>
#include <utility>

#include "authoring/Crc32.h"
#include "authoring/FileReplace.h"
#include "base/ByteOrder.h"
#include "base/Diagnosis.h"
#include "base/RarFormat.h"
#include "base/Text.h"

namespace vesk {

namespace {

// The header size field is 16 bits and includes the name.
constexpr std::size_t kLongestName = 0xFFFF - rar::kFileHeaderSize;
constexpr std::size_t kCopyChunk = std::size_t(1) << 20;

// The header CRC is the low half of the CRC-32 of everything after the CRC field.
void sealHeader(std::uint8_t* header, std::size_t size) {
  const std::uint32_t crc = crc32(header + rar::kTypeAt, size - rar::kTypeAt);
  storeLe16(header + rar::kCrcAt, static_cast<std::uint16_t>(crc));
}

// Local time in the MS-DOS packing, clamped to what it can express (1980 to 2107).
std::uint32_t dosTime(std::time_t time) {
  std::tm local{};
  if (!localtime_r(&time, &local)) return 0x00210000u;  // 1980-01-01
  int year = local.tm_year + 1900;
  if (year < 1980) return 0x00210000u;
  if (year > 2107) return 0xFF9FBF7Du;  // 2107-12-31 23:59:58
  return std::uint32_t(year - 1980) << 25 | std::uint32_t(local.tm_mon + 1) << 21 |
         std::uint32_t(local.tm_mday) << 16 | std::uint32_t(local.tm_hour) << 11 |
         std::uint32_t(local.tm_min) << 5 | std::uint32_t(local.tm_sec / 2);
}

}  // namespace

std::string checkMemberName(std::string_view name) {
  if (name.empty()) return "a member name is empty";
  if (name.size() > kLongestName) return str("the member name is too long (", name.size(), ")");
  for (char c : name) {
    if (c < 0x20 || c > 0x7E) {
      return "the member name has characters other than printable ASCII, which is not supported";
    }
    if (c == '/') return "the member name has a '/': separators in member names are '\\'";
  }
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = std::min(name.find('\\', start), name.size());
    std::string_view part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") {
      return "the member name is not a relative path without empty, '.' or '..' parts";
    }
    start = end + 1;
  }
  return {};
}

bool RarWriter::fail(std::string message) {
  _error = std::move(message);
  _file.reset();
  return false;
}

bool RarWriter::usable() {
  if (_file) return true;
  if (_error.empty()) _error = "the archive is not open";
  return false;
}

bool RarWriter::writeBytes(const void* data, std::size_t size) {
  if (std::fwrite(data, 1, size, _file.get()) == size) return true;
  return fail(str("cannot write ", _path.string(), " (", std::strerror(errno), ")"));
}

bool RarWriter::create(const std::filesystem::path& path) {
  _file.reset();
  _path = path;
  _error.clear();
  _file = FileHandle::open(path, "wb");
  if (!_file) return fail(str("cannot create ", path.string(), " (", std::strerror(errno), ")"));
  std::uint8_t main[rar::kMainHeaderSize] = {};
  main[rar::kTypeAt] = rar::kMainBlock;
  storeLe16(main + rar::kHeaderSizeAt, sizeof main);
  sealHeader(main, sizeof main);
  return writeBytes(rar::kSignature, sizeof rar::kSignature) && writeBytes(main, sizeof main);
}

std::vector<std::uint8_t> RarWriter::fileHeader(const Entry& entry) const {
  std::vector<std::uint8_t> header(rar::kFileHeaderSize + entry.name.size());
  std::uint8_t* p = header.data();
  p[rar::kTypeAt] = rar::kFileBlock;
  storeLe16(p + rar::kFlagsAt, rar::kLongBlock | (entry.folder ? rar::kFolderFlags : 0));
  storeLe16(p + rar::kHeaderSizeAt, static_cast<std::uint16_t>(header.size()));
  storeLe32(p + rar::kPackSizeAt, std::uint32_t(entry.size));  // stored as is
  storeLe32(p + rar::kUnpackSizeAt, std::uint32_t(entry.size));
  p[rar::kHostAt] = rar::kHostWin32;
  storeLe32(p + rar::kFileCrcAt, entry.crc);
  storeLe32(p + rar::kTimeAt, dosTime(entry.modified));
  p[rar::kVersionAt] = rar::kVersion20;
  p[rar::kMethodAt] = rar::kStored;
  storeLe16(p + rar::kNameSizeAt, static_cast<std::uint16_t>(entry.name.size()));
  storeLe32(p + rar::kAttributesAt, entry.folder ? rar::kFolderAttribute : rar::kArchiveAttribute);
  std::memcpy(p + rar::kNameAt, entry.name.data(), entry.name.size());
  sealHeader(p, header.size());
  return header;
}

bool RarWriter::writeHeader(const Entry& entry) {
  if (std::string problem = checkMemberName(entry.name); !problem.empty()) {
    return fail(str(problem, ": ", entry.name));
  }
  if (entry.size > rar::kLargestMember) {
    return fail(
        str(entry.name, " has ", entry.size, " bytes; members of 4 GiB or more cannot be stored"));
  }
  std::vector<std::uint8_t> header = fileHeader(entry);
  return writeBytes(header.data(), header.size());
}

bool RarWriter::addFile(std::string_view name, std::span<const std::uint8_t> bytes,
                        std::time_t modified) {
  if (!usable()) return false;
  Entry entry{name, bytes.size(), crc32(bytes.data(), bytes.size()), modified, false};
  return writeHeader(entry) && writeBytes(bytes.data(), bytes.size());
}

bool RarWriter::addFolder(std::string_view name, std::time_t modified) {
  if (!usable()) return false;
  return writeHeader(Entry{name, 0, 0, modified, true});
}

bool RarWriter::addFile(std::string_view name, const std::filesystem::path& source) {
  if (!usable()) return false;
  FileHandle input = FileHandle::open(source, "rb");
  struct stat status {};
  if (!input || fstat(fileno(input.get()), &status) != 0) {
    return fail(str("cannot read ", source.string(), " (", std::strerror(errno), ")"));
  }
  if (!S_ISREG(status.st_mode)) return fail(str(source.string(), " is not a file"));
  Entry entry{name, std::uint64_t(status.st_size), 0, status.st_mtime, false};
  // The CRC precedes the data: write the header, copy the data while checking it, then
  // write the header again with the CRC.
  off_t headerAt = ftello(_file.get());
  if (headerAt < 0)
    return fail(str("cannot write ", _path.string(), " (", std::strerror(errno), ")"));
  if (!writeHeader(entry)) return false;
  std::vector<std::uint8_t> chunk(std::min<std::uint64_t>(entry.size + 1, kCopyChunk));
  Crc32 crc;
  std::uint64_t copied = 0;
  for (;;) {
    // A quit request (SIGINT, SIGTERM) stops a long copy; the caller drops the archive.
    if (quitRequested()) return fail("interrupted");
    std::size_t got = std::fread(chunk.data(), 1, chunk.size(), input.get());
    if (got == 0) break;
    if (copied + got > entry.size) {
      return fail(str(source.string(), " grew while it was being packed"));
    }
    crc.update(chunk.data(), got);
    if (!writeBytes(chunk.data(), got)) return false;
    copied += got;
  }
  if (std::ferror(input.get())) {
    return fail(str("cannot read ", source.string(), " (", std::strerror(errno), ")"));
  }
  if (copied != entry.size) return fail(str(source.string(), " shrank while it was being packed"));
  entry.crc = crc.value();
  off_t end = ftello(_file.get());
  if (end < 0 || fseeko(_file.get(), headerAt, SEEK_SET) != 0 || !writeHeader(entry) ||
      fseeko(_file.get(), end, SEEK_SET) != 0) {
    return _file ? fail(str("cannot write ", _path.string(), " (", std::strerror(errno), ")"))
                 : false;
  }
  return true;
}

bool RarWriter::finish() {
  if (!usable()) return false;
  std::uint8_t end[rar::kEndHeaderSize] = {};
  end[rar::kTypeAt] = rar::kEndBlock;
  storeLe16(end + rar::kFlagsAt, rar::kSkipIfUnknown);
  storeLe16(end + rar::kHeaderSizeAt, sizeof end);
  sealHeader(end, sizeof end);
  if (!writeBytes(end, sizeof end)) return false;
  FileHandle file = std::move(_file);
  // The data reaches the disk before a caller renames the archive into place. Files that
  // cannot be synchronised (devices) are not an error.
  bool synced = std::fflush(file.get()) == 0 &&
                (fsync(fileno(file.get())) == 0 || errno == EINVAL || errno == ENOTSUP);
  if (!synced) {
    int code = errno;
    file.reset();
    _error = str("cannot write ", _path.string(), " (", std::strerror(code), ")");
    return false;
  }
  if (!file.close()) {
    _error = str("cannot write ", _path.string(), " (", std::strerror(errno), ")");
    return false;
  }
  return true;
}

namespace {

struct PackItem {
  std::string name;
  std::filesystem::path path;
  std::time_t modified = 0;
  std::uint64_t size = 0;
  bool folder = false;
};

struct FileId {
  dev_t device;
  ino_t inode;
  auto operator<=>(const FileId&) const = default;
};

class TreeWalk {
 public:
  explicit TreeWalk(std::filesystem::path skipped) {
    struct stat status {};
    if (::stat(skipped.c_str(), &status) == 0) _skipped = FileId{status.st_dev, status.st_ino};
  }

  // Adds the folder and, in sorted order, everything under it. Empty on success.
  std::string add(const std::filesystem::path& folder, const std::string& name,
                  const struct stat& status) {
    if (!_open.insert(FileId{status.st_dev, status.st_ino}).second) {
      return str(folder.string(), " leads back to a folder that contains it");
    }
    std::size_t firstItem = items.size();
    std::error_code error;
    std::vector<std::string> children;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
      children.push_back(it->path().filename().string());
    }
    if (error) return str("cannot read the folder ", folder.string(), " (", error.message(), ")");
    std::sort(children.begin(), children.end());
    for (const std::string& child : children) {
      std::filesystem::path path = folder / child;
      if (child.find('\\') != std::string::npos) {
        return str(path.string(), ": a name with a backslash cannot be a member name");
      }
      std::string childName = name + '\\' + child;
      struct stat childStatus {};
      if (::stat(path.c_str(), &childStatus) != 0) {
        return str("cannot read ", path.string(), " (", std::strerror(errno), ")");
      }
      if (S_ISDIR(childStatus.st_mode)) {
        if (std::string problem = add(path, childName, childStatus); !problem.empty()) {
          return problem;
        }
      } else if (S_ISREG(childStatus.st_mode)) {
        if (_skipped && *_skipped == FileId{childStatus.st_dev, childStatus.st_ino}) continue;
        items.push_back(PackItem{childName, path, childStatus.st_mtime,
                                 std::uint64_t(childStatus.st_size), false});
      } else {
        return str(path.string(), " is neither a file nor a folder");
      }
    }
    // Folders are implied by the files under them; only an empty folder needs an entry of its
    // own (unarr, which skips folder entries, notes each one on the standard error).
    if (items.size() == firstItem)
      items.push_back(PackItem{name, folder, status.st_mtime, 0, true});
    _open.erase(FileId{status.st_dev, status.st_ino});
    return {};
  }

  std::vector<PackItem> items;

 private:
  std::optional<FileId> _skipped;
  std::set<FileId> _open;  // the folders being walked, to stop at a link back up the tree
};

}  // namespace

PackResult packFolder(const std::filesystem::path& archive, const std::filesystem::path& folder) {
  PackResult result;
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(folder, error).lexically_normal();
  if (!absolute.has_filename()) absolute = absolute.parent_path();
  std::string top = absolute.filename().string();
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0) {
    result.error = str("cannot read the folder ", folder.string(), " (", std::strerror(errno), ")");
    return result;
  }
  if (!S_ISDIR(status.st_mode)) {
    result.error = str(folder.string(), " is not a folder");
    return result;
  }
  if (top.empty() || top == "." || top == "..") {
    result.error = str(folder.string(), " has no name to start the member names with");
    return result;
  }
  if (top.find('\\') != std::string::npos) {
    result.error = str(folder.string(), ": a name with a backslash cannot be a member name");
    return result;
  }

  TreeWalk walk(archive);
  result.error = walk.add(folder, top, status);
  if (!result.error.empty()) return result;
  for (const PackItem& item : walk.items) {
    if (std::string problem = checkMemberName(item.name); !problem.empty()) {
      result.error = str(item.path.string(), ": ", problem);
      return result;
    }
  }

  std::filesystem::path temporary;
  result.error = createTemporaryBeside(archive, temporary);
  if (!result.error.empty()) return result;
  RarWriter writer;
  bool written = writer.create(temporary);
  for (const PackItem& item : walk.items) {
    if (!written) break;
    if (quitRequested()) {
      written = false;
      result.error = "interrupted";
      break;
    }
    if (item.folder) {
      written = writer.addFolder(item.name, item.modified);
      ++result.emptyFolders;
    } else {
      written = writer.addFile(item.name, item.path);
      ++result.files;
      result.bytes += item.size;
    }
  }
  written = written && writer.finish();
  if (written && std::rename(temporary.c_str(), archive.c_str()) != 0) {
    result.error = str("cannot write ", archive.string(), " (", std::strerror(errno), ")");
  } else if (!written && result.error.empty()) {
    result.error = writer.error();
  }
  if (!result.error.empty()) std::filesystem::remove(temporary, error);
  return result;
}

}  // namespace vesk
