#include "show/CueSheet.h"

#include <algorithm>

#include <utility>

namespace vesk {

namespace {

// The part of the screen (as a fraction) a sliding viewport keeps in view at its start.
constexpr float kSlideSliver = 0.02f;

}  // namespace

std::string viewportName(int index) {
  return index == 0 ? "DEFVIEWPORT" : "VIEWPORT" + std::to_string(index);
}

std::string twoDigits(const std::string& prefix, int number) {
  return prefix + (number < 10 ? "0" : "") + std::to_string(number);
}

void CueSheet::at(std::int32_t volume, int row, int musicSection) {
  _code = code(volume);
  _result.arrivals.push_back({_code, musicSection == 0 ? _section : musicSection, row});
}

Event& CueSheet::add(const std::string& target, std::int32_t eventCode) {
  _result.cues.push_back({_code, Event(target, eventCode)});
  return _result.cues.back().event;
}

void CueSheet::unloadScene(const std::string& scene) {
  add("CORE", 2).addString(scene);
}
void CueSheet::resetViewports() {
  add("CORE", 15);
}
void CueSheet::quit() {
  add("CORE", 16);
}

void CueSheet::rect(const std::string& vp, float x, float y, float w, float h, bool border,
                    std::int32_t borderWidth, float r, float g, float b) {
  add(vp, 17)
      .addFloat(x)
      .addFloat(y)
      .addFloat(w)
      .addFloat(h)
      .addBool(border)
      .addInt(borderWidth)
      .addFloat(r)
      .addFloat(g)
      .addFloat(b);
}

void CueSheet::on(const std::string& vp) {
  add(vp, 18);
}
void CueSheet::off(const std::string& vp) {
  add(vp, 19);
}

void CueSheet::scene(const std::string& vp, std::int32_t layer, float alpha,
                     const std::string& name) {
  add(vp, 21).addInt(layer).addFloat(alpha).addString(name);
}

void CueSheet::picture(const std::string& vp, std::int32_t layer, float alpha,
                       const std::string& name) {
  add(vp, 22).addInt(layer).addFloat(alpha).addString(name);
}

void CueSheet::camera(const std::string& vp, std::int32_t layer, const std::string& camera) {
  add(vp, 23).addInt(layer).addString(camera);
}

void CueSheet::slide(const std::string& vp, const float (&from)[5], const float (&to)[5],
                     float seconds) {
  Event& event = add(vp, 25);
  // A viewport does not advance its rectangle effect while the rectangle is wholly off
  // screen, so a slide that began out of sight would never come in: it starts with a sliver
  // of the screen's width or height still on screen.
  float start[5] = {from[0], from[1], from[2], from[3], from[4]};
  for (int axis = 0; axis < 2; ++axis) {
    start[axis] = std::max(start[axis], kSlideSliver - start[axis + 2]);
    start[axis] = std::min(start[axis], 1.0f - kSlideSliver);
  }
  for (float value : start)
    event.addFloat(value);
  for (float value : to)
    event.addFloat(value);
  event.addFloat(seconds);
}

void CueSheet::shake(const std::string& vp, float xy, float size, float alpha, float strength) {
  add(vp, 26).addFloat(xy).addFloat(xy).addFloat(size).addFloat(size).addFloat(alpha).addFloat(
      strength);
}

void CueSheet::removeLayer(const std::string& vp, std::int32_t layer) {
  add(vp, 27).addInt(layer);
}

void CueSheet::fade(const std::string& vp, std::int32_t layer, float seconds, float from,
                    float to) {
  add(vp, 29).addInt(layer).addFloat(seconds).addFloat(from).addFloat(to);
}

void CueSheet::crossFade(const std::string& vp, std::int32_t layer, float seconds,
                         const std::string& mask, bool rising, std::int32_t function) {
  add(vp, 31).addInt(layer).addFloat(seconds).addString(mask).addBool(rising).addInt(function);
}

void CueSheet::motionBlur(const std::string& vp, std::int32_t layer, float strength) {
  add(vp, 32).addInt(layer).addFloat(strength);
}

void CueSheet::fog(const std::string& vp, std::int32_t layer, float seconds, float entry,
                   float length, float grey) {
  add(vp, 34)
      .addInt(layer)
      .addFloat(seconds)
      .addFloat(entry)
      .addFloat(length)
      .addBool(false)
      .addFloat(grey)
      .addFloat(grey)
      .addFloat(grey);
}

void CueSheet::startController(const std::string& node) {
  add(node, 36);
}
void CueSheet::stopController(const std::string& node) {
  add(node, 37);
}
void CueSheet::start(const std::string& block) {
  add(block, 38);
}
void CueSheet::stop(const std::string& block) {
  add(block, 39);
}
void CueSheet::resume(const std::string& block) {
  add(block, 40);
}

void CueSheet::setTime(const std::string& block, float seconds, bool absolute) {
  add(block, 41).addFloat(seconds).addBool(absolute);
}

void CueSheet::direction(const std::string& block, bool forward) {
  add(block, 42).addBool(forward);
}

void CueSheet::particles(const std::string& node, float gravity, float speed, bool flag) {
  add(node, 43).addFloat(gravity).addFloat(speed).addBool(flag);
}

void CueSheet::show(const std::string& node) {
  add(node, 47);
}
void CueSheet::hide(const std::string& node) {
  add(node, 48);
}

void CueSheet::wireframe(const std::string& node, const float (&pass)[6]) {
  Event& event = add(node, 49);
  for (float value : pass)
    event.addFloat(value);
}

void CueSheet::plainPasses(const std::string& node) {
  add(node, 50);
}
void CueSheet::mirrorOn(const std::string& node) {
  add(node, 51);
}
void CueSheet::mirrorOff(const std::string& node) {
  add(node, 52);
}
void CueSheet::play(const std::string& scene) {
  add(scene, 53);
}

}  // namespace vesk
