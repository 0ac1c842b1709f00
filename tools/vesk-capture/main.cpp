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
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/Core.h"
#include "base/Diagnosis.h"
#include "base/File.h"
#include "base/Log.h"
#include "base/ShowClock.h"
#include "platform/Display.h"
#include "platform/Window.h"
#include "render/DXObject.h"
#include "show/ClepsydraShow.h"
#include "show/CuePlan.h"
#include "show/EventScript.h"
#include "show/ShowFiles.h"
#include "sound/Sound.h"
#include "sound/WavWriter.h"

namespace vesk {
namespace {

constexpr std::uint32_t kCaptureRandomSeed = 1;

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

// Assertions are logged and the run goes on; fatal errors are told on stderr.
class CapturePresenter : public Presenter {
 public:
  void showError(const std::string& text, const std::string& caption) override {
    std::cerr << "vesk-capture: " << caption << ": " << text << std::endl;
  }
  DiagnosisChoice showDiagnosis(const std::string& text) override {
    logLine(text);
    return DiagnosisChoice::Ignore;
  }
};

class CaptureDisplay : public gfx::Display {
 public:
  explicit CaptureDisplay(gfx::DisplayMode mode) : _mode(mode) {}
  std::vector<gfx::DisplayMode> modes() override { return {_mode}; }
  gfx::DisplayMode desktopMode() override { return _mode; }
  void hideCursor() override {}

 private:
  gfx::DisplayMode _mode;
};

class CaptureHost : public CoreHost {
 public:
  CaptureHost(gfx::DisplayMode mode, bool videoOpen, bool soundOn, bool loop)
      : _mode(mode), _display(mode), _video(videoOpen), _soundOn(soundOn), _loop(loop) {}
  gfx::Display* display() override { return _video ? &_display : nullptr; }
  // With sound the run is as if "No sound" were unchecked (the volume stays at 100), with loop
  // as if "Loop mode" were checked.
  PanelResult showConfigPanel(Core& core) override {
    if (!_soundOn && !_loop) return PanelResult::RunUnchanged;
    Core::Settings settings = core.settings();
    settings.soundOn = _soundOn;
    settings.loopMode = _loop;
    core.applySettings(settings);
    return PanelResult::RunChanged;
  }
  SoundOutput soundOutput() override { return SoundOutput::Manual; }
  gfx::DeviceHost* openOutput(const gfx::DisplayMode&, bool) override {
    std::string error;
    if (!_window.create(error)) {
      logLine("Window: " + error);
      return nullptr;
    }
    return &_window;
  }
  void showWindow() override {}
  gfx::DisplayMode desktopWindowMode() override { return _mode; }
  bool pollMessage(WindowMessage& message) override {
    while (pollWindowMessage(message)) {
    }
    return false;
  }
  const Clock& clock() override { return _clock; }
  ManualClock& manualClock() { return _clock; }

 private:
  gfx::DisplayMode _mode;
  CaptureDisplay _display;
  bool _video;
  bool _soundOn;
  bool _loop;
  Window _window;
  ManualClock _clock;
};

class ScriptShow : public ShowScript {
 public:
  explicit ScriptShow(const EventScript& script) : _script(script) {}
  Owned<TimeEvents> buildTimeEvents() override { return _script.buildTimeEvents(); }
  Owned<MusicEvents> buildMusicEvents() override { return _script.buildMusicEvents(); }

 private:
  const EventScript& _script;
};

// The compiled-in show, less the modules the data folder does not hold (see the top of this
// file).
class CompiledShow : public ShowScript {
 public:
  CompiledShow() {
    for (const ShowModule& module : showModules())
      if (!moduleHere(module)) _missing.push_back(module);
  }
  bool musicMissing() const {
    for (const ShowModule& module : _missing)
      if (module.name == kShowMusic) return true;
    return false;
  }
  const std::vector<ShowModule>& missing() const { return _missing; }

