#include "base/File.h"

#include <cstdio>
#include <limits>
#include <string>

#include "base/ArchiveReader.h"
#include "base/Diagnosis.h"
#include "base/FileHandle.h"
#include "base/Log.h"
#include "base/RegularFile.h"
#include "base/Text.h"

namespace vesk {

namespace {

File::Mode fileMode = File::Mode::NotInitialised;

constexpr std::string_view kWhiteTexture = "data\\textures\\white.png";

Bytes notFound(std::string_view name) {
  fatal(str("Error : file ", name, " not found"), here());
  return nullptr;
}

Bytes getFromArchive(std::string_view name, std::uint32_t& size) {
  ArchiveMember member = readArchiveMember(kArchiveName, name);
  if (member && member.size > std::numeric_limits<std::uint32_t>::max()) {
    member.error = "larger than 4 GiB";
  }
  if (!member) {
    logLine(str(kArchiveName, ": ", name, ": ", member.error), here());
    return notFound(name);
  }
  size = static_cast<std::uint32_t>(member.size);
  return std::move(member.data);
}

Bytes getLoose(std::string_view name, std::uint32_t& size, std::string* why) {
  FileContent file =
      readRegularFile(looseFilePath(name), std::numeric_limits<std::uint32_t>::max());
  if (file.missing) return notFound(name);
  if (!file) {
    if (why) *why = file.error;
    fatal(str("Error while loading file ", name, ": ", file.error), here());
    return nullptr;
  }
  size = static_cast<std::uint32_t>(file.size);
  return std::move(file.data);
}

}  // namespace

void File::init() {
  fileMode = FileHandle::open(kArchiveName, "rb") ? Mode::Archive : Mode::Loose;
}

File::Mode File::mode() {
  return fileMode;
}

void File::reset() {
  fileMode = Mode::NotInitialised;
}

Bytes File::get(std::string_view name, std::uint32_t& size, std::string* why) {
  size = 0;
  if (why) why->clear();
  if (fileMode == Mode::NotInitialised) {
    fatal("File: init() must be called before using get()", here());
    return nullptr;
  }
  if (name == kTextureFolder) name = kWhiteTexture;
  return fileMode == Mode::Archive ? getFromArchive(name, size) : getLoose(name, size, why);
}

std::string looseFilePath(std::string_view name) {
  std::string path(name);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

}  // namespace vesk
