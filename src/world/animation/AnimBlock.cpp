#include "world/animation/AnimBlock.h"

#include <utility>

#include "base/Diagnosis.h"
#include "base/File.h"
#include "base/Log.h"
#include "events/Event.h"
#include "world/animation/KeyframeControllers.h"
#include "world/scene/Scene.h"

namespace vesk {

Owned<Controller> createController(BinaryInput& in, Scene& scene) {
  // Plain bytes: a bool read would fold every type into 1.
  char category = 0;
  char type = 0;
  in >> category >> type;
  if (!in.failed() && category == VK_CONTROLLER_KEYFRAME) {
    switch (type) {
      case VK_CONTROLLER_NODE_TM:
        return make<NodeTMController>(here(), scene);
      case VK_CONTROLLER_LIGHT_COLOR:
        return make<LightColorController>(here(), scene);
      case VK_CONTROLLER_CAMERA_FOV:
        return make<CameraFOVController>(here(), scene);
      case VK_CONTROLLER_MATERIAL_SETTINGS:
        return make<MaterialSettingsController>(here(), scene);
      default:
        break;
    }
  }
  logLine("Unhandled controller", here());
  return nullptr;
}

std::string animationBaseName(std::string_view fileName) {
  const std::size_t slash = fileName.find_last_of("\\/");
  if (slash != std::string_view::npos) fileName.remove_prefix(slash + 1);
  const std::size_t dot = fileName.rfind('.');
  if (dot != std::string_view::npos) fileName = fileName.substr(0, dot);
  return std::string(fileName);
}

void AnimBlock::load(std::string_view fileName) {
  std::uint32_t size = 0;
  Bytes bytes = File::get(fileName, size);
  if (!bytes) {
    fatal("Error while opening animation file", here());
    return;
  }
  BinaryInput in(std::move(bytes), size, std::string(fileName));
  setName(str(_scene.getName(), ".", animationBaseName(fileName)));
  read(in, Targets::Resolve);
}

void AnimBlock::read(BinaryInput& in, Targets targets) {
  std::uint32_t version = 0;
  in >> version;
  if (in.failed()) return;
  if (version != VK_ANIM_FILE_VERSION) fatal("Incorret anim file version", here());
  char loopMode = 0;
  char more = 0;
  in >> loopMode >> more;
  // A read past the end gives 0 and ends the loop after the reader's report.
  while (more != 0) {
    Owned<Controller> made = createController(in, _scene);
    auto* keyframes = safeCast<KeyframeController>(made.get());
    // Nothing after an unknown record can be read: its length is unknown.
    if (!keyframes) return;
    made.release();
    Owned<KeyframeController> controller(keyframes);
    // A record cut short keeps none of its keys; those read whole before it stay.
    if (!controller->load(in)) return;
    controller->_loopMode = static_cast<std::uint8_t>(loopMode);
    if (controller->keyCount() == 0)
      logLine("Animation controller without keys skipped", here());
    else if (targets == Targets::Keep || controller->resolveTarget())
      _controllers.push_back(std::move(controller));
    in >> more;
  }
}

void AnimBlock::update() {
  for (const Owned<KeyframeController>& controller : _controllers)
    controller->update();
}

void AnimBlock::rewind() {
  for (const Owned<KeyframeController>& controller : _controllers)
    controller->rewind();
}

std::int32_t AnimBlock::processEvent(const Event& event) {
  switch (event.getCode()) {
    case kEventStartAnimation:
      for (const Owned<KeyframeController>& controller : _controllers)
        controller->start();
      return VK_EVENT_PROCESSED;
    case kEventStopAnimation:
      for (const Owned<KeyframeController>& controller : _controllers)
        controller->stop();
      return VK_EVENT_PROCESSED;
    case kEventResumeAnimation:
      for (const Owned<KeyframeController>& controller : _controllers)
        controller->resume();
      return VK_EVENT_PROCESSED;
    case kEventSetAnimationTime: {
      const float time = event.getFloat(0);
      const bool absolute = event.getBool(1);
      for (const Owned<KeyframeController>& controller : _controllers)
        controller->setTime(time, absolute);
      return VK_EVENT_PROCESSED;
    }
    case kEventSetAnimationDirection: {
      const bool forward = event.getBool(0);
      for (const Owned<KeyframeController>& controller : _controllers)
        controller->_forward = forward;
      return VK_EVENT_PROCESSED;
    }
    default:
      return EventTarget::processEvent(event);
  }
}

}  // namespace vesk
