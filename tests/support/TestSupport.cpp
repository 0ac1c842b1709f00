#include "support/TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vesk::test {

RecordingPresenter::RecordingPresenter() {
  _previous = setPresenter(this);
}

RecordingPresenter::~RecordingPresenter() {
  setPresenter(_previous);
  clearQuitRequest();
}

void RecordingPresenter::showError(const std::string& text, const std::string& caption) {
  std::lock_guard lock(_mutex);
  _errors.push_back(caption == "Fatal Error" ? text : caption + ": " + text);
}

DiagnosisChoice RecordingPresenter::showDiagnosis(const std::string& text) {
  std::lock_guard lock(_mutex);
  _diagnoses.push_back(text);
  return answer;
}

void RecordingPresenter::debuggerOutput(const std::string& piece) {
  std::lock_guard lock(_mutex);
  _pieces.push_back(piece);
}

void RecordingPresenter::breakIntoDebugger() {
  std::lock_guard lock(_mutex);
  ++_breaks;
}

std::vector<std::string> RecordingPresenter::errors() const {
  std::lock_guard lock(_mutex);
  return _errors;
}

std::vector<std::string> RecordingPresenter::diagnoses() const {
  std::lock_guard lock(_mutex);
  return _diagnoses;
}

std::vector<std::string> RecordingPresenter::debuggerPieces() const {
  std::lock_guard lock(_mutex);
  return _pieces;
}

int RecordingPresenter::breaks() const {
  std::lock_guard lock(_mutex);
  return _breaks;
}

void RecordingPresenter::clear() {
  std::lock_guard lock(_mutex);
  _errors.clear();
  _diagnoses.clear();
  _pieces.clear();
  _breaks = 0;
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    _path = base / ("vesk-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(_path)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(_path, ignored);
}

CurrentDir::CurrentDir(const std::filesystem::path& folder)
    : _previous(std::filesystem::current_path()) {
  std::filesystem::current_path(folder);
}

CurrentDir::~CurrentDir() {
  std::filesystem::current_path(_previous);
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, std::string_view bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::filesystem::path dataDir() {
  return std::filesystem::path(VESK_SOURCE_DIR) / "tests" / "data";
}

// Built by appending: for "'" + std::string, GCC 12 at -O2 wrongly warns of an overlapping
// copy (-Wrestrict).
std::string quoted(const std::filesystem::path& path) {
  std::string text = "'";
  text += path.string();
  text += '\'';
  return text;
}

ToolRun runTool(const std::string& program, const std::string& arguments,
                const std::filesystem::path& scratch) {
  const std::filesystem::path errors = scratch / "tool-stderr";
  const std::string command = program + " " + arguments + " 2>" + quoted(errors);
  ToolRun run;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.out.append(buffer, got);
  const int status = pclose(pipe);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = readFile(errors);
  return run;
}

}  // namespace vesk::test
