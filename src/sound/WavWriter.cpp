#include "sound/WavWriter.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <utility>

#include "base/ByteOrder.h"

namespace vesk {

namespace {

constexpr std::uint32_t kChannels = 2;
constexpr std::uint32_t kBytesPerFrame = kChannels * sizeof(std::int16_t);
constexpr std::size_t kHeaderSize = 44;
// The RIFF size field counts the file after its first 8 bytes in 32 bits.
constexpr std::uint64_t kLargestData = std::numeric_limits<std::uint32_t>::max() - 36;

std::array<std::uint8_t, kHeaderSize> header(int rate, std::uint32_t dataBytes) {
  std::array<std::uint8_t, kHeaderSize> h{'R', 'I', 'F', 'F', 0,   0,  0, 0, 'W', 'A', 'V',
                                          'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,   1,   0};
  storeLe32(&h[4], 36 + dataBytes);
  storeLe16(&h[22], kChannels);
  storeLe32(&h[24], static_cast<std::uint32_t>(rate));
  storeLe32(&h[28], static_cast<std::uint32_t>(rate) * kBytesPerFrame);
  storeLe16(&h[32], kBytesPerFrame);
  storeLe16(&h[34], 16);
  h[36] = 'd';
  h[37] = 'a';
  h[38] = 't';
  h[39] = 'a';
  storeLe32(&h[40], dataBytes);
  return h;
}

}  // namespace

bool WavWriter::fail(std::string message) {
  _error = std::move(message);
  _file.reset();
  return false;
}

bool WavWriter::open(const std::filesystem::path& path, int rate) {
  _file.reset();
  _frames = 0;
  _rate = rate;
  _error.clear();
  _file = FileHandle::open(path, "wb");
  if (!_file) return fail("cannot create " + path.string());
  const auto h = header(rate, 0);
  if (std::fwrite(h.data(), 1, h.size(), _file.get()) != h.size())
    return fail("cannot write " + path.string());
  return true;
}

bool WavWriter::write(const std::int16_t* samples, std::size_t frames) {
  if (!_file) return fail(_error.empty() ? "no file is open" : _error);
  if ((_frames + frames) * kBytesPerFrame > kLargestData)
    return fail("the sound is too long for a WAV file");
  // Samples are written little-endian whatever the machine.
  std::array<std::uint8_t, 4096> buffer;
  std::size_t values = frames * kChannels;
  while (values > 0) {
    const std::size_t count = std::min(values, buffer.size() / 2);
    for (std::size_t i = 0; i < count; ++i)
      storeLe16(&buffer[i * 2], static_cast<std::uint16_t>(samples[i]));
    if (std::fwrite(buffer.data(), 2, count, _file.get()) != count)
      return fail("cannot write the sound");
    samples += count;
    values -= count;
  }
  _frames += frames;
  return true;
}

bool WavWriter::finish() {
  if (!_file) return fail(_error.empty() ? "no file is open" : _error);
  const auto h = header(_rate, static_cast<std::uint32_t>(_frames * kBytesPerFrame));
  if (std::fseek(_file.get(), 0, SEEK_SET) != 0 ||
      std::fwrite(h.data(), 1, h.size(), _file.get()) != h.size())
    return fail("cannot write the header");
  if (!_file.close()) return fail("cannot close the file");
  return true;
}

}  // namespace vesk
