// Keyframe tracks without a target: the loop modes at and past both ends, the interval search
// and its unclamped fractions, following the show clock both ways, and slerp's corner cases.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "base/ShowClock.h"
#include "events/Event.h"
#include "world/animation/KeyframeController.h"
#include "world/animation/Slerp.h"
#include "world/scene/Scene.h"

namespace vesk::test {
namespace {

struct Blend {
  float fraction;
  std::uint32_t from, to;
};

// Records what it would write.
class Track : public KeyframeController {
 public:
  Track(Scene& scene, std::vector<float> times, std::uint8_t loopMode) : KeyframeController(scene) {
    _keyTimes = std::move(times);
    _loopMode = loopMode;
    _running = true;
  }
  void interpolate(float fraction, std::uint32_t from, std::uint32_t to) override {
    blends.push_back({fraction, from, to});
  }
  bool resolveTarget() override { return true; }
  bool hasTarget() const override { return true; }
  std::vector<Blend> blends;
};

class KeyframeControllerTest : public ::testing::Test {
 protected:
  Owned<Track> track(std::vector<float> times, std::uint8_t loopMode) {
    return make<Track>(here(), *scene, std::move(times), loopMode);
  }
  static void expectBlend(const Track& track, float fraction, std::uint32_t from,
                          std::uint32_t to) {
    ASSERT_FALSE(track.blends.empty());
    EXPECT_FLOAT_EQ(track.blends.back().fraction, fraction);
    EXPECT_EQ(track.blends.back().from, from);
    EXPECT_EQ(track.blends.back().to, to);
  }
  Owned<Scene> scene = make<Scene>(here());
};

TEST_F(KeyframeControllerTest, WrapMovesPastTheEndBackOnceAFrame) {
  auto wrap = track({0, 10}, VK_ANIM_LOOP_WRAP);
  wrap->animate(10.5f);
  EXPECT_FLOAT_EQ(wrap->_localTime, 0.5f);
  expectBlend(*wrap, 0.05f, 0, 1);
  // More than one range beyond: wrapped once, extrapolated for this frame.
  wrap->animate(25);
  EXPECT_FLOAT_EQ(wrap->_localTime, 15);
  expectBlend(*wrap, 1.5f, 0, 1);
  wrap->_forward = false;
  wrap->animate(-1);
  EXPECT_FLOAT_EQ(wrap->_localTime, 9);
}

TEST_F(KeyframeControllerTest, PingPongMirrorsAndTurnsAtBothEnds) {
  auto pingPong = track({0, 10}, VK_ANIM_LOOP_PING_PONG);
  pingPong->animate(10.5f);
  EXPECT_FLOAT_EQ(pingPong->_localTime, 9.5f);
  EXPECT_FALSE(pingPong->_forward);
  expectBlend(*pingPong, 0.95f, 0, 1);
  pingPong->animate(0);
  EXPECT_FLOAT_EQ(pingPong->_localTime, 0);
  EXPECT_TRUE(pingPong->_forward);
}

TEST_F(KeyframeControllerTest, StopHaltsAtEitherEndWithoutWriting) {
  auto forward = track({0, 10}, VK_ANIM_LOOP_STOP);
  forward->animate(10);
  EXPECT_FALSE(forward->_running);
  auto backward = track({0, 10}, VK_ANIM_LOOP_STOP);
  backward->_forward = false;
  backward->animate(0);
  EXPECT_FALSE(backward->_running);
  EXPECT_TRUE(forward->blends.empty());
  EXPECT_TRUE(backward->blends.empty());
}

TEST_F(KeyframeControllerTest, BisectionFindsTheIntervalAndRunOnExtrapolates) {
  auto runOn = track({0, 1, 3, 6}, 0);
  runOn->animate(4);
  expectBlend(*runOn, 1.0f / 3, 2, 3);
  runOn->animate(9);
  expectBlend(*runOn, 2, 2, 3);
  runOn->animate(-1);
  expectBlend(*runOn, -1, 0, 1);
  EXPECT_TRUE(runOn->_running);
}

TEST_F(KeyframeControllerTest, OneKeyAndEqualKeyTimesGiveFractionZero) {
  auto single = track({2}, 0);
  single->animate(3);
  expectBlend(*single, 0, 0, 0);
  auto twin = track({0, 5, 5}, 0);
  twin->animate(5);
  expectBlend(*twin, 0, 1, 2);
}

TEST_F(KeyframeControllerTest, FollowsTheShowClockBothWaysAndObeysItsEvents) {
  auto clocked = track({1, 10}, 0);
  clocked->_running = false;
  ShowClock::set(4000);
  EXPECT_EQ(clocked->processEvent(Event("x", kEventStartController)), VK_EVENT_PROCESSED);
  EXPECT_FLOAT_EQ(clocked->_localTime, 1);
  ShowClock::set(6500);
  clocked->update();
  EXPECT_FLOAT_EQ(clocked->_localTime, 3.5f);
  clocked->_forward = false;
  ShowClock::set(7500);
  clocked->update();
  EXPECT_FLOAT_EQ(clocked->_localTime, 2.5f);
  EXPECT_EQ(clocked->processEvent(Event("x", kEventStopController)), VK_EVENT_PROCESSED);
  ShowClock::set(9000);
  clocked->update();
  EXPECT_FLOAT_EQ(clocked->_localTime, 2.5f);
  ShowClock::set(0);
}

TEST(SlerpTest, OppositeQuaternionsGiveTheFirstAtEveryFraction) {
  const Quaternion q{0.5f, 0.5f, 0.5f, 0.5f};
  for (float f : {0.0f, 0.3f, 1.0f, 1.7f})
    EXPECT_EQ(slerp(q, {-0.5f, -0.5f, -0.5f, -0.5f}, f), q) << f;
}

TEST(SlerpTest, NegativeDotTakesTheShorterWay) {
  const float half = std::sqrt(0.5f);
  // A quarter turn about z, stored negated: halfway is an eighth of a turn, w positive.
  const Quaternion q = slerp({}, {-half, 0, 0, -half}, 0.5f);
  EXPECT_NEAR(q.w, std::cos(std::numbers::pi_v<float> / 8), 1e-6);
  EXPECT_NEAR(q.z, std::sin(std::numbers::pi_v<float> / 8), 1e-6);
}

TEST(SlerpTest, NearlyEqualRotationsBlendLinearlyUnnormalised) {
  const Quaternion q = slerp({}, {0.99f, 0.1f, 0, 0}, 0.5f);
  EXPECT_FLOAT_EQ(q.w, 0.995f);
  EXPECT_FLOAT_EQ(q.x, 0.05f);
}

}  // namespace
}  // namespace vesk::test
