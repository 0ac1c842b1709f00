// Writes 16-bit stereo PCM to a WAV file, block by block, as a capture renders the show's sound.
// The sizes in the header are filled in by `finish`.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "base/FileHandle.h"

namespace vesk {

class WavWriter {
 public:
  WavWriter() = default;
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;
  // Closes an unfinished file as it is.
  ~WavWriter() = default;

  bool open(const std::filesystem::path& path, int rate = 44100);
  // `frames` interleaved stereo frames.
  bool write(const std::int16_t* samples, std::size_t frames);
  // Writes the sizes and closes the file.
  bool finish();

  std::uint64_t frames() const { return _frames; }
  const std::string& error() const { return _error; }

 private:
  bool fail(std::string message);

  FileHandle _file;
  std::uint64_t _frames = 0;
  int _rate = 44100;
  std::string _error;
};

}  // namespace vesk
