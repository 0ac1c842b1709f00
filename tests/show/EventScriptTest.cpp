#include "show/EventScript.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace vesk::test {
namespace {

TEST(EventScript, ReadsEventsCuesAndSyncs) {
  EventScript script;
  ASSERT_TRUE(
      script.parse("# a comment\n"
                   "\n"
                   "at 0 CORE 4 s:\"end.jpg\" b:false s:\"end\"\n"
                   "  at 1500\tVIEWPORT1 29 i:3 f:2.5 f:0 f:1   \r\n"
                   "cue 2752 DEFVIEWPORT 22 i:0 f:1.0 s:\"logo\"\n"
                   "sync 4000 2752\n",
                   "show.txt"))
      << script.error();
  ASSERT_EQ(script.timeEvents().size(), 2u);
  const Event& graph = script.timeEvents()[0].event;
  EXPECT_EQ(graph.getTargetName(), "CORE");
  EXPECT_EQ(graph.getCode(), 4);
  EXPECT_EQ(graph.getString(0), "end.jpg");
  EXPECT_FALSE(graph.getBool(1));
  const Event& fade = script.timeEvents()[1].event;
  EXPECT_EQ(script.timeEvents()[1].time, 1500);
  EXPECT_EQ(fade.getInt(0), 3);
  EXPECT_FLOAT_EQ(fade.getFloat(1), 2.5f);
  EXPECT_EQ(fade.paramCount(), 4u);
  ASSERT_EQ(script.cueEvents().size(), 1u);
  EXPECT_EQ(script.cueEvents()[0].code, 2752);
  ASSERT_EQ(script.syncs().size(), 1u);
  EXPECT_EQ(script.syncs()[0].timeMs, 4000);
  EXPECT_EQ(script.syncs()[0].cue, 2752);
}

TEST(EventScript, OnlyQuoteAndBackslashAreEscapes) {
  EventScript script;
  ASSERT_TRUE(script.parse(R"(at 0 CORE 1 s:"data\tunnel.pod" s:"say \"hi\" \\ end" s:"")", "x"))
      << script.error();
  const Event& event = script.timeEvents()[0].event;
  EXPECT_EQ(event.getString(0), "data\\tunnel.pod");
  EXPECT_EQ(event.getString(1), "say \"hi\" \\ end");
  EXPECT_EQ(event.getString(2), "");
}

TEST(EventScript, MalformedLinesNameFileLineAndWhatWasExpected) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"at x CORE 1", "s.txt:1: expected a show time in milliseconds after at"},
      {"\n\nat 10 CORE", "s.txt:3: expected an event code after the target name"},
      {"at 10 CORE 1 i:1.5", "s.txt:1: expected an integer after i:"},
      {"at 10 CORE 1 f:abc", "s.txt:1: expected a number after f:"},
      {"at 10 CORE 1 b:yes", "s.txt:1: expected true or false after b:"},
      {"at 10 CORE 1 s:\"open", "s.txt:1: expected a closing quote"},
      {"at 10 CORE 1 s:\"a\"b", "s.txt:1: expected a blank after the closing quote"},
      {"at 10 CORE 1 42",
       "s.txt:1: expected a parameter i:<int>, f:<float>, b:true|false or s:\"text\""},
      {"at 99999999999 CORE 1", "s.txt:1: expected a show time in milliseconds after at"},
      {"play 10", "s.txt:1: expected at, cue, sync or a # comment"},
      {"sync 10", "s.txt:1: expected a cue code after the time"},
      {"sync 10 5 6", "s.txt:1: expected the end of the line after the cue code"},
      {"cue -1 CORE 16", "s.txt:1: expected a cue code other than -1"},
  };
  for (const Case& c : cases) {
    EventScript script;
    EXPECT_FALSE(script.parse(c.text, "s.txt")) << c.text;
    EXPECT_EQ(script.error(), c.error) << c.text;
    EXPECT_TRUE(script.timeEvents().empty());
  }
}

TEST(EventScript, BuildsSchedulesThatSendTheirEvents) {
  RecordingPresenter shown;
  EventScript script;
  ASSERT_TRUE(script.parse("at 0 nobody 5\ncue 7 nobody 6\n", "x"));
  Owned<TimeEvents> time = script.buildTimeEvents();
  Owned<MusicEvents> music = script.buildMusicEvents();
  time->update(0);
  music->onSync(7);
  music->dispatch();
  // Both events went out and found no target.
  EXPECT_EQ(shown.diagnoses().size(), 2u);
}

TEST(EventScript, MissingFileIsAClearError) {
  EventScript script;
  EXPECT_FALSE(script.load("/nonexistent/show.txt"));
  EXPECT_EQ(script.error(), "/nonexistent/show.txt: cannot be read");
}

}  // namespace
}  // namespace vesk::test
