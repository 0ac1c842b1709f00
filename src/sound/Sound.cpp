#include "sound/Sound.h"

#include <algorithm>
#include <utility>

#include "base/Diagnosis.h"
#include "base/File.h"
#include "base/Log.h"
#include "base/Text.h"

namespace vesk {

namespace {

using std::chrono::steady_clock;

Owned<Sound>& instanceSlot() {
  static Owned<Sound> instance;
  return instance;
}

steady_clock::duration framesToTime(std::uint64_t frames) {
  return std::chrono::duration_cast<steady_clock::duration>(
      std::chrono::nanoseconds(frames * 1000000000 / kSoundRate));
}

}  // namespace

Sound& Sound::getInstance() {
  Owned<Sound>& instance = instanceSlot();
  if (!instance) instance = make<Sound>(here());
  return *instance;
}

Sound* Sound::existingInstance() {
  return instanceSlot().get();
}

void Sound::destroyInstance() {
  instanceSlot().reset();
}

Sound::Sound()
    : _scheduler([this](const Cue& cue, steady_clock::time_point heard) { raise(cue, heard); }) {}

Sound::~Sound() {
  shutdown();
  _mixer.removeAll();
}

void Sound::init(SoundOutput output) {
  if (_initialised) return;
  _output = output;
  _paused = false;
  if (output != SoundOutput::Manual) {
    auto pull = [this](std::int16_t* out, std::size_t frames, steady_clock::time_point heard) {
      pullLive(out, frames, heard);
    };
    if (output == SoundOutput::Device) _live = openDeviceOutput(kSoundRate, pull);
    if (!_live) {
      _output = SoundOutput::Silent;
      _live = openSilentOutput(kSoundRate, pull);
    }
    if (!_live || !_scheduler.start()) {
      fatal("Sound::init() : start error", here());
    } else {
      _live->setPaused(false);
    }
  }
  _initialised = true;
}

void Sound::shutdown() {
  if (!_initialised) return;
  stop();
  _live.reset();  // no more pulls once this returns
  _scheduler.finish();
  _initialised = false;
  _paused = false;
}

void Sound::pause() {
  if (!_initialised) {
    fatal("Sound::pause() : error", here());
    return;
  }
  _paused = true;
  if (_live) _live->setPaused(true);
  _scheduler.pause();
}

void Sound::resume() {
  if (!_initialised) {
    fatal("Sound::resume() : error", here());
    return;
  }
  _paused = false;
  _scheduler.resume();
  if (_live) _live->setPaused(false);
}

void Sound::stop() {
  if (!_initialised) {
    fatal("Sound::stop() : error", here());
    return;
  }
  _paused = true;
  if (_live) _live->setPaused(true);
  _scheduler.pause();
}

std::uint32_t Sound::moduleLoad(std::string_view fileName) {
  std::uint32_t size = 0;
  Bytes bytes = File::get(fileName, size);
  return moduleLoad(fileName, std::move(bytes), size);
}

std::uint32_t Sound::moduleLoad(std::string_view name, Bytes bytes, std::size_t size, bool loop) {
  Owned<ModulePlayer> module;
  if (bytes) module = ModulePlayer::load(bytes.get(), size, kSoundRate);
  if (!module) {
    fatal(str("Sound::moduleLoad() : error while loading ", name), here());
    return 0;
  }
  module->setLooping(loop);
  const std::uint32_t handle = _mixer.add(std::move(module));
  _pool[handle] = std::move(bytes);
  return handle;
}

void Sound::moduleFree(std::uint32_t handle) {
  _mixer.remove(handle);
  {
    std::lock_guard lock(_syncMutex);
    _syncs.erase(handle);
  }
  _scheduler.drop(handle);
  auto it = _pool.find(handle);
  if (it == _pool.end()) {
    logLine("Unable to desallocate buffer : handle not found in pool !", here());
    return;
  }
  _pool.erase(it);
}

void Sound::modulePlay(std::uint32_t handle) {
  if (!_mixer.play(handle)) fatal("Sound::modulePlay() : error", here());
  _playing.push_back(handle);
}

std::uint32_t Sound::moduleSetCallback(std::uint32_t handle, SyncProc callback, void* user) {
  if (!callback || !_mixer.contains(handle)) {
    fatal("Sound::moduleSetCallback() : error setting callback", here());
    return 0;
  }
  std::lock_guard lock(_syncMutex);
  if (++_lastSync == 0) ++_lastSync;
  _syncs[handle].push_back({_lastSync, callback, user});
  return _lastSync;
}

void Sound::channelStop(std::uint32_t handle) {
  if (!_mixer.stop(handle)) fatal("Sound::channelStop() : error", here());
  _scheduler.drop(handle);  // what was mixed but not yet heard raises nothing more
  std::erase(_playing, handle);
}

void Sound::moduleRewind(std::uint32_t handle) {
  if (!_mixer.rewind(handle)) fatal("Sound::moduleRewind() : error", here());
  _scheduler.drop(handle);
}

void Sound::channelSetVolume(std::uint32_t handle, int volume) {
  if (!_mixer.setVolume(handle, volume)) fatal("Sound::channelSetVolume() : error", here());
}

void Sound::setVolumeAll(int volume) {
  for (std::uint32_t handle : _playing)
    channelSetVolume(handle, volume);
}

bool Sound::moduleEnded(std::uint32_t handle) const {
  return _mixer.ended(handle);
}

std::size_t Sound::renderFrames(std::int16_t* out, std::size_t frames) {
  if (!_initialised || _output != SoundOutput::Manual || !out) return 0;
  if (_paused) {
    std::fill_n(out, frames * 2, std::int16_t(0));
    return frames;
  }
  _manualCues.clear();
  _mixer.render(out, frames, _manualCues);
  for (const Cue& cue : _manualCues)
    raise(cue, {});
  return frames;
}

void Sound::setCueObserver(std::function<void(const CueReport&)> observer) {
  std::lock_guard lock(_syncMutex);
  _observer = std::move(observer);
}

std::chrono::microseconds Sound::outputLatency() const {
  return _live ? _live->latency() : std::chrono::microseconds(0);
}

void Sound::pullLive(std::int16_t* out, std::size_t frames, steady_clock::time_point heard) {
  _liveCues.clear();
  const std::uint64_t first = _mixer.render(out, frames, _liveCues);
  const steady_clock::time_point now = steady_clock::now();
  for (const Cue& cue : _liveCues) {
    const steady_clock::time_point at = heard + framesToTime(cue.frame - first);
    _scheduler.post(cue, _compensate ? at : now, at);
  }
}

void Sound::raise(const Cue& cue, steady_clock::time_point heard) {
  std::function<void(const CueReport&)> observer;
  std::vector<Sync> syncs;
  {
    std::lock_guard lock(_syncMutex);
    observer = _observer;
    if (auto it = _syncs.find(cue.module); it != _syncs.end()) syncs = it->second;
  }
  if (observer) observer(CueReport{cue.module, cue.data, cue.frame, heard});
  for (const Sync& sync : syncs)
    sync.callback(sync.sync, cue.module, cue.data, sync.user);
}

}  // namespace vesk
