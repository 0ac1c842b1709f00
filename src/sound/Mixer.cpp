#include "sound/Mixer.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace vesk {

Mixer::~Mixer() {
  removeAll();
}

std::uint32_t Mixer::add(Owned<ModulePlayer> module) {
  std::lock_guard lock(_mutex);
  // Handles are never given twice in a run, so a stale handle cannot name a newer module.
  if (++_lastHandle == 0) ++_lastHandle;
  Voice& voice = _voices[_lastHandle];
  voice.module = std::move(module);
  return _lastHandle;
}

bool Mixer::remove(std::uint32_t handle) {
  Owned<ModulePlayer> gone;
  {
    std::lock_guard lock(_mutex);
    auto it = _voices.find(handle);
    if (it == _voices.end()) return false;
    gone = std::move(it->second.module);
    _voices.erase(it);
  }
  return true;  // the player is released outside the lock
}

void Mixer::removeAll() {
  std::map<std::uint32_t, Voice> gone;
  std::lock_guard lock(_mutex);
  gone.swap(_voices);
}

bool Mixer::play(std::uint32_t handle) {
  std::lock_guard lock(_mutex);
  auto it = _voices.find(handle);
  if (it == _voices.end()) return false;
  it->second.playing = true;
  return true;
}

bool Mixer::stop(std::uint32_t handle) {
  std::lock_guard lock(_mutex);
  auto it = _voices.find(handle);
  if (it == _voices.end()) return false;
  it->second.playing = false;
  return true;
}

bool Mixer::rewind(std::uint32_t handle) {
  std::lock_guard lock(_mutex);
  auto it = _voices.find(handle);
  if (it == _voices.end() || !it->second.module->rewind()) return false;
  it->second.ended = false;
  it->second.tickOffset = 0;
  return true;
}

bool Mixer::setVolume(std::uint32_t handle, int volume) {
  std::lock_guard lock(_mutex);
  auto it = _voices.find(handle);
  if (it == _voices.end() || volume < 0 || volume > 100) return false;
  it->second.volume = volume;
  return true;
}

bool Mixer::contains(std::uint32_t handle) const {
  std::lock_guard lock(_mutex);
  return _voices.contains(handle);
}

bool Mixer::ended(std::uint32_t handle) const {
  std::lock_guard lock(_mutex);
  auto it = _voices.find(handle);
  return it != _voices.end() && it->second.ended;
}

std::uint64_t Mixer::position() const {
  std::lock_guard lock(_mutex);
  return _position;
}

void Mixer::mixVoice(std::uint32_t handle, Voice& voice, std::size_t frames,
                     std::vector<Cue>& cues) {
  ModulePlayer& module = *voice.module;
  std::size_t done = 0;
  while (done < frames) {
    if (voice.tickOffset >= module.tickFrames()) {
      if (!module.nextTick()) {
        voice.ended = true;
        return;
      }
      voice.tickOffset = 0;
      // A tick's notes are heard from its first frame on.
      for (std::uint32_t data : module.tickCues())
        cues.push_back({handle, data, _position + done});
    }
    const std::size_t count = std::min(frames - done, module.tickFrames() - voice.tickOffset);
    const std::int16_t* from = module.tickAudio().data() + voice.tickOffset * 2;
    std::int32_t* to = _sum.data() + done * 2;
    for (std::size_t i = 0; i < count * 2; ++i)
      to[i] += from[i] * voice.volume / 100;
    voice.tickOffset += count;
    done += count;
  }
}

std::uint64_t Mixer::render(std::int16_t* out, std::size_t frames, std::vector<Cue>& cues) {
  std::lock_guard lock(_mutex);
  const std::uint64_t first = _position;
  _sum.assign(frames * 2, 0);
  const std::size_t before = cues.size();
  for (auto& [handle, voice] : _voices) {
    if (voice.playing && !voice.ended) mixVoice(handle, voice, frames, cues);
  }
  // Each voice adds its cues in frame order; merged, they keep voice order within a frame.
  std::stable_sort(cues.begin() + static_cast<std::ptrdiff_t>(before), cues.end(),
                   [](const Cue& a, const Cue& b) { return a.frame < b.frame; });
  constexpr std::int32_t low = std::numeric_limits<std::int16_t>::min();
  constexpr std::int32_t high = std::numeric_limits<std::int16_t>::max();
  for (std::size_t i = 0; i < frames * 2; ++i)
    out[i] = static_cast<std::int16_t>(std::clamp(_sum[i], low, high));
  _position += frames;
  return first;
}

}  // namespace vesk
