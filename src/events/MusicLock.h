// The lock that guards the cue codes passed from the sound thread to the main thread, with a
// timed wait whose every outcome the music schedule reports.
#pragma once

#include <chrono>

#include "base/Memory.h"

namespace vesk {

class MusicLock : public MemoryItem {
 public:
  enum class WaitResult {
    Acquired,
    TimedOut,
    // Obtained, but its previous holder ended without releasing it: the caller holds the lock
    // and must release it, yet what it guards may be half-written.
    Abandoned,
    Failed,  // not obtained for another reason
  };

  virtual WaitResult wait(std::chrono::milliseconds timeout) = 0;
  // False when the lock could not be released.
  virtual bool release() = 0;
};

// The ordinary lock: a timed mutex. It is never abandoned and its release never fails.
Owned<MusicLock> makeMusicLock();

}  // namespace vesk
