// A show written as a text file of events, for the capture tool and for authors who try
// effects without music:
//
//   # comment
//   at <ms> <target> <code> [<param> ...]     a time event (code 0: a frame break)
//   cue <cue> <target> <code> [<param> ...]   an event registered under a music cue code
//   sync <ms> <cue>                           the music raises that cue at that show time
//   param:  i:<int>   f:<float>   b:true|false   s:"text with \" and \\ escapes"
//
// Inside s:"…" only \" and \\ are escapes; any other backslash stands as it is, so
// s:"data\tunnel.pod" names data\tunnel.pod. A target name with blanks is quoted the same way:
//   cue 2817 "lionhead.cote droit" 49 f:5 f:0 f:0.4 f:1 f:1 f:1
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "events/MusicEvents.h"
#include "events/TimeEvents.h"

namespace vesk {

struct CueSync {
  std::int32_t timeMs;
  std::int32_t cue;
};

class EventScript {
 public:
  // Parses a whole script. On the first malformed line, `error()` says where and what was
  // expected ("show.txt:12: expected ...") and nothing of the script is kept.
  bool parse(std::string_view text, const std::string& fileName);
  bool load(const std::filesystem::path& path);

  const std::string& error() const { return _error; }
  const std::vector<TimedEvent>& timeEvents() const { return _timed; }
  const std::vector<CueEvent>& cueEvents() const { return _cues; }
  // In the order written.
  const std::vector<CueSync>& syncs() const { return _syncs; }

  Owned<TimeEvents> buildTimeEvents() const;
  Owned<MusicEvents> buildMusicEvents() const;

 private:
  std::vector<TimedEvent> _timed;
  std::vector<CueEvent> _cues;
  std::vector<CueSync> _syncs;
  std::string _error;
};

// The events as script lines ("at" lines, then "cue" lines, each in the order given), which
// `parse` reads back into the same events; floats keep every bit. End markers are left out.
std::string formatEventScript(std::span<const TimedEvent> timed, std::span<const CueEvent> cues);

}  // namespace vesk
