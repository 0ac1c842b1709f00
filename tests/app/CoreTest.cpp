// The core in one process on an offscreen OpenGL context and a manual clock: its events, keys,
// pause, exit fade and start-up failures.
#include "app/Core.h"

#include <gtest/gtest.h>

#include <FreeImage.h>

#include <deque>

#include "authoring/SceneExamples.h"
#include "authoring/SceneWriter.h"
#include "base/Diagnosis.h"
#include "base/File.h"
#include "base/Text.h"
#include "compositing/Viewport.h"
#include "render/Renderer.h"
#include "support/GlTestContext.h"
#include "support/TestSupport.h"
#include "world/material/Picture.h"
#include "world/material/PicturePrefetch.h"
#include "world/material/ResourceCache.h"
#include "world/scene/Scene.h"

namespace vesk::test {
namespace {

class OneModeDisplay : public gfx::Display {
 public:
  std::vector<gfx::DisplayMode> modes() override {
    return {{800, 600, 60, gfx::Format::X8R8G8B8}, {640, 480, 60, gfx::Format::X8R8G8B8}};
  }
  gfx::DisplayMode desktopMode() override { return {800, 600, 60, gfx::Format::X8R8G8B8}; }
  void hideCursor() override {}
};

class TestHost : public CoreHost {
 public:
  bool withDisplay = true;
  std::deque<WindowMessage> messages;
  ManualClock time;
  GlTestContext context;

  gfx::Display* display() override { return withDisplay ? &_display : nullptr; }
  PanelResult showConfigPanel(Core&) override { return PanelResult::RunUnchanged; }
  gfx::DeviceHost* openOutput(const gfx::DisplayMode&, bool) override {
    return context.ok() ? &context : nullptr;
  }
  void showWindow() override {}
  gfx::DisplayMode desktopWindowMode() override { return {64, 48, 60, gfx::Format::X8R8G8B8}; }
  bool pollMessage(WindowMessage& message) override {
    if (messages.empty()) return false;
    message = messages.front();
    messages.pop_front();
    return true;
  }
  const Clock& clock() override { return time; }
  SoundOutput soundOutput() override { return SoundOutput::Manual; }

 private:
  OneModeDisplay _display;
};

// No show, or the time events a test gives.
class NoShow : public ShowScript {
 public:
  std::vector<TimedEvent> schedule;
  Owned<TimeEvents> buildTimeEvents() override { return make<TimeEvents>(here(), schedule); }
  Owned<MusicEvents> buildMusicEvents() override { return make<MusicEvents>(here()); }
};

WindowMessage key(KeyCode code) {
  WindowMessage message;
  message.type = WindowMessage::Type::KeyDown;
  message.key = code;
  return message;
}

class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(dir / "data/textures/end.jpg", "");
    ASSERT_EQ(0, std::system(("convert -size 8x8 xc:'#00FF00' '" +
                              (dir / "data/textures/end.jpg").string() + "'")
                                 .c_str()));
  }
  // Shutdown is safe after a failed or partial start-up, and runs even when an assertion failed.
  void TearDown() override {
    if (!shutDown) core.shutdown();
    File::reset();
  }

  void startShow() {
    ASSERT_TRUE(core.init());
    core.start();
  }
  void frameAt(std::uint32_t ms) {
    host.time.set(ms);
    core.frame();
  }

  // Pictures p0.png ... of 64 × 64 pixels, and a picture event for each from `time` on.
  void schedulePictures(int count, std::int32_t time) {
    Bitmap picture(FreeImage_Allocate(64, 64, 24));
    for (int i = 0; i < count; ++i) {
      const std::string name = str("p", i, ".png");
      ASSERT_TRUE(FreeImage_Save(FIF_PNG, picture.get(),
                                 (dir / "data/textures" / name).string().c_str(), 0));
      show.schedule.push_back(
          {time + i, Event("CORE", 4).addString(name).addBool(false).addString(name)});
    }
  }

  bool shutDown = false;
  TempDir dir;
  CurrentDir inDir{dir.path()};
  RecordingPresenter shown;
  TestHost host;
  NoShow show;
  Core core{host, show};
};

TEST_F(CoreTest, StartsWithSixteenViewportsAndPicksThe640x480Mode) {
  startShow();
  EXPECT_EQ(core.modeIndex(), 0);  // sorted by width: 640 × 480 comes first
  ASSERT_NE(core.defaultViewport(), nullptr);
  EXPECT_TRUE(core.defaultViewport()->visible());
  EXPECT_EQ(core.viewport(15)->index(), 15);
  EXPECT_EQ(core.viewport(16), nullptr);
  EXPECT_EQ(EventTarget::find("DEFVIEWPORT"), core.defaultViewport());
  EXPECT_EQ(EventTarget::find("VIEWPORT15"), core.viewport(15));
  EXPECT_EQ(EventTarget::find("CORE"), &core);
  EXPECT_EQ(EventTarget::find("RENDERER"), core.renderer());
  EXPECT_EQ(core.width(), 64u);
  EXPECT_TRUE(shown.errors().empty());
}

