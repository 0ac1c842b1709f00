// A time controller over a track of keys: ascending key times, what happens when the track
// time leaves their range (the loop mode), and the search for the pair of keys around a time,
// whose values the concrete class blends by the fraction between them. The fraction is not
// clamped, so outside the range the value is extrapolated from the nearest interval.
#pragma once

#include <cstdint>
#include <vector>

#include "base/AnimationFormat.h"
#include "world/animation/Controller.h"

namespace vesk {

class KeyframeController : public TimeController {
 public:
  using TimeController::TimeController;

  // The reserved word, the key count and the key times. A count larger than the data left is
  // refused before anything is allocated for it.
  bool load(BinaryInput& in) override;
  // Starts and rewinds to the first key.
  void start() override;
  void animate(float time) override;
  // Writes the value at `fraction` from key `from` to key `to` into the target.
  virtual void interpolate(float fraction, std::uint32_t from, std::uint32_t to) = 0;
  // Looks `_target` up in the scene, reporting a target it does not have or of the wrong
  // class; false then, and such a controller is not kept.
  virtual bool resolveTarget() = 0;
  virtual bool hasTarget() const = 0;

  std::uint32_t keyCount() const { return static_cast<std::uint32_t>(_keyTimes.size()); }

  std::vector<float> _keyTimes;
  std::uint8_t _loopMode = VK_ANIM_LOOP_STOP;
  std::int32_t _target = 0;  // as the file names it: a node handle or a material id

 protected:
  // The loop mode at `end`, which the time has reached or passed in its direction of play.
  // False when the controller stopped there and writes nothing.
  bool leaveRange(float& time, float end, float otherEnd);
  // Reads `count` floats into `values`, or refuses them as above.
  static bool readFloats(BinaryInput& in, std::uint64_t count, std::vector<float>& values);
};

}  // namespace vesk
