// A picture of the show that can be found by name: a complex texture that is also an event
// target, so that image layers find it through the registry. It handles no events.
#pragma once

#include <cstdint>
#include <string_view>

#include "events/EventTarget.h"
#include "world/material/ComplexTexture.h"

namespace vesk {

// The event-target part goes first when a Graph is destroyed (bases go in reverse order), so
// the name leaves the registry before the picture does.
class Graph : public ComplexTexture, public EventTarget {
 public:
  // Both bases are MemoryItems; the allocation goes through one of them.
  using ComplexTexture::operator new;
  using ComplexTexture::operator delete;

  Graph(std::uint32_t bank, std::string_view fileName, int channel, int kind, bool colourKey,
        int frameCount, float framesPerSecond, ComplexTexture* diffuse)
      : ComplexTexture(bank, fileName, channel, kind, colourKey, frameCount, framesPerSecond,
                       diffuse) {}
  ~Graph() override = default;
};

}  // namespace vesk