TEST_F(CoreTest, CodesWithoutAnOperationAreNotProcessed) {
  startShow();
  for (int code : {3, 12, 17, 99})
    Event("CORE", code).send();
  ASSERT_EQ(shown.diagnoses().size(), 4u);
  EXPECT_EQ(shown.diagnoses()[0],
            "Assertion failed :\nres == VK_EVENT_PROCESSED\nEvent 3wasn't processed by CORE");
  Event("CORE", 13).addBool(false).send();
  Event("CORE", 14).addInt(0x00FF0000).send();
  EXPECT_EQ(shown.diagnoses().size(), 4u);
}

TEST_F(CoreTest, AMissingSceneFileIsReported) {
  startShow();
  Event("CORE", 1).addString("data\\missing.pod").send();
  ASSERT_FALSE(shown.errors().empty());
  EXPECT_EQ(shown.errors().back(), "Error while opening scene file data\\missing.pod");
}

TEST_F(CoreTest, PausedTimeDoesNotCount) {
  startShow();
  frameAt(1000);
  EXPECT_EQ(core.timeMs(), 1000);
  core.handleMessage(key(KeyCode::P));
  EXPECT_TRUE(core.paused());
  host.time.set(11000);  // ten seconds of pause
  core.handleMessage(key(KeyCode::P));
  frameAt(11500);
  EXPECT_EQ(core.timeMs(), 1500);
}

TEST_F(CoreTest, EscapeFadesInTheEndPictureThenQuitsAfterTwoSeconds) {
  startShow();
  frameAt(500);
  core.handleMessage(key(KeyCode::Escape));
  EXPECT_TRUE(core.exiting());
  for (std::uint32_t ms = 540; ms < 2500 && !quitRequested(); ms += 40)
    frameAt(ms);
  EXPECT_FALSE(quitRequested());
  frameAt(2540);
  EXPECT_TRUE(quitRequested());
  EXPECT_EQ(quitExitCode(), 0);
  // The end picture (green) covers the screen at the end of its fade.
  Viewport* top = core.viewport(15);
  EXPECT_TRUE(top->visible());
  ASSERT_NE(top->layer(3), nullptr);
  const std::vector<std::uint32_t> pixels = readBackBuffer(*DXObject::device());
  ASSERT_EQ(pixels.size(), 64u * 48u);
  for (std::size_t at : {std::size_t{0}, std::size_t{24 * 64 + 32}, pixels.size() - 1}) {
    EXPECT_TRUE(colorNear(pixels[at], 0xFF00FF00, 4)) << at << ": " << colorText(pixels[at]);
  }
}

TEST_F(CoreTest, PauseHoldsTheSoundAndTheExitFadeLowersTheVolume) {
  startShow();
  core.handleMessage(key(KeyCode::P));
  ASSERT_NE(Sound::existingInstance(), nullptr);
  EXPECT_TRUE(Sound::existingInstance()->paused());
  core.handleMessage(key(KeyCode::P));
  EXPECT_FALSE(Sound::existingInstance()->paused());

  core.handleMessage(key(KeyCode::F5));  // sound on, volume 100
  frameAt(500);
  core.handleMessage(key(KeyCode::Escape));
  frameAt(540);  // the fade starts with this frame
  frameAt(1540);
  EXPECT_EQ(core.volume(), 50);
  frameAt(2040);
  EXPECT_NEAR(core.volume(), 25, 1);  // show time in float seconds: 24.99… truncates
}

TEST_F(CoreTest, EscapeWhilePausedQuitsAtOnce) {
  startShow();
  core.handleMessage(key(KeyCode::P));
  core.handleMessage(key(KeyCode::Escape));
  EXPECT_TRUE(quitRequested());
  EXPECT_FALSE(core.exiting());
}

TEST_F(CoreTest, KeysStayWithinTheirRanges) {
  startShow();
  core.handleMessage(key(KeyCode::F8));
  EXPECT_EQ(core.volume(), 100);
  core.handleMessage(key(KeyCode::F7));
  EXPECT_EQ(core.volume(), 99);
  for (int i = 0; i < 120; ++i)
    core.handleMessage(key(KeyCode::F7));
  EXPECT_EQ(core.volume(), 0);
  core.handleMessage(key(KeyCode::F5));
  EXPECT_TRUE(core.soundOn());
  core.handleMessage(key(KeyCode::F11));  // gamma keys do nothing in a desktop window
  EXPECT_EQ(core.gamma(), 0);
  WindowMessage shifted = key(KeyCode::F5);
  shifted.shift = true;  // the keys take no modifiers
  core.handleMessage(shifted);
  EXPECT_TRUE(core.soundOn());
  core.handleMessage(key(KeyCode::F12));
  core.handleMessage(key(KeyCode::F12));
  EXPECT_TRUE(std::filesystem::exists(dir / "VK-IMG0.bmp"));
  EXPECT_TRUE(std::filesystem::exists(dir / "VK-IMG1.bmp"));
  EXPECT_EQ(core.screenshotCount(), 2);
  EXPECT_TRUE(shown.errors().empty());
}

