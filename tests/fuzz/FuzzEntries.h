// The entry functions of the fuzz targets: each hands one input to one reader of data that people
// make and pass around, the way the show reads it. A libFuzzer target (tests/fuzz/targets) and the
// replay of kept inputs (ReplayTest.cpp) call the same function, so a replay runs the very code
// that failed.
//
// Bad input is expected: a fatal error or an assertion is an answer, not a failure. What counts as
// a finding is a crash, a sanitizer report, a hang, or engine memory left allocated after the
// input is done (checked against the memory tracker after every input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vesk::fuzz {

using Entry = void (*)(std::span<const std::uint8_t> input);

// The archive "Data.vk": listing it, reading every member, and reading members through `File`.
void archive(std::span<const std::uint8_t> input);
// A scene file (.pod) loaded on a recording device.
void scene(std::span<const std::uint8_t> input);
// An animation file (.pab) read with its controllers kept.
void animation(std::span<const std::uint8_t> input);
// A picture through Image and Texture. The first byte picks the file type (its low three bits
// index kPictureExtensions) and which loads run; the rest is the file.
void picture(std::span<const std::uint8_t> input);
// A music module loaded through Sound and played for a second of output.
void module(std::span<const std::uint8_t> input);
// A text event script parsed, built into schedules, written back and parsed again.
void eventScript(std::span<const std::uint8_t> input);

inline constexpr std::string_view kPictureExtensions[] = {"bmp", "jpg", "koa", "pcx",
                                                          "png", "tga", "tif", "png"};

struct Target {
  std::string_view name;  // the target's program is fuzz_<name>; its regressions folder <name>
  Entry entry;
};
inline constexpr Target kTargets[] = {{"archive", archive},     {"scene", scene},
                                      {"animation", animation}, {"picture", picture},
                                      {"module", module},       {"script", eventScript}};

}  // namespace vesk::fuzz
