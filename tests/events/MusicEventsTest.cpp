#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "events/MusicEvents.h"
#include "events/RecordingTarget.h"
#include "support/TestSupport.h"

namespace vesk {
namespace {

using test::RecordingPresenter;
using test::RecordingTarget;
using Codes = std::vector<std::int32_t>;
using Strings = std::vector<std::string>;
using Wait = MusicLock::WaitResult;

// A lock that answers as the test says and checks it is released only while held.
class ScriptedLock : public MusicLock {
 public:
  Wait wait(std::chrono::milliseconds) override {
    held = next == Wait::Acquired || next == Wait::Abandoned;
    return next;
  }
  bool release() override {
    EXPECT_TRUE(held);
    held = false;
    return releases;
  }
  Wait next = Wait::Acquired;
  bool held = false;
  bool releases = true;
};

struct Schedule {
  // Clang 14 refuses here() in a default argument: the default lock comes through a constructor.
  Schedule() : Schedule(make<ScriptedLock>(here())) {}
  explicit Schedule(Owned<MusicLock> lock)
      : lock(dynamic_cast<ScriptedLock*>(lock.get())), music(std::move(lock)) {}
  // Cue code c sends one event with code c to "stage".
  void cues(Codes codes) {
    std::vector<CueEvent> list;
    for (std::int32_t code : codes)
      list.push_back({code, Event("stage", code)});
    music.add(list);
  }
  Codes frame() {
    stage.received.clear();
    music.dispatch();
    return stage.codes();
  }

  RecordingTarget stage{"stage"};
  ScriptedLock* lock;
  MusicEvents music;
};

TEST(MusicEvents, CueCodeIsVolumePlus64TimesNote) {
  EXPECT_EQ(MusicEvents::cueCode(43), 2752);
  EXPECT_EQ(MusicEvents::cueCode((2u << 16) | 43), 2754);
  EXPECT_EQ(MusicEvents::cueCode(5u << 16), 5);
  EXPECT_EQ(MusicEvents::cueCode((64u << 16) | 43), MusicEvents::cueCode(44));
  EXPECT_EQ(MusicEvents::cueCode(0xFFFFFFFFu), 65535 + 64 * 65535);
}

TEST(MusicEvents, DispatchSendsEachReceivedCodeInArrivalOrder) {
  Schedule s;
  s.cues({10, 20, 30});
  for (std::int32_t code : {30, 10, 30, 99})
    s.music.onSync(code);
  EXPECT_EQ(s.frame(), (Codes{30, 10, 30}));
  EXPECT_EQ(s.frame(), Codes{});
  s.music.onSync(10);  // cues stay registered
  EXPECT_EQ(s.frame(), Codes{10});
}

TEST(MusicEvents, EventsOfACodeGoOutInRegistrationOrderAcrossAddCalls) {
  RecordingPresenter presenter;
  Schedule s;
  std::vector<CueEvent> first{{7, Event("stage", 1)},    {8, Event("stage", 2)},
                              {7, Event("nowhere", 3)},  {7, Event("stage", 4)},
                              {VK_END_OF_CUES, Event()}, {7, Event("stage", 5)}};
  s.music.add(first);
  std::vector<CueEvent> second{{7, Event("stage", 6)}};
  s.music.add(second);
  s.music.onSync(7);
  EXPECT_EQ(s.frame(), (Codes{1, 4, 6}));  // the missing target does not stop the others
  EXPECT_EQ(presenter.diagnoses().size(), 1u);
}

// Every way the lock can fail, with the reports it gives; only a failed release leaves the
// lock's work done.
struct LockFailure {
  Wait wait;
  bool releases;
  Strings errors;
};
const LockFailure kLockFailures[] = {
    {Wait::TimedOut, true, {"MusicEvent lost; cause : time-out", "Mutex failure in MusicEvents"}},
    {Wait::Abandoned, true, {"Mutex failure in MusicEvents"}},
    {Wait::Failed, true, {}},
    {Wait::Acquired, false, {"ReleaseMutex failure in MusicEvents"}},
};

TEST(MusicEvents, LockFailuresInOnSyncAreReportedAndLoseTheCode) {
  for (const LockFailure& failure : kLockFailures) {
    SCOPED_TRACE(static_cast<int>(failure.wait));
    RecordingPresenter presenter;
    Schedule s;
    s.cues({7});
    s.lock->next = failure.wait;
    s.lock->releases = failure.releases;
    s.music.onSync(7);
    EXPECT_FALSE(s.lock->held);
    EXPECT_EQ(presenter.errors(), failure.errors);
    s.lock->next = Wait::Acquired;
    s.lock->releases = true;
    EXPECT_EQ(s.frame(), failure.releases ? Codes{} : Codes{7});
  }
}

TEST(MusicEvents, LockFailuresInDispatchKeepTheCodesForALaterFrame) {
  for (const LockFailure& failure : kLockFailures) {
    SCOPED_TRACE(static_cast<int>(failure.wait));
    RecordingPresenter presenter;
    Schedule s;
    s.cues({7});
    s.music.onSync(7);
    s.lock->next = failure.wait;
    s.lock->releases = failure.releases;
    Codes now = s.frame();
    EXPECT_EQ(now, failure.releases ? Codes{} : Codes{7});
    EXPECT_FALSE(s.lock->held);
    EXPECT_EQ(presenter.errors(), failure.errors);
    s.lock->next = Wait::Acquired;
    s.lock->releases = true;
    EXPECT_EQ(s.frame(), now.empty() ? Codes{7} : Codes{});
  }
}

TEST(MusicEvents, WithoutALockEveryCodeIsLost) {
  RecordingPresenter presenter;
  Schedule s(nullptr);
  EXPECT_EQ(presenter.errors(), Strings{"Could not create MusicEvents mutex"});
  s.cues({7});
  s.music.onSync(7);
  EXPECT_EQ(s.frame(), Codes{});
}

TEST(MusicEvents, OrdinaryLockTimesOutWhileHeldElsewhere) {
  RecordingPresenter presenter;
  auto lock = makeMusicLock();
  MusicLock& held = *lock;
  MusicEvents music(std::move(lock), std::chrono::milliseconds(20));
  ASSERT_EQ(held.wait(std::chrono::milliseconds(0)), Wait::Acquired);
  std::thread([&] { music.onSync(7); }).join();
  EXPECT_TRUE(held.release());
  EXPECT_EQ(presenter.errors(),
            (Strings{"MusicEvent lost; cause : time-out", "Mutex failure in MusicEvents"}));
}

TEST(MusicEvents, EveryCodeFromTheSoundThreadArrivesOnceAndInOrder) {
  constexpr std::int32_t kCount = 500;
  Schedule s(makeMusicLock());
  Codes all;
  for (std::int32_t code = 1; code <= kCount; ++code)
    all.push_back(code);
  s.cues(all);
  std::atomic<bool> done{false};
  std::thread sound([&] {
    for (std::int32_t code : all)
      s.music.onSync(code);
    done = true;
  });
  Codes arrived;
  while (!done) {
    Codes frame = s.frame();
    arrived.insert(arrived.end(), frame.begin(), frame.end());
  }
  sound.join();
  Codes last = s.frame();
  arrived.insert(arrived.end(), last.begin(), last.end());
  EXPECT_EQ(arrived, all);
}

}  // namespace
}  // namespace vesk
