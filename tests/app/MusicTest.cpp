// Music through the core: a module's instrument-15 notes drive the show's events, offline in
// the capture tool (exactly and deterministically) and live with the real clock (in time).
#include <FreeImage.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/Core.h"
#include "app/EmptyShow.h"
#include "app/ProcessRunner.h"
#include "app/SdlHost.h"
#include "authoring/SceneExamples.h"
#include "authoring/SceneWriter.h"
#include "authoring/XmWriter.h"
#include "base/File.h"
#include "show/EventScript.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

using namespace std::chrono_literals;

// 16 rows at speed 6 and 125 BPM: a row lasts 120 ms. A tone plays from row 0; cue notes at
// row 4 (C-3, the cue instrument's default volume 33: code 33 + 64 × 36 = 2337) and row 12
// (D-3 at volume 10: code 10 + 64 × 38 = 2442).
XmModule showModule() {
  XmModule module;
  module.name = "show";
  module.channels = 2;
  module.patterns.emplace_back(16, 2);
  module.orders = {0};
  module.instruments.resize(15);
  XmSample tone;
  tone.name = "tone";
  for (int i = 0; i < 64; ++i)
    tone.pcm8.push_back(i % 32 < 16 ? 40 : -40);
  tone.loop = XmLoop::Forward;
  tone.loopLength = 64;
  module.instruments[0].name = "tone";
  module.instruments[0].samples.push_back(tone);
  module.instruments[14] = xmCueInstrument(33);
  XmPattern& pattern = module.patterns[0];
  pattern.at(0, 0) = {49, 1, 0, 0, 0};
  pattern.at(4, 1) = {37, 15, 0, 0, 0};
  pattern.at(12, 1) = {39, 15, xmSetVolume(10), 0, 0};
  return module;
}

constexpr const char* kMusicScript = R"(at 0 CORE 4 s:"red.png" b:false s:"red"
at 1 CORE 4 s:"blue.png" b:false s:"blue"
at 2 CORE 8 s:"data\music.xm" s:"song"
at 3 CORE 10 s:"song"
cue 2337 DEFVIEWPORT 22 i:0 f:1 s:"red"
cue 2442 DEFVIEWPORT 22 i:0 f:1 s:"blue"
)";

void makeShowFolder(const TempDir& dir) {
  std::filesystem::create_directories(dir / "data/textures");
  for (const char* spec : {"red.png xc:#FF0000", "blue.png xc:#0000FF", "end.jpg xc:#00FF00"}) {
    std::string s(spec);
    const std::string name = s.substr(0, s.find(' ')), colour = s.substr(s.find(' ') + 1);
    ASSERT_EQ(0, std::system(("convert -size 8x8 xc:'" + colour.substr(3) + "' '" +
                              (dir / ("data/textures/" + name)).string() + "'")
                                 .c_str()));
  }
  std::string error;
  ASSERT_TRUE(saveXm(dir / "data/music.xm", showModule(), error)) << error;
  writeFile(dir / "show.txt", kMusicScript);
}

int centreRed(const std::filesystem::path& png, int* blue = nullptr) {
  FIBITMAP* bitmap = FreeImage_Load(FIF_PNG, png.c_str(), PNG_DEFAULT);
  if (!bitmap) return -1;
  RGBQUAD colour{};
  FreeImage_GetPixelColor(bitmap, FreeImage_GetWidth(bitmap) / 2, FreeImage_GetHeight(bitmap) / 2,
                          &colour);
  FreeImage_Unload(bitmap);
  if (blue) *blue = colour.rgbBlue;
  return colour.rgbRed;
}

