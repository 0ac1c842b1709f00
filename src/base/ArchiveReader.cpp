#include "base/ArchiveReader.h"

#include <sys/stat.h>
#include <unarr.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "base/ByteOrder.h"
#include "base/FileHandle.h"
#include "base/RarFormat.h"
#include "base/Text.h"

namespace vesk {

namespace {

// unarr decompresses and checks the data's CRC, but it neither tells the method of a member
// nor bounds the sizes a header declares. The reader therefore reads each file header itself
// (RAR 1.5 to 4 block layout) before trusting unarr with the member.

// A compressed member's buffer grows with what unarr really produces, so a header that
// declares gigabytes costs nothing until the data proves it.
constexpr std::size_t kFirstChunk = std::size_t(1) << 20;

struct MemberHeader {
  std::uint16_t flags = 0;
  std::uint64_t packSize = 0;
  std::uint64_t unpackSize = 0;
  std::uint8_t version = 0;  // the RAR version needed to extract, times ten
  std::uint8_t method = 0;
  std::uint64_t dataEnd = 0;  // offset just past the packed data
};

bool sameName(std::string_view stored, std::string_view wanted) {
  if (stored.size() != wanted.size()) return false;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    char a = stored[i] == '\\' ? '/' : stored[i];
    char b = wanted[i] == '\\' ? '/' : wanted[i];
    if (a != b) return false;
  }
  return true;
}

std::string withBackslashes(std::string_view name) {
  std::string result(name);
  std::replace(result.begin(), result.end(), '/', '\\');
  return result;
}

// unarr is used by one thread at a time: it converts the DOS time of every header it parses
// with mktime and gmtime, whose result lives in the C library's one static buffer, so two
// threads parsing headers at once (the main thread and a picture decoded ahead) race on it.
std::mutex& unarrMutex() {
  static std::mutex mutex;
  return mutex;
}

// An archive opened twice: through unarr, and as a plain file for reading headers. While it is
// open, no other thread uses unarr.
class OpenArchive {
 public:
  OpenArchive() = default;
  OpenArchive(const OpenArchive&) = delete;
  OpenArchive& operator=(const OpenArchive&) = delete;
  ~OpenArchive() {
    if (_archive) ar_close_archive(_archive);
    if (_stream) ar_close(_stream);
  }

  // Empty on success, else why the archive cannot be read.
  std::string open(const std::filesystem::path& path) {
    _raw = FileHandle::open(path, "rb");
    if (!_raw) {
      return errno == ENOENT ? std::string("archive not found")
                             : str("cannot open the archive (", std::strerror(errno), ")");
    }
    struct stat status {};
    if (fstat(fileno(_raw.get()), &status) != 0 || !S_ISREG(status.st_mode)) {
      return "the archive is not a regular file";
    }
    _fileSize = static_cast<std::uint64_t>(status.st_size);
    _identity = {status.st_dev, status.st_ino, _fileSize, status.st_mtim.tv_sec,
                 status.st_mtim.tv_nsec};
    _unarr.lock();
    _stream = ar_open_file(path.c_str());
    if (!_stream) return "cannot open the archive";
    _archive = ar_open_rar_archive(_stream);
    if (!_archive) return "not a RAR archive, or its first header is damaged";
    return {};
  }

  ar_archive* archive() const { return _archive; }

  // Which file this is, as it is now: a rewritten archive is another one.
  struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t seconds = 0, nanoseconds = 0;
    bool operator==(const Identity&) const = default;
  };
  const Identity& identity() const { return _identity; }

