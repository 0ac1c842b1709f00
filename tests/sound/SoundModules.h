// Modules for the sound tests, written by the XM writer, and a recorder for sync callbacks.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "authoring/XmWriter.h"
#include "base/Memory.h"
#include "sound/Sound.h"

namespace vesk::test {

// At 125 BPM a tick lasts 2.5 / 125 s: 882 frames at 44100 Hz.
inline constexpr std::uint64_t kTickFrames = 882;
inline constexpr std::uint8_t kTone = 1;
inline constexpr std::uint8_t kCue = 15;
inline constexpr std::uint8_t kCueDefaultVolume = 33;

inline XmSample squareWave(bool sixteenBit, std::size_t points = 64) {
  XmSample sample;
  sample.name = "square";
  sample.sixteenBit = sixteenBit;
  for (std::size_t i = 0; i < points; ++i) {
    const bool high = i % 32 < 16;
    if (sixteenBit)
      sample.pcm16.push_back(high ? 12000 : -12000);
    else
      sample.pcm8.push_back(high ? 47 : -47);
  }
  sample.loop = XmLoop::Forward;
  sample.loopLength = static_cast<std::uint32_t>(points);
  return sample;
}

// Instrument 1 an audible looping square wave, instrument 15 the silent cue instrument, one
// pattern of `rows` rows at speed 6 and 125 BPM.
inline XmModule cueModule(std::size_t rows = 16, std::size_t channels = 4) {
  XmModule module;
  module.name = "cues";
  module.channels = channels;
  module.patterns.emplace_back(rows, channels);
  module.orders = {0};
  module.instruments.resize(15);
  module.instruments[kTone - 1].name = "tone";
  module.instruments[kTone - 1].samples.push_back(squareWave(false));
  module.instruments[kCue - 1] = xmCueInstrument(kCueDefaultVolume);
  return module;
}

// The data word a cue note reports.
constexpr std::uint32_t cueData(std::uint32_t xmNote, std::uint32_t volume) {
  return (xmNote - 1) + 65536 * volume;
}

inline Bytes bytesOf(const std::vector<std::uint8_t>& data) {
  Bytes bytes = allocateBytes(data.size());
  if (!data.empty()) std::memcpy(bytes.get(), data.data(), data.size());
  return bytes;
}

inline std::uint32_t load(Sound& sound, const XmModule& module, bool loop = true) {
  XmResult written = writeXm(module);
  if (!written) return 0;
  return sound.moduleLoad("test.xm", bytesOf(written.bytes), written.bytes.size(), loop);
}

// What the sync callbacks received, from whichever thread.
class SyncRecorder {
 public:
  struct Received {
    std::uint32_t sync;
    std::uint32_t channel;
    std::uint32_t data;
    std::thread::id thread;
    std::chrono::steady_clock::time_point at;
  };

  static void callback(std::uint32_t sync, std::uint32_t channel, std::uint32_t data, void* user) {
    auto* self = static_cast<SyncRecorder*>(user);
    std::lock_guard lock(self->_mutex);
    self->_received.push_back(
        {sync, channel, data, std::this_thread::get_id(), std::chrono::steady_clock::now()});
  }

  std::vector<Received> received() const {
    std::lock_guard lock(_mutex);
    return _received;
  }
  std::vector<std::uint32_t> data() const {
    std::vector<std::uint32_t> words;
    for (const Received& r : received())
      words.push_back(r.data);
    return words;
  }
  std::size_t count() const {
    std::lock_guard lock(_mutex);
    return _received.size();
  }

 private:
  mutable std::mutex _mutex;
  std::vector<Received> _received;
};

}  // namespace vesk::test
