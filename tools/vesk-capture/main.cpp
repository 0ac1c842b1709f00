// vesk-capture: runs the show's core without panel and without a visible window, on a manual
// clock, and writes the frames as PNG files or a video: how we and the tests see what the
// program draws, and how the show is watched where nothing can show it.
//
//   vesk-capture --script FILE [--data DIR] [--size 640x480] [--fps 25] --until MS
//                (--out DIR | --video FILE | both) [--every N] [--wav FILE] [--loop]
//   vesk-capture --show [--data DIR] [...] [--until MS] (--out DIR | --video FILE | both)
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
//
// --video writes every frame as H.264 with the sound as AAC (VideoExport), under a temporary
// name that becomes FILE only when the video is complete. On a terminal a progress line tells
// the show time reached, the frames captured per second and the time left.
// Exit codes: 0 done, 1 failed, 2 wrong usage, 130 or 143 stopped by SIGINT or SIGTERM (the
// frames until then are written and the run shuts down in order; an unfinished video is
// removed).
#include <FreeImage.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/OffscreenShow.h"
#include "app/VideoExport.h"
#include "base/Diagnosis.h"
#include "base/Log.h"
#include "show/EventScript.h"
#include "sound/WavWriter.h"

namespace vesk {
namespace {

constexpr const char* kUsage =
    "usage: vesk-capture --script FILE [--data DIR] [--size WxH] [--fps N] --until MS "
    "[--out DIR] [--video FILE] [--every N] [--wav FILE] [--loop]\n"
    "       vesk-capture --show [--data DIR] [--size WxH] [--fps N] [--until MS] [--out DIR] "
    "[--video FILE] [--every N] [--wav FILE] [--loop]\n"
    "  (--out DIR, --video FILE or both; --video needs an even width and height)\n";

struct Options {
  bool show = false;
  std::filesystem::path script;
  std::filesystem::path data = ".";
  std::filesystem::path out;
  std::filesystem::path wav;
  std::filesystem::path video;
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
    } else if (flag == "--video") {
      options.video = value;
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
  if (!options.video.empty() && (options.width % 2 != 0 || options.height % 2 != 0)) {
    error = "--video needs an even width and height, for example 640x480";
    return false;
  }
  const bool output = !options.out.empty() || !options.video.empty();
  if (options.show) {
    if (!options.script.empty() || !output) {
      error = "--show takes --out or --video and no --script";
      return false;
    }
    return true;
  }
  if (options.script.empty() || !output || options.untilMs < 0) {
    error = "--script, --until and --out or --video are required";
    return false;
  }
  return true;
}

// One line on standard error, rewritten in place while the run goes on: the show time reached,
// the frames captured per second of wall time and the time left. Silent unless standard error
// is a terminal; while it shows, log lines go to the log file alone.
class ProgressLine {
 public:
  ProgressLine(std::int64_t frames, std::int64_t untilMs)
      : _on(isatty(STDERR_FILENO) == 1), _frames(frames), _untilMs(untilMs) {
    if (_on) setLogEcho(false);
  }
  ~ProgressLine() { end(); }

  void update(std::int64_t index, std::int64_t ms) {
    if (!_on) return;
    const auto now = std::chrono::steady_clock::now();
    if (index == 0) _start = now;
    _index = index;
    _ms = ms;
    _stale = index > 0 && index + 1 < _frames && now - _shown < kInterval;
    if (!_stale) show(now);
  }
  // Ends the line, which stays as it was last shown.
  void end() {
    if (_on && _stale) show(std::chrono::steady_clock::now());
    if (_on && _width > 0) std::cerr << std::endl;
    _width = 0;
    _stale = false;
    if (_on) setLogEcho(true);
  }

 private:
  void show(std::chrono::steady_clock::time_point now) {
    const std::int64_t index = _index, ms = _ms;
    _shown = now;
    _stale = false;
    const double seconds = std::chrono::duration<double>(now - _start).count();
    const double rate = seconds > 0 ? static_cast<double>(index) / seconds : 0;
    std::string left = "--:--";
    if (rate > 0) {
      const auto remaining =
          static_cast<long long>(static_cast<double>(_frames - 1 - index) / rate + 0.5);
      char text[32];
      std::snprintf(text, sizeof text, "%lld:%02lld", remaining / 60, remaining % 60);
      left = text;
    }
    char line[160];
    std::snprintf(line, sizeof line, "vesk-capture: %.1f s of %.1f s, %.1f frames/s, %s left",
                  static_cast<double>(ms) / 1000, static_cast<double>(_untilMs) / 1000, rate,
                  left.c_str());
    std::string text = line;
    const std::size_t width = text.size();
    if (text.size() < _width) text.append(_width - text.size(), ' ');
    _width = width;
    std::cerr << '\r' << text << std::flush;
  }