  // Reads the file header of the entry unarr just parsed and checks that unarr may be asked for
  // its data. Empty on success.
  std::string inspectEntry(MemberHeader& header) {
    off64_t offset = ar_entry_get_offset(_archive);
    std::uint8_t bytes[rar::kLargeFileHeaderSize] = {};
    std::size_t got = 0;
    if (offset >= 0 && fseeko(_raw.get(), offset, SEEK_SET) == 0) {
      got = std::fread(bytes, 1, sizeof bytes, _raw.get());
    }
    if (got < rar::kFileHeaderSize || bytes[rar::kTypeAt] != rar::kFileBlock) {
      return "its header is damaged";
    }
    header.flags = loadLe16(bytes + rar::kFlagsAt);
    std::size_t headSize = loadLe16(bytes + rar::kHeaderSizeAt);
    header.packSize = loadLe32(bytes + rar::kPackSizeAt);
    header.unpackSize = loadLe32(bytes + rar::kUnpackSizeAt);
    header.version = bytes[rar::kVersionAt];
    header.method = bytes[rar::kMethodAt];
    if (header.flags & rar::kLargeSizes) {
      if (got < rar::kLargeFileHeaderSize || headSize < rar::kLargeFileHeaderSize) {
        return "its header is damaged";
      }
      header.packSize |= std::uint64_t(loadLe32(bytes + rar::kHighPackSizeAt)) << 32;
      header.unpackSize |= std::uint64_t(loadLe32(bytes + rar::kHighUnpackSizeAt)) << 32;
    } else if (headSize < rar::kFileHeaderSize) {
      return "its header is damaged";
    }
    header.dataEnd = std::uint64_t(offset) + headSize + header.packSize;
    if (header.packSize > _fileSize || header.dataEnd > _fileSize) {
      return "the archive is truncated: the member's data goes past its end";
    }
    return {};
  }

 private:
  FileHandle _raw;
  std::uint64_t _fileSize = 0;
  Identity _identity;
  std::unique_lock<std::mutex> _unarr{unarrMutex(), std::defer_lock};  // until unarr is closed
  ar_stream* _stream = nullptr;
  ar_archive* _archive = nullptr;
};

std::string checkExtractable(const MemberHeader& header, std::size_t sizeFromUnarr) {
  if (header.flags & rar::kEncrypted) return "the member is encrypted, which is not supported";
  if (header.flags & (rar::kSplitBefore | rar::kSplitAfter)) {
    return "the member spans several volumes, which is not supported";
  }
  // Callers keep sizes in 32 bits, as the writer does.
  if (header.unpackSize > rar::kLargestMember) {
    return str("the member declares ", header.unpackSize, " bytes; 4 GiB or more is refused");
  }
  if (header.unpackSize != sizeFromUnarr) return "the member's header is damaged";
  if (header.method == rar::kStored) {
    if (header.packSize != header.unpackSize) {
      return "the member's header is damaged: its stored and declared sizes differ";
    }
    return {};
  }
  if (header.method > rar::kBestMethod) return "the member uses an unknown compression method";
  if (header.version < rar::kVersion20) {
    return "the member uses the RAR 1.5 compression method, which is not supported";
  }
  return {};
}

void extract(ar_archive* archive, const MemberHeader& header, ArchiveMember& member) {
  const std::size_t size = static_cast<std::size_t>(header.unpackSize);
  // A stored member's size is bounded by the archive file, so its buffer is taken at once.
  std::size_t capacity = header.method == rar::kStored ? size : std::min(size, kFirstChunk);
  auto* block = static_cast<std::uint8_t*>(std::malloc(std::max<std::size_t>(capacity, 1)));
  if (!block) {
    member.error = str("not enough memory for ", capacity, " bytes");
    return;
  }
  member.data.reset(block);
  std::size_t done = 0;
  while (done < size) {
    if (done == capacity) {
      std::size_t grown = std::min(size, capacity * 2);
      auto* larger = static_cast<std::uint8_t*>(std::realloc(member.data.get(), grown));
      if (!larger) {
        member.data.reset();
        member.error = str("not enough memory for ", grown, " bytes");
        return;
      }
      (void)member.data.release();
      member.data.reset(larger);
      capacity = grown;
    }
    if (!ar_entry_uncompress(archive, member.data.get() + done, capacity - done)) {
      member.data.reset();
      member.error = "the member's data is damaged (a bad checksum or corrupt compressed data)";
      return;
    }
    done = capacity;
  }
  member.size = size;
}