TEST_F(CoreTest, QuitEventAndClosedWindowEndTheLoop) {
  startShow();
  Event("CORE", 16).send();
  EXPECT_TRUE(quitRequested());
  EXPECT_EQ(quitExitCode(), 0);
  clearQuitRequest();
  WindowMessage close;
  close.type = WindowMessage::Type::Close;
  host.messages.push_back(close);
  core.run();  // returns once the close message is handled
  EXPECT_TRUE(quitRequested());
}

TEST_F(CoreTest, ScheduledPicturesComeDecodedAheadAndAMissingOneIsReportedWhenItsTimeComes) {
  schedulePictures(20, 10);
  show.schedule.push_back(
      {40, Event("CORE", 4).addString("missing.png").addBool(false).addString("missing")});
  startShow();
  PicturePrefetch* prefetch = ResourceCache::instance()->picturePrefetch();
  ASSERT_NE(prefetch, nullptr);
  prefetch->waitUntilIdle();
  frameAt(39);
  EXPECT_EQ(prefetch->served(), 20u);
  EXPECT_NE(EventTarget::find("p19.png"), nullptr);
  EXPECT_TRUE(shown.errors().empty());
  frameAt(40);
  EXPECT_EQ(shown.errors(),
            (std::vector<std::string>{"Error : file data\\textures\\missing.png not found",
                                      "Image data\\textures\\missing.png not found"}));
}

TEST_F(CoreTest, QuittingWhilePicturesAreDecodedAheadEndsWithoutALeak) {
  schedulePictures(60, 100);
  startShow();
  Event("CORE", 16).send();
  core.run();  // returns at once: the quit is asked for
  core.shutdown();
  shutDown = true;
  const std::string log = readFile(dir / "Log.txt");
  EXPECT_NE(log.find("Maximum memory usage"), std::string::npos);
  EXPECT_EQ(log.find("Detected memory leaks"), std::string::npos) << log;
}

// In loop mode nothing is loaded again: a scene the show unloads leaves the screen, and the show
// that starts again at the quit cue finds it as loaded.
TEST_F(CoreTest, InLoopModeTheSceneTheShowUnloadsIsThereAgainAfterTheRestart) {
  std::string error;
  ASSERT_TRUE(saveScene(dir / "data/a.pod", sceneLitCube("a"), error)) << error;
  show.schedule.push_back({0, Event("CORE", 1).addString("data\\a.pod")});
  Core::Settings settings = core.settings();
  settings.loopMode = true;
  core.applySettings(settings);
  startShow();
  for (int loop = 0; loop < 2; ++loop) {
    frameAt(10 + loop);
    Event("DEFVIEWPORT", 21).addInt(0).addFloat(1).addString("a").send();
    ASSERT_NE(core.defaultViewport()->layer(0), nullptr);
    Event("CORE", 2).addString("a").send();
    EXPECT_EQ(core.defaultViewport()->layer(0), nullptr);
    Event("CORE", 16).send();
    EXPECT_FALSE(quitRequested());
    ASSERT_EQ(core.scenes().size(), 1u);
    EXPECT_EQ(EventTarget::find("a"), core.scenes()[0].get());
  }
  EXPECT_TRUE(shown.errors().empty());
  EXPECT_TRUE(shown.diagnoses().empty());
}

TEST_F(CoreTest, WithoutADisplayStartUpFailsWithCodeOne) {
  host.withDisplay = false;
  EXPECT_FALSE(core.init());
  EXPECT_EQ(shown.errors(),
            std::vector<std::string>{"DirectX error : unable to create a D3D8 object"});
  EXPECT_EQ(quitExitCode(), 1);
}

TEST_F(CoreTest, PlayingMusicThatWasNeverLoadedIsReported) {
  startShow();
  Event("CORE", 10).addString("nothing").send();
  ASSERT_FALSE(shown.diagnoses().empty());
  EXPECT_EQ(shown.diagnoses()[0],
            "Assertion failed :\nmusic\nModule nothing not loaded, can't be played !");
  EXPECT_FALSE(shown.errors().empty());  // then the sound system refuses handle 0
}

}  // namespace
}  // namespace vesk::test