  Owned<TimeEvents> buildTimeEvents() override {
    std::vector<TimedEvent> events = loadingSchedule();
    std::erase_if(events, [this](const TimedEvent& entry) { return usesMissing(entry.event); });
    return make<TimeEvents>(here(), events);
  }
  Owned<MusicEvents> buildMusicEvents() override { return _show.buildMusicEvents(); }

  // The cues at their planned show times: the music starts with the last loading entry.
  static std::vector<CueSync> plannedSyncs(std::int32_t musicStartMs) {
    std::vector<CueSync> syncs;
    for (const PlannedSection& section : cuePlan())
      for (const PlannedCue& cue : section.cues)
        syncs.push_back(
            {musicStartMs + static_cast<std::int32_t>(cueTimeMs(section, cue)), cue.code});
    return syncs;
  }

 private:
  // In the archive every file is taken to be there; loose files are looked for.
  static bool moduleHere(const ShowModule& module) {
    std::error_code failure;
    return std::filesystem::exists(kArchiveName, failure) ||
           std::filesystem::exists(looseFilePath(module.file), failure);
  }
  bool usesMissing(const Event& event) const {
    constexpr std::int32_t kLoad = 8, kUnload = 9, kPlay = 10, kStop = 11;
    if (event.getTargetName() != "CORE") return false;
    const std::int32_t code = event.getCode();
    if (code != kLoad && code != kUnload && code != kPlay && code != kStop) return false;
    for (const ShowModule& module : _missing)
      if (event.getString(code == kLoad ? 1 : 0) == module.name) return true;
    return false;
  }

