#include "app/OffscreenShow.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <iostream>

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
#include "show/ShowFiles.h"
#include "sound/Sound.h"

namespace vesk {
namespace {

// A fixed seed: particles, water and shaking draw the same numbers in every run.
constexpr std::uint32_t kOffscreenRandomSeed = 1;

// Assertions are logged and the run goes on; fatal errors are told on standard error.
class OffscreenPresenter : public Presenter {
 public:
  explicit OffscreenPresenter(std::string tool) : _tool(std::move(tool)) {}
  void showError(const std::string& text, const std::string& caption) override {
    std::cerr << _tool << ": " << caption << ": " << text << std::endl;
  }
  DiagnosisChoice showDiagnosis(const std::string& text) override {
    logLine(text);
    return DiagnosisChoice::Ignore;
  }

 private:
  std::string _tool;
};

class OffscreenDisplay : public gfx::Display {
 public:
  explicit OffscreenDisplay(gfx::DisplayMode mode) : _mode(mode) {}
  std::vector<gfx::DisplayMode> modes() override { return {_mode}; }
  gfx::DisplayMode desktopMode() override { return _mode; }
  void hideCursor() override {}

 private:
  gfx::DisplayMode _mode;
};

class OffscreenHost : public CoreHost {
 public:
  OffscreenHost(gfx::DisplayMode mode, bool videoOpen, bool soundOn, bool loop)
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
  OffscreenDisplay _display;
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

}  // namespace

// The compiled-in show, less the modules the data folder does not hold.
class OffscreenShow::Compiled : public ShowScript {
 public:
  Compiled() {
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

  // The music starts with the last loading entry.
  static std::int32_t musicStartMs() { return loadingSchedule().rbegin()[1].time; }
  // The cues at their planned show times.
  static std::vector<CueSync> plannedSyncs() {
    std::vector<CueSync> syncs;
    for (const PlannedSection& section : cuePlan())
      for (const PlannedCue& cue : section.cues)
        syncs.push_back(
            {musicStartMs() + static_cast<std::int32_t>(cueTimeMs(section, cue)), cue.code});
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

bool readFrame(FramePixels& pixels) {
  gfx::Device* device = DXObject::device();
  if (!device || !device->backBuffer()) return false;
  const gfx::SurfaceDesc desc = device->backBuffer()->desc();
  Owned<gfx::Surface> image = device->createImageSurface(desc.width, desc.height, desc.format);
  if (!image || !device->copyRects(device->backBuffer(), image.get())) return false;
  gfx::LockedRect locked;
  if (!image->lockRect(locked, gfx::LOCK_READ_ONLY)) return false;
  pixels.width = desc.width;
  pixels.height = desc.height;
  pixels.words.resize(static_cast<std::size_t>(desc.width) * desc.height);
  for (std::uint32_t y = 0; y < desc.height; ++y) {
    const auto* row =
        reinterpret_cast<const std::uint32_t*>(static_cast<const unsigned char*>(locked.bits) +
                                               static_cast<std::size_t>(y) * locked.pitch);
    for (std::uint32_t x = 0; x < desc.width; ++x)
      pixels.words[static_cast<std::size_t>(y) * desc.width + x] = row[x] & 0x00FFFFFFu;
  }
  return image->unlockRect();
}

OffscreenShow::OffscreenShow(OffscreenOptions options) : _options(options) {
  if (!_options.show) return;
  _compiled = std::make_unique<Compiled>();
  if (_options.untilMs < 0) {
    // Until a little after the quit cue.
    const std::vector<PlannedSection> plan = cuePlan();
    const PlannedSection& last = plan.back();
    _options.untilMs = Compiled::musicStartMs() + cueTimeMs(last, last.cues.back()) + 1000;
  }
}

OffscreenShow::~OffscreenShow() = default;

std::vector<std::string> OffscreenShow::missingModules() const {
  std::vector<std::string> files;
  if (_compiled)
    for (const ShowModule& module : _compiled->missing())
      files.push_back(module.file);
  return files;
}

// The time of frame n, rounded to the millisecond.
static std::int64_t frameTimeMs(std::int64_t n, double fps) {
  return static_cast<std::int64_t>(std::floor(static_cast<double>(n) * 1000.0 / fps + 0.5));
}

std::int64_t OffscreenShow::frameCount() const {
  std::int64_t n =
      static_cast<std::int64_t>(static_cast<double>(_options.untilMs) * _options.fps / 1000.0);
  while (n > 0 && frameTimeMs(n, _options.fps) > _options.untilMs)
    --n;
  while (frameTimeMs(n + 1, _options.fps) <= _options.untilMs)
    ++n;
  return n + 1;
}

bool OffscreenShow::run(OffscreenReceiver& receiver, const std::string& tool) {
  std::vector<CueSync> syncs;
  if (_compiled) {
    if (_compiled->musicMissing()) syncs = Compiled::plannedSyncs();
  } else if (_options.script) {
    syncs = _options.script->syncs();
  }

  ShowClock::fixRandomSeed(kOffscreenRandomSeed);
  OffscreenPresenter presenter(tool);
  setPresenter(&presenter);
  std::string videoError;
  const bool video = openVideo(videoError);
  if (!video) std::cerr << tool << ": " << videoError << std::endl;

  bool ran = false, refused = false;
  {
    OffscreenHost host({_options.width, _options.height, 60, gfx::Format::X8R8G8B8}, video,
                       _options.sound, _options.loop);
    std::vector<std::int16_t> audio;
    EventScript empty;
    ScriptShow scripted(_options.script ? *_options.script : empty);
    Core core(host, _compiled ? static_cast<ShowScript&>(*_compiled) : scripted);
    if (core.init()) {
      ran = true;
      core.start();
      receiver.started();
      // The syncs of the first run through the show, raised again after each loop.
      const std::vector<CueSync> firstSyncs = syncs;
      int loops = 0;
      std::int64_t n = 0;  // the next frame at the rate
      std::int64_t lastMs = -1;
      while (!quitRequested()) {
        std::int64_t ms = frameTimeMs(n, _options.fps);
        // Once the music plays (the loading goes frame by frame), quick steps to fromMs.
        const bool skipping = ms < _options.fromMs && core.musicStartMs() > 0;
        if (skipping) ms = std::min(lastMs + 1000, _options.fromMs - 1);
        if (ms > _options.untilMs) break;
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
            if (_options.sound && !receiver.audio(audio.data(), frames)) {
              refused = true;
              break;
            }
          }
        }
        const auto begin = std::chrono::steady_clock::now();
        core.frame();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - begin;
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
        lastMs = ms;
        if (skipping) {
          while (frameTimeMs(n, _options.fps) <= ms)
            ++n;
          continue;
        }
        if (!receiver.frame(n++, ms, took.count())) {
          refused = true;
          break;
        }
      }
    }
    core.shutdown();
  }
  if (video) closeVideo();
  setPresenter(nullptr);
  return ran && !refused;
}

}  // namespace vesk
