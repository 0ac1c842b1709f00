// The run's log, "Log.txt" in the current folder, rewritten at each run.
//
// Each line is written as one unit, so lines from the main thread and the sound thread
// never interleave. The program keeps its texts in UTF-8; the file is Windows-1252.
// After a fatal error closes the log, later lines are dropped silently.
#pragma once

#include <filesystem>
#include <mutex>
#include <string_view>

#include "base/FileHandle.h"
#include "base/Site.h"

namespace vesk {

class Log {
 public:
  Log() = default;
  Log(const Log&) = delete;
  Log& operator=(const Log&) = delete;
  ~Log();

  // Opens (truncates) the file; false when it cannot be created.
  bool open(const std::filesystem::path& path);
  bool isOpen() const;
  // Writes "file (line): " when a location is given, then the message, a blank and a line end.
  void write(std::string_view message, Site site = {});
  void close();
  const std::filesystem::path& path() const { return _path; }

 private:
  mutable std::mutex _mutex;
  FileHandle _file;
  std::filesystem::path _path;
};

// The process-wide log.
Log& theLog();

// Opens the process-wide log. When the file cannot be created the program cannot report
// anything: it shows "Could not create log file. Aborting" and ends with exit code 1.
void openLog(const std::filesystem::path& path = "Log.txt");

// A log line: written to the log (with the location prefix when given) and echoed, without
// location, to the standard error stream unless the echo is off.
void logLine(std::string_view message, Site site = {});
// Turns the echo of log lines on (the default) or off, for a tool that keeps the terminal for
// a progress line of its own.
void setLogEcho(bool on);

class MemoryTracker;

// Ends the log: writes the memory report of `memory`, closes the file, then sends the whole
// file to the debugger output in pieces of at most 1023 characters.
void closeLog(MemoryTracker& memory);
void closeLog();

}  // namespace vesk
