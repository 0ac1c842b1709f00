// The program's only access to audio: tracker modules played through libxmp, mixed into the
// SDL2 audio device at 44100 Hz stereo, and the cue notes of instrument 15 reported to the sync
// callbacks when they are heard.
//
// Outputs. `Device` plays through the default audio device and, when there is none, falls back
// to a silent output whose thread pulls the mix at real-time pace, so the show and its cues run
// in time either way. `Manual` has no thread: the caller pulls each block with `renderFrames`
// (the capture tool, `vesk-cues`), the cues of a block are raised inside that call, and two runs
// give the same bytes and the same cue frames. All outputs mix with the same code.
//
// Live cues are raised on a thread of their own (never the main thread) at the moment the note
// is heard: the mix runs ahead of the ear by the output latency and each cue is held back by it.
//
// Handles are 32-bit and never 0; 0 means failure. Failures are reported as fatal errors naming
// the operation, after which the operation finishes its bookkeeping. Operations run on the main
// thread; the callbacks must touch nothing of Sound.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string_view>
#include <vector>

#include "base/Memory.h"
#include "events/EventTarget.h"
#include "sound/AudioOutput.h"
#include "sound/CueScheduler.h"
#include "sound/Mixer.h"

namespace vesk {

inline constexpr int kSoundRate = 44100;

// The sync callback: sync handle, module handle, data = note + 65536 × volume, user value.
using SyncProc = void (*)(std::uint32_t sync, std::uint32_t channel, std::uint32_t data,
                          void* user);

enum class SoundOutput {
  Device,  // the audio device, or the silent output when there is none
  Silent,  // the silent output even when there is a device
  Manual,  // no output of its own: the caller pulls blocks with renderFrames
};

// A cue as it is raised: which module, its data word, the output frame at which it is heard and,
// on a live output, when that is on the steady clock.
struct CueReport {
  std::uint32_t module = 0;
  std::uint32_t data = 0;
  std::uint64_t frame = 0;
  std::chrono::steady_clock::time_point heard{};  // live outputs only
};

class Sound : public EventTarget {
 public:
  // The instance, made on the first call.
  static Sound& getInstance();
  // The instance if there is one (the reserved target name "SOUND"), else null.
  static Sound* existingInstance();
  static void destroyInstance();

  ~Sound() override;

  // Starts the output. With `Device`, no audio device is no error: the silent output takes its
  // place. A second init while initialised does nothing.
  void init(SoundOutput output = SoundOutput::Device);
  // Only when initialised: stops and closes the output. Loaded modules stay loaded.
  void shutdown();
  // Pause and resume act on the whole output; stop halts it like a pause.
  void pause();
  void resume();
  void stop();

  // A data file (through File::get) as a module. 0 after a fatal error when it is not one.
  std::uint32_t moduleLoad(std::string_view fileName);
  // The same from bytes in hand; `name` is what the error message names. Sound keeps the
  // buffer in its pool until the module is freed. A module that does not loop plays once.
  std::uint32_t moduleLoad(std::string_view name, Bytes bytes, std::size_t size, bool loop = true);
  void moduleFree(std::uint32_t handle);
  // Plays the module from where it stopped and lists it as playing (also when it fails).
  void modulePlay(std::uint32_t handle);
  // Calls `callback` for every cue note the module plays; several callbacks may be installed.
  // Returns the sync handle, 0 on failure.
  std::uint32_t moduleSetCallback(std::uint32_t handle, SyncProc callback, void* user = nullptr);
  // Stops the module and removes every listing of it from the playing list.
  void channelStop(std::uint32_t handle);
  // Takes a stopped module back to its start; the next modulePlay plays it from there.
  void moduleRewind(std::uint32_t handle);
  // Volume 0..100, linear.
  void channelSetVolume(std::uint32_t handle, int volume);
  // channelSetVolume for every listing of the playing list, in order.
  void setVolumeAll(int volume);

  bool initialised() const { return _initialised; }
  bool paused() const { return _paused; }
  // What init chose: Device, Silent (also when the device was missing) or Manual.
  SoundOutput output() const { return _output; }
  const std::vector<std::uint32_t>& playing() const { return _playing; }
  // True once a module loaded without looping has played through.
  bool moduleEnded(std::uint32_t handle) const;
  // Module buffers held in the pool.
  std::size_t poolSize() const { return _pool.size(); }

  // Manual output: mixes the next `frames` stereo frames into `out` (2 × frames values) and
  // raises the cues heard in them, on the calling thread, before returning. While paused the
  // block is silent and nothing moves on. Returns the frames written (0 on another output).
  std::size_t renderFrames(std::int16_t* out, std::size_t frames);
  // Frames mixed so far.
  std::uint64_t renderedFrames() const { return _mixer.position(); }

  // Sees every cue as it is raised, before the sync callbacks, on the raising thread.
  void setCueObserver(std::function<void(const CueReport&)> observer);
  // On (the default): live cues are held back until heard. Off: raised as soon as mixed.
  void setLatencyCompensation(bool on) { _compensate = on; }
  // The live output's latency (0 for the silent and manual outputs).
  std::chrono::microseconds outputLatency() const;

 private:
  Sound();
  template <class T, class... Args>
  friend Owned<T> make(Site site, Args&&... args);

  struct Sync {
    std::uint32_t sync;
    SyncProc callback;
    void* user;
  };

  // The live output's pull, on its thread.
  void pullLive(std::int16_t* out, std::size_t frames, std::chrono::steady_clock::time_point heard);
  void raise(const Cue& cue, std::chrono::steady_clock::time_point heard);

  Mixer _mixer;
  CueScheduler _scheduler;
  Owned<AudioOutput> _live;
  std::vector<std::uint32_t> _playing;
  std::map<std::uint32_t, Bytes> _pool;  // module handle → the buffer it was loaded from
  bool _initialised = false;
  bool _paused = false;
  SoundOutput _output = SoundOutput::Device;
  std::atomic<bool> _compensate{true};

  mutable std::mutex _syncMutex;  // guards _syncs and _observer
  std::map<std::uint32_t, std::vector<Sync>> _syncs;
  std::uint32_t _lastSync = 0;
  std::function<void(const CueReport&)> _observer;

  std::vector<Cue> _liveCues;    // the live output's thread only
  std::vector<Cue> _manualCues;  // the renderFrames caller only
};

}  // namespace vesk
