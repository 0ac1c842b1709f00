// The show's schedules until the show script exists: both empty, so the program shows its
// first frame and runs until Escape or the window is closed.
#pragma once

#include "app/Core.h"

namespace vesk {

class EmptyShow : public ShowScript {
 public:
  Owned<TimeEvents> buildTimeEvents() override;
  Owned<MusicEvents> buildMusicEvents() override;
};

}  // namespace vesk
