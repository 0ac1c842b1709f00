#include "authoring/FileReplace.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/FileHandle.h"
#include "base/Text.h"

namespace vesk {

std::string createTemporaryBeside(const std::filesystem::path& target,
                                  std::filesystem::path& made) {
  std::string pattern = target.string() + ".tmpXXXXXX";
  int descriptor = mkstemp(pattern.data());
  if (descriptor < 0) {
    return str("cannot create a file beside ", target.string(), " (", std::strerror(errno), ")");
  }
  mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor, 0666 & ~mask);
  close(descriptor);
  made = pattern;
  return {};
}

bool replaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                 std::string& error) {
  std::filesystem::path temporary;
  error = createTemporaryBeside(path, temporary);
  if (!error.empty()) return false;
  FileHandle file = FileHandle::open(temporary, "wb");
  // Files that cannot be synchronised (devices) are not an error.
  bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
                 std::fflush(file.get()) == 0 &&
                 (fsync(fileno(file.get())) == 0 || errno == EINVAL || errno == ENOTSUP);
  int code = errno;
  if (written) {
    written = file.close();
    code = errno;
  } else {
    file.reset();
  }
  if (written && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  if (written) code = errno;
  error = str("cannot write ", path.string(), " (", std::strerror(code), ")");
  std::error_code ignored;
  std::filesystem::remove(temporary, ignored);
  return false;
}

}  // namespace vesk
