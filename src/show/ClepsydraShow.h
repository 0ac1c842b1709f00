// The compiled-in show, Clepsydra: about one second of loading (a jingle, eleven progress
// pictures and every data file of the show), then nine sections of music cues from the first
// scene to the quit.
#pragma once

#include <filesystem>
#include <vector>

#include "show/ShowScript.h"

namespace vesk {

class ClepsydraShow : public ShowScript {
 public:
  Owned<TimeEvents> buildTimeEvents() override;
  // One `add` per section, in section order.
  Owned<MusicEvents> buildMusicEvents() override;
};

// Whether a folder holds the show's data: the archive, or the loose show music.
bool showDataPresent(const std::filesystem::path& folder);

// The loading schedule: 162 entries in time order, closed by the end marker.
std::vector<TimedEvent> loadingSchedule();

// Every cue event of the nine sections, in registration order.
std::vector<CueEvent> showCueEvents();

}  // namespace vesk
