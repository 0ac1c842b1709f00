#include "platform/Clock.h"

namespace vesk {

std::uint32_t RealClock::nowMs() const {
  auto elapsed = std::chrono::steady_clock::now() - _start;
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));  // wraps by design
}

}  // namespace vesk
