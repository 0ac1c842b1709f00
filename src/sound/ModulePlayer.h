// One tracker module played tick by tick through its own libxmp player, with the cue notes
// each tick starts.
//
// A cue note is a pattern cell whose instrument column is 15 and whose note is one of the 96
// notes (key-offs and cells without the instrument column are no cues), whatever the cell's
// effects. Its report is the sync data word: note + 65536 × volume, the note counted from
// C-0 = 0 and the volume 0..64 taken from the cell's volume column, or else from the default
// volume of the sample that the instrument plays for that note (0 when there is none).
// The rows come from the player, so pattern breaks, jumps, loops and delays are followed as
// they are heard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/Memory.h"

struct xmp_module;

namespace vesk {

inline constexpr int kCueInstrument = 15;

// The cue data words of a pattern row, in channel order (libxmp's own module data).
void cueNotesOfRow(const xmp_module& module, int pattern, int row, std::vector<std::uint32_t>& out);

class ModulePlayer : public TrackedBlock {
 public:
  // Null when the bytes are not a module the library can play. The bytes are not kept.
  static Owned<ModulePlayer> load(const std::uint8_t* bytes, std::size_t size, int rate);
  ~ModulePlayer();
  ModulePlayer(const ModulePlayer&) = delete;
  ModulePlayer& operator=(const ModulePlayer&) = delete;

  // Plays the next tick. False when nothing more comes: a module that does not loop ends
  // after its first pass through the song.
  bool nextTick();
  // The last tick's sound: interleaved 16-bit stereo frames.
  std::span<const std::int16_t> tickAudio() const { return _audio; }
  std::size_t tickFrames() const { return _audio.size() / 2; }
  // The cue notes the last tick started (a tick that begins a row starts that row's notes).
  const std::vector<std::uint32_t>& tickCues() const { return _cues; }

  void setLooping(bool looping) { _looping = looping; }
  // Back to the start of the song, as if just loaded; false when the library refuses.
  bool rewind();

 private:
  ModulePlayer(char* context, int rate);
  template <class T, class... Args>
  friend Owned<T> make(Site site, Args&&... args);

  char* _context;  // xmp_context
  int _rate;
  const xmp_module* _module = nullptr;
  std::span<const std::int16_t> _audio;
  std::vector<std::uint32_t> _cues;
  bool _looping = true;
  bool _ended = false;
};

}  // namespace vesk
