#include "show/CuePlan.h"

#include <algorithm>
#include <array>

#include "show/ShowCues.h"

namespace vesk {

std::vector<PlannedSection> cuePlan() {
  // Section lengths in patterns, as the music is written.
  constexpr std::array<int, 9> kPatterns = {6, 3, 5, 4, 5, 3, 4, 3, 6};
  std::vector<PlannedSection> plan;
  int firstRow = 0;
  for (int patterns : kPatterns) {
    plan.push_back({patterns, firstRow, {}});
    firstRow += patterns * kRowsPerPattern;
  }
  for (const ShowSection& section : showSections())
    for (const CueArrival& arrival : section.arrivals)
      plan[static_cast<std::size_t>(arrival.section - 1)].cues.push_back(
          {arrival.code, arrival.code / 64, arrival.code % 64, arrival.row});
  for (PlannedSection& section : plan)
    std::stable_sort(section.cues.begin(), section.cues.end(),
                     [](const PlannedCue& a, const PlannedCue& b) { return a.row < b.row; });
  return plan;
}

}  // namespace vesk
