// vesk-capture --video and the headless scripts/play: what ffprobe and ffmpeg read back from
// the file (streams, size, rate, duration, a cue's flash in step with its note), and that an
// interrupted export leaves nothing behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/CaptureSupport.h"
#include "app/ProcessRunner.h"
#include "app/VideoExport.h"
#include "authoring/XmWriter.h"
#include "base/Text.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

using namespace std::chrono_literals;

// What ffprobe says of the file: one line per stream, then the duration in seconds.
std::string probe(const std::filesystem::path& file) {
  return runCommand(
      "ffprobe -v error -show_entries stream=codec_name,width,height,r_frame_rate,"
      "sample_rate,channels:format=duration -of compact=p=0 " +
      quoted(file));
}
double probedSeconds(const std::string& probed) {
  const std::size_t at = probed.rfind("duration=");
  return at == std::string::npos ? -1 : std::atof(probed.c_str() + at + 9);
}

// Silence until row 4 (at 128 BPM a row lasts 117.1875 ms), where a square tone starts on one
// channel and the cue note 2337 (C-3, the cue instrument's default volume 33) on the other.
XmModule noteAtRowFour() {
  XmModule module;
  module.channels = 2;
  module.bpm = 128;
  module.patterns.emplace_back(16, 2);
  module.orders = {0};
  module.instruments.resize(15);
  XmSample tone;
  for (int i = 0; i < 64; ++i)
    tone.pcm8.push_back(i % 32 < 16 ? 60 : -60);
  tone.loop = XmLoop::Forward;
  tone.loopLength = 64;
  module.instruments[0].samples.push_back(tone);
  module.instruments[14] = xmCueInstrument(33);
  module.patterns[0].at(4, 0) = {49, 1, 0, 0, 0};
  module.patterns[0].at(4, 1) = {37, 15, 0, 0, 0};
  return module;
}

TEST(VideoExport, PicturesAndSoundInStepWithTheCues) {
  TempDir dir;
  std::filesystem::create_directories(dir / "data/textures");
  picture(dir, "red.png", "xc:'#FF0000'", "8x8");
  picture(dir, "end.jpg", "xc:'#00FF00'", "8x8");
  std::string error;
  ASSERT_TRUE(saveXm(dir / "data/music.xm", noteAtRowFour(), error)) << error;
  writeFile(dir / "show.txt",
            "at 0 CORE 4 s:\"red.png\" b:false s:\"red\"\n"
            "at 1 CORE 8 s:\"data\\\\music.xm\" s:\"song\"\n"
            "at 2 CORE 10 s:\"song\"\n"
            "cue 2337 DEFVIEWPORT 22 i:0 f:1 s:\"red\"\n");
  ChildProcess capture(VESK_CAPTURE_EXE,
                       {"--script", "show.txt", "--size", "64x48", "--fps", "25", "--until", "1000",
                        "--video", "show.mp4"},
                       dir.path());
  ASSERT_EQ(capture.wait(240s).value_or(-1), 0) << readFile(dir / "Log.txt");

  // Frames at 0, 40, ... 1000 ms: 26 of them, 1.04 s.
  const std::string probed = probe(dir / "show.mp4");
  EXPECT_NE(probed.find("codec_name=h264|width=64|height=48|r_frame_rate=25/1\n"),
            std::string::npos)
      << probed;
  EXPECT_NE(probed.find("codec_name=aac|sample_rate=44100|channels=2|"), std::string::npos)
      << probed;
  EXPECT_NEAR(probedSeconds(probed), 1.04, 0.04) << probed;

  // The first red frame against the first loud sample.
  int status = -1;
  runCommand("cd " + quoted(dir.path()) +
                 " && ffmpeg -v error -i show.mp4 -f rawvideo -pix_fmt rgb24 pictures.raw"
                 " -f s16le -ac 1 sound.raw",
             &status);
  ASSERT_EQ(status, 0);
  const std::string pictures = readFile(dir / "pictures.raw"), sound = readFile(dir / "sound.raw");
  constexpr std::size_t kFrameBytes = 64 * 48 * 3, kCentre = (24 * 64 + 32) * 3;
  ASSERT_EQ(pictures.size(), 26 * kFrameBytes);
  std::size_t flash = 0;
  while (flash < 26 && static_cast<unsigned char>(pictures[flash * kFrameBytes + kCentre]) < 128)
    ++flash;
  const auto* samples = reinterpret_cast<const std::int16_t*>(sound.data());
  const std::size_t count = sound.size() / 2;
  int loudest = 0;
  for (std::size_t i = 0; i < count; ++i)
    loudest = std::max(loudest, std::abs(int{samples[i]}));
  std::size_t onset = 0;
  while (onset < count && std::abs(int{samples[onset]}) < loudest / 4)
    ++onset;
  ASSERT_GT(loudest, 1000);
  // The music starts with the frame at 40 ms; its row 4 is heard 468.75 ms later.
  const double flashMs = 40.0 * static_cast<double>(flash);
  const double onsetMs = 1000.0 * static_cast<double>(onset) / 44100;
  EXPECT_NEAR(onsetMs, 508.75, 5);
  EXPECT_LE(std::abs(flashMs - onsetMs), 40.0) << flashMs << " ms against " << onsetMs << " ms";
}

