// The application's fixed event targets, reached by reserved names rather than through the
// registry: "CORE", "RENDERER", "DEFVIEWPORT" (viewport 0), "VIEWPORT1" to "VIEWPORT15" and
// "SOUND". The core implements this and installs it with EventTarget::setReservedTargets.
#pragma once

namespace vesk {

class EventTarget;

class ReservedTargets {
 public:
  virtual ~ReservedTargets() = default;
  // Each gives null when the object does not exist (yet).
  virtual EventTarget* core() { return nullptr; }
  virtual EventTarget* renderer() { return nullptr; }
  virtual EventTarget* viewport(int index) {  // 0 to 15
    (void)index;
    return nullptr;
  }
  virtual EventTarget* sound() { return nullptr; }
};

}  // namespace vesk
