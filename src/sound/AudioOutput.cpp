#include "sound/AudioOutput.h"

#include <SDL.h>

#include <algorithm>
#include <system_error>
#include <utility>

namespace vesk {

namespace {

using std::chrono::steady_clock;

constexpr Uint16 kDeviceBlockFrames = 1024;

std::chrono::microseconds framesToTime(std::uint64_t frames, int rate) {
  return std::chrono::microseconds(frames * 1000000 / static_cast<std::uint64_t>(rate));
}

class DeviceOutput final : public AudioOutput {
 public:
  DeviceOutput(int rate, Pull pull) : _rate(rate), _pull(std::move(pull)) {}

  ~DeviceOutput() override {
    if (_device != 0) SDL_CloseAudioDevice(_device);
    if (_subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  bool open() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    _subsystem = true;
    SDL_AudioSpec wanted{};
    wanted.freq = _rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = kDeviceBlockFrames;
    wanted.callback = &DeviceOutput::callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // SDL converts whatever the device wants, so the mix is always what we asked for.
    _device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (_device == 0) return false;
    // The device plays one block while we fill the next: a block is heard once the one
    // before it has played.
    _latency = framesToTime(obtained.samples, _rate);
    return true;
  }

  void setPaused(bool paused) override { SDL_PauseAudioDevice(_device, paused ? 1 : 0); }
  std::chrono::microseconds latency() const override { return _latency; }

 private:
  static void SDLCALL callback(void* self, Uint8* stream, int bytes) {
    auto* output = static_cast<DeviceOutput*>(self);
    const std::size_t frames = static_cast<std::size_t>(bytes) / (2 * sizeof(std::int16_t));
    output->_pull(reinterpret_cast<std::int16_t*>(stream), frames,
                  steady_clock::now() + output->_latency);
  }

  int _rate;
  Pull _pull;
  bool _subsystem = false;
  SDL_AudioDeviceID _device = 0;
  std::chrono::microseconds _latency{0};
};

class SilentOutput final : public AudioOutput {
 public:
  SilentOutput(int rate, Pull pull, std::size_t blockFrames)
      : _rate(rate), _pull(std::move(pull)), _block(blockFrames * 2) {}

  ~SilentOutput() override {
    {
      std::lock_guard lock(_mutex);
      _quit = true;
    }
    _wake.notify_all();
    if (_thread.joinable()) _thread.join();
  }

  bool start() {
    try {
      _thread = std::thread([this] { run(); });
    } catch (const std::system_error&) {
      return false;
    }
    return true;
  }

  void setPaused(bool paused) override {
    {
      std::lock_guard lock(_mutex);
      if (paused && !_paused) _pausedAt = steady_clock::now();
      _paused = paused;
    }
    _wake.notify_all();
  }
  // A block is "heard" the moment it is pulled.
  std::chrono::microseconds latency() const override { return std::chrono::microseconds(0); }

 private:
  // Block k of a run is due at the run's start + k blocks. A pause ends the run; what the last
  // block still had to play when it came is played first when the next run starts.
  void run() {
    const std::size_t frames = _block.size() / 2;
    steady_clock::duration carry{0};
    std::unique_lock lock(_mutex);
    while (!_quit) {
      if (_paused) {
        _wake.wait(lock);
        continue;
      }
      const steady_clock::time_point start = steady_clock::now() + carry;
      std::uint64_t pulled = 0;
      while (!_quit && !_paused) {
        const steady_clock::time_point due = start + framesToTime(pulled, _rate);
        if (steady_clock::now() < due) {
          _wake.wait_until(lock, due);
          continue;
        }
        lock.unlock();
        _pull(_block.data(), frames, due);
        lock.lock();
        pulled += frames;
      }
      carry = std::max(steady_clock::duration(0), start + framesToTime(pulled, _rate) - _pausedAt);
    }
  }

  int _rate;
  Pull _pull;
  std::vector<std::int16_t> _block;
  std::mutex _mutex;
  std::condition_variable _wake;
  bool _paused = true;
  steady_clock::time_point _pausedAt;
  bool _quit = false;
  std::thread _thread;
};

}  // namespace

Owned<AudioOutput> openDeviceOutput(int rate, AudioOutput::Pull pull) {
  auto output = make<DeviceOutput>(here(), rate, std::move(pull));
  if (!output->open()) return nullptr;
  return output;
}

Owned<AudioOutput> openSilentOutput(int rate, AudioOutput::Pull pull, std::size_t blockFrames) {
  auto output = make<SilentOutput>(here(), rate, std::move(pull), blockFrames);
  if (!output->start()) return nullptr;
  return output;
}

}  // namespace vesk
