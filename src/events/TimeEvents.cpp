#include "events/TimeEvents.h"

#include "base/Diagnosis.h"

namespace vesk {

TimeEvents::TimeEvents(std::span<const TimedEvent> events) {
  for (const TimedEvent& pair : events) {
    if (pair.time == VK_END_OF_EVENTS) break;
    std::int32_t time = pair.time;
    VK_ASSERT(_events.find(time) == _events.end(), "_events.find(time) == _events.end()",
              "Duplicate event found at time " << time);
    _events[time] = pair.event;
  }
  _next = _events.begin();
}

void TimeEvents::update(std::int32_t now) {
  while (_next != _events.end() && _next->first <= now && _next->second.getCode() != 0) {
    _next->second.send();
    ++_next;
  }
  if (_next != _events.end() && _next->first <= now) ++_next;  // a due frame break
}

}  // namespace vesk
