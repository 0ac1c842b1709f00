// The operations of Sound, their messages and bookkeeping, and the synchronous mixing path.
#include "sound/Sound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/File.h"
#include "base/Log.h"
#include "sound/SoundModules.h"
#include "sound/WavWriter.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

using Strings = std::vector<std::string>;
using Handles = std::vector<std::uint32_t>;

constexpr const char* kPoolMessage = "Unable to desallocate buffer : handle not found in pool !";

// A module whose channel 0 holds one long tone from the first row.
XmModule toneModule() {
  XmModule module = cueModule(16);
  module.patterns[0].at(0, 0) = {49, kTone, 0, 0, 0};
  module.patterns[0].at(2, 1) = {13, kCue, 0, 0, 0};
  return module;
}

double rms(const std::vector<std::int16_t>& samples) {
  double sum = 0;
  for (std::int16_t s : samples)
    sum += double(s) * s;
  return std::sqrt(sum / double(samples.size()));
}

std::size_t countOf(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
    ++count;
  return count;
}

class SoundTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Sound::destroyInstance();
    File::reset();
  }

  // `frames` frames of the manual output, in blocks of `block` frames.
  std::vector<std::int16_t> render(std::size_t frames, std::size_t block = 1024) {
    std::vector<std::int16_t> out(frames * 2);
    for (std::size_t done = 0; done < frames; done += block) {
      const std::size_t count = std::min(block, frames - done);
      EXPECT_EQ(Sound::getInstance().renderFrames(out.data() + done * 2, count), count);
    }
    return out;
  }
  // A new instance on the manual output, playing the tone module at `volume`.
  static Sound& playingAfresh(int volume = 100) {
    Sound::destroyInstance();
    Sound& fresh = Sound::getInstance();
    fresh.init(SoundOutput::Manual);
    fresh.modulePlay(load(fresh, toneModule()));
    fresh.setVolumeAll(volume);
    return fresh;
  }

  RecordingPresenter shown;
  TempDir dir;
  Sound& sound = Sound::getInstance();
};

// Noise, an empty or missing buffer, and every cut-short module: refused with the message, or
// (when the library makes do with what is there) played; nothing stays allocated either way.
TEST_F(SoundTest, WhatIsNotAModuleGivesHandleZeroAndLeavesNothingBehind) {
  sound.init(SoundOutput::Manual);
  XmResult written = writeXm(toneModule());
  const std::size_t usage = theMemory().currentUsage();
  const std::size_t blocks = theMemory().recordCount(Registry::Blocks);
  std::vector<std::uint8_t> noise(3000);
  for (std::size_t i = 0; i < noise.size(); ++i)
    noise[i] = static_cast<std::uint8_t>(i * 7 + 3);
  EXPECT_EQ(sound.moduleLoad("data\\noise.xm", bytesOf(noise), noise.size()), 0u);
  EXPECT_EQ(sound.moduleLoad("data\\null.xm", nullptr, 100), 0u);
  EXPECT_EQ(shown.errors(), (Strings{"Sound::moduleLoad() : error while loading data\\noise.xm",
                                     "Sound::moduleLoad() : error while loading data\\null.xm"}));

  std::size_t refused = 0;
  for (std::size_t size = 0; size < written.bytes.size(); size += 97) {
    std::vector<std::uint8_t> part(written.bytes.begin(), written.bytes.begin() + size);
    const std::uint32_t music = sound.moduleLoad("data\\part.xm", bytesOf(part), size);
    refused += music == 0;
    if (music != 0) {
      sound.modulePlay(music);
      render(3000);
      sound.moduleFree(music);
    }
  }
  EXPECT_GT(refused, 0u);
  EXPECT_EQ(shown.errors().size(), 2 + refused);
  EXPECT_EQ(sound.poolSize(), 0u);
  EXPECT_EQ(theMemory().currentUsage(), usage);
  EXPECT_EQ(theMemory().recordCount(Registry::Blocks), blocks);
}

TEST_F(SoundTest, DataFilesAreLoadedThroughTheFileLayer) {
  CurrentDir inDir(dir.path());
  XmResult written = writeXm(toneModule());
  writeFile(dir / "data/music.xm", std::string(written.bytes.begin(), written.bytes.end()));
  File::init();
  const std::uint32_t music = sound.moduleLoad("data\\music.xm");
  EXPECT_NE(music, 0u);
  EXPECT_EQ(sound.poolSize(), 1u);
  EXPECT_TRUE(shown.errors().empty());

  EXPECT_EQ(sound.moduleLoad("data\\missing.xm"), 0u);
  EXPECT_EQ(shown.errors(),
            (Strings{"Error : file data\\missing.xm not found",
                     "Sound::moduleLoad() : error while loading data\\missing.xm"}));
}

