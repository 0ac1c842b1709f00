// Reads members of a RAR archive (versions 1.5 to 4: stored, RAR 2.0 and RAR 2.9 methods,
// solid archives). Member names match with '\' and '/' treated alike, so a member stored as
// "data\textures\white.png" is found under that name or "data/textures/white.png".
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/Memory.h"

namespace vesk {

struct ArchiveMember {
  Bytes data;  // a plain heap block: freeing it changes no memory counter
  std::size_t size = 0;
  // Why the member could not be read; empty on success. It names neither the archive nor the
  // member: callers add them.
  std::string error;

  explicit operator bool() const { return error.empty(); }
};

// One member's bytes in a new buffer. Fails clearly (never crashes) for a missing archive or
// member, an unsupported method, a bad checksum or a truncated archive; encrypted members,
// members split across volumes and members of 4 GiB or more are refused.
ArchiveMember readArchiveMember(const std::filesystem::path& archive, std::string_view member);

struct ArchiveEntry {
  std::string name;  // with '\' separators, as data file names are written
  std::uint64_t size = 0;
};

struct ArchiveListing {
  std::vector<ArchiveEntry> entries;
  std::string error;  // empty when the whole archive was listed
  explicit operator bool() const { return error.empty(); }
};

// The files an archive holds, in archive order.
ArchiveListing listArchive(const std::filesystem::path& archive);

}  // namespace vesk
