#include "events/MusicEvents.h"

#include <functional>

#include <utility>

#include "base/Diagnosis.h"
#include "base/Log.h"

namespace vesk {

MusicEvents::MusicEvents() : MusicEvents(makeMusicLock()) {}

MusicEvents::MusicEvents(Owned<MusicLock> lock, std::chrono::milliseconds lockTimeout)
    : _lock(std::move(lock)), _lockTimeout(lockTimeout) {
  if (!_lock) fatal("Could not create MusicEvents mutex", here());
}

void MusicEvents::add(std::span<const CueEvent> cues) {
  for (const CueEvent& cue : cues) {
    if (cue.code == VK_END_OF_CUES) break;
    _cues.emplace(cue.code, cue.event);  // after the equal codes: registration order
  }
}

std::int32_t MusicEvents::cueCode(std::uint32_t data) {
  return static_cast<std::int32_t>((data >> 16) + 64u * (data & 0xFFFFu));
}

bool MusicEvents::underLock(const std::function<void()>& step) {
  if (!_lock) return false;
  switch (_lock->wait(_lockTimeout)) {
    case MusicLock::WaitResult::Acquired:
      step();
      if (!_lock->release()) fatal("ReleaseMutex failure in MusicEvents", here());
      return true;
    case MusicLock::WaitResult::TimedOut:
      fatal("MusicEvent lost; cause : time-out", here());
      fatal("Mutex failure in MusicEvents", here());
      return false;
    case MusicLock::WaitResult::Abandoned:
      // The step is not taken, but the lock is handed back so the other thread is not shut out.
      fatal("Mutex failure in MusicEvents", here());
      if (!_lock->release()) fatal("ReleaseMutex failure in MusicEvents", here());
      return false;
    case MusicLock::WaitResult::Failed:
      break;
  }
  return false;
}

void MusicEvents::onSync(std::int32_t code) {
  logLine(str("Received code ", code));
  // Without the lock the code is lost.
  underLock([this, code] { _pending.push_back(code); });
}

void MusicEvents::dispatch() {
  _dispatching.clear();
  // Without the lock the pending codes stay for a later frame.
  underLock([this] { _dispatching.swap(_pending); });
  for (std::int32_t code : _dispatching) {
    auto [first, last] = _cues.equal_range(code);
    for (auto it = first; it != last; ++it)
      it->second.send();
  }
}

}  // namespace vesk
