// Mixes every playing module into one 16-bit stereo stream and finds the cue notes on the way,
// each stamped with the output frame at which it is heard.
//
// The output (an audio device, the silent thread, or a caller pulling frames for a capture)
// asks for blocks with `render`; nothing here knows the time of day, so the same modules give
// the same bytes and the same cue frames however the blocks are cut. Every operation may be
// called from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "base/Memory.h"
#include "sound/ModulePlayer.h"

namespace vesk {

struct Cue {
  std::uint32_t module = 0;
  std::uint32_t data = 0;   // note + 65536 × volume
  std::uint64_t frame = 0;  // output frame (counted from the first frame mixed) of the note
};

class Mixer {
 public:
  Mixer() = default;
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;
  ~Mixer();

  // Takes the module in; it stays silent until played. Returns its handle (never 0).
  std::uint32_t add(Owned<ModulePlayer> module);
  // Each of these is false when the handle names no module.
  bool remove(std::uint32_t handle);
  // Playing resumes where the module stopped.
  bool play(std::uint32_t handle);
  bool stop(std::uint32_t handle);
  // Back to the module's start; it plays or stays stopped as before.
  bool rewind(std::uint32_t handle);
  bool setVolume(std::uint32_t handle, int volume);  // 0..100, linear
  bool contains(std::uint32_t handle) const;
  // True once a module that does not loop has played through.
  bool ended(std::uint32_t handle) const;
  void removeAll();

  // Mixes the next `frames` stereo frames into `out` and appends the cue notes they start, in
  // frame order. Returns the output frame of out[0].
  std::uint64_t render(std::int16_t* out, std::size_t frames, std::vector<Cue>& cues);
  // Frames mixed so far.
  std::uint64_t position() const;

 private:
  struct Voice {
    Owned<ModulePlayer> module;
    bool playing = false;
    bool ended = false;
    int volume = 100;
    std::size_t tickOffset = 0;  // frames of the current tick already mixed
  };

  void mixVoice(std::uint32_t handle, Voice& voice, std::size_t frames, std::vector<Cue>& cues);

  mutable std::mutex _mutex;
  std::map<std::uint32_t, Voice> _voices;  // mixed in handle order
  std::uint32_t _lastHandle = 0;
  std::uint64_t _position = 0;
  std::vector<std::int32_t> _sum;  // the block being mixed, before clipping
};

}  // namespace vesk
