#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace vesk {
namespace {

TEST(ClockTest, ManualClockMovesOnlyWhenToldAndWrapsLikeTheRealCount) {
  ManualClock clock(1000);
  EXPECT_EQ(clock.nowMs(), 1000u);
  clock.advance(40);
  clock.advance(0);
  EXPECT_EQ(clock.nowMs(), 1040u);
  clock.set(0xFFFFFFF0u);
  clock.advance(0x20);
  EXPECT_EQ(clock.nowMs(), 0x10u);
  // The reader's unsigned difference still gives the real step across the wrap.
  EXPECT_EQ(clock.nowMs() - 0xFFFFFFF0u, 0x20u);
}

TEST(ClockTest, RealClockCountsFromItsMakingAndFollowsTime) {
  RealClock clock;
  std::uint32_t first = clock.nowMs();
  EXPECT_LT(first, 1000u);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  std::uint32_t second = clock.nowMs();
  EXPECT_GE(second - first, 30u);
}

}  // namespace
}  // namespace vesk
