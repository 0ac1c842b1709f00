// vesk-cues: lists the cue notes a module raises and when they are heard, so that an author can
// check a show's cue sheet against the music.
//   vesk-cues FILE.xm [--seconds N]
// The module is played offline through the show's own sound code, without an audio device:
// once through the song, or looping for N seconds. Each cue is one line on the standard output,
//   MS CODE NOTE VOLUME
// with MS the millisecond at which the note is heard and CODE the cue code the show's music
// events receive. Exit codes: 0 done, 1 failed (a message on the standard error), 2 wrong usage,
// 130 or 143 stopped by SIGINT or SIGTERM (the cues heard until then are listed).
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "base/Diagnosis.h"
#include "base/RegularFile.h"
#include "events/MusicEvents.h"
#include "sound/Sound.h"

namespace {

constexpr const char* kUsage = "usage: vesk-cues FILE.xm [--seconds N]\n";
constexpr std::size_t kBlockFrames = 4096;
// What the show reads as a data file, it reads too.
constexpr std::size_t kMaxModuleBytes = std::numeric_limits<std::uint32_t>::max();

int usageError() {
  std::fputs(kUsage, stderr);
  return 2;
}

int failure(const std::string& message) {
  std::fprintf(stderr, "vesk-cues: %s\n", message.c_str());
  return 1;
}

bool parseSeconds(const char* text, double& seconds) {
  char* end = nullptr;
  errno = 0;
  seconds = std::strtod(text, &end);
  return errno == 0 && end != text && *end == '\0' && std::isfinite(seconds) && seconds >= 0;
}

int run(const char* path, bool loop, std::uint64_t limitFrames) {
  vesk::FileContent file = vesk::readRegularFile(path, kMaxModuleBytes);
  if (!file) return failure(std::string("cannot read ") + path + ": " + file.error);

  vesk::Sound& sound = vesk::Sound::getInstance();
  sound.init(vesk::SoundOutput::Manual);
  const std::uint32_t module = sound.moduleLoad(path, std::move(file.data), file.size, loop);
  if (module == 0) return failure(std::string(path) + " is not a module");

  std::vector<vesk::CueReport> cues;
  sound.setCueObserver([&cues](const vesk::CueReport& cue) { cues.push_back(cue); });
  sound.modulePlay(module);
  std::vector<std::int16_t> block(kBlockFrames * 2);
  while (!sound.moduleEnded(module) && sound.renderedFrames() < limitFrames &&
         !vesk::quitRequested()) {
    const std::uint64_t left = limitFrames - sound.renderedFrames();
    sound.renderFrames(block.data(), left < kBlockFrames ? left : kBlockFrames);
    for (const vesk::CueReport& cue : cues) {
      const std::uint64_t ms = (cue.frame * 1000 + vesk::kSoundRate / 2) / vesk::kSoundRate;
      std::printf("%" PRIu64 " %d %u %u\n", ms, vesk::MusicEvents::cueCode(cue.data),
                  cue.data & 0xFFFFu, cue.data >> 16);
    }
    cues.clear();
  }
  sound.setCueObserver(nullptr);
  vesk::Sound::destroyInstance();
  if (std::fflush(stdout) != 0) return failure("cannot write to the standard output");
  return vesk::quitExitCode();
}

}  // namespace

int main(int argc, char** argv) {
  vesk::quitOnSignals();
  const char* path = nullptr;
  bool timed = false;
  double seconds = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--seconds") {
      if (timed || ++i >= argc || !parseSeconds(argv[i], seconds)) return usageError();
      timed = true;
    } else if (!path && !argument.starts_with("--")) {
      path = argv[i];
    } else {
      return usageError();
    }
  }
  if (!path) return usageError();
  // Once through the song unless a duration is asked for; then the module loops as in the show.
  const std::uint64_t limit =
      timed ? static_cast<std::uint64_t>(std::llround(seconds * vesk::kSoundRate)) : UINT64_MAX;
  return run(path, timed, limit);
}
