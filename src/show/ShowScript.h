// The show's two schedules, built once at start-up: the compiled-in show, or a script file for
// the capture tool.
#pragma once

#include "events/MusicEvents.h"
#include "events/TimeEvents.h"

namespace vesk {

class ShowScript {
 public:
  virtual ~ShowScript() = default;
  virtual Owned<TimeEvents> buildTimeEvents() = 0;
  virtual Owned<MusicEvents> buildMusicEvents() = 0;
};

}  // namespace vesk
