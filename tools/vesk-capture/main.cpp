// vesk-capture: runs the show's core without panel and without a visible window, on a manual
// clock, and writes the frames as PNG files: how we and the tests see what the program draws.
//
//   vesk-capture --script FILE [--data DIR] [--size 640x480] [--fps 25] --until MS --out DIR
//                [--every N] [--wav FILE] [--loop]
//   vesk-capture --show [--data DIR] [...] [--until MS] --out DIR
//
// --show captures the compiled-in show from the data in DIR, until the quit cue by default.
// Its cues come from the show music. When the data folder has no show music, or no loading
// jingle, that module's entries are left out of the loading and the cues are raised at the
// times of the cue plan instead, as the music would raise them, so the sections still play in
// step; only the sound is missing.
//
// With --loop the run is in loop mode: the quit cue starts the show again from its first music
// cue, and the script's syncs are raised again at the same offsets from the music's new start.
// The music is mixed synchronously, frame by frame, so two runs give the same frames and the
// same audio bytes; with --wav the sound is on at volume 100 and the audio is kept.
// Exit codes: 0 done, 1 failed, 2 wrong usage, 130 or 143 stopped by SIGINT or SIGTERM (the
// frames until then are written and the run shuts down in order).
#include <FreeImage.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/OffscreenShow.h"
#include "base/Diagnosis.h"
#include "show/EventScript.h"
#include "sound/WavWriter.h"

namespace vesk {
namespace {

constexpr const char* kUsage =
    "usage: vesk-capture --script FILE [--data DIR] [--size WxH] [--fps N] --until MS --out DIR "
    "[--every N] [--wav FILE] [--loop]\n"
    "       vesk-capture --show [--data DIR] [--size WxH] [--fps N] [--until MS] --out DIR "
    "[--every N] [--wav FILE] [--loop]\n";

struct Options {
  bool show = false;
  std::filesystem::path script;
  std::filesystem::path data = ".";
  std::filesystem::path out;
  std::filesystem::path wav;
  std::uint32_t width = 640, height = 480;
  double fps = 25;
  std::int64_t untilMs = -1;
  std::int64_t every = 1;
  bool loop = false;
};

bool parseNumber(const char* text, std::int64_t& value, std::int64_t minimum) {
  char* end = nullptr;
  long long parsed = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || parsed < minimum) return false;
  value = parsed;
  return true;
}

bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string flag = argv[i];
    if (flag == "--loop") {
      options.loop = true;
      continue;
    }
    if (flag == "--show") {
      options.show = true;
      continue;
    }
    if (i + 1 >= argc) {
      error = flag + " needs a value";
      return false;
    }
    const char* value = argv[++i];
    std::int64_t number = 0;
    if (flag == "--script") {
      options.script = value;
    } else if (flag == "--data") {
      options.data = value;
    } else if (flag == "--out") {
      options.out = value;
    } else if (flag == "--wav") {
      options.wav = value;
    } else if (flag == "--size") {
      unsigned w = 0, h = 0;
      char extra;
      if (std::sscanf(value, "%ux%u%c", &w, &h, &extra) != 2 || w == 0 || h == 0 || w > 8192 ||
          h > 8192) {
        error = "--size takes WIDTHxHEIGHT, for example 640x480";
        return false;
      }
      options.width = w;
      options.height = h;
    } else if (flag == "--fps") {
      char* end = nullptr;
      options.fps = std::strtod(value, &end);
      if (end == value || *end != '\0' || !(options.fps > 0 && options.fps <= 1000)) {
        error = "--fps takes a rate above 0 and at most 1000";
        return false;
      }
    } else if (flag == "--until") {
      if (!parseNumber(value, number, 0) || number > 2000000000) {
        error = "--until takes a show time in milliseconds";
        return false;
      }
      options.untilMs = number;
    } else if (flag == "--every") {
      if (!parseNumber(value, number, 1)) {
        error = "--every takes a whole number of frames, 1 or more";
        return false;
      }
      options.every = number;
    } else {
      error = "unknown option " + flag;
      return false;
    }
  }
  if (options.show) {
    if (!options.script.empty() || options.out.empty()) {
      error = "--show takes --out and no --script";
      return false;
    }
    return true;
  }
  if (options.script.empty() || options.out.empty() || options.untilMs < 0) {
    error = "--script, --until and --out are required";
    return false;
  }
  return true;
}

// The frames as PNG files every `every` frames, the sound as a WAV file.
class CaptureReceiver : public OffscreenReceiver {
 public:
  CaptureReceiver(std::filesystem::path out, std::int64_t every, WavWriter* wav)
      : _out(std::move(out)), _every(every), _wav(wav) {}
  int saved() const { return _saved; }

