// The one door through which the device reaches OpenGL: every call is counted, so that the
// state cache can be measured by how many calls it saves, and can be timed, so that the show
// benchmark can tell the engine's own time from the time spent in OpenGL.
#pragma once

#include <epoxy/gl.h>

#include <chrono>
#include <cstdint>

namespace vesk::gfx {

class GlApi {
 public:
  // Calls `function` (an OpenGL entry point) with the arguments and counts the call.
  template <class Function, class... Arguments>
  decltype(auto) operator()(Function function, Arguments... arguments) {
    ++_calls;
    if (!_timing) return function(arguments...);
    Stopwatch stopwatch(_nanoseconds);
    return function(arguments...);
  }
  // Runs `work` (which reaches OpenGL another way, as a buffer swap does) inside the timing.
  template <class Work>
  void timed(Work work) {
    if (!_timing) return work();
    Stopwatch stopwatch(_nanoseconds);
    work();
  }

  std::uint64_t calls() const { return _calls; }
  void setTiming(bool on) { _timing = on; }
  std::uint64_t nanoseconds() const { return _nanoseconds; }

 private:
  class Stopwatch {
   public:
    explicit Stopwatch(std::uint64_t& total)
        : _total(total), _start(std::chrono::steady_clock::now()) {}
    ~Stopwatch() {
      _total += static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                               std::chrono::steady_clock::now() - _start)
                                               .count());
    }
    Stopwatch(const Stopwatch&) = delete;
    Stopwatch& operator=(const Stopwatch&) = delete;

   private:
    std::uint64_t& _total;
    std::chrono::steady_clock::time_point _start;
  };

  std::uint64_t _calls = 0;
  bool _timing = false;
  std::uint64_t _nanoseconds = 0;
};

}  // namespace vesk::gfx
