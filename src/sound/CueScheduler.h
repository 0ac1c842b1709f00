// Holds each cue back until its note is heard, then raises it on its own thread.
//
// The mixer works ahead of the ear by the output latency; the output says when each block it
// mixes will be heard, and the cue is raised at that moment rather than when it was mixed.
// While paused, no cue is raised and the waiting ones are moved later by the time spent paused.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "sound/Mixer.h"

namespace vesk {

using SteadyTime = std::chrono::steady_clock::time_point;

class CueScheduler {
 public:
  // `raise` runs on the scheduler's thread, with no lock of the scheduler held.
  using Raise = std::function<void(const Cue& cue, SteadyTime heard)>;

  explicit CueScheduler(Raise raise) : _raise(std::move(raise)) {}
  CueScheduler(const CueScheduler&) = delete;
  CueScheduler& operator=(const CueScheduler&) = delete;
  ~CueScheduler();

  // Starts the thread; false when it cannot be started.
  bool start();
  // Ends the thread; waiting cues are dropped.
  void finish();

  // Raises the cue at `due` (at once when that has passed); `heard` is passed on as it is.
  // Cues are posted in the order they are heard.
  void post(const Cue& cue, SteadyTime due, SteadyTime heard);
  // Forgets the waiting cues of a module.
  void drop(std::uint32_t module);
  void pause();
  void resume();

 private:
  struct Waiting {
    Cue cue;
    SteadyTime due;
    SteadyTime heard;
  };

  void run();

  Raise _raise;
  std::mutex _mutex;
  std::condition_variable _wake;
  std::deque<Waiting> _waiting;
  bool _paused = false;
  SteadyTime _pausedAt;
  bool _quit = false;
  std::thread _thread;
};

}  // namespace vesk