// Where each member's header starts in the last archive read whole, so that reading the show's
// members one by one does not walk the archive's headers from its start every time. Only an
// archive listed to its end without a fault is indexed; any other is walked as before.
class MemberIndex {
 public:
  // The member's header offset: found, not in the indexed archive, or the archive is unknown.
  enum class Lookup { Found, Absent, Unknown };
  Lookup find(const OpenArchive::Identity& identity, std::string_view name, off64_t& offset) {
    std::lock_guard lock(_mutex);
    if (!_complete || !(identity == _identity)) return Lookup::Unknown;
    auto entry = _offsets.find(slashed(name));
    if (entry == _offsets.end()) return Lookup::Absent;
    offset = entry->second;
    return Lookup::Found;
  }
  // Walks the whole archive (opened and not yet parsed) and keeps the offsets.
  void build(OpenArchive& archive) {
    std::map<std::string, off64_t, std::less<>> offsets;
    while (ar_parse_entry(archive.archive())) {
      const char* entryName = ar_entry_get_name(archive.archive());
      if (!entryName) return;
      // The first of two members of the same name is the one a walk finds.
      offsets.emplace(slashed(entryName), ar_entry_get_offset(archive.archive()));
    }
    if (!ar_at_eof(archive.archive())) return;
    std::lock_guard lock(_mutex);
    _identity = archive.identity();
    _offsets = std::move(offsets);
    _complete = true;
  }

 private:
  static std::string slashed(std::string_view name) {
    std::string result(name);
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
  }

  std::mutex _mutex;
  bool _complete = false;
  OpenArchive::Identity _identity;
  std::map<std::string, off64_t, std::less<>> _offsets;
};

MemberIndex& memberIndex() {
  static MemberIndex index;
  return index;
}

// The member unarr has just parsed, checked and extracted.
void readParsed(OpenArchive& archive, ArchiveMember& member) {
  MemberHeader header;
  member.error = archive.inspectEntry(header);
  if (member.error.empty()) {
    member.error = checkExtractable(header, ar_entry_get_size(archive.archive()));
  }
  if (member.error.empty()) extract(archive.archive(), header, member);
}

}  // namespace

ArchiveMember readArchiveMember(const std::filesystem::path& path, std::string_view name) {
  ArchiveMember member;
  {
    OpenArchive archive;
    member.error = archive.open(path);
    if (!member.error.empty()) return member;
    off64_t offset = 0;
    MemberIndex::Lookup lookup = memberIndex().find(archive.identity(), name, offset);
    if (lookup == MemberIndex::Lookup::Unknown) {
      memberIndex().build(archive);
      lookup = memberIndex().find(archive.identity(), name, offset);
    }
    if (lookup == MemberIndex::Lookup::Found && ar_parse_entry_at(archive.archive(), offset)) {
      const char* entryName = ar_entry_get_name(archive.archive());
      if (entryName && sameName(entryName, name)) {
        readParsed(archive, member);
        return member;
      }
    }
  }
  // Not indexed (a damaged archive), or not where the index says: the headers are walked from
  // the start. A name the index does not know is looked for too, since a file rewritten within
  // the clock's granularity at the same size can look unchanged.
  OpenArchive archive;
  member.error = archive.open(path);
  if (!member.error.empty()) return member;
  while (ar_parse_entry(archive.archive())) {
    const char* entryName = ar_entry_get_name(archive.archive());
    if (!entryName || !sameName(entryName, name)) continue;
    readParsed(archive, member);
    return member;
  }
  member.error = ar_at_eof(archive.archive())
                     ? "not found in the archive"
                     : "the archive is damaged or truncated before the member was found";
  return member;
}

ArchiveListing listArchive(const std::filesystem::path& path) {
  ArchiveListing listing;
  OpenArchive archive;
  listing.error = archive.open(path);
  if (!listing.error.empty()) return listing;
  while (ar_parse_entry(archive.archive())) {
    const char* entryName = ar_entry_get_name(archive.archive());
    MemberHeader header;
    if (!entryName) {
      listing.error = str("the name of member ", listing.entries.size() + 1, " cannot be read");
      return listing;
    }
    std::string problem = archive.inspectEntry(header);
    if (!problem.empty()) {
      listing.error = str(withBackslashes(entryName), ": ", problem);
      return listing;
    }
    listing.entries.push_back({withBackslashes(entryName), header.unpackSize});
  }
  if (!ar_at_eof(archive.archive())) {
    listing.error =
        str("the archive is damaged or truncated after ", listing.entries.size(), " members");
  }
  return listing;
}

}  // namespace vesk
