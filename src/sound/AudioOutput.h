// Where the mix goes live: the SDL2 audio device, or, when there is none, a silent output
// whose thread pulls the mix at the pace the device would, so that the show and its cues run
// in time either way. Both ask for 16-bit stereo blocks through one pull function.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "base/Memory.h"

namespace vesk {

class AudioOutput : public TrackedBlock {
 public:
  // Fills `frames` interleaved stereo frames; `heard` is when the first of them will be heard.
  using Pull = std::function<void(std::int16_t* out, std::size_t frames,
                                  std::chrono::steady_clock::time_point heard)>;

  virtual ~AudioOutput() = default;
  // Starts or stops asking for blocks; a paused output is silent and keeps its place.
  virtual void setPaused(bool paused) = 0;
  // How long after it is pulled a block starts being heard.
  virtual std::chrono::microseconds latency() const = 0;
};

// The default audio device at `rate` Hz; null when there is none that opens. Runs paused
// until told otherwise.
Owned<AudioOutput> openDeviceOutput(int rate, AudioOutput::Pull pull);

// Pulls blocks of `blockFrames` frames from its own thread, each at the moment it would start
// playing; null when the thread cannot be started. Runs paused until told otherwise.
Owned<AudioOutput> openSilentOutput(int rate, AudioOutput::Pull pull,
                                    std::size_t blockFrames = 512);

}  // namespace vesk
