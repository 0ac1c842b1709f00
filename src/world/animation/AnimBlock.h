// The animation of one scene read from one animation file (".pab"): its keyframe controllers,
// advanced together once per frame by the scene, and an event target through which the show
// starts, stops, resumes, sets the time of and reverses all of them at once. After loading it
// is named after its scene and the file: "ville.ville_anim_camera01".
//
// The file: version word, loop mode byte (given to every controller), then while a "more" byte
// is nonzero one controller record: category and type bytes (read by `createController`), then
// the rest (read by the controller's `load`).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "events/EventTarget.h"
#include "world/animation/KeyframeController.h"

namespace vesk {

class Scene;

inline constexpr std::int32_t kEventStartAnimation = 38;
inline constexpr std::int32_t kEventStopAnimation = 39;
inline constexpr std::int32_t kEventResumeAnimation = 40;
inline constexpr std::int32_t kEventSetAnimationTime = 41;       // float time, bool absolute
inline constexpr std::int32_t kEventSetAnimationDirection = 42;  // bool forward

// Reads a record's category and type bytes and makes that controller for `scene`, which has
// read nothing more; null after the log line "Unhandled controller" for any other pair.
Owned<Controller> createController(BinaryInput& in, Scene& scene);

// The block's name part of a file name: without its folders and its extension.
std::string animationBaseName(std::string_view fileName);

class AnimBlock : public EventTarget {
 public:
  explicit AnimBlock(Scene& scene) : _scene(scene) {}

  // Reads the file through the data files and keeps its controllers. A truncated file keeps
  // the controllers read whole before the reader reported it; a record without keys is skipped
  // with a log line; a controller whose target is not in the scene is reported and dropped.
  void load(std::string_view fileName);
  // What to do with the targets the records name: look them up in the scene and drop the
  // controllers whose target is missing (as the show does), or keep every controller with its
  // target unresolved, to show what a file holds without its scene.
  enum class Targets { Resolve, Keep };
  // Reads an animation file's bytes from `in`, from its version word on.
  void read(BinaryInput& in, Targets targets);
  // Every controller's update, in file order.
  void update();
  // Every controller stopped at track time 0, playing forwards, as loaded.
  void rewind();
  // Codes 38 to 42 for every controller; others are not processed.
  std::int32_t processEvent(const Event& event) override;

  const std::vector<Owned<KeyframeController>>& controllers() const { return _controllers; }

 private:
  std::vector<Owned<KeyframeController>> _controllers;
  Scene& _scene;
};

}  // namespace vesk
