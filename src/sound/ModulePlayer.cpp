#include "sound/ModulePlayer.h"

#include <xmp.h>

#include <climits>

namespace vesk {

namespace {

// libxmp numbers the format's notes 1..96 as 13..108 (its note 1 is an octave lower) and its
// sample keymap by note - 1; a volume-column volume v is stored as v + 1, 0 meaning none.
constexpr int kFirstNote = 13;
constexpr int kLastNote = 108;

std::uint32_t defaultVolume(const xmp_instrument& instrument, int note) {
  const int sub = instrument.map[note - 1].ins;
  if (sub >= instrument.nsm || !instrument.sub) return 0;
  const int volume = instrument.sub[sub].vol;
  return volume < 0 ? 0 : static_cast<std::uint32_t>(volume);
}

}  // namespace

void cueNotesOfRow(const xmp_module& module, int pattern, int row,
                   std::vector<std::uint32_t>& out) {
  if (pattern < 0 || pattern >= module.pat || module.ins < kCueInstrument) return;
  const xmp_pattern* cells = module.xxp[pattern];
  if (!cells || row < 0 || row >= cells->rows) return;
  const xmp_instrument& cue = module.xxi[kCueInstrument - 1];
  for (int channel = 0; channel < module.chn; ++channel) {
    const int track = cells->index[channel];
    if (track < 0 || track >= module.trk || row >= module.xxt[track]->rows) continue;
    const xmp_event& event = module.xxt[track]->event[row];
    if (event.ins != kCueInstrument || event.note < kFirstNote || event.note > kLastNote) continue;
    const std::uint32_t note = event.note - kFirstNote;
    const std::uint32_t volume =
        event.vol > 0 ? std::uint32_t(event.vol - 1) : defaultVolume(cue, event.note);
    out.push_back(note + 65536u * volume);
  }
}

ModulePlayer::ModulePlayer(char* context, int rate) : _context(context), _rate(rate) {
  xmp_module_info info{};
  xmp_get_module_info(_context, &info);
  _module = info.mod;
}

ModulePlayer::~ModulePlayer() {
  xmp_end_player(_context);
  xmp_release_module(_context);
  xmp_free_context(_context);
}

Owned<ModulePlayer> ModulePlayer::load(const std::uint8_t* bytes, std::size_t size, int rate) {
  if (!bytes || size == 0 || size > static_cast<std::size_t>(LONG_MAX)) return nullptr;
  xmp_context context = xmp_create_context();
  if (!context) return nullptr;
  if (xmp_load_module_from_memory(context, bytes, static_cast<long>(size)) != 0) {
    xmp_free_context(context);
    return nullptr;
  }
  if (xmp_start_player(context, rate, 0) != 0) {
    xmp_release_module(context);
    xmp_free_context(context);
    return nullptr;
  }
  return make<ModulePlayer>(here(), context, rate);
}

bool ModulePlayer::rewind() {
  // A new player on the loaded module: position, tempo, loop count and voices start afresh.
  xmp_end_player(_context);
  _audio = {};
  _cues.clear();
  _ended = xmp_start_player(_context, _rate, 0) != 0;
  return !_ended;
}

bool ModulePlayer::nextTick() {
  _audio = {};
  _cues.clear();
  if (_ended || !_module) return false;
  if (xmp_play_frame(_context) != 0) {
    _ended = true;
    return false;
  }
  xmp_frame_info info;
  xmp_get_frame_info(_context, &info);
  // The loop count turns at the first tick of the next pass.
  // A tick without sound would never move the mix on: the module is taken as ended.
  if ((!_looping && info.loop_count > 0) || info.buffer_size <= 0) {
    _ended = true;
    return false;
  }
  _audio = {static_cast<const std::int16_t*>(info.buffer),
            static_cast<std::size_t>(info.buffer_size) / sizeof(std::int16_t)};
  if (info.frame == 0) cueNotesOfRow(*_module, info.pattern, info.row, _cues);
  return true;
}

}  // namespace vesk
