// A C stream that closes itself. A writer that must know its data reached the file calls
// `close()` and checks it: a failing fclose can mean buffered data was lost. Any other way a
// handle lets go of its stream (destruction, `reset()`, assignment) ignores the result.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>

namespace vesk {

class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(std::FILE* file) : _file(file) {}

  // fopen: an empty handle, with errno set, when the file cannot be opened.
  static FileHandle open(const std::filesystem::path& path, const char* mode) {
    return FileHandle(std::fopen(path.c_str(), mode));
  }

  std::FILE* get() const { return _file.get(); }
  explicit operator bool() const { return _file != nullptr; }

  // Closes the stream; false (errno set) when fclose fails. An empty handle closes at once.
  [[nodiscard]] bool close() {
    std::FILE* file = _file.release();
    return !file || std::fclose(file) == 0;
  }
  // Closes the stream for a caller that has already given up on it.
  void reset() { _file.reset(); }

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Closer> _file;
};

}  // namespace vesk
