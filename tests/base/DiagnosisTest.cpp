#include "base/Diagnosis.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/Log.h"
#include "base/Memory.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

class Animal : public MemoryItem {};
class Dog : public Animal {};
class Cat : public Animal {};

class DiagnosisTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(theLog().open(dir / "Log.txt")); }
  void TearDown() override { theLog().close(); }
  std::string logText() {
    theLog().close();
    return readFile(dir / "Log.txt");
  }

  TempDir dir;
  RecordingPresenter shown;
};

TEST_F(DiagnosisTest, LogLinesCarryTheirLocationOnlyWhenGiven) {
  logLine("plain");
  logLine("located", Site("/build/src/scene/Scene.cpp", 686));
  logLine("");
  EXPECT_EQ(logText(), "plain \nScene (686): located \n \n");
}

TEST_F(DiagnosisTest, LogIsWrittenInWindows1252) {
  logLine("D\xC3\xA9mo stopped \xE2\x82\xAC \xE6\x97\xA5");  // é, the euro sign, a CJK character
  EXPECT_EQ(logText(), "D\xE9mo stopped \x80 ? \n");
}

TEST_F(DiagnosisTest, LinesFromTwoThreadsNeverInterleave) {
  const std::string a(300, 'a');
  const std::string b(300, 'b');
  auto writer = [](const std::string& text) {
    for (int i = 0; i < 200; ++i)
      theLog().write(text, Site("Writer.cpp", 1));
  };
  std::thread other(writer, b);
  writer(a);
  other.join();
  std::string text = logText();
  int lines = 0;
  for (std::size_t start = 0; start < text.size(); ++lines) {
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end - start);
    EXPECT_TRUE(line == "Writer (1): " + a + " " || line == "Writer (1): " + b + " ") << line;
    start = end + 1;
  }
  EXPECT_EQ(lines, 400);
}

TEST_F(DiagnosisTest, FatalErrorEndsTheLogShowsTheBoxAndRequestsQuit) {
  logLine("before");
  fatal("Time events not created !", Site("Core.cpp", 12));
  logLine("after: dropped");
  EXPECT_EQ(logText(), "before \nCore (12): Time events not created ! \n");
  EXPECT_EQ(shown.errors(), std::vector<std::string>{"Time events not created !"});
  EXPECT_TRUE(quitRequested());
  EXPECT_EQ(quitExitCode(), 1);
}

TEST_F(DiagnosisTest, FatalErrorFromAnotherThreadReachesTheQuitRequest) {
  std::thread([] { fatal("Mutex failure in MusicEvents"); }).join();
  EXPECT_TRUE(quitRequested());
  EXPECT_EQ(quitExitCode(), 1);
  requestQuit(0);  // an orderly quit afterwards does not hide the failure
  EXPECT_EQ(quitExitCode(), 1);
}

void failingSite(int& composed) {
  VK_ASSERT(false, "num < _params.size()", "message #" << ++composed);
}
void otherFailingSite() {
  VK_ASSERT(1 + 1 == 3, "sum", "other");
}

TEST_F(DiagnosisTest, AssertionAnswersActPerSite) {
  int composed = 0;
  shown.answer = DiagnosisChoice::Ignore;
  failingSite(composed);
  failingSite(composed);
  ASSERT_EQ(shown.diagnoses().size(), 2u);
  EXPECT_EQ(shown.diagnoses()[0], "Assertion failed :\nnum < _params.size()\nmessage #1");

  shown.answer = DiagnosisChoice::IgnoreAlways;
  failingSite(composed);
  failingSite(composed);
  otherFailingSite();
  EXPECT_EQ(shown.diagnoses().size(), 4u);  // the ignored site stays quiet, the other one shows
  EXPECT_EQ(composed, 3);                   // an ignored site does not even compose its text
  EXPECT_FALSE(quitRequested());
}

TEST_F(DiagnosisTest, PassingAssertionShowsNothing) {
  int composed = 0;
  VK_ASSERT(composed == 0, "composed == 0", "never " << ++composed);
  EXPECT_TRUE(shown.diagnoses().empty());
  EXPECT_EQ(composed, 0);
}

void stopSite() {
  VK_ASSERT(false, "music", "Module x not loaded, can't be played !");
}

TEST_F(DiagnosisTest, StopRaisesTheFatalErrorOnceAndSilencesTheSite) {
  shown.answer = DiagnosisChoice::Stop;
  stopSite();
  stopSite();
  EXPECT_EQ(shown.diagnoses().size(), 1u);
  EXPECT_EQ(shown.errors(),
            std::vector<std::string>{
                "Assertion failed :\nmusic\nModule x not loaded, can't be played !"});
  EXPECT_TRUE(quitRequested());
  EXPECT_NE(logText().find("DiagnosisTest ("), std::string::npos);
}

void breakSite() {
  VK_ASSERT(false, "res == VK_EVENT_PROCESSED", "broken");
}

TEST_F(DiagnosisTest, BreakGoesToTheDebuggerThenActsAsStop) {
  shown.answer = DiagnosisChoice::Break;
  breakSite();
  breakSite();
  EXPECT_EQ(shown.breaks(), 1);
  EXPECT_EQ(shown.errors().size(), 1u);
  EXPECT_TRUE(quitRequested());
}

void unshownSite() {
  VK_ASSERT(false, "x", "y");
}

TEST_F(DiagnosisTest, DialogThatCannotBeShownChangesNothing) {
  shown.answer = DiagnosisChoice::NotShown;
  unshownSite();
  unshownSite();
  EXPECT_EQ(shown.diagnoses().size(), 2u);
  EXPECT_TRUE(shown.errors().empty());
  EXPECT_FALSE(quitRequested());
}

TEST_F(DiagnosisTest, SafeCastNamesBothClassesForWrongAndNullPointers) {
  auto dog = make<Dog>(here());
  auto cat = make<Cat>(here());
  Animal* animal = dog.get();
  EXPECT_EQ(safeCast<Dog>(animal), dog.get());
  EXPECT_TRUE(shown.errors().empty());

  Animal* other = cat.get();
  Animal* none = nullptr;
  EXPECT_EQ(safeCast<Dog>(other), nullptr);
  EXPECT_EQ(safeCast<Dog>(none), nullptr);
  const std::string expected =
      "Safe cast failed : could not cast from class vesk::test::(anonymous namespace)::Animal to "
      "class vesk::test::(anonymous namespace)::Dog";
  EXPECT_EQ(shown.errors(), (std::vector<std::string>{expected, expected}));
}

TEST_F(DiagnosisTest, ClosingTheLogWritesTheReportAndSendsTheFileToTheDebugger) {
  MemoryTracker memory;
  memory.release(memory.allocate(100, here(), Registry::Blocks), Registry::Blocks);
  for (int i = 0; i < 30; ++i)
    logLine(std::string(100, static_cast<char>('a' + i % 26)));
  closeLog(memory);
  std::string text = readFile(dir / "Log.txt");
  const std::string ending = " \nMaximum memory usage : 100 bytes \n \n";
  ASSERT_GE(text.size(), ending.size());
  EXPECT_EQ(text.substr(text.size() - ending.size()), ending);

  std::string sent;
  for (const std::string& piece : shown.debuggerPieces()) {
    EXPECT_LE(piece.size(), 1023u);
    sent += piece;
  }
  EXPECT_EQ(sent, text);
  EXPECT_GT(shown.debuggerPieces().size(), 2u);
}

}  // namespace
}  // namespace vesk::test