  static constexpr std::chrono::milliseconds kInterval{250};
  bool _on;
  std::int64_t _frames, _untilMs;
  std::chrono::steady_clock::time_point _start{}, _shown{};
  std::int64_t _index = 0, _ms = 0;  // the last frame captured
  bool _stale = false;               // and not shown yet
  std::size_t _width = 0;
};

// The frames as PNG files every `every` frames (when `out` is given), every frame and the
// sound into the video (when given), the sound as a WAV file (when given).
class CaptureReceiver : public OffscreenReceiver {
 public:
  CaptureReceiver(std::filesystem::path out, std::int64_t every, WavWriter* wav, VideoExport* video,
                  ProgressLine& progress)
      : _out(std::move(out)), _every(every), _wav(wav), _video(video), _progress(progress) {}
  int saved() const { return _saved; }

  bool audio(const std::int16_t* samples, std::size_t frames) override {
    if (_wav) _wav->write(samples, frames);
    if (_video && !_video->addAudio(samples, frames)) return refuse(_video->error());
    return true;
  }
  bool frame(std::int64_t index, std::int64_t ms, double) override {
    const bool png = !_out.empty() && index % _every == 0;
    if ((png || _video) && !readFrame(_pixels)) return refuse("cannot read the frame drawn");
    if (png) {
      char name[32];
      std::snprintf(name, sizeof name, "t%08lld.png", static_cast<long long>(ms));
      if (!savePng(_out / name)) return refuse("cannot write " + (_out / name).string());
      ++_saved;
    }
    if (_video && !_video->addFrame(_pixels)) return refuse(_video->error());
    _progress.update(index, ms);
    return true;
  }

 private:
  bool refuse(const std::string& why) {
    _progress.end();
    std::cerr << "vesk-capture: " << why << std::endl;
    return false;
  }
  bool savePng(const std::filesystem::path& path) {
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
  VideoExport* _video;
  ProgressLine& _progress;
  FramePixels _pixels;
  int _saved = 0;
};

std::filesystem::path absoluteOrEmpty(const std::filesystem::path& path) {
  return path.empty() ? path : std::filesystem::absolute(path);
}

int capture(const Options& options) {
  EventScript script;
  if (!options.show && !script.load(options.script)) {
    std::cerr << "vesk-capture: " << script.error() << std::endl;
    return 1;
  }
  std::error_code failure;
  if (!options.out.empty()) std::filesystem::create_directories(options.out, failure);
  if (failure) {
    std::cerr << "vesk-capture: cannot make " << options.out << ": " << failure.message()
              << std::endl;
    return 1;
  }
  const std::filesystem::path out = absoluteOrEmpty(options.out);
  const std::filesystem::path wavPath = absoluteOrEmpty(options.wav);
  const std::filesystem::path videoPath = absoluteOrEmpty(options.video);
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
  run.sound = !wavPath.empty() || !videoPath.empty();
  OffscreenShow show(run);
  for (const std::string& file : show.missingModules())
    std::cerr << "vesk-capture: " << file << " is not in " << options.data
              << ": left out of the loading" << std::endl;

  WavWriter wav;
  if (!wavPath.empty() && !wav.open(wavPath)) {
    std::cerr << "vesk-capture: cannot write " << options.wav << std::endl;
    return 1;
  }
  VideoExport video;
  if (!videoPath.empty() && !video.open(videoPath, options.width, options.height, options.fps)) {
    std::cerr << "vesk-capture: cannot write " << options.video << ": " << video.error()
              << std::endl;
    return 1;
  }
  ProgressLine progress(show.frameCount(), show.untilMs());
  CaptureReceiver receiver(out, options.every, wavPath.empty() ? nullptr : &wav,
                           videoPath.empty() ? nullptr : &video, progress);
  bool ok = show.run(receiver, "vesk-capture");
  progress.end();
  if (!wavPath.empty() && !wav.finish()) {
    std::cerr << "vesk-capture: cannot write " << options.wav << std::endl;
    ok = false;
  }
  const bool complete = ok && quitExitCode() == 0;
  if (!videoPath.empty() && complete && !video.finish()) {
    std::cerr << "vesk-capture: cannot write " << options.video << ": " << video.error()
              << std::endl;
    ok = false;
  } else if (!videoPath.empty() && complete) {
    char length[32];
    std::snprintf(length, sizeof length, "%.1f s",
                  static_cast<double>(video.frames()) / options.fps);
    std::cerr << "vesk-capture: " << video.frames() << " frames (" << length
              << ") with sound written to " << videoPath << std::endl;
  } else if (!videoPath.empty()) {
    video.abandon();
    std::cerr << "vesk-capture: export "
              << (quitSignal() != 0 ? "interrupted by signal " + std::to_string(quitSignal())
                                    : std::string("failed"))
              << ": the unfinished video is removed, nothing is written to " << videoPath
              << std::endl;
  }
  if (quitSignal() != 0 && videoPath.empty())
    std::cerr << "vesk-capture: stopped by signal " << quitSignal() << std::endl;
  if (!out.empty())
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
