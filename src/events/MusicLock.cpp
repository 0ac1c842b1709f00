#include "events/MusicLock.h"

#include <mutex>

namespace vesk {

namespace {

class TimedMutexLock : public MusicLock {
 public:
  WaitResult wait(std::chrono::milliseconds timeout) override {
    // A deadline on the system clock waits in pthread_mutex_timedlock; the steady-clock wait of
    // try_lock_for uses pthread_mutex_clocklock, which ThreadSanitizer cannot see, so every
    // race check of the cue list would be wrong. The lock is held for microseconds, so a clock
    // step during a wait cannot matter.
    auto deadline = std::chrono::system_clock::now() + timeout;
    return _mutex.try_lock_until(deadline) ? WaitResult::Acquired : WaitResult::TimedOut;
  }
  bool release() override {
    _mutex.unlock();
    return true;
  }

 private:
  std::timed_mutex _mutex;
};

}  // namespace

Owned<MusicLock> makeMusicLock() {
  return make<TimedMutexLock>(here());
}

}  // namespace vesk
