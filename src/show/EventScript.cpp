#include "show/EventScript.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "base/RegularFile.h"

namespace vesk {

namespace {

// Reads one line's words; a failure names what was expected.
class LineReader {
 public:
  explicit LineReader(std::string_view line) : _line(line) {}

  bool atEnd() {
    skipBlanks();
    return _pos >= _line.size();
  }

  bool word(std::string& out) {
    skipBlanks();
    std::size_t start = _pos;
    while (_pos < _line.size() && !isBlank(_line[_pos]))
      ++_pos;
    out.assign(_line.substr(start, _pos - start));
    return !out.empty();
  }

  // A target name: one word, or a quoted text when it holds blanks.
  bool target(std::string& out, std::string& expected) {
    skipBlanks();
    if (_pos < _line.size() && _line[_pos] == '"') return quoted(out, expected);
    return word(out);
  }

  bool integer(std::int32_t& out) {
    std::string text;
    return word(text) && parseInt(text, out);
  }

  // One parameter, appended to the event; false with the reason in `expected`.
  bool param(Event& event, std::string& expected) {
    skipBlanks();
    std::string_view rest = _line.substr(_pos);
    if (rest.size() < 2 || rest[1] != ':') {
      expected = "a parameter i:<int>, f:<float>, b:true|false or s:\"text\"";
      return false;
    }
    const char kind = rest[0];
    _pos += 2;
    if (kind == 's') return stringParam(event, expected);
    std::string value;
    word(value);
    if (kind == 'i') {
      std::int32_t number;
      if (!parseInt(value, number)) {
        expected = "an integer after i:";
        return false;
      }
      event.addInt(number);
      return true;
    }
    if (kind == 'f') {
      char* end = nullptr;
      errno = 0;
      float number = std::strtof(value.c_str(), &end);
      if (value.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(number)) {
        expected = "a number after f:";
        return false;
      }
      event.addFloat(number);
      return true;
    }
    if (kind == 'b') {
      if (value != "true" && value != "false") {
        expected = "true or false after b:";
        return false;
      }
      event.addBool(value == "true");
      return true;
    }
    expected = "a parameter kind i, f, b or s";
    return false;
  }

 private:
  static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

  void skipBlanks() {
    while (_pos < _line.size() && isBlank(_line[_pos]))
      ++_pos;
  }

  static bool parseInt(const std::string& text, std::int32_t& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
      return false;
    }
    out = static_cast<std::int32_t>(value);
    return true;
  }

  bool stringParam(Event& event, std::string& expected) {
    std::string text;
    if (!quoted(text, expected)) return false;
    event.addString(text);
    return true;
  }

  bool quoted(std::string& text, std::string& expected) {
    if (_pos >= _line.size() || _line[_pos] != '"') {
      expected = "a quoted text after s:";
      return false;
    }
    ++_pos;
    while (_pos < _line.size()) {
      char c = _line[_pos++];
      if (c == '"') {
        if (_pos < _line.size() && !isBlank(_line[_pos])) {
          expected = "a blank after the closing quote";
          return false;
        }
        return true;
      }
      if (c == '\\' && _pos < _line.size() && (_line[_pos] == '"' || _line[_pos] == '\\')) {
        c = _line[_pos++];
      }
      text += c;
    }
    expected = "a closing quote";
    return false;
  }

  std::string_view _line;
  std::size_t _pos = 0;
};

}  // namespace

