// vesk-pack: builds and inspects the show's data archive.
//   vesk-pack create ARCHIVE FOLDER   store every file under FOLDER (names start with its name)
//   vesk-pack list ARCHIVE            one line per member: its size, two blanks, its name
//   vesk-pack cat ARCHIVE MEMBER      the member's bytes on the standard output
// Exit codes: 0 done, 1 failed (a message on the standard error), 2 wrong usage, 130 or 143
// stopped by SIGINT or SIGTERM (a half-made archive is removed).
#include <cinttypes>
#include <cstdio>
#include <string>
#include <string_view>

#include "authoring/RarWriter.h"
#include "base/ArchiveReader.h"
#include "base/Diagnosis.h"

namespace {

constexpr const char* kUsage =
    "usage: vesk-pack create ARCHIVE FOLDER   store every file under FOLDER in a new archive\n"
    "       vesk-pack list ARCHIVE            list the members: size, two blanks, name\n"
    "       vesk-pack cat ARCHIVE MEMBER      write a member's bytes to the standard output\n";

int usageError() {
  std::fputs(kUsage, stderr);
  return 2;
}

int failure(const std::string& message) {
  std::fprintf(stderr, "vesk-pack: %s\n", message.c_str());
  return 1;
}

int create(const char* archive, const char* folder) {
  vesk::PackResult result = vesk::packFolder(archive, folder);
  if (vesk::quitSignal() != 0) {
    failure(std::string(archive) + ": not written: stopped by signal " +
            std::to_string(vesk::quitSignal()));
    return vesk::quitExitCode();
  }
  if (!result) return failure(result.error);
  std::fprintf(stderr, "vesk-pack: %s: %zu files, %" PRIu64 " bytes, %zu empty folders\n", archive,
               result.files, result.bytes, result.emptyFolders);
  return 0;
}

int list(const char* archive) {
  vesk::ArchiveListing listing = vesk::listArchive(archive);
  for (const vesk::ArchiveEntry& entry : listing.entries) {
    std::printf("%12" PRIu64 "  %s\n", entry.size, entry.name.c_str());
  }
  if (std::fflush(stdout) != 0) return failure("cannot write the listing");
  if (!listing) return failure(std::string(archive) + ": " + listing.error);
  return 0;
}

int cat(const char* archive, const char* name) {
  vesk::ArchiveMember member = vesk::readArchiveMember(archive, name);
  if (!member) return failure(std::string(archive) + ": " + name + ": " + member.error);
  if (std::fwrite(member.data.get(), 1, member.size, stdout) != member.size ||
      std::fflush(stdout) != 0) {
    return failure("cannot write to the standard output");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  vesk::quitOnSignals();
  if (argc < 2) return usageError();
  std::string_view command = argv[1];
  if (command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "create" && argc == 4) return create(argv[2], argv[3]);
  if (command == "list" && argc == 3) return list(argv[2]);
  if (command == "cat" && argc == 4) return cat(argv[2], argv[3]);
  return usageError();
}
