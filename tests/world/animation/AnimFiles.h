// Animation files put together byte by byte until the animation writer exists: the header,
// then records appended one by one, each followed by the "more" byte the caller chooses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "authoring/ByteOutput.h"
#include "world/animation/AnimBlock.h"

namespace vesk::test {

struct AnimFile {
  explicit AnimFile(std::uint8_t loopMode, std::uint32_t version = VK_ANIM_FILE_VERSION) {
    out.u32(version);
    out.u8(loopMode);
  }
  // "more", category, type, reserved, the key times and the target.
  ByteOutput& record(std::uint8_t type, const std::vector<float>& times, std::int32_t target) {
    out.u8(1);
    out.u8(VK_CONTROLLER_KEYFRAME);
    out.u8(type);
    out.i32(0);
    out.u32(static_cast<std::uint32_t>(times.size()));
    for (float time : times)
      out.f32(time);
    out.i32(target);
    return out;
  }
  // A record of one float per key (field of view, opacity).
  void floats(std::uint8_t type, const std::vector<float>& times, std::int32_t target,
              const std::vector<float>& values) {
    record(type, times, target);
    for (float value : values)
      out.f32(value);
  }
  std::string end() {
    out.u8(0);
    return {bytes.begin(), bytes.end()};
  }
  std::string cut() const { return {bytes.begin(), bytes.end()}; }

  std::vector<std::uint8_t> bytes;
  ByteOutput out{bytes};
};

}  // namespace vesk::test
