// Helpers for the test programs.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/Diagnosis.h"

namespace vesk::test {

// Stands in for the message boxes while it lives: records every fatal-error box and every
// diagnosis dialog, and answers the dialog with `answer`. Restores the previous presenter
// and clears the quit request when it goes.
class RecordingPresenter : public Presenter {
 public:
  RecordingPresenter();
  ~RecordingPresenter() override;
  RecordingPresenter(const RecordingPresenter&) = delete;
  RecordingPresenter& operator=(const RecordingPresenter&) = delete;

  void showError(const std::string& text, const std::string& caption) override;
  DiagnosisChoice showDiagnosis(const std::string& text) override;
  void debuggerOutput(const std::string& piece) override;
  void breakIntoDebugger() override;

  std::vector<std::string> errors() const;     // texts of the "Fatal Error" boxes
  std::vector<std::string> diagnoses() const;  // texts of the diagnosis dialogs
  std::vector<std::string> debuggerPieces() const;
  int breaks() const;
  void clear();

  DiagnosisChoice answer = DiagnosisChoice::Ignore;

 private:
  mutable std::mutex _mutex;
  std::vector<std::string> _errors;
  std::vector<std::string> _diagnoses;
  std::vector<std::string> _pieces;
  int _breaks = 0;
  Presenter* _previous = nullptr;
};

// A new empty folder under the system's temporary folder, removed with all it holds at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return _path; }
  std::filesystem::path operator/(std::string_view name) const { return _path / name; }

 private:
  std::filesystem::path _path;
};

// Makes `folder` the current folder while it lives.
class CurrentDir {
 public:
  explicit CurrentDir(const std::filesystem::path& folder);
  ~CurrentDir();
  CurrentDir(const CurrentDir&) = delete;
  CurrentDir& operator=(const CurrentDir&) = delete;

 private:
  std::filesystem::path _previous;
};

std::string readFile(const std::filesystem::path& path);
// Writes the bytes, creating the folders on the way.
void writeFile(const std::filesystem::path& path, std::string_view bytes);

// A path in single quotes, for the shell.
std::string quoted(const std::filesystem::path& path);

// What a command-line tool did: its exit code (-1 when it did not exit normally) and its
// standard output and error.
struct ToolRun {
  int code = -1;
  std::string out;
  std::string err;
};
// Runs `program` with the arguments (already quoted for the shell); its standard error goes
// through a file in `scratch`.
ToolRun runTool(const std::string& program, const std::string& arguments,
                const std::filesystem::path& scratch);

// The project's folder of small binary fixtures, tests/data (real archives made by other tools
// are in rar/, with their licence note).
std::filesystem::path dataDir();

}  // namespace vesk::test