// Pictures without any sound still get a sound stream, silent and as long as the pictures.
TEST(VideoExport, WithoutSoundTheSoundStreamIsSilence) {
  TempDir dir;
  VideoExport video;
  ASSERT_TRUE(video.open(dir / "quiet.mp4", 32, 24, 25)) << video.error();
  FramePixels pixels{32, 24, std::vector<std::uint32_t>(32 * 24, 0x00FF8000u)};
  for (int i = 0; i < 10; ++i)
    ASSERT_TRUE(video.addFrame(pixels)) << video.error();
  ASSERT_TRUE(video.finish()) << video.error();
  EXPECT_FALSE(std::filesystem::exists(video.temporaryPath()));
  const std::string volume = runCommand("ffmpeg -v info -i " + quoted(dir / "quiet.mp4") +
                                        " -map 0:a -af volumedetect -f null - 2>&1");
  EXPECT_NE(volume.find("max_volume: -91"), std::string::npos) << volume;
  const std::string seconds =
      runCommand("ffprobe -v error -select_streams a -show_entries stream=duration -of csv=p=0 " +
                 quoted(dir / "quiet.mp4"));
  EXPECT_NEAR(std::atof(seconds.c_str()), 0.4, 0.04) << seconds;
}

TEST(VideoExport, AnInterruptedExportLeavesNoFileAndAnOddSizeIsRefused) {
  TempDir dir;
  std::filesystem::create_directories(dir / "data/textures");
  picture(dir, "end.jpg", "xc:'#00FF00'", "8x8");
  writeFile(dir / "show.txt", "# nothing happens\n");
  const ToolRun odd = runTool(VESK_CAPTURE_EXE,
                              "--script " + quoted(dir / "show.txt") +
                                  " --size 33x24 --until 100 --video " + quoted(dir / "odd.mp4"),
                              dir.path());
  EXPECT_EQ(odd.code, 2);
  EXPECT_NE(odd.err.find("--video needs an even width and height"), std::string::npos) << odd.err;

  ChildProcess capture(
      VESK_CAPTURE_EXE,
      {"--script", "show.txt", "--size", "32x24", "--until", "2000000000", "--video", "show.mp4"},
      dir.path());
  // The export is under way once its temporary file is there and the run has begun.
  auto temporaries = [&] {
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      found += entry.path().filename().string().starts_with("show.mp4.") ? 1 : 0;
    return found;
  };
  const auto deadline = std::chrono::steady_clock::now() + 120s;
  while ((temporaries() == 0 || !std::filesystem::exists(dir / "Log.txt")) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(50ms);
  }
  ASSERT_EQ(temporaries(), 1);
  std::this_thread::sleep_for(500ms);
  ::kill(capture.pid(), SIGINT);
  EXPECT_EQ(capture.wait(60s).value_or(-1), 130);
  EXPECT_FALSE(std::filesystem::exists(dir / "show.mp4"));
  EXPECT_EQ(temporaries(), 0);
}

// The test's build stands in for the Release one, and the show ends after 1.5 s.
TEST(VideoExport, PlayWithoutADisplayRendersTheShowToAVideoHere) {
  TempDir dir;
  ChildProcess play(VESK_PLAY_SCRIPT, {}, dir.path(),
                    {{"DISPLAY", ""},
                     {"WAYLAND_DISPLAY", ""},
                     {"VESK_BUILD", VESK_BUILD_DIR},
                     {"VESK_PLAY_UNTIL", "1500"}});
  ASSERT_EQ(play.wait(240s).value_or(-1), 0);
  // 46 frames at 30 a second: 0 to 1500 ms.
  const std::string probed = probe(dir / "clepsydra.mp4");
  EXPECT_NE(probed.find("codec_name=h264|width=640|height=480|r_frame_rate=30/1\n"),
            std::string::npos)
      << probed;
  EXPECT_NE(probed.find("codec_name=aac|"), std::string::npos) << probed;
  EXPECT_NEAR(probedSeconds(probed), 46.0 / 30, 1.0 / 30) << probed;
}

}  // namespace
}  // namespace vesk::test
