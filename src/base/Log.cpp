#include "base/Log.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "base/Diagnosis.h"
#include "base/Memory.h"
#include "base/Text.h"

namespace vesk {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; 0 where the code page has no character.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char windows1252(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == code) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

std::string toWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    auto lead = static_cast<unsigned char>(utf8[i]);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    char32_t code = length == 1   ? lead
                    : length == 2 ? lead & 0x1F
                    : length == 3 ? lead & 0x0F
                                  : lead & 0x07;
    bool valid = length > 0 && i + length <= utf8.size();
    for (int k = 1; valid && k < length; ++k) {
      auto next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (!valid) {
      out += '?';
      ++i;
      continue;
    }
    out += windows1252(code);
    i += length;
  }
  return out;
}

Log::~Log() {
  close();
}

bool Log::open(const std::filesystem::path& path) {
  std::lock_guard lock(_mutex);
  _file.reset();
  _path = path;
  _file = FileHandle::open(path, "w");
  return bool(_file);
}

bool Log::isOpen() const {
  std::lock_guard lock(_mutex);
  return bool(_file);
}

void Log::write(std::string_view message, Site site) {
  std::string line;
  if (site) line = str(site.name(), " (", site.line, "): ");
  line += message;
  line += " \n";
  line = toWindows1252(line);
  std::lock_guard lock(_mutex);
  if (!_file) return;
  std::fwrite(line.data(), 1, line.size(), _file.get());
  std::fflush(_file.get());
}

void Log::close() {
  std::lock_guard lock(_mutex);
  _file.reset();
}

Log& theLog() {
  // Never destroyed: the sound thread may still log while static objects go away at exit.
  static Log* log = new Log;
  return *log;
}

void openLog(const std::filesystem::path& path) {
  if (theLog().open(path)) return;
  presenter().showError("Could not create log file. Aborting", "Fatal Error");
  std::exit(1);
}

// Constant-initialised: right even for lines logged before main().
static std::atomic<bool> logEcho{true};

void setLogEcho(bool on) {
  logEcho = on;
}

void logLine(std::string_view message, Site site) {
  theLog().write(message, site);
  if (!logEcho) return;
  std::string echo(message);
  echo += '\n';
  std::cerr << echo << std::flush;
}

void closeLog() {
  closeLog(theMemory());
}

void closeLog(MemoryTracker& memory) {
  memory.report([](std::string_view line) { logLine(line); });
  Log& log = theLog();
  log.close();
  FileHandle file = FileHandle::open(log.path(), "r");
  if (!file) return;
  char piece[1024];
  std::size_t length;
  while ((length = std::fread(piece, 1, 1023, file.get())) > 0) {
    presenter().debuggerOutput(std::string(piece, length));
  }
}

}  // namespace vesk
