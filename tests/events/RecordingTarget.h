// A test target that keeps a copy of every event it receives and answers as told.
#pragma once

#include <string>
#include <vector>

#include "events/Event.h"
#include "events/EventTarget.h"

namespace vesk::test {

class RecordingTarget : public EventTarget {
 public:
  explicit RecordingTarget(const std::string& name = "No Name") { setName(name); }
  std::int32_t processEvent(const Event& event) override {
    received.push_back(event);
    return answer;
  }
  std::vector<std::int32_t> codes() const {
    std::vector<std::int32_t> result;
    for (const Event& event : received)
      result.push_back(event.getCode());
    return result;
  }

  std::vector<Event> received;
  std::int32_t answer = VK_EVENT_PROCESSED;
};

}  // namespace vesk::test
