// The show's core run offscreen on a manual clock, frame by frame at a fixed rate, without the
// panel and without a visible window: how the capture tool writes pictures, sound and video,
// and how the show benchmark times the frames.
//
// The run works in the current folder (the data folder). It plays either a text event script
// or the compiled-in show. The compiled-in show is played less the modules the folder does not
// hold: that module's entries are left out of the loading and, when the show music is missing,
// its cues are raised at the times of the cue plan instead, as the music would raise them, so
// the sections still play in step; only the sound is missing.
//
// With loop mode the quit cue starts the show again from its first music cue, and the syncs
// are raised again at the same offsets from the music's new start. The music is mixed
// synchronously, frame by frame, so two runs give the same frames and the same audio bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "show/EventScript.h"

namespace vesk {

class Core;

struct OffscreenOptions {
  // The compiled-in show, or (when null) ...
  bool show = false;
  // ... this script.
  const EventScript* script = nullptr;
  std::uint32_t width = 640, height = 480;
  double fps = 25;
  // Show time of the last frame; below 0: for the compiled-in show a little after its quit
  // cue (required for a script).
  std::int64_t untilMs = -1;
  // Once the music plays, frames before this show time are drawn once per second of show time
  // only, and not handed to the receiver: a quick way to the part of the show one wants to
  // look at. (The loading goes frame by frame whatever this is.)
  std::int64_t fromMs = 0;
  bool loop = false;
  // The music mixed (at volume 100) and handed to the frames' receiver.
  bool sound = false;
};

// What the caller does with the frames of the run.
class OffscreenReceiver {
 public:
  virtual ~OffscreenReceiver() = default;
  // Once the core has started, before the first frame of the run.
  virtual void started() {}
  // The music mixed since the last frame, up to this frame's show time: interleaved stereo
  // 16-bit samples at the sound rate. False stops the run (a failure).
  virtual bool audio(const std::int16_t* /*samples*/, std::size_t /*frames*/) { return true; }
  // After frame `index` at show time `ms` was drawn and presented, which took `seconds` of
  // wall time (the core's frame alone). False stops the run (a failure).
  virtual bool frame(std::int64_t index, std::int64_t ms, double seconds) = 0;
};

// The back buffer's pixels, row by row from the top, as 0x00RRGGBB words.
struct FramePixels {
  std::uint32_t width = 0, height = 0;
  std::vector<std::uint32_t> words;
};
// Reads the back buffer of the running device; false when there is none or it cannot be read.
bool readFrame(FramePixels& pixels);

class OffscreenShow {
 public:
  explicit OffscreenShow(OffscreenOptions options);
  ~OffscreenShow();
  OffscreenShow(const OffscreenShow&) = delete;
  OffscreenShow& operator=(const OffscreenShow&) = delete;

  // The show's modules that the current folder does not hold (compiled-in show only).
  std::vector<std::string> missingModules() const;
  // The show time of the last frame the run draws.
  std::int64_t untilMs() const { return _options.untilMs; }
  // The number of frames the run draws (from show time 0 to untilMs at the rate).
  std::int64_t frameCount() const;

  // Opens video, runs the core until untilMs, the quit request or the receiver's refusal, and
  // shuts everything down in order. Assertions are logged and the run goes on; fatal errors
  // are told on standard error, prefixed with `tool`. False when start-up failed or the
  // receiver refused a frame.
  bool run(OffscreenReceiver& receiver, const std::string& tool);

 private:
  class Compiled;
  OffscreenOptions _options;
  std::unique_ptr<Compiled> _compiled;
};

}  // namespace vesk
