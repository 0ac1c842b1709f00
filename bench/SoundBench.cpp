// Sound benchmarks: what mixing costs, and how close to the heard time live cues are raised.
//
//   BM_Mix16Channels       one second of a busy 16-channel module per iteration, on one core;
//                          "realtime" is seconds of sound mixed per second spent.
//   BM_CueTiming/...       100 cues on a live output; the counters give the time raised minus
//                          the time heard, in milliseconds, median and largest (negative: early).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "authoring/XmWriter.h"
#include "sound/Sound.h"

namespace {

using namespace vesk;
using Clock = std::chrono::steady_clock;

XmSample tone16() {
  XmSample sample;
  sample.sixteenBit = true;
  for (int i = 0; i < 2048; ++i)
    sample.pcm16.push_back(static_cast<std::int16_t>(9000 * std::sin(i * 2 * M_PI / 64.0) +
                                                     3000 * std::sin(i * 2 * M_PI / 9.0)));
  sample.loop = XmLoop::Forward;
  sample.loopLength = 2048;
  return sample;
}

XmInstrument withEnvelope(XmSample sample) {
  XmInstrument instrument;
  instrument.samples = {std::move(sample)};
  instrument.volumeEnvelope = {true, {{0, 64}, {20, 40}, {60, 50}}, 2, -1, -1};
  return instrument;
}

// 16 channels, a new note on every channel every other row, with portamento and vibrato.
XmModule busyModule() {
  XmModule module;
  module.channels = 16;
  module.patterns.emplace_back(64, 16);
  module.orders = {0};
  module.instruments = {withEnvelope(tone16())};
  module.instruments.resize(15);
  module.instruments[14] = xmCueInstrument(20);
  XmPattern& p = module.patterns[0];
  for (std::size_t row = 0; row < 64; ++row) {
    for (std::size_t channel = 0; channel < 16; ++channel) {
      XmCell& cell = p.at(row, channel);
      if ((row + channel) % 2 == 0) {
        cell = {static_cast<std::uint8_t>(25 + (row * 7 + channel * 5) % 48), 1, 0, 0, 0};
      } else {
        cell.effect = channel % 3 == 0 ? 0x04 : 0x01;  // vibrato or portamento up
        cell.param = 0x24;
      }
    }
  }
  p.at(0, 0).instrument = 15;
  return module;
}

std::uint32_t loadModule(Sound& sound, const XmModule& module) {
  XmResult written = writeXm(module);
  Bytes bytes = allocateBytes(written.bytes.size());
  std::memcpy(bytes.get(), written.bytes.data(), written.bytes.size());
  return sound.moduleLoad("bench.xm", std::move(bytes), written.bytes.size());
}

void BM_Mix16Channels(benchmark::State& state) {
  Sound& sound = Sound::getInstance();
  sound.init(SoundOutput::Manual);
  sound.modulePlay(loadModule(sound, busyModule()));
  std::vector<std::int16_t> out(kSoundRate * 2);
  for (auto _ : state) {
    for (std::size_t done = 0; done < std::size_t(kSoundRate); done += 1024) {
      const std::size_t count = std::min<std::size_t>(1024, kSoundRate - done);
      sound.renderFrames(out.data() + done * 2, count);
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["realtime"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  int peak = 0;  // a silent mix would measure nothing
  for (std::int16_t s : out)
    peak = std::max(peak, std::abs(int(s)));
  state.counters["peak"] = peak;
  Sound::destroyInstance();
}
BENCHMARK(BM_Mix16Channels)->Unit(benchmark::kMillisecond);

// A cue every row at speed 1 (20 ms apart), 100 of them, on the silent output or on SDL's dummy
// device (which plays into nothing at the pace of a real one).
void BM_CueTiming(benchmark::State& state) {
  const bool device = state.range(0) != 0;
  const bool compensate = state.range(1) != 0;
  constexpr std::size_t kCues = 100;
  std::mutex mutex;
  std::vector<double> errors;
  for (auto _ : state) {
    if (device) setenv("SDL_AUDIODRIVER", "dummy", 1);
    Sound& sound = Sound::getInstance();
    sound.setLatencyCompensation(compensate);
    sound.init(device ? SoundOutput::Device : SoundOutput::Silent);
    if ((sound.output() == SoundOutput::Device) != device) {
      state.SkipWithError("the wanted output could not be opened");
      break;
    }
    XmModule module;
    module.channels = 2;
    module.speed = 1;
    module.patterns.emplace_back(kCues, 2);
    module.orders = {0};
    module.instruments.resize(15);
    module.instruments[14] = xmCueInstrument(10);
    for (std::size_t row = 0; row < kCues; ++row)
      module.patterns[0].at(row, 0) = {static_cast<std::uint8_t>(1 + row % 96), 15, 0, 0, 0};
    sound.setCueObserver([&](const CueReport& cue) {
      const double error =
          std::chrono::duration<double, std::milli>(Clock::now() - cue.heard).count();
      std::lock_guard lock(mutex);
      if (errors.size() < kCues) errors.push_back(error);
    });
    sound.modulePlay(loadModule(sound, module));
    const Clock::time_point end = Clock::now() + std::chrono::seconds(10);
    for (;;) {
      {
        std::lock_guard lock(mutex);
        if (errors.size() >= kCues) break;
      }
      if (Clock::now() > end) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    sound.shutdown();
    Sound::destroyInstance();
    unsetenv("SDL_AUDIODRIVER");
  }
  if (errors.size() < kCues) {
    state.SkipWithError("not every cue arrived");
    return;
  }
  std::sort(errors.begin(), errors.end());
  state.counters["median_ms"] = (errors[kCues / 2 - 1] + errors[kCues / 2]) / 2;
  state.counters["min_ms"] = errors.front();
  state.counters["max_ms"] = errors.back();
  state.counters["max_abs_ms"] = std::max(std::abs(errors.front()), std::abs(errors.back()));
}
BENCHMARK(BM_CueTiming)
    ->ArgNames({"device", "compensation"})
    ->Args({0, 1})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
