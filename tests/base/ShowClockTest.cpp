#include "base/ShowClock.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(ShowClockRandom, DrawsTheSameFifteenBitSequenceForTheSameSeed) {
  ShowClock::fixRandomSeed(std::nullopt);
  ShowClock::seedRandom(1);
  EXPECT_EQ(ShowClock::random(), 41);
  EXPECT_EQ(ShowClock::random(), 18467);
  EXPECT_EQ(ShowClock::random(), 6334);
  for (int i = 0; i < 10000; ++i) {
    const std::int32_t value = ShowClock::random();
    ASSERT_GE(value, 0);
    ASSERT_LE(value, ShowClock::kRandomMax);
  }
}

TEST(ShowClockRandom, AFixedSeedOverridesEveryReseedFromTheTimeOfDay) {
  ShowClock::fixRandomSeed(7u);
  const std::int32_t first = ShowClock::random();
  ShowClock::random();
  ShowClock::seedRandomFromTimeOfDay();
  EXPECT_EQ(ShowClock::random(), first);
  ShowClock::fixRandomSeed(std::nullopt);
}

}  // namespace
}  // namespace vesk