  bool audio(const std::int16_t* samples, std::size_t frames) override {
    if (_wav) _wav->write(samples, frames);
    return true;
  }
  bool frame(std::int64_t index, std::int64_t ms, double) override {
    if (index % _every != 0) return true;
    char name[32];
    std::snprintf(name, sizeof name, "t%08lld.png", static_cast<long long>(ms));
    if (!savePng(_out / name)) {
      std::cerr << "vesk-capture: cannot write " << (_out / name) << std::endl;
      return false;
    }
    ++_saved;
    return true;
  }

 private:
  bool savePng(const std::filesystem::path& path) {
    if (!readFrame(_pixels)) return false;
    FIBITMAP* bitmap =
        FreeImage_Allocate(static_cast<int>(_pixels.width), static_cast<int>(_pixels.height), 24);
    if (!bitmap) return false;
    for (std::uint32_t y = 0; y < _pixels.height; ++y) {
      // FreeImage keeps rows bottom-up.
      BYTE* row = FreeImage_GetScanLine(bitmap, static_cast<int>(_pixels.height - 1 - y));
      const std::uint32_t* words =
          _pixels.words.data() + static_cast<std::size_t>(y) * _pixels.width;
      for (std::uint32_t x = 0; x < _pixels.width; ++x) {
        row[3 * x + FI_RGBA_BLUE] = static_cast<BYTE>(words[x]);
        row[3 * x + FI_RGBA_GREEN] = static_cast<BYTE>(words[x] >> 8);
        row[3 * x + FI_RGBA_RED] = static_cast<BYTE>(words[x] >> 16);
      }
    }
    const bool saved = FreeImage_Save(FIF_PNG, bitmap, path.c_str(), PNG_DEFAULT) != 0;
    FreeImage_Unload(bitmap);
    return saved;
  }

  std::filesystem::path _out;
  std::int64_t _every;
  WavWriter* _wav;
  FramePixels _pixels;
  int _saved = 0;
};

int capture(const Options& options) {
  EventScript script;
  if (!options.show && !script.load(options.script)) {
    std::cerr << "vesk-capture: " << script.error() << std::endl;
    return 1;
  }
  std::error_code failure;
  std::filesystem::create_directories(options.out, failure);
  if (failure) {
    std::cerr << "vesk-capture: cannot make " << options.out << ": " << failure.message()
              << std::endl;
    return 1;
  }
  const std::filesystem::path out = std::filesystem::absolute(options.out);
  const std::filesystem::path wavPath =
      options.wav.empty() ? std::filesystem::path() : std::filesystem::absolute(options.wav);
  std::filesystem::current_path(options.data, failure);
  if (failure) {
    std::cerr << "vesk-capture: cannot work in " << options.data << ": " << failure.message()
              << std::endl;
    return 1;
  }

  OffscreenOptions run;
  run.show = options.show;
  run.script = &script;
  run.width = options.width;
  run.height = options.height;
  run.fps = options.fps;
  run.untilMs = options.untilMs;
  run.loop = options.loop;
  run.sound = !wavPath.empty();
  OffscreenShow show(run);
  for (const std::string& file : show.missingModules())
    std::cerr << "vesk-capture: " << file << " is not in " << options.data
              << ": left out of the loading" << std::endl;

  WavWriter wav;
  if (!wavPath.empty() && !wav.open(wavPath)) {
    std::cerr << "vesk-capture: cannot write " << options.wav << std::endl;
    return 1;
  }
  CaptureReceiver receiver(out, options.every, wavPath.empty() ? nullptr : &wav);
  bool ok = show.run(receiver, "vesk-capture");
  if (!wavPath.empty() && !wav.finish()) {
    std::cerr << "vesk-capture: cannot write " << options.wav << std::endl;
    ok = false;
  }
  if (quitSignal() != 0)
    std::cerr << "vesk-capture: stopped by signal " << quitSignal() << std::endl;
  std::cerr << "vesk-capture: " << receiver.saved() << " frames written to " << out << std::endl;
  if (quitSignal() == 0 && !ok && quitExitCode() == 0) return 1;
  return quitExitCode();
}

}  // namespace
}  // namespace vesk

int main(int argc, char** argv) {
  vesk::quitOnSignals();
  vesk::Options options;
  std::string error;
  if (!vesk::parseOptions(argc, argv, options, error)) {
    std::cerr << "vesk-capture: " << error << "\n" << vesk::kUsage;
    return 2;
  }
  return vesk::capture(options);
}
