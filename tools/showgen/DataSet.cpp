#include "DataSet.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <system_error>

#include "authoring/FileReplace.h"
#include "authoring/RarWriter.h"

namespace showgen {

namespace {

// 2026-01-01 00:00:00 UTC; showgen runs in UTC, so the archive's local times are the same
// everywhere.
constexpr std::time_t kStamp = 1767225600;

}  // namespace

bool DataSet::add(const std::string& name, std::vector<std::uint8_t> bytes) {
  return _files.emplace(name, std::move(bytes)).second;
}

Progress::Progress() : _terminal(isatty(STDERR_FILENO) == 1) {}

void Progress::show(std::string_view step, std::size_t done, std::size_t total) {
  if (!_terminal) return;
  std::fprintf(stderr, "\rshowgen: %.*s %zu/%zu\033[K", int(step.size()), step.data(), done, total);
  std::fflush(stderr);
}

void Progress::finish(std::string_view summary) {
  if (!_terminal) return;
  std::fprintf(stderr, "\rshowgen: %.*s\033[K\n", int(summary.size()), summary.data());
}

void Progress::clear() {
  if (_terminal) std::fputs("\r\033[K", stderr);
}

std::filesystem::path loosePath(const std::filesystem::path& folder, std::string_view name) {
  std::filesystem::path path = folder;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('\\', start);
    if (end == std::string_view::npos) end = name.size();
    path /= std::string(name.substr(start, end - start));
    start = end + 1;
  }
  return path;
}

bool writeLoose(const std::filesystem::path& folder, const DataSet& set, Progress& progress,
                std::string& error) {
  std::size_t done = 0;
  for (const auto& [name, bytes] : set.files()) {
    const std::filesystem::path path = loosePath(folder, name);
    std::error_code code;
    std::filesystem::create_directories(path.parent_path(), code);
    if (code) {
      error = "cannot create " + path.parent_path().string() + " (" + code.message() + ")";
      return false;
    }
    if (!vesk::replaceFile(path, bytes, error)) return false;
    progress.show("writing data", ++done, set.files().size());
  }
  return true;
}

bool writeArchive(const std::filesystem::path& path, const DataSet& set, Progress& progress,
                  std::string& error) {
  std::filesystem::path temporary;
  error = vesk::createTemporaryBeside(path, temporary);
  if (!error.empty()) return false;
  vesk::RarWriter writer;
  bool written = writer.create(temporary);
  std::size_t done = 0;
  for (auto file = set.files().begin(); written && file != set.files().end(); ++file) {
    written = writer.addFile(file->first, file->second, kStamp);
    progress.show("packing", ++done, set.files().size());
  }
  written = written && writer.finish();
  if (!written) error = writer.error();
  std::error_code code;
  if (written) {
    std::filesystem::rename(temporary, path, code);
    if (!code) return true;
    error = "cannot write " + path.string() + " (" + code.message() + ")";
  }
  std::filesystem::remove(temporary, code);
  return false;
}

}  // namespace showgen
