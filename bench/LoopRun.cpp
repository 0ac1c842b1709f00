// loop_run: the long run. Plays the compiled-in show offscreen in loop mode (the quit cue starts
// it again from its music's first note) for N loops, at a low frame rate so that it is quick,
// with the music mixed, and prints per loop the peak resident memory of the process and the
// engine's tracked memory. Then it checks what a long run must keep:
//   - memory flat after the first loop (the first loads everything; later loops load nothing),
//   - no assertion logged (the offscreen run logs them and goes on),
//   - the leak report at the end of Log.txt empty.
// The exit code is 0 when all holds, 1 when anything failed, 2 for a wrong command line.
//
//   loop_run [--data DIR] [--loops N] [--fps F]
//
// DIR holds the show's data (Data.vk or data/), by default the data the build writes next to
// the program (../show); Log.txt is written there. N is 10 by default, F 5 frames per second of
// show time.
//
// Peak resident memory is the kernel's high-water mark (VmHWM), reset at the start of each loop
// through /proc/self/clear_refs, so that it sees the peak between frames too. The tracked
// memory is sampled after every frame.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/Core.h"
#include "app/OffscreenShow.h"
#include "base/Diagnosis.h"
#include "base/Memory.h"

namespace vesk {
namespace {

constexpr const char* kUsage = "usage: loop_run [--data DIR] [--loops N] [--fps F]\n";

// How far a later loop's resident peak may lie above the second loop's. The peaks of loops 2 to
// 10 move up and down within about 2 MiB without a trend (the C library keeps freed blocks for
// reuse, Mesa its own caches, and the frames of a loop end up in other places of the heap), so
// twice that is allowed. The engine's tracked memory is held exactly (memoryFlat); this bound is
// for what it does not see, such as textures left in the driver, at a megabyte a loop and more.
constexpr long kResidentToleranceKb = 4096;

struct LoopFigures {
  long peakResidentKb = 0;
  long endResidentKb = 0;
  std::size_t peakTracked = 0;
  std::size_t endTracked = 0;
  std::int64_t frames = 0;
  double seconds = 0;
};

// A field of /proc/self/status in kB; -1 when it cannot be read.
long statusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line))
    if (line.starts_with(prefix)) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
  return -1;
}

// Resets the peak resident memory to the current one; false when the kernel refuses.
bool resetPeakResident() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

class LoopWatch : public OffscreenReceiver {
 public:
  explicit LoopWatch(int loops) : _loops(loops) {}
  const std::vector<LoopFigures>& figures() const { return _figures; }
  bool peakReset() const { return _peakReset; }

  void started() override { beginLoop(); }
  bool frame(std::int64_t, std::int64_t ms, double) override {
    _current.peakTracked = std::max(_current.peakTracked, theMemory().currentUsage());
    ++_current.frames;
    const Core* core = Core::instance();
    if (!core) return false;
    if (core->loops() > static_cast<int>(_figures.size())) {
      endLoop(ms);
      // The last loop ended at its quit cue: the run ends as the show without loop mode would.
      if (static_cast<int>(_figures.size()) >= _loops) requestQuit(0);
      beginLoop();
    }
    return true;
  }

 private:
  void beginLoop() {
    _peakReset = resetPeakResident() && _peakReset;
    _current = {};
    _current.peakTracked = theMemory().currentUsage();
    _begin = std::chrono::steady_clock::now();
  }
  void endLoop(std::int64_t ms) {
    _current.peakResidentKb = statusKb("VmHWM");
    _current.endResidentKb = statusKb("VmRSS");
    _current.endTracked = theMemory().currentUsage();
    _current.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - _begin).count();
    _figures.push_back(_current);
    const LoopFigures& f = _current;
    std::printf(
        "loop %2zu: ends at %7.1f s, %5lld frames, %6.1f s wall; peak resident %7.1f MiB, at the "
        "end %7.1f MiB; tracked peak %8.2f MiB, at the end %8.2f MiB\n",
        _figures.size(), static_cast<double>(ms) / 1e3, static_cast<long long>(f.frames), f.seconds,
        static_cast<double>(f.peakResidentKb) / 1024, static_cast<double>(f.endResidentKb) / 1024,
        static_cast<double>(f.peakTracked) / (1024.0 * 1024.0),
        static_cast<double>(f.endTracked) / (1024.0 * 1024.0));
    std::fflush(stdout);
  }

  int _loops;
  std::vector<LoopFigures> _figures;
  LoopFigures _current;
  std::chrono::steady_clock::time_point _begin;
  bool _peakReset = true;
};

// AddressSanitizer keeps freed blocks in quarantine and recycles them in batches: there the
// resident peak moves by tens of MiB from loop to loop and says nothing about leaks, which its
// own leak check at exit judges.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kResidentComparable = false;
#else
constexpr bool kResidentComparable = true;
#endif

