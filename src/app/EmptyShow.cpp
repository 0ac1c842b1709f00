#include "app/EmptyShow.h"

namespace vesk {

Owned<TimeEvents> EmptyShow::buildTimeEvents() {
  return make<TimeEvents>(here(), std::span<const TimedEvent>());
}

Owned<MusicEvents> EmptyShow::buildMusicEvents() {
  return make<MusicEvents>(here());
}

}  // namespace vesk