bool EventScript::parse(std::string_view text, const std::string& fileName) {
  _timed.clear();
  _cues.clear();
  _syncs.clear();
  _error.clear();
  int lineNumber = 0;
  auto fail = [&](const std::string& expected) {
    std::ostringstream message;
    message << fileName << ":" << lineNumber << ": expected " << expected;
    _error = message.str();
    _timed.clear();
    _cues.clear();
    _syncs.clear();
    return false;
  };
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;

    LineReader reader(line);
    if (reader.atEnd()) continue;
    std::string keyword;
    reader.word(keyword);
    if (keyword[0] == '#') continue;

    if (keyword == "sync") {
      CueSync sync{};
      if (!reader.integer(sync.timeMs)) return fail("a show time in milliseconds after sync");
      if (!reader.integer(sync.cue)) return fail("a cue code after the time");
      if (!reader.atEnd()) return fail("the end of the line after the cue code");
      _syncs.push_back(sync);
      continue;
    }
    if (keyword != "at" && keyword != "cue") return fail("at, cue, sync or a # comment");

    std::int32_t key = 0, code = 0;
    std::string target, expected;
    if (!reader.integer(key)) {
      return fail(keyword == "at" ? "a show time in milliseconds after at"
                                  : "a cue code after cue");
    }
    if (!reader.target(target, expected))
      return fail(expected.empty() ? "a target name" : expected);
    if (!reader.integer(code)) return fail("an event code after the target name");
    Event event(target, code);
    while (!reader.atEnd()) {
      if (!reader.param(event, expected)) return fail(expected);
    }
    if (keyword == "at") {
      if (key == VK_END_OF_EVENTS) return fail("a show time other than the end marker");
      _timed.push_back(TimedEvent{key, std::move(event)});
    } else {
      if (key == VK_END_OF_CUES) return fail("a cue code other than -1");
      _cues.push_back(CueEvent{key, std::move(event)});
    }
  }
  return true;
}

bool EventScript::load(const std::filesystem::path& path) {
  // A folder opens as a stream that reads nothing: only a regular file is a script.
  FileContent file = readRegularFile(path, std::numeric_limits<std::uint32_t>::max());
  if (!file) {
    _error = path.string() + ": cannot be read" + (file.missing ? "" : ": " + file.error);
    return false;
  }
  return parse(std::string_view(reinterpret_cast<const char*>(file.data.get()), file.size),
               path.string());
}

namespace {

void quote(std::ostringstream& out, const std::string& text) {
  out << '"';
  for (char c : text) {
    if (c == '"' || c == '\\') out << '\\';
    out << c;
  }
  out << '"';
}

void writeEvent(std::ostringstream& out, const Event& event) {
  const std::string& target = event.getTargetName();
  if (target.empty() || target.find_first_of(" \t\r\"") != std::string::npos) {
    quote(out, target);
  } else {
    out << target;
  }
  out << ' ' << event.getCode();
  for (std::size_t n = 0; n < event.paramCount(); ++n) {
    switch (event.kind(n)) {
      case VK_PARAM_INT:
        out << " i:" << event.getInt(n);
        break;
      case VK_PARAM_FLOAT: {
        char text[32];
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(event.getFloat(n)));
        out << " f:" << text;
        break;
      }
      case VK_PARAM_BOOL:
        out << " b:" << (event.getBool(n) ? "true" : "false");
        break;
      default:
        out << " s:";
        quote(out, event.getString(n));
        break;
    }
  }
  out << '\n';
}

}  // namespace

std::string formatEventScript(std::span<const TimedEvent> timed, std::span<const CueEvent> cues) {
  std::ostringstream out;
  for (const TimedEvent& entry : timed) {
    if (entry.time == VK_END_OF_EVENTS) break;
    out << "at " << entry.time << ' ';
    writeEvent(out, entry.event);
  }
  for (const CueEvent& cue : cues) {
    if (cue.code == VK_END_OF_CUES) continue;
    out << "cue " << cue.code << ' ';
    writeEvent(out, cue.event);
  }
  return out.str();
}

Owned<TimeEvents> EventScript::buildTimeEvents() const {
  return make<TimeEvents>(here(), _timed);
}

Owned<MusicEvents> EventScript::buildMusicEvents() const {
  Owned<MusicEvents> music = make<MusicEvents>(here());
  music->add(_cues);
  return music;
}

}  // namespace vesk
