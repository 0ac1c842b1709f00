// The show's music, composed in code: "data\clepsydra.xm", nine sections that follow the cue
// plan (the cue channel raises every planned cue at its row), and "data\plug.xm", the short
// phrase that loops while the show loads.
//
// Every sample is synthesized here: a kick, a snare and a hat as one-shots, a bass, a pad and a
// lead as looped waves built from harmonics, and a pluck as a plucked string. They are written
// at the rate at which note C-4 plays them unchanged, so a note's pitch is the pitch it names.
// The harmony is one chord per bar (16 rows), four bars to a pattern, a progression per
// section; the layers that play grow and thin out pattern by pattern. No clock and no random
// state: the noise comes from a fixed seed, so every run writes the same bytes.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "DataSet.h"
#include "ShowData.h"
#include "authoring/XmWriter.h"
#include "show/CuePlan.h"

namespace showgen {

namespace {

using vesk::XmCell;
using vesk::XmEnvelope;
using vesk::XmInstrument;
using vesk::XmModule;
using vesk::XmPattern;
using vesk::XmSample;

constexpr double kTwoPi = 6.283185307179586;
// C-4 (261.63 Hz) lasts exactly 128 points at this rate; a sample with relative note 24 and
// finetune 2 plays back at it (8363 Hz two octaves up, within half a cent) when C-4 is played.
constexpr double kRate = 261.6255653 * 128;
constexpr int kPointsPerCycle = 128;
constexpr int kRowsPerBar = 16;
constexpr int kBarsPerPattern = 4;
// The show raises a cue for every note of this instrument.
constexpr std::uint8_t kCueInstrument = 15;

// ---------------------------------------------------------------------------------------------
// Samples

// xorshift32 from a fixed seed.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : _state(seed) {}
  double next() {
    _state ^= _state << 13;
    _state ^= _state >> 17;
    _state ^= _state << 5;
    return double(_state) / 2147483648.0 - 1.0;
  }

