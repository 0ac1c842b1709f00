#include "base/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "base/Text.h"

namespace vesk {

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : _fd(fd) {}
  ~Descriptor() {
    if (_fd >= 0) ::close(_fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return _fd; }

 private:
  int _fd;
};

FileContent failed(std::string error, bool missing = false) {
  FileContent content;
  content.error = std::move(error);
  content.missing = missing;
  return content;
}

}  // namespace

FileContent readRegularFile(const std::filesystem::path& path, std::size_t maxSize) {
  // Without O_NONBLOCK, opening a pipe would wait for a writer.
  Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return failed("not found", true);
    return failed(std::strerror(errno));
  }
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) return failed(std::strerror(errno));
  if (S_ISDIR(status.st_mode)) return failed("a folder, not a file");
  if (!S_ISREG(status.st_mode)) return failed("not a regular file");
  const auto size = static_cast<std::uint64_t>(status.st_size);
  if (size > maxSize) return failed(str("larger than ", maxSize, " bytes"));

  FileContent content;
  content.data = allocateBytes(static_cast<std::size_t>(size));
  if (!content.data) return failed(str("not enough memory for ", size, " bytes"));
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(file.get(), content.data.get() + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return failed(str("cannot be read (", std::strerror(errno), ")"));
    if (got == 0) return failed("shorter than its size: it changed while it was read");
    done += static_cast<std::size_t>(got);
  }
  content.size = done;
  return content;
}

}  // namespace vesk
