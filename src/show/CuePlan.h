// Where the show music must raise each cue: the plan the composer of the module follows. The
// music plays nine sections of 64-row patterns at 120 ms per row; each section's cues come in
// a fixed order at fixed rows, as notes of instrument 15 (cue code = 64 × note + volume).
//
// The plan is taken from the cue sheets themselves, so it cannot drift from the script. A cue
// belongs to the section of the music it plays in: 2769, registered with section 1, plays in
// section 2, while the temple is on screen.
#pragma once

#include <cstdint>
#include <vector>

namespace vesk {

inline constexpr int kRowsPerPattern = 64;
inline constexpr int kRowMs = 120;

struct PlannedCue {
  std::int32_t code;
  std::int32_t note;    // code / 64
  std::int32_t volume;  // code % 64
  int row;              // from the start of the section
};

struct PlannedSection {
  int patterns;
  int firstRow;                  // from the start of the module
  std::vector<PlannedCue> cues;  // in the order they must arrive, one per row at most
};

std::vector<PlannedSection> cuePlan();

// The show time in milliseconds at which a cue of the plan is heard, counted from the start
// of the music.
inline std::int64_t cueTimeMs(const PlannedSection& section, const PlannedCue& cue) {
  return static_cast<std::int64_t>(section.firstRow + cue.row) * kRowMs;
}

}  // namespace vesk
