#include "sound/CueScheduler.h"

#include <algorithm>
#include <system_error>

namespace vesk {

CueScheduler::~CueScheduler() {
  finish();
}

bool CueScheduler::start() {
  std::lock_guard lock(_mutex);
  if (_thread.joinable()) return true;
  _quit = false;
  try {
    _thread = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void CueScheduler::finish() {
  {
    std::lock_guard lock(_mutex);
    _quit = true;
    _waiting.clear();
  }
  _wake.notify_all();
  if (_thread.joinable()) _thread.join();
  std::lock_guard lock(_mutex);
  _paused = false;
}

void CueScheduler::post(const Cue& cue, SteadyTime due, SteadyTime heard) {
  {
    std::lock_guard lock(_mutex);
    if (_quit) return;
    _waiting.push_back({cue, due, heard});
  }
  _wake.notify_all();
}

void CueScheduler::drop(std::uint32_t module) {
  std::lock_guard lock(_mutex);
  std::erase_if(_waiting, [module](const Waiting& w) { return w.cue.module == module; });
}

void CueScheduler::pause() {
  std::lock_guard lock(_mutex);
  if (_paused) return;
  _paused = true;
  _pausedAt = std::chrono::steady_clock::now();
}

void CueScheduler::resume() {
  {
    std::lock_guard lock(_mutex);
    if (!_paused) return;
    _paused = false;
    const auto paused = std::chrono::steady_clock::now() - _pausedAt;
    for (Waiting& w : _waiting) {
      w.due += paused;
      w.heard += paused;
    }
  }
  _wake.notify_all();
}

void CueScheduler::run() {
  std::unique_lock lock(_mutex);
  while (!_quit) {
    if (_paused || _waiting.empty()) {
      _wake.wait(lock);
      continue;
    }
    const SteadyTime due = _waiting.front().due;
    if (std::chrono::steady_clock::now() < due) {
      _wake.wait_until(lock, due);
      continue;
    }
    const Waiting next = _waiting.front();
    _waiting.pop_front();
    lock.unlock();
    _raise(next.cue, next.heard);
    lock.lock();
  }
}

}  // namespace vesk