  ClepsydraShow _show;
  std::vector<ShowModule> _missing;
};

// The back buffer as a PNG file.
bool saveFrame(const std::filesystem::path& path) {
  gfx::Device* device = DXObject::device();
  if (!device || !device->backBuffer()) return false;
  gfx::SurfaceDesc desc = device->backBuffer()->desc();
  Owned<gfx::Surface> image = device->createImageSurface(desc.width, desc.height, desc.format);
  if (!image || !device->copyRects(device->backBuffer(), image.get())) return false;
  gfx::LockedRect locked;
  if (!image->lockRect(locked, gfx::LOCK_READ_ONLY)) return false;
  FIBITMAP* bitmap =
      FreeImage_Allocate(static_cast<int>(desc.width), static_cast<int>(desc.height), 24);
  bool saved = false;
  if (bitmap) {
    for (std::uint32_t y = 0; y < desc.height; ++y) {
      // FreeImage keeps rows bottom-up.
      BYTE* row = FreeImage_GetScanLine(bitmap, static_cast<int>(desc.height - 1 - y));
      const auto* words =
          reinterpret_cast<const std::uint32_t*>(static_cast<const unsigned char*>(locked.bits) +
                                                 static_cast<std::size_t>(y) * locked.pitch);
      for (std::uint32_t x = 0; x < desc.width; ++x) {
        row[3 * x + FI_RGBA_BLUE] = static_cast<BYTE>(words[x]);
        row[3 * x + FI_RGBA_GREEN] = static_cast<BYTE>(words[x] >> 8);
        row[3 * x + FI_RGBA_RED] = static_cast<BYTE>(words[x] >> 16);
      }
    }
    saved = FreeImage_Save(FIF_PNG, bitmap, path.c_str(), PNG_DEFAULT) != 0;
    FreeImage_Unload(bitmap);
  }
  (void)image->unlockRect();
  return saved;
}

int capture(Options options) {
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

  std::unique_ptr<CompiledShow> compiled;
  std::vector<CueSync> syncs = script.syncs();
  if (options.show) {
    compiled = std::make_unique<CompiledShow>();
    for (const ShowModule& module : compiled->missing())
      std::cerr << "vesk-capture: " << module.file << " is not in " << options.data
                << ": left out of the loading" << std::endl;
    const std::int32_t musicStart = loadingSchedule().rbegin()[1].time;
    if (compiled->musicMissing()) syncs = CompiledShow::plannedSyncs(musicStart);
    if (options.untilMs < 0) {
      // Until a little after the quit cue.
      const std::vector<PlannedSection> plan = cuePlan();
      const PlannedSection& last = plan.back();
      options.untilMs = musicStart + cueTimeMs(last, last.cues.back()) + 1000;
    }
  }

  // A fixed seed: particles, water and shaking draw the same numbers in every capture.
  ShowClock::fixRandomSeed(kCaptureRandomSeed);
  CapturePresenter presenter;
  setPresenter(&presenter);
  std::string videoError;
  const bool video = openVideo(videoError);
  if (!video) std::cerr << "vesk-capture: " << videoError << std::endl;

  int savedFrames = 0;
  {
    CaptureHost host({options.width, options.height, 60, gfx::Format::X8R8G8B8}, video,
                     !options.wav.empty(), options.loop);
    WavWriter wav;
    if (!wavPath.empty() && !wav.open(wavPath)) {
      std::cerr << "vesk-capture: cannot write " << options.wav << std::endl;
      return 1;
    }
    std::vector<std::int16_t> audio;
    ScriptShow scripted(script);
    Core core(host, compiled ? static_cast<ShowScript&>(*compiled) : scripted);
    if (core.init()) {
      core.start();
      // The syncs of the first run through the show, raised again after each loop.
      const std::vector<CueSync> firstSyncs = syncs;
      int loops = 0;
      for (std::int64_t n = 0; !quitRequested(); ++n) {
        const auto ms =
            static_cast<std::int64_t>(static_cast<double>(n) * 1000.0 / options.fps + 0.5);
        if (ms > options.untilMs) break;
        host.manualClock().set(static_cast<std::uint32_t>(ms));
        // The music raises its cues at their show time.
        for (CueSync& sync : syncs) {
          if (sync.timeMs >= 0 && sync.timeMs <= ms && core.musicEvents()) {
            core.musicEvents()->onSync(sync.cue);
            sync.timeMs = -1;  // raised
          }
        }
        // The music up to this frame: cues heard by now reach the schedule before the frame.
        if (Sound* sound = Sound::existingInstance()) {
          const auto target = static_cast<std::uint64_t>(ms) * kSoundRate / 1000;
          if (target > sound->renderedFrames()) {
            const std::size_t frames = target - sound->renderedFrames();
            audio.resize(2 * frames);
            sound->renderFrames(audio.data(), frames);
            if (!options.wav.empty()) wav.write(audio.data(), frames);
          }
        }
        core.frame();
        if (core.loops() != loops) {
          // The music started again: its cues come again at their offsets from its start.
          loops = core.loops();
          syncs.clear();
          for (CueSync sync : firstSyncs) {
            if (sync.timeMs < core.musicStartMs()) continue;
            sync.timeMs += core.loopStartMs() - core.musicStartMs();
            syncs.push_back(sync);
          }
        }
        if (n % options.every == 0) {
          char name[32];
          std::snprintf(name, sizeof name, "t%08lld.png", static_cast<long long>(ms));
          if (!saveFrame(out / name)) {
            std::cerr << "vesk-capture: cannot write " << (out / name) << std::endl;
            requestQuit(1);
          } else {
            ++savedFrames;
          }
        }
      }
    }
    core.shutdown();
    if (!options.wav.empty() && !wav.finish()) {
      std::cerr << "vesk-capture: cannot write " << options.wav << std::endl;
      requestQuit(1);
    }
  }
  if (video) closeVideo();
  setPresenter(nullptr);
  if (quitSignal() != 0)
    std::cerr << "vesk-capture: stopped by signal " << quitSignal() << std::endl;
  std::cerr << "vesk-capture: " << savedFrames << " frames written to " << out << std::endl;
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