// From the second loop on, against the second loop: the resident peak within the tolerance, the
// tracked memory not above it at all (the offscreen run is deterministic: a manual clock and a
// fixed random seed, so every loop after the first makes the same objects).
bool memoryFlat(const std::vector<LoopFigures>& loops, bool comparePeaks) {
  bool flat = true;
  for (std::size_t i = 2; i < loops.size(); ++i) {
    const LoopFigures& base = loops[1];
    const LoopFigures& loop = loops[i];
    if (comparePeaks && loop.peakResidentKb > base.peakResidentKb + kResidentToleranceKb) {
      std::printf("loop_run: loop %zu's resident peak is %ld kB above loop 2's (at most %ld)\n",
                  i + 1, loop.peakResidentKb - base.peakResidentKb, kResidentToleranceKb);
      flat = false;
    }
    if (loop.peakTracked > base.peakTracked || loop.endTracked > base.endTracked) {
      std::printf(
          "loop_run: loop %zu's tracked memory grew: peak %zu, end %zu bytes (loop 2: "
          "%zu, %zu)\n",
          i + 1, loop.peakTracked, loop.endTracked, base.peakTracked, base.endTracked);
      flat = false;
    }
  }
  return flat;
}

// Reads the log: assertions logged, the leak report, and the peak usage line.
bool logClean(const std::filesystem::path& log) {
  std::ifstream in(log);
  if (!in) {
    std::printf("loop_run: cannot read %s\n", log.c_str());
    return false;
  }
  std::string line, maximum;
  int assertions = 0;
  bool leaks = false;
  while (std::getline(in, line)) {
    if (line.starts_with("Assertion failed")) ++assertions;
    if (line.starts_with("Detected memory leaks")) leaks = true;
    if (line.starts_with("Maximum memory usage")) maximum = line;
  }
  if (!maximum.empty()) std::printf("loop_run: Log.txt: %s\n", maximum.c_str());
  if (assertions > 0) std::printf("loop_run: %d assertions logged in Log.txt\n", assertions);
  if (leaks) std::printf("loop_run: Log.txt reports memory never freed\n");
  if (maximum.empty()) std::printf("loop_run: Log.txt has no memory report\n");
  return assertions == 0 && !leaks && !maximum.empty();
}

int run(int argc, char** argv) {
  std::filesystem::path data;
  long loops = 10;
  double fps = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (i + 1 >= argc) {
      std::cerr << "loop_run: " << flag << " needs a value\n" << kUsage;
      return 2;
    }
    const char* value = argv[++i];
    char* end = nullptr;
    if (flag == "--data") {
      data = value;
    } else if (flag == "--loops") {
      loops = std::strtol(value, &end, 10);
      if (end == value || *end != '\0' || loops < 1 || loops > 1000) {
        std::cerr << "loop_run: --loops takes a number of loops from 1 to 1000\n";
        return 2;
      }
    } else if (flag == "--fps") {
      fps = std::strtod(value, &end);
      if (end == value || *end != '\0' || !(fps > 0 && fps <= 1000)) {
        std::cerr << "loop_run: --fps takes a rate above 0 and at most 1000\n";
        return 2;
      }
    } else {
      std::cerr << "loop_run: unknown option " << flag << "\n" << kUsage;
      return 2;
    }
  }
  std::error_code failure;
  if (data.empty())
    data = std::filesystem::read_symlink("/proc/self/exe", failure).parent_path() / ".." / "show";
  std::filesystem::current_path(data, failure);
  if (failure) {
    std::cerr << "loop_run: cannot work in " << data << ": " << failure.message() << "\n";
    return 1;
  }

  OffscreenOptions options;
  options.show = true;
  options.fps = fps;
  options.loop = true;
  options.sound = true;
  // One play of the show lasts until a little after its quit cue, and the loading's frame breaks
  // hold the first one back by a frame each: a bound for N loops, which end the run at the last
  // quit cue.
  constexpr std::int64_t kFrameBreaksMs = 60000;
  options.untilMs = OffscreenShow(options).untilMs() * loops + kFrameBreaksMs;
  OffscreenShow show(options);
  for (const std::string& file : show.missingModules())
    std::cerr << "loop_run: " << file << " is not in " << data << ": left out of the loading\n";
  std::printf("loop_run: %ld loops of the show at %g frames per second, sound mixed\n", loops, fps);
  std::fflush(stdout);
  LoopWatch watch(static_cast<int>(loops));
  const bool ran = show.run(watch, "loop_run");
  const std::vector<LoopFigures>& figures = watch.figures();

  bool ok = true;
  if (!ran || quitExitCode() != 0) {
    std::printf("loop_run: the run failed (exit code %d)\n", quitExitCode());
    ok = false;
  }
  if (static_cast<long>(figures.size()) < loops) {
    std::printf("loop_run: the show looped %zu times, not %ld\n", figures.size(), loops);
    ok = false;
  }
  if (!watch.peakReset())
    std::printf("loop_run: the peak resident memory could not be reset: not compared\n");
  if (!kResidentComparable)
    std::printf("loop_run: AddressSanitizer build: the resident peaks are not compared\n");
  if (figures.size() < 3) {
    std::printf("loop_run: fewer than 3 loops: memory after the first loop not compared\n");
  } else if (!memoryFlat(figures, watch.peakReset() && kResidentComparable)) {
    ok = false;
  }
  if (!logClean("Log.txt")) ok = false;
  std::printf("loop_run: %s\n", ok ? "passed" : "FAILED");
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace vesk

int main(int argc, char** argv) {
  return vesk::run(argc, argv);
}
