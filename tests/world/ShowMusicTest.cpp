// The show music as showgen writes it, played once through offline by the show's own sound
// code: its cues against the cue plan, and what the mix sounds like in numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Memory.h"
#include "events/MusicEvents.h"
#include "show/CuePlan.h"
#include "sound/Sound.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

constexpr std::uint64_t kRowFrames = std::uint64_t{kSoundRate} * kRowMs / 1000;

struct Heard {
  std::int32_t code;
  std::uint64_t frame;
};

struct Playback {
  std::vector<Heard> cues;
  std::vector<double> squares;  // sum of squared samples, window by window
  std::vector<std::uint64_t> samples;
  int peak = 0;
};

// Plays a module of the show's data for `windows` windows of `windowFrames` frames, or until it
// ends when it does not loop; the figures cover those windows.
Playback play(const std::string& name, bool loop, std::size_t windows, std::uint64_t windowFrames) {
  const std::string file = readFile(std::filesystem::path(VESK_SHOW_DIR) / "data" / name);
  Bytes bytes = allocateBytes(file.size());
  std::memcpy(bytes.get(), file.data(), file.size());
  Playback result;
  result.squares.resize(windows);
  result.samples.resize(windows);
  Sound& sound = Sound::getInstance();
  sound.init(SoundOutput::Manual);
  const std::uint32_t module = sound.moduleLoad(name, std::move(bytes), file.size(), loop);
  EXPECT_NE(module, 0u);
  sound.setCueObserver([&result](const CueReport& cue) {
    result.cues.push_back({MusicEvents::cueCode(cue.data), cue.frame});
  });
  sound.modulePlay(module);
  std::vector<std::int16_t> block(2 * 4096);
  std::uint64_t frame = 0;
  while (module != 0 && !sound.moduleEnded(module) && frame < windows * windowFrames) {
    const std::size_t frames = sound.renderFrames(block.data(), 4096);
    for (std::size_t i = 0; i < 2 * frames; ++i) {
      const std::size_t window = (frame + i / 2) / windowFrames;
      if (window >= windows) break;
      result.squares[window] += double(block[i]) * block[i];
      ++result.samples[window];
      result.peak = std::max(result.peak, std::abs(int(block[i])));
    }
    frame += frames;
    if (frames == 0) break;
  }
  sound.setCueObserver(nullptr);
  Sound::destroyInstance();
  return result;
}

double decibels(double squares, std::uint64_t samples) {
  return 10 * std::log10(squares / double(samples) / (32768.0 * 32768.0));
}

TEST(ShowMusic, CuesArriveInPlanOrderAtTheirRowsAndEverySectionPlaysWithoutClipping) {
  const std::vector<PlannedSection> plan = cuePlan();
  const int patterns = plan.back().firstRow / kRowsPerPattern + plan.back().patterns;
  const Playback heard = play("clepsydra.xm", false, patterns, kRowFrames * kRowsPerPattern);

  std::size_t next = 0;
  for (std::size_t s = 0; s < plan.size(); ++s)
    for (const PlannedCue& cue : plan[s].cues) {
      ASSERT_LT(next, heard.cues.size()) << "cue " << cue.code << " of section " << s + 1;
      EXPECT_EQ(heard.cues[next].code, cue.code) << "cue number " << next;
      EXPECT_EQ(heard.cues[next].frame, std::uint64_t(cueTimeMs(plan[s], cue)) * kSoundRate / 1000)
          << "cue " << cue.code;
      ++next;
    }
  EXPECT_EQ(heard.cues.size(), next);

  // Below -1 dB of full scale, and no pattern near silence; the figures are printed.
  EXPECT_LT(heard.peak, 29205);
  std::printf("peak %.1f dBFS\n", 20 * std::log10(heard.peak / 32768.0));
  for (std::size_t s = 0; s < plan.size(); ++s) {
    double squares = 0;
    std::uint64_t samples = 0;
    for (int p = 0; p < plan[s].patterns; ++p) {
      const std::size_t pattern = std::size_t(plan[s].firstRow / kRowsPerPattern + p);
      ASSERT_EQ(heard.samples[pattern], 2 * kRowFrames * kRowsPerPattern);
      EXPECT_GT(decibels(heard.squares[pattern], heard.samples[pattern]), -32.0)
          << "pattern " << pattern;
      squares += heard.squares[pattern];
      samples += heard.samples[pattern];
    }
    std::printf("section %zu: RMS %.1f dBFS\n", s + 1, decibels(squares, samples));
  }
}

// The loading jingle goes round and round while the show loads: no gap where it starts over.
TEST(ShowMusic, TheLoadingJingleLoopsWithoutAGapAndWithoutClipping) {
  const Playback heard = play("plug.xm", true, 32, kSoundRate / 2);
  for (std::size_t window = 0; window < heard.squares.size(); ++window) {
    ASSERT_EQ(heard.samples[window], std::uint64_t{kSoundRate}) << "half second " << window;
    EXPECT_GT(decibels(heard.squares[window], heard.samples[window]), -32.0)
        << "half second " << window;
  }
  EXPECT_LT(heard.peak, 29205);
}

}  // namespace
}  // namespace vesk::test
