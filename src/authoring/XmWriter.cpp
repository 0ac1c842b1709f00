#include "authoring/XmWriter.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <utility>

#include "authoring/ByteOutput.h"
#include "authoring/FileReplace.h"
#include "base/Text.h"

namespace vesk {

namespace {

constexpr std::string_view kSignature = "Extended Module: ";
constexpr std::uint16_t kVersion = 0x0104;
constexpr std::uint32_t kHeaderSize = 276;  // counted from the size field itself
constexpr std::uint32_t kPatternHeaderSize = 9;
constexpr std::uint32_t kInstrumentHeaderSize = 263;
constexpr std::uint32_t kSampleHeaderSize = 40;
constexpr std::size_t kModuleNameSize = 20;
constexpr std::size_t kItemNameSize = 22;
constexpr std::uint8_t kSixteenBitFlag = 0x10;
constexpr std::uint8_t kPackedCell = 0x80;

std::string checkEnvelope(const XmEnvelope& envelope, std::string_view what) {
  const std::size_t count = envelope.points.size();
  if (count > kXmEnvelopePoints) return str(what, " has ", count, " points; at most 12 fit");
  if (envelope.on && count == 0) return str(what, " is on without points");
  for (std::size_t i = 1; i < count; ++i) {
    if (envelope.points[i].tick <= envelope.points[i - 1].tick)
      return str(what, " point ", i, " does not come after the one before it");
  }
  for (const XmEnvelope::Point& point : envelope.points) {
    if (point.value > 64) return str(what, " value ", point.value, " is above 64");
  }
  auto badIndex = [count](int index) {
    return index < -1 || (index >= 0 && static_cast<std::size_t>(index) >= count);
  };
  if (badIndex(envelope.sustain))
    return str(what, " sustain point ", envelope.sustain, " does not exist");
  if (badIndex(envelope.loopStart) || badIndex(envelope.loopEnd) ||
      (envelope.loopStart < 0) != (envelope.loopEnd < 0) || envelope.loopStart > envelope.loopEnd) {
    return str(what, " loop ", envelope.loopStart, "..", envelope.loopEnd, " is not a loop");
  }
  return {};
}

std::string checkSample(const XmSample& sample, std::string_view what) {
  if (sample.name.size() > kItemNameSize) return str(what, " name is longer than 22 bytes");
  if (sample.sixteenBit ? !sample.pcm8.empty() : !sample.pcm16.empty())
    return str(what, " holds points of the other width");
  const std::uint64_t bytes = std::uint64_t(sample.points()) * (sample.sixteenBit ? 2 : 1);
  if (bytes > std::numeric_limits<std::uint32_t>::max()) return str(what, " is too long");
  if (sample.volume > 64) return str(what, " volume ", int(sample.volume), " is above 64");
  if (sample.loop != XmLoop::None &&
      (sample.loopLength == 0 ||
       std::uint64_t(sample.loopStart) + sample.loopLength > sample.points())) {
    return str(what, " loop ", sample.loopStart, "+", sample.loopLength, " is not inside its ",
               sample.points(), " points");
  }
  if (static_cast<std::uint8_t>(sample.loop) > 2) return str(what, " has an unknown loop kind");
  return {};
}

std::string checkInstrument(const XmInstrument& instrument, std::size_t number) {
  const std::string what = str("instrument ", number);
  if (instrument.name.size() > kItemNameSize) return what + " name is longer than 22 bytes";
  if (instrument.samples.size() > kXmMaxSamples)
    return str(what, " has ", instrument.samples.size(), " samples; at most 16 fit");
  if (!instrument.samples.empty()) {
    for (std::uint8_t index : instrument.keymap) {
      if (index >= instrument.samples.size())
        return str(what, " maps a note to sample ", int(index), ", which it does not have");
    }
  }
  for (std::size_t i = 0; i < instrument.samples.size(); ++i) {
    std::string error = checkSample(instrument.samples[i], str(what, " sample ", i));
    if (!error.empty()) return error;
  }
  std::string error = checkEnvelope(instrument.volumeEnvelope, what + " volume envelope");
  if (error.empty()) error = checkEnvelope(instrument.panningEnvelope, what + " panning envelope");
  return error;
}

std::string checkModule(const XmModule& module) {
  if (module.name.size() > kModuleNameSize) return "module name is longer than 20 bytes";
  if (module.tracker.size() > kModuleNameSize) return "tracker name is longer than 20 bytes";
  if (module.channels < 1 || module.channels > kXmMaxChannels)
    return str(module.channels, " channels; 1 to 32 fit");
  if (module.speed < 1 || module.speed > 31)
    return str("speed ", module.speed, " is outside 1..31");
  if (module.bpm < 32 || module.bpm > 255)
    return str("tempo ", module.bpm, " BPM is outside 32..255");
  if (module.orders.empty() || module.orders.size() > kXmMaxOrders)
    return str(module.orders.size(), " orders; 1 to 256 fit");
  if (module.restart >= module.orders.size())
    return str("restart position ", module.restart, " is past the order list");
  if (module.patterns.empty() || module.patterns.size() > 256)
    return str(module.patterns.size(), " patterns; 1 to 256 fit");
  for (std::size_t i = 0; i < module.orders.size(); ++i) {
    if (module.orders[i] >= module.patterns.size())
      return str("order ", i, " names pattern ", int(module.orders[i]), ", which does not exist");
  }
  for (std::size_t p = 0; p < module.patterns.size(); ++p) {
    const XmPattern& pattern = module.patterns[p];
    if (pattern.rows() < 1 || pattern.rows() > kXmMaxRows)
      return str("pattern ", p, " has ", pattern.rows(), " rows; 1 to 256 fit");
    if (pattern.channels() != module.channels)
      return str("pattern ", p, " has ", pattern.channels(), " channels, the module ",
                 module.channels);
    for (std::size_t row = 0; row < pattern.rows(); ++row) {
      for (std::size_t channel = 0; channel < pattern.channels(); ++channel) {
        const XmCell& cell = pattern.at(row, channel);
        if (cell.note > kXmKeyOff || cell.instrument > kXmMaxInstruments) {
          return str("pattern ", p, " row ", row, " channel ", channel,
                     " holds a note or instrument the format lacks");
        }
      }
    }
  }
  if (module.instruments.size() > kXmMaxInstruments)
    return str(module.instruments.size(), " instruments; at most 128 fit");
  for (std::size_t i = 0; i < module.instruments.size(); ++i) {
    std::string error = checkInstrument(module.instruments[i], i + 1);
    if (!error.empty()) return error;
  }
  return {};
}

// A cell as the packing writes it: a flag byte naming the fields that follow, or all five
// fields bare when every one is set (the bare form is one byte shorter).
void writeCell(ByteOutput& out, const XmCell& cell) {
  std::uint8_t flags = kPackedCell;
  if (cell.note) flags |= 0x01;
  if (cell.instrument) flags |= 0x02;
  if (cell.volume) flags |= 0x04;
  if (cell.effect) flags |= 0x08;
  if (cell.param) flags |= 0x10;
  if (flags == 0x9F) {
    out.u8(cell.note);
    out.u8(cell.instrument);
    out.u8(cell.volume);
    out.u8(cell.effect);
    out.u8(cell.param);
    return;
  }
  out.u8(flags);
  if (cell.note) out.u8(cell.note);
  if (cell.instrument) out.u8(cell.instrument);
  if (cell.volume) out.u8(cell.volume);
  if (cell.effect) out.u8(cell.effect);
  if (cell.param) out.u8(cell.param);
}

void writePattern(ByteOutput& out, const XmPattern& pattern) {
  out.u32(kPatternHeaderSize);
  out.u8(0);  // packing type
  out.u16(static_cast<std::uint32_t>(pattern.rows()));
  const std::size_t sizeField = out.size();
  out.u16(0);
  const std::size_t start = out.size();
  for (std::size_t row = 0; row < pattern.rows(); ++row) {
    for (std::size_t channel = 0; channel < pattern.channels(); ++channel)
      writeCell(out, pattern.at(row, channel));
  }
  // At most 256 rows × 32 channels × 5 bytes: the size always fits its 16 bits.
  out.patch16(sizeField, static_cast<std::uint32_t>(out.size() - start));
}

void writeEnvelopePoints(ByteOutput& out, const XmEnvelope& envelope) {
  for (const XmEnvelope::Point& point : envelope.points) {
    out.u16(point.tick);
    out.u16(point.value);
  }
  out.zeros((kXmEnvelopePoints - envelope.points.size()) * 4);
}

std::uint8_t envelopeType(const XmEnvelope& envelope) {
  std::uint8_t type = envelope.on ? 1 : 0;
  if (envelope.sustain >= 0) type |= 2;
  if (envelope.loopStart >= 0) type |= 4;
  return type;
}

void writeSampleHeader(ByteOutput& out, const XmSample& sample) {
  const std::uint32_t width = sample.sixteenBit ? 2 : 1;
  const bool looped = sample.loop != XmLoop::None;
  out.u32(static_cast<std::uint32_t>(sample.points()) * width);
  out.u32(looped ? sample.loopStart * width : 0);
  out.u32(looped ? sample.loopLength * width : 0);
  out.u8(sample.volume);
  out.u8(static_cast<std::uint8_t>(sample.finetune));
  out.u8(static_cast<std::uint8_t>(sample.loop) | (sample.sixteenBit ? kSixteenBitFlag : 0));
  out.u8(sample.panning);
  out.u8(static_cast<std::uint8_t>(sample.relativeNote));
  out.u8(0);  // reserved
  out.text(sample.name, kItemNameSize);
}

// Sample points are stored as differences from the point before (the first from zero).
void writeSampleData(ByteOutput& out, const XmSample& sample) {
  if (sample.sixteenBit) {
    std::uint16_t previous = 0;
    for (std::int16_t point : sample.pcm16) {
      const auto value = static_cast<std::uint16_t>(point);
      out.u16(static_cast<std::uint16_t>(value - previous));
      previous = value;
    }
  } else {
    std::uint8_t previous = 0;
    for (std::int8_t point : sample.pcm8) {
      const auto value = static_cast<std::uint8_t>(point);
      out.u8(static_cast<std::uint8_t>(value - previous));
      previous = value;
    }
  }
}

void writeInstrument(ByteOutput& out, const XmInstrument& instrument) {
  // Every instrument header is written at full size, as the original tracker does; readers
  // skip the unused part of an instrument without samples.
  const std::size_t start = out.size();
  out.u32(kInstrumentHeaderSize);
  out.text(instrument.name, kItemNameSize);
  out.u8(0);  // type
  out.u16(static_cast<std::uint32_t>(instrument.samples.size()));
  out.u32(kSampleHeaderSize);
  for (std::uint8_t index : instrument.keymap)
    out.u8(instrument.samples.empty() ? 0 : index);
  writeEnvelopePoints(out, instrument.volumeEnvelope);
  writeEnvelopePoints(out, instrument.panningEnvelope);
  const XmEnvelope& volume = instrument.volumeEnvelope;
  const XmEnvelope& panning = instrument.panningEnvelope;
  out.u8(static_cast<std::uint32_t>(volume.points.size()));
  out.u8(static_cast<std::uint32_t>(panning.points.size()));
  out.u8(static_cast<std::uint32_t>(std::max(volume.sustain, 0)));
  out.u8(static_cast<std::uint32_t>(std::max(volume.loopStart, 0)));
  out.u8(static_cast<std::uint32_t>(std::max(volume.loopEnd, 0)));
  out.u8(static_cast<std::uint32_t>(std::max(panning.sustain, 0)));
  out.u8(static_cast<std::uint32_t>(std::max(panning.loopStart, 0)));
  out.u8(static_cast<std::uint32_t>(std::max(panning.loopEnd, 0)));
  out.u8(envelopeType(volume));
  out.u8(envelopeType(panning));
  out.u8(instrument.vibratoType);
  out.u8(instrument.vibratoSweep);
  out.u8(instrument.vibratoDepth);
  out.u8(instrument.vibratoRate);
  out.u16(instrument.fadeout);
  out.zeros(kInstrumentHeaderSize - (out.size() - start));
  for (const XmSample& sample : instrument.samples)
    writeSampleHeader(out, sample);
  for (const XmSample& sample : instrument.samples)
    writeSampleData(out, sample);
}

}  // namespace

XmInstrument xmCueInstrument(std::uint8_t defaultVolume, std::string name) {
  XmInstrument instrument;
  instrument.name = std::move(name);
  XmSample silence;
  silence.name = "silence";
  silence.pcm8.assign(16, 0);
  silence.volume = defaultVolume;
  instrument.samples.push_back(std::move(silence));
  return instrument;
}

XmResult writeXm(const XmModule& module) {
  XmResult result;
  result.error = checkModule(module);
  if (!result.error.empty()) return result;
  ByteOutput out(result.bytes);
  out.text(kSignature, kSignature.size());
  out.text(module.name, kModuleNameSize);
  out.u8(0x1A);
  out.text(module.tracker, kModuleNameSize);
  out.u16(kVersion);
  out.u32(kHeaderSize);
  out.u16(static_cast<std::uint32_t>(module.orders.size()));
  out.u16(module.restart);
  out.u16(static_cast<std::uint32_t>(module.channels));
  out.u16(static_cast<std::uint32_t>(module.patterns.size()));
  out.u16(static_cast<std::uint32_t>(module.instruments.size()));
  out.u16(module.linearFrequencies ? 1 : 0);
  out.u16(module.speed);
  out.u16(module.bpm);
  for (std::uint8_t order : module.orders)
    out.u8(order);
  out.zeros(kXmMaxOrders - module.orders.size());
  for (const XmPattern& pattern : module.patterns)
    writePattern(out, pattern);
  for (const XmInstrument& instrument : module.instruments)
    writeInstrument(out, instrument);
  return result;
}

bool saveXm(const std::filesystem::path& path, const XmModule& module, std::string& error) {
  return saveWritten(path, writeXm(module), error);
}

}  // namespace vesk
