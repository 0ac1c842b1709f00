// A builder for one section of the show's cues: each helper appends one event under the cue
// being written, with its parameters in the order the receiver reads them, and the sheet notes
// where in the music each cue must arrive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "events/MusicEvents.h"

namespace vesk {

// Where the music raises a cue: the section of the music it plays in (1 to 9, which is the
// registering section except where sections overlap) and the row counted from that section's
// first row.
struct CueArrival {
  std::int32_t code;
  int section;
  int row;
};

struct ShowSection {
  std::int32_t note;  // the cue note of the section
  std::vector<CueEvent> cues;
  std::vector<CueArrival> arrivals;  // in the order the music raises them
};

class CueSheet {
 public:
  CueSheet(int section, std::int32_t note) : _section(section) { _result.note = note; }

  // The events after this go under the cue of this volume, raised at `row` of the section,
  // or of `musicSection` when the cue plays during another section.
  void at(std::int32_t volume, int row, int musicSection = 0);
  std::int32_t code(std::int32_t volume) const { return 64 * _result.note + volume; }

  // CORE.
  void unloadScene(const std::string& scene);
  void resetViewports();
  void quit();
  // Viewports.
  void rect(const std::string& vp, float x, float y, float w, float h, bool border = false,
            std::int32_t borderWidth = 1, float r = 0, float g = 0, float b = 0);
  void on(const std::string& vp);
  void off(const std::string& vp);
  void scene(const std::string& vp, std::int32_t layer, float alpha, const std::string& name);
  void picture(const std::string& vp, std::int32_t layer, float alpha, const std::string& name);
  void camera(const std::string& vp, std::int32_t layer, const std::string& camera);
  // From (x1, y1, w1, h1, a1) to (x2, y2, w2, h2, a2) in `seconds`.
  void slide(const std::string& vp, const float (&from)[5], const float (&to)[5], float seconds);
  void shake(const std::string& vp, float xy, float size, float alpha, float strength);
  void removeLayer(const std::string& vp, std::int32_t layer);
  void fade(const std::string& vp, std::int32_t layer, float seconds, float from, float to);
  void crossFade(const std::string& vp, std::int32_t layer, float seconds, const std::string& mask,
                 bool rising, std::int32_t function);
  void motionBlur(const std::string& vp, std::int32_t layer, float strength);
  void fog(const std::string& vp, std::int32_t layer, float seconds, float entry, float length,
           float grey);
  // Time controllers, animation blocks, particle systems.
  void startController(const std::string& node);
  void stopController(const std::string& node);
  void start(const std::string& block);
  void stop(const std::string& block);
  void resume(const std::string& block);
  void setTime(const std::string& block, float seconds, bool absolute);
  void direction(const std::string& block, bool forward);
  void particles(const std::string& node, float gravity, float speed, bool flag);
  // Renderable nodes and scenes.
  void show(const std::string& node);
  void hide(const std::string& node);
  void wireframe(const std::string& node, const float (&pass)[6]);
  void plainPasses(const std::string& node);
  void mirrorOn(const std::string& node);
  void mirrorOff(const std::string& node);
  void play(const std::string& scene);

  ShowSection take() { return std::move(_result); }

 private:
  Event& add(const std::string& target, std::int32_t eventCode);

  int _section;
  std::int32_t _code = 0;
  ShowSection _result;
};

// "VIEWPORT<n>", "DEFVIEWPORT" for 0.
std::string viewportName(int index);
// "<prefix>NN" with two digits.
std::string twoDigits(const std::string& prefix, int number);

}  // namespace vesk
