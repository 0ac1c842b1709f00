// The files showgen makes, collected in memory under their member names ("data\..."), and
// how they are written: loose under OUTDIR/data and packed into OUTDIR/Data.vk, each under a
// temporary name first and renamed when complete.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace showgen {

class DataSet {
 public:
  // Adds a file; a second file under the same name is refused (false).
  bool add(const std::string& name, std::vector<std::uint8_t> bytes);
  // Sorted by name, which is the order of the archive.
  const std::map<std::string, std::vector<std::uint8_t>>& files() const { return _files; }

 private:
  std::map<std::string, std::vector<std::uint8_t>> _files;
};

// A line on the terminal that says how far the work is; silent when standard error is not
// a terminal.
class Progress {
 public:
  Progress();
  // "showgen: <step> <done>/<total>" on the same line.
  void show(std::string_view step, std::size_t done, std::size_t total);
  // Ends the line with a summary.
  void finish(std::string_view summary);
  // Empties the line, for a message of its own.
  void clear();

 private:
  bool _terminal;
};

// The data\... member name as a path under `folder`.
std::filesystem::path loosePath(const std::filesystem::path& folder, std::string_view name);

// Writes every file under `folder` (creating the folders); the reason in `error` on failure.
bool writeLoose(const std::filesystem::path& folder, const DataSet& set, Progress& progress,
                std::string& error);
// Packs every file into the archive `path` with one fixed time stamp, so that the same files
// give the same bytes.
bool writeArchive(const std::filesystem::path& path, const DataSet& set, Progress& progress,
                  std::string& error);

}  // namespace showgen