TEST(Music, CuesDriveTheCaptureExactlyAndEveryRunIsTheSame) {
  TempDir dir;
  makeShowFolder(dir);
  for (const char* run : {"a", "b"}) {
    ChildProcess capture(
        VESK_CAPTURE_EXE,
        {"--script", "show.txt", "--size", "32x24", "--fps", "25", "--until", "1700", "--out",
         std::string("frames-") + run, "--wav", std::string("sound-") + run + ".wav"},
        dir.path());
    std::optional<int> code = capture.wait(240s);
    ASSERT_TRUE(code.has_value());
    ASSERT_EQ(*code, 0) << readFile(dir / "Log.txt");
  }
  // The music starts with the frame at 40 ms; row 4 is heard 480 ms later, row 12 at 1480 ms.
  const std::filesystem::path frames = dir / "frames-a";
  EXPECT_EQ(centreRed(frames / "t00000480.png"), 0);
  EXPECT_GT(centreRed(frames / "t00000560.png"), 200);
  EXPECT_GT(centreRed(frames / "t00001440.png"), 200);
  int blue = 0;
  centreRed(frames / "t00001560.png", &blue);
  EXPECT_GT(blue, 200);

  // Two runs: the same frames and the same audio, byte for byte.
  for (const auto& entry : std::filesystem::directory_iterator(frames)) {
    EXPECT_EQ(readFile(entry.path()), readFile(dir / "frames-b" / entry.path().filename()))
        << entry.path().filename();
  }
  const std::string wav = readFile(dir / "sound-a.wav");
  EXPECT_EQ(wav, readFile(dir / "sound-b.wav"));
  ASSERT_GT(wav.size(), 44u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  // 1.7 s of 16-bit stereo at 44100 Hz, and not silence: the tone is heard.
  EXPECT_NEAR(static_cast<double>(wav.size() - 44), 1.7 * 44100 * 4, 44100 * 4 * 0.05);
  bool sound = false;
  for (std::size_t i = 44; i + 1 < wav.size() && !sound; i += 2)
    sound = wav[i] != 0 || wav[i + 1] != 0;
  EXPECT_TRUE(sound);
}

// A target that notes when each cue's events reach it.
class CueProbe : public EventTarget {
 public:
  std::vector<std::pair<std::int32_t, std::chrono::steady_clock::time_point>> received;
  std::int32_t processEvent(const Event& event) override {
    received.emplace_back(event.getCode(), std::chrono::steady_clock::now());
    return VK_EVENT_PROCESSED;
  }
};

class ProbeShow : public ShowScript {
 public:
  Owned<TimeEvents> buildTimeEvents() override {
    std::vector<TimedEvent> events;
    events.push_back({0, Event("CORE", 8).addString("data\\music.xm").addString("song")});
    events.push_back({1, Event("CORE", 10).addString("song")});
    return make<TimeEvents>(here(), events);
  }
  Owned<MusicEvents> buildMusicEvents() override {
    Owned<MusicEvents> music = make<MusicEvents>(here());
    std::vector<CueEvent> cues{{2337, Event("probe", 100)}, {2442, Event("probe", 200)}};
    music->add(cues);
    return music;
  }
};

TEST(Music, LiveCuesReachTheShowInTimeWithoutAnAudioDevice) {
  TempDir dir;
  makeShowFolder(dir);
  CurrentDir inDir(dir.path());
  CueProbe probe;
  probe.setName("probe");
  CommandLine noPanel;
  noPanel.noPanel = true;
  // The program's own surroundings: window, real clock, audio or its fallback.
  SdlHost host(noPanel);
  RecordingPresenter shown;  // no message box may wait for a click here
  ProbeShow show;
  {
    Core core(host, show);
    ASSERT_TRUE(core.init());
    core.start();
    const auto started = std::chrono::steady_clock::now();
    WindowMessage message;
    while (std::chrono::steady_clock::now() - started < 1800ms && !quitRequested()) {
      while (host.pollMessage(message))
        core.handleMessage(message);
      core.frame();
    }
    core.shutdown();
    // The music starts with the first frame; its cue rows are heard 480 and 1440 ms later.
    ASSERT_EQ(probe.received.size(), 2u);
    const auto first =
        std::chrono::duration_cast<std::chrono::milliseconds>(probe.received[0].second - started);
    const auto second =
        std::chrono::duration_cast<std::chrono::milliseconds>(probe.received[1].second - started);
    EXPECT_EQ(probe.received[0].first, 100);
    EXPECT_EQ(probe.received[1].first, 200);
    EXPECT_NEAR(static_cast<double>(first.count()), 480.0, 250.0);
    EXPECT_NEAR(static_cast<double>(second.count()), 1440.0, 250.0);
    EXPECT_NEAR(static_cast<double>((second - first).count()), 960.0, 150.0);
  }
  host.close();
  File::reset();
}

}  // namespace
}  // namespace vesk::test