TEST_F(SoundTest, FreeingAHandleWithoutABufferLogsThePoolMessage) {
  ASSERT_TRUE(theLog().open(dir / "Log.txt"));
  const std::size_t usage = theMemory().currentUsage();
  const std::uint32_t music = load(sound, toneModule());
  ASSERT_NE(music, 0u);
  EXPECT_GT(theMemory().currentUsage(), usage);
  sound.moduleFree(music);
  EXPECT_EQ(theMemory().currentUsage(), usage);  // the pool's buffer and the player are gone
  sound.moduleFree(music);
  sound.moduleFree(4242);
  theLog().close();
  EXPECT_EQ(countOf(readFile(dir / "Log.txt"), kPoolMessage), 2u);
  EXPECT_TRUE(shown.errors().empty());

  // A freed module is no module any more.
  sound.modulePlay(music);
  EXPECT_EQ(shown.errors(), Strings{"Sound::modulePlay() : error"});
}

TEST_F(SoundTest, ThePlayingListKeepsItsBookkeepingWhateverFails) {
  const std::uint32_t music = load(sound, toneModule());
  sound.modulePlay(music);
  sound.modulePlay(music);
  EXPECT_EQ(sound.playing(), (Handles{music, music}));
  sound.channelStop(music);
  EXPECT_EQ(sound.playing(), Handles{});
  EXPECT_TRUE(shown.errors().empty());

  sound.setVolumeAll(40);  // nothing is playing: nothing to do
  EXPECT_TRUE(shown.errors().empty());

  sound.modulePlay(0);
  sound.modulePlay(music);
  EXPECT_EQ(sound.playing(), (Handles{0, music}));
  sound.setVolumeAll(40);
  sound.channelSetVolume(music, 101);
  sound.channelStop(0);
  EXPECT_EQ(sound.playing(), Handles{music});
  EXPECT_EQ(sound.moduleSetCallback(0, &SyncRecorder::callback), 0u);
  EXPECT_EQ(sound.moduleSetCallback(music, nullptr), 0u);
  EXPECT_EQ(shown.errors(),
            (Strings{"Sound::modulePlay() : error", "Sound::channelSetVolume() : error",
                     "Sound::channelSetVolume() : error", "Sound::channelStop() : error",
                     "Sound::moduleSetCallback() : error setting callback",
                     "Sound::moduleSetCallback() : error setting callback"}));
}

TEST_F(SoundTest, TheOutputIsStartedOnceAndShutDownOnce) {
  EXPECT_EQ(Sound::existingInstance(), &sound);
  sound.shutdown();  // before init: nothing
  EXPECT_TRUE(shown.errors().empty());
  sound.pause();
  sound.resume();
  sound.stop();
  EXPECT_EQ(shown.errors(), (Strings{"Sound::pause() : error", "Sound::resume() : error",
                                     "Sound::stop() : error"}));
  shown.clear();

  sound.init(SoundOutput::Manual);
  sound.init(SoundOutput::Device);  // already started: kept as it is
  EXPECT_TRUE(sound.initialised());
  EXPECT_EQ(sound.output(), SoundOutput::Manual);
  const std::uint32_t music = load(sound, toneModule());
  sound.shutdown();
  sound.shutdown();
  EXPECT_FALSE(sound.initialised());
  EXPECT_EQ(sound.poolSize(), 1u);  // modules outlive the output
  std::int16_t block[64];
  EXPECT_EQ(sound.renderFrames(block, 32), 0u);
  sound.moduleFree(music);
  EXPECT_TRUE(shown.errors().empty());

  Sound::destroyInstance();
  EXPECT_EQ(Sound::existingInstance(), nullptr);
}

TEST_F(SoundTest, VolumeScalesTheModuleLinearly) {
  auto rmsAt = [this](int volume) {
    playingAfresh(volume);
    return rms(render(20000));
  };
  const double full = rmsAt(100);
  ASSERT_GT(full, 1000.0);
  EXPECT_NEAR(rmsAt(50) / full, 0.5, 0.005);
  EXPECT_NEAR(rmsAt(25) / full, 0.25, 0.005);
  EXPECT_EQ(rmsAt(0), 0.0);
  EXPECT_TRUE(shown.errors().empty());
}

TEST_F(SoundTest, APausedMixIsSilentAndResumesWhereItStopped) {
  Sound& paused = playingAfresh();
  SyncRecorder syncs;
  paused.moduleSetCallback(paused.playing()[0], &SyncRecorder::callback, &syncs);
  std::vector<std::int16_t> joined = render(5000);
  paused.pause();
  EXPECT_EQ(rms(render(30000)), 0.0);
  EXPECT_EQ(paused.renderedFrames(), 5000u);
  EXPECT_EQ(syncs.count(), 0u);  // the cue at frame 10584 is not reached while paused
  paused.resume();
  const std::vector<std::int16_t> after = render(15000);
  joined.insert(joined.end(), after.begin(), after.end());
  EXPECT_EQ(syncs.count(), 1u);

  playingAfresh();
  EXPECT_EQ(joined, render(20000));
}

