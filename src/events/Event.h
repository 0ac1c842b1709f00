// A coded command addressed by name to one event target, with positional parameters.
//
// The show script builds events, the schedules copy them and send them when they fall due.
// The receiver switches on the code and reads the parameters by position; a getter asked for a
// missing position or for another kind than the one stored reports an assertion and gives the
// kind's zero value, so a faulty script cannot crash a handler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "base/Memory.h"

namespace vesk {

// What `processEvent` answers for an event it handled (0 for one it did not).
inline constexpr std::int32_t VK_EVENT_PROCESSED = 1;

// Kind codes of the parameters.
inline constexpr std::int32_t VK_PARAM_STRING = 0;
inline constexpr std::int32_t VK_PARAM_INT = 3;
inline constexpr std::int32_t VK_PARAM_FLOAT = 4;
inline constexpr std::int32_t VK_PARAM_BOOL = 6;
inline constexpr std::int32_t VK_PARAM_NONE = -1;  // no parameter at that position

class Event : public MemoryItem {
 public:
  Event() = default;
  Event(std::string targetName, std::int32_t code);
  Event(const Event&) = default;
  Event& operator=(const Event&) = default;
  Event(Event&&) = default;
  Event& operator=(Event&&) = default;
  ~Event() override = default;

  // Append one parameter; calls chain.
  Event& addString(std::string value);
  Event& addInt(std::int32_t value);
  Event& addFloat(float value);
  Event& addBool(bool value);

  const std::string& getString(std::size_t num) const;
  std::int32_t getInt(std::size_t num) const;
  float getFloat(std::size_t num) const;
  bool getBool(std::size_t num) const;

  // The kind code at a position, VK_PARAM_NONE past the last parameter.
  std::int32_t kind(std::size_t num) const;
  std::size_t paramCount() const { return _params.size(); }
  const std::string& getTargetName() const { return _targetName; }
  std::int32_t getCode() const { return _code; }

  // Delivers the event to its target. The target is looked up by name at every send, so an
  // event never reaches a target that was destroyed since the last send.
  void send() const;

 private:
  using Param = std::variant<std::string, std::int32_t, float, bool>;

  template <class T>
  const T* param(std::size_t num) const;

  std::vector<Param> _params;
  std::string _targetName;
  std::int32_t _code = 0;
};

}  // namespace vesk
