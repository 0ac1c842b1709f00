#include <algorithm>

#include "show/ShowCues.h"

namespace vesk {
namespace {

void addOnce(std::vector<std::string>& names, const std::string& name) {
  if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

}  // namespace

std::vector<std::string> showTargets() {
  std::vector<std::string> names;
  for (const ShowSection& section : showSections())
    for (const CueEvent& cue : section.cues) {
      // Scene objects are addressed as "<scene>.<name>".
      const std::string& target = cue.event.getTargetName();
      if (target.find('.') != std::string::npos) addOnce(names, target);
    }
  return names;
}

std::vector<std::string> showCameras() {
  constexpr std::int32_t kSetCamera = 23;
  std::vector<std::string> names;
  for (const ShowSection& section : showSections())
    for (const CueEvent& cue : section.cues)
      if (cue.event.getCode() == kSetCamera) addOnce(names, cue.event.getString(1));
  return names;
}

}  // namespace vesk
