// Millisecond clocks. The core reads time only through a Clock: the real one for a show on
// screen, a manual one stepped frame by frame by the capture tool so that a run renders the
// same frames every time. Counts are unsigned 32-bit and wrap after about 49 days; readers
// take unsigned differences.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace vesk {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t nowMs() const = 0;
};

// Milliseconds since the clock was made, from the monotonic system clock (no SDL needed).
class RealClock : public Clock {
 public:
  std::uint32_t nowMs() const override;

 private:
  std::chrono::steady_clock::time_point _start = std::chrono::steady_clock::now();
};

// A clock that moves only when told to. Any thread may read it.
class ManualClock : public Clock {
 public:
  explicit ManualClock(std::uint32_t startMs = 0) : _now(startMs) {}
  std::uint32_t nowMs() const override { return _now.load(std::memory_order_relaxed); }
  void set(std::uint32_t ms) { _now.store(ms, std::memory_order_relaxed); }
  // Wraps like the real count.
  void advance(std::uint32_t ms) { _now.fetch_add(ms, std::memory_order_relaxed); }

 private:
  std::atomic<std::uint32_t> _now;
};

}  // namespace vesk