 private:
  std::uint32_t _state;
};

XmSample makeSample(const std::string& name, const std::vector<double>& wave, bool looped) {
  double peak = 0;
  for (double v : wave)
    peak = std::max(peak, std::abs(v));
  const double scale = peak > 0 ? 30000.0 / peak : 0;
  XmSample sample;
  sample.name = name;
  sample.sixteenBit = true;
  sample.pcm16.reserve(wave.size());
  for (double v : wave)
    sample.pcm16.push_back(static_cast<std::int16_t>(std::lround(v * scale)));
  if (looped) {
    sample.loop = vesk::XmLoop::Forward;
    sample.loopLength = static_cast<std::uint32_t>(wave.size());
  }
  sample.relativeNote = 24;
  sample.finetune = 2;
  return sample;
}

// A loop of `cycles` × 128 points: for each entry of `voices` (cycles of its fundamental in the
// loop, so slightly detuned voices stay seamless) harmonics 1 to `harmonics` with weight
// 1 / h^rolloff, the even ones scaled by `even` (0 for a square-like tone).
std::vector<double> harmonicLoop(int cycles, const std::vector<int>& voices, int harmonics,
                                 double rolloff, double even) {
  const std::size_t points = static_cast<std::size_t>(cycles) * kPointsPerCycle;
  std::vector<double> table(points);
  for (std::size_t i = 0; i < points; ++i)
    table[i] = std::sin(kTwoPi * double(i) / double(points));
  std::vector<double> wave(points, 0.0);
  for (int voice : voices)
    for (int h = 1; h <= harmonics; ++h) {
      const double weight = (h % 2 == 0 ? even : 1.0) / std::pow(double(h), rolloff);
      if (weight == 0) continue;
      const std::size_t step = static_cast<std::size_t>(voice) * static_cast<std::size_t>(h);
      for (std::size_t i = 0, phase = 0; i < points; ++i, phase = (phase + step) % points)
        wave[i] += weight * table[phase];
    }
  return wave;
}

std::vector<double> kickWave() {
  const std::size_t points = std::size_t(0.5 * kRate);
  std::vector<double> wave(points);
  Noise noise(0x4B1C);
  double phase = 0;
  for (std::size_t i = 0; i < points; ++i) {
    const double t = double(i) / kRate;
    const double frequency = 46 + 120 * std::exp(-t / 0.035);
    phase += kTwoPi * frequency / kRate;
    const double attack = std::min(1.0, t / 0.002);
    double v = std::sin(phase) * attack * std::exp(-t / 0.22);
    v += 0.25 * noise.next() * std::exp(-t / 0.003);  // the beater's click
    wave[i] = std::tanh(1.6 * v);
  }
  return wave;
}

std::vector<double> snareWave() {
  const std::size_t points = std::size_t(0.32 * kRate);
  std::vector<double> wave(points);
  Noise noise(0x5A4E);
  double low = 0;
  for (std::size_t i = 0; i < points; ++i) {
    const double t = double(i) / kRate;
    const double n = noise.next();
    low += 0.35 * (n - low);
    const double rattle = (n - 0.6 * low) * std::exp(-t / 0.09);
    const double body =
        (0.8 * std::sin(kTwoPi * 185 * t) + 0.4 * std::sin(kTwoPi * 330 * t)) * std::exp(-t / 0.05);
    wave[i] = 0.75 * rattle + body;
  }
  return wave;
}

std::vector<double> hatWave() {
  const std::size_t points = std::size_t(0.16 * kRate);
  std::vector<double> wave(points);
  Noise noise(0x4A77);
  double low1 = 0, low2 = 0;
  for (std::size_t i = 0; i < points; ++i) {
    const double t = double(i) / kRate;
    const double n = noise.next();
    low1 += 0.5 * (n - low1);
    const double high = n - low1;  // keeps the hiss, drops the rumble
    low2 += 0.6 * (high - low2);   // and softens the very top
    wave[i] = low2 * std::exp(-t / 0.03);
  }
  return wave;
}

// A plucked string of C-4: a mellow noise burst circulating through a damped delay of one
// cycle.
std::vector<double> pluckWave() {
  const std::size_t points = std::size_t(1.1 * kRate);
  std::vector<double> wave(points);
  Noise noise(0x9106);
  double low = 0;
  for (std::size_t i = 0; i < kPointsPerCycle; ++i) {
    low += 0.3 * (noise.next() - low);
    wave[i] = low;
  }
  for (std::size_t i = kPointsPerCycle; i < points; ++i)
    wave[i] = 0.498 * (wave[i - kPointsPerCycle] + wave[i - kPointsPerCycle + 1]);
  // Remove the burst's offset so the string rings around zero.
  double mean = 0;
  for (std::size_t i = 0; i < kPointsPerCycle; ++i)
    mean += wave[i] / kPointsPerCycle;
  for (std::size_t i = 0; i < points; ++i)
    wave[i] -= mean * std::exp(-double(i) / (0.01 * kRate));
  return wave;
}

XmEnvelope envelope(std::vector<XmEnvelope::Point> points, int sustain = -1) {
  XmEnvelope result;
  result.on = true;
  result.points = std::move(points);
  result.sustain = sustain;
  return result;
}

XmInstrument instrument(const std::string& name, XmSample sample, XmEnvelope volume,
                        std::uint16_t fadeout = 0) {
  XmInstrument result;
  result.name = name;
  result.samples.push_back(std::move(sample));
  result.volumeEnvelope = std::move(volume);
  result.fadeout = fadeout;
  return result;
}

// Envelope ticks are 20 ms at 125 BPM.
XmInstrument kickInstrument() {
  return instrument("kick", makeSample("kick", kickWave(), false),
                    envelope({{0, 64}, {14, 60}, {26, 0}}));
}

XmInstrument snareInstrument() {
  return instrument("snare", makeSample("snare", snareWave(), false),
                    envelope({{0, 64}, {8, 40}, {16, 0}}));
}

XmInstrument hatInstrument() {
  return instrument("hat", makeSample("hat", hatWave(), false),
                    envelope({{0, 64}, {3, 36}, {8, 0}}));
}

XmInstrument bassInstrument() {
  // A warm saw with a strong fundamental, 32 cycles to the loop.
  std::vector<double> wave = harmonicLoop(32, {32}, 16, 1.6, 0.8);
  std::vector<double> sub = harmonicLoop(32, {32}, 1, 1, 1);
  for (std::size_t i = 0; i < wave.size(); ++i)
    wave[i] += 0.6 * sub[i];
  return instrument("bass", makeSample("bass", wave, true),
                    envelope({{0, 64}, {5, 50}, {20, 40}, {60, 34}}, 3), 3000);
}

XmInstrument padInstrument() {
  // Three saws a few cents apart beat slowly against each other.
  std::vector<double> wave = harmonicLoop(256, {255, 256, 257}, 24, 1.35, 1.0);
  return instrument("pad", makeSample("pad", wave, true),
                    envelope({{0, 0}, {18, 44}, {50, 56}, {80, 52}}, 3), 500);
}

XmInstrument leadInstrument() {
  // A hollow square-like voice with a detuned partner; a light vibrato comes in late.
  std::vector<double> square = harmonicLoop(256, {256}, 13, 1.0, 0.15);
  std::vector<double> saw = harmonicLoop(256, {257}, 12, 1.2, 1.0);
  for (std::size_t i = 0; i < square.size(); ++i)
    square[i] += 0.6 * saw[i];
  XmInstrument lead = instrument("lead", makeSample("lead", square, true),
                                 envelope({{0, 0}, {2, 64}, {10, 50}, {40, 44}}, 3), 1600);
  lead.vibratoType = 0;
  lead.vibratoSweep = 40;
  lead.vibratoDepth = 3;
  lead.vibratoRate = 6;
  return lead;
}

XmInstrument pluckInstrument() {
  return instrument("pluck", makeSample("pluck", pluckWave(), false),
                    envelope({{0, 64}, {6, 48}, {30, 20}, {70, 0}}));
}

// ---------------------------------------------------------------------------------------------
// Harmony and arrangement

// Notes are counted as in MIDI (60 = C-4) and written as XM notes (1 = C-0).
std::uint8_t xmNote(int midi) {
  return static_cast<std::uint8_t>(std::clamp(midi - 11, 1, 96));
}

struct Chord {
  int root;  // pitch class, 0 = C
  bool minor;
  int third() const { return root + (minor ? 3 : 4); }
  int fifth() const { return root + 7; }
};

// The pitch class `pc` as the lowest note at or above `floor`.
int above(int pc, int floor) {
  return floor + (((pc - floor) % 12) + 12) % 12;
}

enum Layer : unsigned {
  kKick = 1,
  kSnare = 2,
  kHat = 4,
  kBass = 8,
  kPad = 16,
  kLead = 32,
  kPluck = 64,
  kAll = 127,
};

enum class Feel {
  Straight,  // kick on 1 and 3, snare on 2 and 4, eighth hats, a syncopated bass
  HalfTime,  // kick on 1, snare on 3, a bass that holds
  Drive,     // four to the floor, sixteenth hats, eighth-note octave bass
  Break,     // a busy kick, ghost snares, sixteenth bass
};

struct SectionMusic {
  std::array<Chord, kBarsPerPattern> bars;
  Feel feel;
  std::vector<unsigned> layers;  // per pattern of the section
  std::array<int, 2> motifs;     // melody shapes of the phrases, alternating
  int leadFloor;                 // the melody's chord roots lie in the octave from here
  bool sixteenthArpeggio;
};

// Minor keys, the lift of section 5 (up a tone from the opening, its major chords first) and a
// warm major outro. Layers enter with the pictures: the beat arrives with the city (pattern 2).
std::vector<SectionMusic> sections() {
  const Chord Am{9, true}, F{5, false}, C{0, false}, G{7, false}, Dm{2, true}, Bb{10, false},
      Gm{7, true}, A{9, false}, Em{4, true}, D{2, false}, Fm{5, true}, Db{1, false}, Eb{3, false},
      Bm{11, true}, E{4, false};
  const unsigned kNoLead = kAll & ~kLead;
  return {
      {{Am, F, C, G},
       Feel::Straight,
       {kPad | kPluck, kPad | kPluck | kHat | kBass, kNoLead & ~kSnare, kNoLead, kAll, kAll},
       {1, 2},
       62,
       false},
      {{Dm, Bb, Gm, A},
       Feel::HalfTime,
       {kPad | kBass | kLead | kHat, kAll, kPad | kPluck | kBass},
       {0, 1},
       62,
       false},
      {{Em, C, G, D},
       Feel::Drive,
       {kPad | kBass | kHat | kPluck, kNoLead & ~kSnare, kNoLead, kAll, kAll},
       {2, 1},
       64,
       true},
      {{Fm, Db, Eb, C}, Feel::Break, {kNoLead, kAll, kAll, kAll}, {2, 2}, 60, true},
      {{G, D, Bm, A},
       Feel::Drive,
       {kPad | kPluck | kBass, kPad | kPluck | kBass | kKick | kHat, kAll, kAll, kAll},
       {1, 2},
       64,
       true},
      {{Gm, Eb, F, D},
       Feel::Straight,
       {kPluck | kBass | kHat | kKick, kNoLead, kAll},
       {2, 1},
       62,
       false},
      {{Am, Dm, F, E},
       Feel::HalfTime,
       {kPad | kPluck, kPad | kPluck | kLead, kPad | kPluck | kLead | kBass | kKick, kAll},
       {0, 0},
       64,
       false},
      {{Dm, Bb, C, A}, Feel::Straight, {kAll & ~kLead, kAll, kAll}, {1, 2}, 62, false},
      {{C, G, Am, F},
       Feel::Straight,
       {kPad | kPluck | kBass, kPad | kPluck | kBass | kKick | kHat, kAll, kAll,
        kPad | kPluck | kLead | kBass, kPad | kBass},
       {1, 0},
       60,
       false},
  };
}

// The melody shapes: where a two-bar phrase (32 rows) starts its notes and which chord tone
// each takes (0 root, 1 third, 2 fifth, 3 the octave, ...); each note lasts until the next,
// the last until row 30.
struct Motif {
  std::vector<int> rows;
  std::vector<int> tones;
};

const std::array<Motif, 3>& motifs() {
  static const std::array<Motif, 3> shapes = {{
      {{0, 8, 16, 24}, {3, 2, 4, 2}},
      {{0, 4, 6, 8, 12, 16, 22, 24}, {3, 2, 1, 2, 4, 3, 2, 0}},
      {{0, 2, 4, 8, 14, 16, 20, 24, 28}, {2, 3, 4, 3, 2, 1, 2, 3, 1}},
  }};
  return shapes;
}

// Instrument numbers and channels of one module.
struct Band {
  int kick = 0, snare = 0, hat = 0, bass = 0, pad = 0, lead = 0, pluck = 0;
  int kickCh = -1, snareCh = -1, hatCh = -1, bassCh = -1, padCh = -1, leadCh = -1;
  int pluckCh = -1, echoCh = -1;
};

void put(XmPattern& pattern, int row, int channel, int midi, int instrument, int volume,
         int panning = -1) {
  if (channel < 0 || row < 0 || row >= int(pattern.rows())) return;
  XmCell& cell = pattern.at(std::size_t(row), std::size_t(channel));
  cell.note = xmNote(midi);
  cell.instrument = static_cast<std::uint8_t>(instrument);
  cell.volume = vesk::xmSetVolume(std::clamp(volume, 0, 64));
  if (panning >= 0) {
    cell.effect = 0x08;  // set panning: the sample's own panning comes back with every note
    cell.param = static_cast<std::uint8_t>(panning);
  }
}

void keyOff(XmPattern& pattern, int row, int channel) {
  if (channel < 0 || row < 0 || row >= int(pattern.rows())) return;
  XmCell& cell = pattern.at(std::size_t(row), std::size_t(channel));
  if (cell.note == 0) cell.note = vesk::kXmKeyOff;
}

void drums(XmPattern& p, const Band& band, Feel feel, unsigned layers, int bar, bool fill) {
  const int base = bar * kRowsPerBar;
  auto kick = [&](int row, int volume) {
    if (layers & kKick) put(p, base + row, band.kickCh, 60, band.kick, volume);
  };
  auto snare = [&](int row, int volume) {
    if (layers & kSnare) put(p, base + row, band.snareCh, 60, band.snare, volume);
  };
  auto hat = [&](int row, int volume) {
    if (layers & kHat) put(p, base + row, band.hatCh, 60, band.hat, volume, 168);
  };
  switch (feel) {
    case Feel::Straight:
      kick(0, 58), kick(8, 54), kick(10, 40);
      snare(4, 46), snare(12, 46);
      for (int r = 0; r < 16; r += 2)
        hat(r, r % 4 == 2 ? 30 : 20);
      break;
    case Feel::HalfTime:
      kick(0, 58), kick(10, 44);
      snare(8, 48);
      for (int r = 0; r < 16; r += 2)
        hat(r, r % 4 == 2 ? 24 : 16);
      break;
    case Feel::Drive:
      for (int r = 0; r < 16; r += 4)
        kick(r, 56);
      snare(4, 42), snare(12, 44);
      for (int r = 0; r < 16; ++r)
        hat(r, r % 4 == 2 ? 30 : (r % 2 ? 14 : 20));
      break;
    case Feel::Break:
      kick(0, 58), kick(3, 44), kick(8, 54), kick(10, 46);
      snare(4, 46), snare(12, 46), snare(15, 18), snare(7, 16);
      for (int r = 0; r < 16; ++r)
        hat(r, r % 4 == 2 ? 30 : (r % 2 ? 14 : 22));
      break;
  }
  if (fill && (layers & kSnare))
    for (int r = 8; r < 16; ++r)
      put(p, base + r, band.snareCh, 60, band.snare, 22 + 3 * r);
}

void bassLine(XmPattern& p, const Band& band, Feel feel, unsigned layers, int bar,
              const Chord& chord) {
  if (!(layers & kBass)) {
    if (bar == 0) keyOff(p, 0, band.bassCh);
    return;
  }
  const int base = bar * kRowsPerBar;
  const int root = above(chord.root, 33);  // A-1 to G#-2
  auto note = [&](int row, int midi, int volume) {
    put(p, base + row, band.bassCh, midi, band.bass, volume * 2 / 3);
  };
  if (!(layers & kKick)) {  // no beat yet: the bass holds the root
    note(0, root, 46);
    return;
  }
  switch (feel) {
    case Feel::Straight:
      note(0, root, 50), note(3, root, 38), note(6, root + 12, 40), note(8, root, 46);
      note(11, chord.fifth() - chord.root + root, 38), note(14, root + 12, 40);
      break;
    case Feel::HalfTime:
      note(0, root, 50), note(10, root, 40), note(14, chord.fifth() - chord.root + root, 40);
      break;
    case Feel::Drive:
      for (int r = 0; r < 16; r += 2)
        note(r, r % 4 == 2 ? root + 12 : root, r % 4 == 2 ? 40 : 48);
      break;
    case Feel::Break:
      for (int r = 0; r < 16; ++r)
        note(r, r == 14 ? root + 12 : root, r % 4 == 0 ? 50 : 36);
      break;
  }
}

// The pad plays each new chord; a chord that repeats the bar before is held.
void padChord(XmPattern& p, const Band& band, unsigned layers, int bar, const Chord& chord,
              const Chord* before) {
  if (!(layers & kPad)) {  // a chord held over from the pattern before is released
    if (bar == 0 && band.padCh >= 0)
      for (int v = 0; v < 3; ++v)
        keyOff(p, 0, band.padCh + v);
    return;
  }
  if (before && before->root == chord.root && before->minor == chord.minor) return;
  const int row = bar * kRowsPerBar;
  const std::array<int, 3> tones = {chord.root, chord.third(), chord.fifth()};
  const std::array<int, 3> panning = {72, 128, 184};
  for (int v = 0; v < 3; ++v)
    put(p, row, band.padCh + v, above(tones[std::size_t(v)], 55), band.pad, 24,
        panning[std::size_t(v)]);
}

void arpeggio(XmPattern& p, const Band& band, unsigned layers, int bar, const Chord& chord,
              bool sixteenths) {
  if (!(layers & kPluck)) return;
  const int root = above(chord.root, 57);
  const std::array<int, 6> tones = {root,      root - chord.root + chord.third(),      root + 7,
                                    root + 12, root + 12 - chord.root + chord.third(), root + 19};
  static constexpr std::array<int, 8> kOrder = {0, 2, 3, 1, 4, 3, 5, 2};
  const int step = sixteenths ? 1 : 2;
  for (int r = 0, n = 0; r < kRowsPerBar; r += step, ++n) {
    const int midi = tones[std::size_t(kOrder[std::size_t(n % 8)])];
    const int volume = r % 4 == 0 ? 46 : 36;
    const int row = bar * kRowsPerBar + r;
    put(p, row, band.pluckCh, midi, band.pluck, volume, 96);
    // The echo answers three rows later from the other side, softer.
    if (band.echoCh >= 0) put(p, row + 3, band.echoCh, midi, band.pluck, volume / 3, 176);
  }
}

void melody(XmPattern& p, const Band& band, unsigned layers, const SectionMusic& music,
            int phrase) {
  if (!(layers & kLead)) return;
  const Motif& motif = motifs()[std::size_t(music.motifs[std::size_t(phrase % 2)])];
  const int first = (phrase % 2) * 2 * kRowsPerBar;
  for (std::size_t n = 0; n < motif.rows.size(); ++n) {
    const int row = first + motif.rows[n];
    const Chord& chord = music.bars[std::size_t(row / kRowsPerBar)];
    const int root = above(chord.root, music.leadFloor);
    const std::array<int, 6> tones = {root,      root - chord.root + chord.third(),      root + 7,
                                      root + 12, root + 12 - chord.root + chord.third(), root + 19};
    put(p, row, band.leadCh, tones[std::size_t(motif.tones[n])], band.lead, n == 0 ? 40 : 34, 140);
  }
  keyOff(p, first + 30, band.leadCh);
}

XmPattern composePattern(const Band& band, std::size_t channels, const SectionMusic& music,
                         const std::array<Chord, kBarsPerPattern>& bars, unsigned layers,
                         bool lastOfSection) {
  XmPattern p(vesk::kRowsPerPattern, channels);
  for (int bar = 0; bar < kBarsPerPattern; ++bar) {
    const Chord& chord = bars[std::size_t(bar)];
    drums(p, band, music.feel, layers, bar, lastOfSection && bar == kBarsPerPattern - 1);
    bassLine(p, band, music.feel, layers, bar, chord);
    padChord(p, band, layers, bar, chord, bar > 0 ? &bars[std::size_t(bar - 1)] : nullptr);
    arpeggio(p, band, layers, bar, chord, music.sixteenthArpeggio);
  }
  SectionMusic shaped = music;
  shaped.bars = bars;
  melody(p, band, layers, shaped, 0);
  melody(p, band, layers, shaped, 1);
  return p;
}

// ---------------------------------------------------------------------------------------------
// The modules

bool store(DataSet& set, const std::string& name, const XmModule& module, std::string& error) {
  vesk::XmResult written = vesk::writeXm(module);
  if (!written) {
    error = "cannot write " + name + ": " + written.error;
    return false;
  }
  if (!set.add(name, std::move(written.bytes))) {
    error = "two files named " + name;
    return false;
  }
  return true;
}

// The show module: instruments 1 to 7 the band, 15 the silent cue instrument on the last
// channel.
bool showModule(XmModule& module, std::string& error) {
  constexpr std::size_t kChannels = 11;
  constexpr std::size_t kCueChannel = kChannels - 1;
  module.name = "clepsydra";
  module.channels = kChannels;
  module.instruments.resize(15);
  module.instruments[0] = kickInstrument();
  module.instruments[1] = snareInstrument();
  module.instruments[2] = hatInstrument();
  module.instruments[3] = bassInstrument();
  module.instruments[4] = padInstrument();
  module.instruments[5] = leadInstrument();
  module.instruments[6] = pluckInstrument();
  module.instruments[14] = vesk::xmCueInstrument();
  Band band;
  band.kick = 1, band.snare = 2, band.hat = 3, band.bass = 4, band.pad = 5, band.lead = 6,
  band.pluck = 7;
  band.kickCh = 0, band.snareCh = 1, band.hatCh = 2, band.bassCh = 3, band.padCh = 4;
  band.leadCh = 7, band.pluckCh = 8, band.echoCh = 9;

  const std::vector<vesk::PlannedSection> plan = vesk::cuePlan();
  const std::vector<SectionMusic> music = sections();
  if (plan.size() != music.size()) {
    error = "the cue plan has " + std::to_string(plan.size()) + " sections, the music " +
            std::to_string(music.size());
    return false;
  }
  for (std::size_t s = 0; s < plan.size(); ++s) {
    const SectionMusic& section = music[s];
    const int patterns = plan[s].patterns;
    if (int(section.layers.size()) != patterns) {
      error = "section " + std::to_string(s + 1) + " of the music has the wrong length";
      return false;
    }
    for (int n = 0; n < patterns; ++n) {
      std::array<Chord, kBarsPerPattern> bars = section.bars;
      // The very end settles on the home chord: IV, V, I, I.
      if (s + 1 == plan.size() && n + 1 == patterns)
        bars = {section.bars[3], section.bars[1], section.bars[0], section.bars[0]};
      module.patterns.push_back(composePattern(band, kChannels, section, bars,
                                               section.layers[std::size_t(n)], n + 1 == patterns));
    }
    // The cues, each at its row; the plan allows one per row.
    int lastRow = -1;
    for (const vesk::PlannedCue& cue : plan[s].cues) {
      const int row = plan[s].firstRow + cue.row;
      if (cue.row >= patterns * vesk::kRowsPerPattern || row <= lastRow || cue.note < 0 ||
          cue.note > 95 || cue.volume < 0 || cue.volume > 63) {
        error = "cue " + std::to_string(cue.code) + " cannot be placed at row " +
                std::to_string(cue.row) + " of section " + std::to_string(s + 1);
        return false;
      }
      lastRow = row;
      XmCell& cell = module.patterns[std::size_t(row / vesk::kRowsPerPattern)].at(
          std::size_t(row % vesk::kRowsPerPattern), kCueChannel);
      cell.note = static_cast<std::uint8_t>(cue.note + 1);
      cell.instrument = kCueInstrument;
      cell.volume = vesk::xmSetVolume(cue.volume);
    }
  }
  for (std::size_t n = 0; n < module.patterns.size(); ++n)
    module.orders.push_back(static_cast<std::uint8_t>(n));
  return true;
}

// The loading jingle: one pattern of bass and a sixteenth-note arpeggio with its echo over a
// soft hat, A minor to E major so that it turns back into itself.
XmModule jingleModule() {
  XmModule module;
  module.name = "plug";
  module.channels = 4;
  module.instruments = {hatInstrument(), bassInstrument(), pluckInstrument()};
  Band band;
  band.hat = 1, band.bass = 2, band.pluck = 3;
  band.hatCh = 0, band.bassCh = 1, band.pluckCh = 2, band.echoCh = 3;
  const Chord Am{9, true}, F{5, false}, Dm{2, true}, E{4, false};
  SectionMusic music{{Am, F, Dm, E}, Feel::Drive, {kHat | kBass | kPluck | kKick},
                     {0, 0},         69,          true};
  module.patterns.push_back(
      composePattern(band, module.channels, music, music.bars, music.layers[0], false));
  module.orders = {0};
  return module;
}

}  // namespace

bool addMusic(DataSet& set, Progress& progress, std::string& error) {
  progress.show("music", 0, 2);
  if (!store(set, "data\\plug.xm", jingleModule(), error)) return false;
  progress.show("music", 1, 2);
  XmModule show;
  if (!showModule(show, error) || !store(set, "data\\clepsydra.xm", show, error)) return false;
  progress.show("music", 2, 2);
  return true;
}

}  // namespace showgen
