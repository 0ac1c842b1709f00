// showgen: writes the show's data from code.
//   showgen OUTDIR   writes OUTDIR/data/... (loose files, the layout the show reads) and
//                    OUTDIR/Data.vk (the same files packed)
// Every file is made in memory first; each kind of data has its own source file, which adds
// its files to the data set. The same commit gives the same bytes. A progress line shows on
// a terminal. Exit codes: 0 done, 1 failed (a message on the standard error), 2 wrong usage.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "DataSet.h"
#include "ShowData.h"

namespace {

int failure(showgen::Progress& progress, const std::string& message) {
  progress.clear();
  std::fprintf(stderr, "showgen: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '-') {
    std::fputs("usage: showgen OUTDIR   write OUTDIR/data/... and OUTDIR/Data.vk\n",
               argc == 2 && std::string(argv[1]) == "--help" ? stdout : stderr);
    return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
  }
  // The archive stores local times: one zone for every run keeps its bytes the same.
  setenv("TZ", "UTC0", 1);
  tzset();

  showgen::Progress progress;
  const std::filesystem::path out = argv[1];
  std::error_code code;
  std::filesystem::create_directories(out, code);
  if (code) return failure(progress, "cannot create " + out.string() + " (" + code.message() + ")");

  showgen::DataSet set;
  std::string error;
  if (!showgen::addShowData(set, progress, error)) return failure(progress, error);
  if (!showgen::writeLoose(out, set, progress, error)) return failure(progress, error);
  if (!showgen::writeArchive(out / "Data.vk", set, progress, error))
    return failure(progress, error);
  progress.finish(std::to_string(set.files().size()) + " files in " + (out / "Data.vk").string());
  return 0;
}
