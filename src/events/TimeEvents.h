// The show's timeline: events at times in milliseconds of show time, sent once their time has
// come. It plays forward only. An event with code 0 is a frame break: never sent, it ends the
// update it is reached in, so that a frame is drawn before the events after it.
#pragma once

#include <cstdint>
#include <map>
#include <span>

#include "base/Memory.h"
#include "events/Event.h"

namespace vesk {

// Closes a schedule given to TimeEvents; it is not an entry.
inline constexpr std::int32_t VK_END_OF_EVENTS = -10000000;

struct TimedEvent {
  std::int32_t time;  // milliseconds of show time
  Event event;
};

class TimeEvents : public MemoryItem {
 public:
  // Copies the pairs up to the end marker (all of them when there is none). A time given twice
  // is reported and the later event replaces the earlier one.
  explicit TimeEvents(std::span<const TimedEvent> events);
  TimeEvents(const TimeEvents&) = delete;
  TimeEvents& operator=(const TimeEvents&) = delete;

  // Sends, in time order, every event due at `now` up to the first due frame break, which is
  // passed over. Allocates nothing.
  void update(std::int32_t now);

  std::size_t size() const { return _events.size(); }
  // Every entry in time order, frame breaks included: for looking ahead at what will come.
  const std::map<std::int32_t, Event>& entries() const { return _events; }

 private:
  using Events = std::map<std::int32_t, Event>;
  Events _events;
  Events::const_iterator _next;
};

}  // namespace vesk