TEST_F(SoundTest, TheSameModulesGiveTheSameBytesAndCuesHoweverTheBlocksAreCut) {
  auto run = [](std::size_t block) {
    Sound::destroyInstance();
    Sound& fresh = Sound::getInstance();
    fresh.init(SoundOutput::Manual);
    std::vector<std::uint64_t> frames;
    fresh.setCueObserver([&frames](const CueReport& cue) { frames.push_back(cue.frame); });
    XmModule second = toneModule();
    second.bpm = 137;  // ticks of 804.74 frames: the mixer must keep the fractions
    second.patterns[0].at(5, 2) = {20, kCue, 0, 0, 0};
    fresh.modulePlay(load(fresh, toneModule()));
    fresh.modulePlay(load(fresh, second));
    std::vector<std::int16_t> out(60000 * 2);
    for (std::size_t done = 0; done < 60000; done += block)
      fresh.renderFrames(out.data() + done * 2, std::min(block, 60000 - done));
    fresh.setCueObserver(nullptr);
    return std::make_pair(out, frames);
  };
  const auto reference = run(735);
  EXPECT_EQ(reference.second.size(), 3u);
  EXPECT_EQ(run(735), reference);
  EXPECT_EQ(run(1), reference);
  EXPECT_EQ(run(4096), reference);
}

TEST_F(SoundTest, EveryInstalledCallbackHearsTheCueUntilTheModuleIsFreed) {
  sound.init(SoundOutput::Manual);
  SyncRecorder first;
  SyncRecorder second;
  const std::uint32_t music = load(sound, toneModule());
  const std::uint32_t a = sound.moduleSetCallback(music, &SyncRecorder::callback, &first);
  const std::uint32_t b = sound.moduleSetCallback(music, &SyncRecorder::callback, &second);
  EXPECT_NE(a, 0u);
  EXPECT_NE(b, 0u);
  EXPECT_NE(a, b);
  sound.modulePlay(music);
  render(12000);
  ASSERT_EQ(first.count(), 1u);
  ASSERT_EQ(second.count(), 1u);
  EXPECT_EQ(first.received()[0].sync, a);
  EXPECT_EQ(second.received()[0].sync, b);
  sound.moduleFree(music);
  render(100000);
  EXPECT_EQ(first.count(), 1u);
}

TEST(WavWriter, TheRunsSoundIsWrittenAsSixteenBitStereo) {
  TempDir dir;
  WavWriter wav;
  std::vector<std::int16_t> samples{0, -1, 32767, -32768, 258, -258};
  ASSERT_TRUE(wav.open(dir / "run.wav"));
  ASSERT_TRUE(wav.write(samples.data(), 2));
  ASSERT_TRUE(wav.write(samples.data() + 4, 1));
  ASSERT_TRUE(wav.finish());
  EXPECT_EQ(wav.frames(), 3u);

  const std::string file = readFile(dir / "run.wav");
  ASSERT_EQ(file.size(), 44u + 12u);
  auto u32 = [&file](std::size_t at) {
    return std::uint32_t(std::uint8_t(file[at])) | std::uint32_t(std::uint8_t(file[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(file[at + 2])) << 16 |
           std::uint32_t(std::uint8_t(file[at + 3])) << 24;
  };
  EXPECT_EQ(file.substr(0, 4), "RIFF");
  EXPECT_EQ(u32(4), 36u + 12u);
  EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(u32(16), 16u);
  EXPECT_EQ(u32(20), 1u | 2u << 16);  // PCM, two channels
  EXPECT_EQ(u32(24), 44100u);
  EXPECT_EQ(u32(28), 44100u * 4);
  EXPECT_EQ(u32(32), 4u | 16u << 16);  // frame size, bits per sample
  EXPECT_EQ(file.substr(36, 4), "data");
  EXPECT_EQ(u32(40), 12u);
  EXPECT_EQ(file.substr(44), std::string("\x00\x00\xFF\xFF\xFF\x7F\x00\x80\x02\x01\xFE\xFE", 12));

  WavWriter closed;
  EXPECT_FALSE(closed.write(samples.data(), 1));
  EXPECT_FALSE(closed.error().empty());
  EXPECT_FALSE(closed.open(dir / "missing/folder/run.wav"));
}

}  // namespace
}  // namespace vesk::test