namespace vesk::test {
namespace {

// The green of the pixel in the middle row at column `x`.
int greenAt(const std::filesystem::path& png, unsigned x) {
  FIBITMAP* bitmap = FreeImage_Load(FIF_PNG, png.c_str(), PNG_DEFAULT);
  if (!bitmap) return -1;
  RGBQUAD colour{};
  FreeImage_GetPixelColor(bitmap, x, FreeImage_GetHeight(bitmap) / 2, &colour);
  FreeImage_Unload(bitmap);
  return colour.rgbGreen;
}

// Over the pictures, a scene: a green cube right of the centre, which the second cue hides,
// and left of it an emitter of green cubes, started by the first cue.
constexpr const char* kLoopSceneScript = R"(at 4 CORE 1 s:"data\\fx.pod"
cue 2337 DEFVIEWPORT 21 i:1 f:1 s:"fx"
cue 2337 fx 53
cue 2337 fx.Sparks 36
cue 2442 fx.Cube 48
cue 2580 CORE 16
)";

// Loop mode: a cue at row 14 (E-3 at volume 20: code 20 + 64 × 40 = 2580) is the show's quit
// cue; the show starts again from the music's start three times over, its scene as loaded.
TEST(Music, LoopModeStartsTheShowAgainWithTheSameFramesSoundAndMemory) {
  TempDir dir;
  makeShowFolder(dir);
  XmModule module = showModule();
  module.patterns[0].at(14, 1) = {41, 15, xmSetVolume(20), 0, 0};
  std::string error;
  ASSERT_TRUE(saveXm(dir / "data/music.xm", module, error)) << error;
  SceneFile scene = sceneLitCube("fx", {0, 1, 0});
  scene.root.children[0].position = {3, 0, 0};
  SceneParticles emitter;
  emitter.classes.push_back({950, 0.305f, 1, sceneShapeNode("Chunk", 20, sceneCube(0.5f), 0)});
  scene.root.children.push_back({"Sparks", 10, {-3, 0, -2}, {}, {1, 1, 1}, emitter, {}});
  ASSERT_TRUE(saveScene(dir / "data/fx.pod", scene, error)) << error;
  writeFile(dir / "show.txt", std::string(kMusicScript) + kLoopSceneScript);

  std::string peaks[2];
  for (int run = 0; run < 2; ++run) {
    // Two loops, then three.
    ChildProcess capture(
        VESK_CAPTURE_EXE,
        {"--script", "show.txt", "--size", "32x24", "--fps", "25", "--until",
         run == 0 ? "3500" : "5200", "--out", "frames", "--wav", "sound.wav", "--loop"},
        dir.path());
    ASSERT_EQ(capture.wait(240s).value_or(-1), 0) << readFile(dir / "Log.txt");
    const std::string log = readFile(dir / "Log.txt");
    EXPECT_EQ(log.find("Detected memory leaks"), std::string::npos) << log;
    peaks[run] = log.substr(log.find("Maximum memory usage"));
  }
  EXPECT_EQ(peaks[0], peaks[1]) << "the third loop needs no more memory than the second";

  // The music started with the frame at 40 ms; the quit cue, 14 rows later, reaches the show
  // with the frame at 1760 ms.
  const std::string log = readFile(dir / "Log.txt");
  EXPECT_NE(log.find("Loop mode: the show starts again at 1760 ms (loop 2)"), std::string::npos)
      << log;
  EXPECT_NE(log.find("Loop mode: the show starts again at 3480 ms (loop 3)"), std::string::npos);
  constexpr int kLoop = 1720, kMusicStart = 40;
  const std::filesystem::path frames = dir / "frames";
  auto frame = [&](int ms) {
    char name[32];
    std::snprintf(name, sizeof name, "t%08d.png", ms);
    return readFile(frames / name);
  };
  for (int t = kMusicStart; t < kMusicStart + kLoop; t += 40) {
    EXPECT_EQ(frame(t), frame(t + kLoop)) << t;
    EXPECT_EQ(frame(t), frame(t + 2 * kLoop)) << t;
  }
  EXPECT_GT(centreRed(frames / "t00000560.png"), 200) << "the loops show the cues' pictures";
  EXPECT_GT(centreRed(frames / "t00002280.png"), 200);
  // The cube is seen until the second cue hides it; the emitter's cubes fly on the left.
  const int cubeColumn = 25;
  EXPECT_GT(greenAt(frames / "t00001000.png", cubeColumn), 80);
  EXPECT_LT(greenAt(frames / "t00001600.png", cubeColumn), 80);
  int particleFrames = 0;
  for (int t = 600; t < kMusicStart + kLoop; t += 40) {
    char name[32];
    std::snprintf(name, sizeof name, "t%08d.png", t);
    bool seen = false;
    for (unsigned x = 0; x < 14 && !seen; ++x)
      seen = greenAt(frames / name, x) > 80;
    particleFrames += seen;
  }
  EXPECT_GT(particleFrames, 3);

  // Each loop hears the music from its first note: the same audio bytes at the same offsets.
  const std::string wav = readFile(dir / "sound.wav");
  constexpr std::size_t kHeader = 44, kFrameBytes = 4;
  auto at = [&](int ms) { return kHeader + static_cast<std::size_t>(ms) * 441 / 10 * kFrameBytes; };
  const std::size_t loopBytes = at(kLoop) - kHeader;
  ASSERT_GE(wav.size(), at(kMusicStart + 3 * kLoop));
  EXPECT_TRUE(wav.compare(at(kMusicStart), loopBytes, wav, at(kMusicStart + kLoop), loopBytes) ==
              0);
  EXPECT_TRUE(
      wav.compare(at(kMusicStart), loopBytes, wav, at(kMusicStart + 2 * kLoop), loopBytes) == 0);
}

}  // namespace
}  // namespace vesk::test
