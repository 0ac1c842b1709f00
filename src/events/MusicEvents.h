// The music's cue schedule: events registered under cue codes, sent on the main thread when
// the music plays the matching cue note.
//
// The sound thread hands each cue code over with `onSync`; the main thread sends the events
// of the codes received since the last frame with `dispatch`. Only the pending codes are
// shared, and only under the lock, which is never held while events are sent.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "base/Memory.h"
#include "events/Event.h"
#include "events/MusicLock.h"

namespace vesk {

// Closes a sequence of cues given to `add`; it is not registered.
inline constexpr std::int32_t VK_END_OF_CUES = -1;
inline constexpr std::chrono::milliseconds kMusicLockTimeout{10000};

struct CueEvent {
  std::int32_t code;
  Event event;
};

class MusicEvents : public MemoryItem {
 public:
  MusicEvents();
  // With a lock of the caller's choice; null is reported as a lock that could not be created,
  // and the schedule then loses every code.
  explicit MusicEvents(Owned<MusicLock> lock,
                       std::chrono::milliseconds lockTimeout = kMusicLockTimeout);

  // Registers a copy of each event under its code, after those already registered under it,
  // up to the end marker (all of them when there is none). Before the music starts only.
  void add(std::span<const CueEvent> cues);

  // The cue code of an instrument-played report: volume (high half) + 64 × note (low half).
  static std::int32_t cueCode(std::uint32_t data);

  // On the sound thread: queues a cue code.
  void onSync(std::int32_t code);
  // On the main thread, once per frame: sends every event of each queued code, in order.
  void dispatch();

 private:
  // Runs `step` holding the lock and reports every way of not getting it; true when it ran.
  bool underLock(const std::function<void()>& step);

  std::multimap<std::int32_t, Event> _cues;
  std::vector<std::int32_t> _pending;      // shared, under _lock
  std::vector<std::int32_t> _dispatching;  // main thread only; keeps its capacity
  Owned<MusicLock> _lock;
  std::chrono::milliseconds _lockTimeout;
};

}  // namespace vesk
