#include "world/animation/KeyframeController.h"

#include "world/scene/MeshRecord.h"

namespace vesk {

bool KeyframeController::readFloats(BinaryInput& in, std::uint64_t count,
                                    std::vector<float>& values) {
  if (!bytesLeft(in, count * sizeof(float))) return false;
  values.resize(static_cast<std::size_t>(count));
  for (float& value : values)
    in >> value;
  return !in.failed();
}

bool KeyframeController::load(BinaryInput& in) {
  if (!TimeController::load(in)) return false;
  std::int32_t reserved = 0;
  std::uint32_t count = 0;
  in >> reserved >> count;
  return !in.failed() && readFloats(in, count, _keyTimes);
}

void KeyframeController::start() {
  TimeController::start();
  if (!_keyTimes.empty()) setTime(_keyTimes.front(), true);
}

bool KeyframeController::leaveRange(float& time, float end, float otherEnd) {
  switch (_loopMode) {
    case VK_ANIM_LOOP_WRAP:
      time = time + otherEnd - end;
      setTime(time, true);
      return true;
    case VK_ANIM_LOOP_PING_PONG:
      time = 2 * end - time;
      setTime(time, true);
      _forward = !_forward;
      return true;
    case VK_ANIM_LOOP_STOP:
      stop();
      return false;
    default:
      return true;
  }
}

void KeyframeController::animate(float time) {
  // A record without keys is never kept, but a controller made by hand may have none.
  if (_keyTimes.empty()) return;
  const float first = _keyTimes.front();
  const float last = _keyTimes.back();
  // Once per call: a time more than one range beyond the end is wrapped again next frame.
  if (_forward ? time >= last : time <= first) {
    if (!leaveRange(time, _forward ? last : first, _forward ? first : last)) return;
  }

  std::uint32_t lo = 0;
  std::uint32_t hi = keyCount() - 1;
  while (hi - lo > 1) {
    const std::uint32_t mid = (lo + hi) / 2;
    if (time < _keyTimes[mid])
      hi = mid;
    else
      lo = mid;
  }
  const float span = _keyTimes[hi] - _keyTimes[lo];
  // One key, or two keys at the same time: the first of the pair, never a division by zero.
  const float fraction = span == 0 ? 0 : (time - _keyTimes[lo]) / span;
  interpolate(fraction, lo, hi);
}

}  // namespace vesk
