// Writes tracker modules in the XM format (version 1.04): header, order list, packed patterns,
// instruments with envelopes and delta-coded 8- or 16-bit samples. The show's generator composes
// its music with it, and tests build their modules with it; other players read the result.
//
// Values are the format's own: notes 1 to 96 are C-0 to B-7 and 97 is a key-off, instruments
// count from 1, the volume column holds the raw byte (0x10 + v sets volume v, 0 to 64). A module
// that the format cannot express is refused with a reason rather than written in a shape some
// readers would take differently.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vesk {

inline constexpr std::uint8_t kXmKeyOff = 97;
inline constexpr std::size_t kXmMaxChannels = 32;
inline constexpr std::size_t kXmMaxRows = 256;
inline constexpr std::size_t kXmMaxOrders = 256;
inline constexpr std::size_t kXmMaxInstruments = 128;
inline constexpr std::size_t kXmMaxSamples = 16;  // per instrument
inline constexpr std::size_t kXmEnvelopePoints = 12;

// The volume-column byte that sets the volume (0 to 64).
constexpr std::uint8_t xmSetVolume(int volume) {
  return static_cast<std::uint8_t>(0x10 + volume);
}

struct XmCell {
  std::uint8_t note = 0;        // 0 none, 1..96 C-0..B-7, 97 key-off
  std::uint8_t instrument = 0;  // 0 none, 1..128
  std::uint8_t volume = 0;      // volume-column byte, 0 none
  std::uint8_t effect = 0;
  std::uint8_t param = 0;
};

class XmPattern {
 public:
  XmPattern(std::size_t rows, std::size_t channels)
      : _rows(rows), _channels(channels), _cells(rows * channels) {}
  std::size_t rows() const { return _rows; }
  std::size_t channels() const { return _channels; }
  XmCell& at(std::size_t row, std::size_t channel) { return _cells[row * _channels + channel]; }
  const XmCell& at(std::size_t row, std::size_t channel) const {
    return _cells[row * _channels + channel];
  }

 private:
  std::size_t _rows;
  std::size_t _channels;
  std::vector<XmCell> _cells;
};

struct XmEnvelope {
  struct Point {
    std::uint16_t tick = 0;
    std::uint16_t value = 0;  // 0..64
  };
  bool on = false;
  std::vector<Point> points;  // at most 12, ticks rising; an envelope that is on needs one
  int sustain = -1;           // point index, -1 for none
  int loopStart = -1;         // point indexes, -1 for no loop
  int loopEnd = -1;
};

enum class XmLoop : std::uint8_t { None = 0, Forward = 1, PingPong = 2 };

struct XmSample {
  std::string name;  // at most 22 bytes
  // The sample points: 8-bit samples in `pcm8`, 16-bit ones in `pcm16`; one of them is empty.
  bool sixteenBit = false;
  std::vector<std::int8_t> pcm8;
  std::vector<std::int16_t> pcm16;
  XmLoop loop = XmLoop::None;
  std::uint32_t loopStart = 0;  // in sample points
  std::uint32_t loopLength = 0;
  std::uint8_t volume = 64;  // default volume, 0..64
  std::int8_t finetune = 0;
  std::uint8_t panning = 128;
  std::int8_t relativeNote = 0;

  std::size_t points() const { return sixteenBit ? pcm16.size() : pcm8.size(); }
};

struct XmInstrument {
  std::string name;  // at most 22 bytes
  std::vector<XmSample> samples;
  std::array<std::uint8_t, 96> keymap{};  // sample index (from 0) for each note
  XmEnvelope volumeEnvelope;
  XmEnvelope panningEnvelope;
  std::uint8_t vibratoType = 0;
  std::uint8_t vibratoSweep = 0;
  std::uint8_t vibratoDepth = 0;
  std::uint8_t vibratoRate = 0;
  std::uint16_t fadeout = 0;
};

struct XmModule {
  std::string name;              // at most 20 bytes
  std::string tracker = "Vesk";  // at most 20 bytes
  std::size_t channels = 8;      // 1..32
  std::uint16_t speed = 6;       // ticks per row, 1..31
  std::uint16_t bpm = 125;       // 32..255
  std::uint16_t restart = 0;     // order index where the song starts over
  bool linearFrequencies = true;
  std::vector<std::uint8_t> orders;  // pattern indexes, 1..256 entries
  std::vector<XmPattern> patterns;
  std::vector<XmInstrument> instruments;  // instrument 1 first
};

// A silent, unlooped sample of a few points: an instrument made of it plays notes that nobody
// hears, which is what the music's cue notes need. Its default volume is what a cue note
// without a volume-column value reports.
XmInstrument xmCueInstrument(std::uint8_t defaultVolume = 0, std::string name = "cue");

struct XmResult {
  std::vector<std::uint8_t> bytes;
  std::string error;  // why the module was refused; empty when written
  explicit operator bool() const { return error.empty(); }
};

// The module as XM bytes, or the reason it cannot be written.
XmResult writeXm(const XmModule& module);
// Writes the module to a file, replacing an older one whole (FileReplace.h); false with the
// reason in `error` when it cannot.
bool saveXm(const std::filesystem::path& path, const XmModule& module, std::string& error);

}  // namespace vesk
