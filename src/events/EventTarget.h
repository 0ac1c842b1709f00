// An object that receives events, found by name through a process-wide registry.
//
// Every target has exactly one registry entry, under its current name, from construction to
// destruction; several targets may share a name, and the one registered first is found. The
// reserved names of the application's fixed objects never go to the registry: they resolve
// through the installed ReservedTargets. The registry is used on the main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "base/Memory.h"
#include "events/ReservedTargets.h"

namespace vesk {

class Event;

class EventTarget : public MemoryItem {
 public:
  EventTarget();
  ~EventTarget() override;
  // A plain copy would either go unregistered or be found in place of its original; node
  // clones say which they want through the Unlisted constructor below.
  EventTarget(const EventTarget&) = delete;
  EventTarget& operator=(const EventTarget&) = delete;

  // Moves this target's registry entry to the new name. A target without an entry (an
  // unlisted copy) is refused with a fatal error and keeps its name.
  void setName(std::string name);
  const std::string& getName() const { return _name; }

  // VK_EVENT_PROCESSED when handled; a handler passes codes it does not know to its base.
  virtual std::int32_t processEvent(const Event& event);

  // The target for a name: a reserved name through the installed ReservedTargets, any other
  // name the first registry entry under it. Null (after an assertion) when there is none.
  static EventTarget* find(std::string_view name);

  // Installs the resolver of the reserved names (not owned; null for none). Returns the
  // previous one.
  static ReservedTargets* setReservedTargets(ReservedTargets* targets);

 protected:
  // A copy holding the original's name that is not entered in the registry, so a lookup by
  // name never finds it (node clones, for example particles).
  struct Unlisted {};
  EventTarget(const EventTarget& original, Unlisted);

 private:
  using Names = std::multimap<std::string, EventTarget*, std::less<>>;
  static Names& names();
  // This target's entry under its current name, or the registry's end.
  Names::iterator entry();

  std::string _name;
};

}  // namespace vesk
