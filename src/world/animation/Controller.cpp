#include "world/animation/Controller.h"

#include "base/ShowClock.h"
#include "events/Event.h"

namespace vesk {

bool Controller::load(BinaryInput&) {
  return true;
}

std::int32_t TimeController::processEvent(const Event& event) {
  switch (event.getCode()) {
    case kEventStartController:
      start();
      return VK_EVENT_PROCESSED;
    case kEventStopController:
      stop();
      return VK_EVENT_PROCESSED;
    default:
      return Controller::processEvent(event);
  }
}

void TimeController::update() {
  if (!_running) return;
  const float clock = ShowClock::seconds();
  const float delta = clock - _lastClock;
  _localTime = _forward ? _localTime + delta : _localTime - delta;
  _lastClock = clock;
  animate(_localTime);
}

void TimeController::start() {
  _lastClock = ShowClock::seconds();
  _running = true;
}

void TimeController::rewind() {
  _running = false;
  _forward = true;
  _localTime = 0;
  _lastClock = 0;
}

void TimeController::setTime(float time, bool absolute) {
  _localTime = absolute ? time : _localTime + time;
}

}  // namespace vesk
