// The controller family's first two levels. A `Controller` changes something in its scene as
// time passes: an event target with a per-frame `update` and a `load` from an animation file.
// A `TimeController` keeps its own track time, which follows the show clock forwards or
// backwards while it runs; events 36 and 37 start and stop it, and its class turns the track
// time into a change of the scene in `animate`.
#pragma once

#include <cstdint>

#include "base/BinaryInput.h"
#include "events/EventTarget.h"

namespace vesk {

class Scene;

inline constexpr std::int32_t kEventStartController = 36;
inline constexpr std::int32_t kEventStopController = 37;

class Controller : public EventTarget {
 public:
  explicit Controller(Scene& scene) : _scene(scene) {}
  ~Controller() override = default;

  virtual void update() = 0;
  // Reads the rest of the controller's record; the base reads nothing. False when the file
  // turned out corrupt (the reader has reported it).
  virtual bool load(BinaryInput& in);

  Scene& scene() const { return _scene; }

 private:
  Scene& _scene;
};

class TimeController : public Controller {
 public:
  using Controller::Controller;

  // 36 starts, 37 stops; other codes are not processed.
  std::int32_t processEvent(const Event& event) override;
  // While running: the track time follows the show clock, then `animate` gets it.
  void update() override;
  // Follows the clock from now on; the track time is kept.
  virtual void start();
  virtual void animate(float time) = 0;

  void stop() { _running = false; }
  // Stopped at track time 0, playing forwards, as made.
  void rewind();
  // Absolute: the track time becomes `time`; otherwise `time` is added to it.
  void setTime(float time, bool absolute);
  // The start of this class whatever a derived class adds to it: no rewind.
  void resume() { TimeController::start(); }

  bool _forward = true;
  bool _running = false;
  float _localTime = 0;  // seconds
  float _lastClock = 0;  // show clock at the previous update or at the start, seconds
};

}  // namespace vesk
