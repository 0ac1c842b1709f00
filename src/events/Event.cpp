#include "events/Event.h"

#include <utility>

#include "base/Diagnosis.h"
#include "events/EventTarget.h"

namespace vesk {

namespace {

// Kind codes and names in the order of the parameter variant's alternatives.
constexpr std::int32_t kKindCodes[] = {VK_PARAM_STRING, VK_PARAM_INT, VK_PARAM_FLOAT,
                                       VK_PARAM_BOOL};
constexpr const char* kKindNames[] = {"string", "int", "float", "bool"};

template <class T>
struct KindOf;
template <>
struct KindOf<std::string> {
  static constexpr const char* check = "kind(num) == VK_PARAM_STRING";
  static constexpr const char* name = "string";
};
template <>
struct KindOf<std::int32_t> {
  static constexpr const char* check = "kind(num) == VK_PARAM_INT";
  static constexpr const char* name = "int";
};
template <>
struct KindOf<float> {
  static constexpr const char* check = "kind(num) == VK_PARAM_FLOAT";
  static constexpr const char* name = "float";
};
template <>
struct KindOf<bool> {
  static constexpr const char* check = "kind(num) == VK_PARAM_BOOL";
  static constexpr const char* name = "bool";
};

const std::string kNoText;

}  // namespace

Event::Event(std::string targetName, std::int32_t code)
    : _targetName(std::move(targetName)), _code(code) {}

Event& Event::addString(std::string value) {
  _params.emplace_back(std::in_place_type<std::string>, std::move(value));
  return *this;
}

Event& Event::addInt(std::int32_t value) {
  _params.emplace_back(std::in_place_type<std::int32_t>, value);
  return *this;
}

Event& Event::addFloat(float value) {
  _params.emplace_back(std::in_place_type<float>, value);
  return *this;
}

Event& Event::addBool(bool value) {
  _params.emplace_back(std::in_place_type<bool>, value);
  return *this;
}

// One instantiation per kind, so each getter has its own assertion sites.
template <class T>
const T* Event::param(std::size_t num) const {
  VK_ASSERT(
      num < _params.size(), "num < _params.size()",
      "Parameter #" << num << " not present for Event " << _code << " on target " << _targetName);
  if (num >= _params.size()) return nullptr;
  const T* value = std::get_if<T>(&_params[num]);
  VK_ASSERT(value != nullptr, KindOf<T>::check,
            "Parameter #" << num << " of Event " << _code << " on target " << _targetName
                          << " is of kind " << kKindNames[_params[num].index()] << ", not "
                          << KindOf<T>::name);
  return value;
}

const std::string& Event::getString(std::size_t num) const {
  const std::string* value = param<std::string>(num);
  return value ? *value : kNoText;
}

std::int32_t Event::getInt(std::size_t num) const {
  const std::int32_t* value = param<std::int32_t>(num);
  return value ? *value : 0;
}

float Event::getFloat(std::size_t num) const {
  const float* value = param<float>(num);
  return value ? *value : 0.0f;
}

bool Event::getBool(std::size_t num) const {
  const bool* value = param<bool>(num);
  return value ? *value : false;
}

std::int32_t Event::kind(std::size_t num) const {
  return num < _params.size() ? kKindCodes[_params[num].index()] : VK_PARAM_NONE;
}

void Event::send() const {
  EventTarget* target = EventTarget::find(_targetName);
  if (!target) return;  // find has reported the name
  std::int32_t res = target->processEvent(*this);
  VK_ASSERT(res == VK_EVENT_PROCESSED, "res == VK_EVENT_PROCESSED",
            "Event " << _code << "wasn't processed by " << _targetName);
}

}  // namespace vesk
