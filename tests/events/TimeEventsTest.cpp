#include <gtest/gtest.h>

#include <vector>

#include "events/RecordingTarget.h"
#include "events/TimeEvents.h"
#include "support/TestSupport.h"

namespace vesk {
namespace {

using test::RecordingPresenter;
using test::RecordingTarget;
using Codes = std::vector<std::int32_t>;

// Each entry's event goes to "timeline" with the given code.
std::vector<TimedEvent> schedule(
    std::initializer_list<std::pair<std::int32_t, std::int32_t>> rows) {
  std::vector<TimedEvent> pairs;
  for (auto [time, code] : rows)
    pairs.push_back({time, Event("timeline", code)});
  return pairs;
}

// Sends and returns the codes that one update delivered.
Codes updateAt(TimeEvents& events, RecordingTarget& target, std::int32_t now) {
  target.received.clear();
  events.update(now);
  return target.codes();
}

TEST(TimeEvents, SendsDueEventsInTimeOrderAndCatchesUpLateFrames) {
  RecordingPresenter presenter;
  RecordingTarget target("timeline");
  auto pairs = schedule({{1001, 3}, {0, 1}, {-50, 9}, {1000, 2}, {VK_END_OF_EVENTS, 0}, {7, 8}});
  TimeEvents events(pairs);
  EXPECT_EQ(events.size(), 4u);
  EXPECT_EQ(updateAt(events, target, 0), (Codes{9, 1}));
  EXPECT_EQ(updateAt(events, target, 999), Codes{});
  EXPECT_EQ(updateAt(events, target, 5000), (Codes{2, 3}));
  EXPECT_EQ(updateAt(events, target, 9000), Codes{});
  EXPECT_TRUE(presenter.diagnoses().empty());
}

TEST(TimeEvents, FrameBreakIsNeverSentAndEndsTheUpdate) {
  RecordingTarget target("timeline");
  auto pairs = schedule({{400, 1}, {500, 0}, {600, 2}, {700, 0}, {800, 3}});
  TimeEvents events(pairs);  // no end marker: taken whole
  EXPECT_EQ(updateAt(events, target, 450), Codes{1});
  EXPECT_EQ(updateAt(events, target, 1000), Codes{});  // only passes the break at 500
  EXPECT_EQ(updateAt(events, target, 1000), Codes{2});
  EXPECT_EQ(updateAt(events, target, 1000), Codes{3});
}

TEST(TimeEvents, EmptyScheduleDoesNothing) {
  RecordingPresenter presenter;
  auto pairs = schedule({{VK_END_OF_EVENTS, 0}});
  TimeEvents events(pairs);
  EXPECT_EQ(events.size(), 0u);
  events.update(100000);
  EXPECT_TRUE(presenter.diagnoses().empty());
}

TEST(TimeEvents, DuplicateTimeIsReportedAndTheLaterEventWins) {
  RecordingPresenter presenter;
  RecordingTarget target("timeline");
  auto pairs = schedule({{250, 1}, {250, 2}, {VK_END_OF_EVENTS, 0}});
  TimeEvents events(pairs);
  EXPECT_EQ(presenter.diagnoses(),
            std::vector<std::string>{"Assertion failed :\n_events.find(time) == "
                                     "_events.end()\nDuplicate event found at time 250"});
  EXPECT_EQ(updateAt(events, target, 250), Codes{2});
}

TEST(TimeEvents, ScheduleMovesOnPastAMissingTarget) {
  RecordingPresenter presenter;
  RecordingTarget target("timeline");
  std::vector<TimedEvent> pairs{{100, Event("nowhere", 4)}, {200, Event("timeline", 5)}};
  TimeEvents events(pairs);
  EXPECT_EQ(updateAt(events, target, 300), Codes{5});
  EXPECT_EQ(presenter.diagnoses().size(), 1u);
  EXPECT_EQ(updateAt(events, target, 300), Codes{});
}

}  // namespace
}  // namespace vesk
