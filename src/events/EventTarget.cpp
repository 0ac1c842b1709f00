#include "events/EventTarget.h"

#include "base/Diagnosis.h"
#include "events/Event.h"

namespace vesk {

namespace {

constexpr const char* kNoName = "No Name";

ReservedTargets* installedReserved = nullptr;

// The index of "VIEWPORT1" to "VIEWPORT15" (no leading zeros), 0 for any other name.
int viewportIndex(std::string_view name) {
  constexpr std::string_view prefix = "VIEWPORT";
  if (!name.starts_with(prefix)) return 0;
  std::string_view digits = name.substr(prefix.size());
  if (digits.size() == 1 && digits[0] >= '1' && digits[0] <= '9') return digits[0] - '0';
  if (digits.size() == 2 && digits[0] == '1' && digits[1] >= '0' && digits[1] <= '5') {
    return 10 + (digits[1] - '0');
  }
  return 0;
}

}  // namespace

EventTarget::Names& EventTarget::names() {
  // Never destroyed: targets with static storage may go away after it at exit.
  static Names* registry = new Names;
  return *registry;
}

EventTarget::EventTarget() : _name(kNoName) {
  names().emplace(_name, this);
}

EventTarget::EventTarget(const EventTarget& original, Unlisted)
    : MemoryItem(original), _name(original._name) {}

EventTarget::~EventTarget() {
  auto it = entry();
  if (it != names().end()) names().erase(it);
}

EventTarget::Names::iterator EventTarget::entry() {
  auto [first, last] = names().equal_range(_name);
  for (auto it = first; it != last; ++it) {
    if (it->second == this) return it;
  }
  return names().end();
}

void EventTarget::setName(std::string name) {
  auto it = entry();
  if (it == names().end()) {
    fatal("Could not remove previous event target; reason : name not found", here());
    return;
  }
  names().erase(it);
  _name = std::move(name);
  names().emplace(_name, this);
}

std::int32_t EventTarget::processEvent(const Event&) {
  return 0;
}

EventTarget* EventTarget::find(std::string_view name) {
  ReservedTargets* reserved = installedReserved;
  EventTarget* target = nullptr;
  if (name == "CORE") {
    target = reserved ? reserved->core() : nullptr;
  } else if (name == "RENDERER") {
    target = reserved ? reserved->renderer() : nullptr;
  } else if (name == "DEFVIEWPORT") {
    target = reserved ? reserved->viewport(0) : nullptr;
  } else if (int index = viewportIndex(name); index > 0) {
    target = reserved ? reserved->viewport(index) : nullptr;
  } else if (name == "SOUND") {
    target = reserved ? reserved->sound() : nullptr;
  } else {
    // The earliest registration under the name sits at the front of its range.
    auto it = names().lower_bound(name);
    if (it != names().end() && it->first == name) target = it->second;
  }
  // A reserved object that does not exist is reported like an unknown name.
  VK_ASSERT(target != nullptr, "it != _names.end()",
            "A named EventTarget was not found; Check the name : " << name);
  return target;
}

ReservedTargets* EventTarget::setReservedTargets(ReservedTargets* targets) {
  ReservedTargets* previous = installedReserved;
  installedReserved = targets;
  return previous;
}

}  // namespace vesk
