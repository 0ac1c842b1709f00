// Writes a capture as a video file through FFmpeg's libraries: H.264 pictures (libx264 when it
// is there, else any H.264 encoder that opens) in yuv420p, and the show's sound as AAC, in the
// container the file name asks for (MP4 when the name says nothing).
//
// Picture n is shown at n / fps; the sound starts at time 0 with the first picture, so sound
// and pictures stay in step as long as the caller hands over the sound from show time 0. The
// file is written under a temporary name beside the target and renamed when `finish` succeeds;
// `abandon` (or destruction before `finish`) removes it, so a failed or interrupted export never
// leaves a partial file under the target's name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "app/OffscreenShow.h"

namespace vesk {

class VideoExport {
 public:
  VideoExport();
  ~VideoExport();  // abandons an unfinished export
  VideoExport(const VideoExport&) = delete;
  VideoExport& operator=(const VideoExport&) = delete;

  // Creates the temporary file beside `path` and sets up both encoders for pictures of
  // width × height (both even) at `fps` pictures a second. False, with the reason in error(),
  // when any of it fails; nothing is left behind then.
  bool open(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
            double fps);
  // The next picture, of the size given to open.
  bool addFrame(const FramePixels& pixels);
  // More sound: `frames` interleaved stereo 16-bit frames at the sound rate.
  bool addAudio(const std::int16_t* samples, std::size_t frames);
  // Ends the sound where the pictures end (silence fills any gap), drains the encoders, writes
  // the trailer and renames the file to the target. On failure the export is abandoned.
  bool finish();
  // Closes and removes the temporary file.
  void abandon();

  const std::string& error() const { return _error; }
  const std::filesystem::path& temporaryPath() const { return _temporary; }
  std::int64_t frames() const { return _frames; }

 private:
  struct Streams;
  bool fail(const std::string& what, int code = 0);
  bool encodeAudio(std::size_t frames);

  std::unique_ptr<Streams> _streams;
  std::filesystem::path _target, _temporary;
  std::int64_t _frames = 0;
  std::string _error;
};

}  // namespace vesk
