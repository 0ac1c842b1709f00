#include "base/File.h"

#include <cstdio>
#include <limits>
#include <string>

#include "base/ArchiveReader.h"
#include "base/Diagnosis.h"
#include "base/Log.h"
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

Bytes getLoose(std::string_view name, std::uint32_t& size) {
  std::string path = looseFilePath(name);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return notFound(name);
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  std::rewind(file);
  if (length < 0 ||
      static_cast<unsigned long>(length) > std::numeric_limits<std::uint32_t>::max()) {
    std::fclose(file);
    fatal(str("Error while loading file ", name), here());
    return nullptr;
  }
  Bytes data = allocateBytes(static_cast<std::size_t>(length));
  if (!data) {
    std::fclose(file);
    fatal(str("Error while loading file ", name), here());
    return nullptr;
  }
  std::size_t read = std::fread(data.get(), 1, static_cast<std::size_t>(length), file);
  std::fclose(file);
  size = static_cast<std::uint32_t>(length);
  if (read != static_cast<std::size_t>(length)) {
    fatal(str("Error while loading file ", name), here());
  }
  return data;
}

}  // namespace

void File::init() {
  std::FILE* archive = std::fopen(kArchiveName, "rb");
  fileMode = archive ? Mode::Archive : Mode::Loose;
  if (archive) std::fclose(archive);
}

File::Mode File::mode() {
  return fileMode;
}

void File::reset() {
  fileMode = Mode::NotInitialised;
}

Bytes File::get(std::string_view name, std::uint32_t& size) {
  size = 0;
  if (fileMode == Mode::NotInitialised) {
    fatal("File: init() must be called before using get()", here());
    return nullptr;
  }
  if (name == kTextureFolder) name = kWhiteTexture;
  return fileMode == Mode::Archive ? getFromArchive(name, size) : getLoose(name, size);
}

std::string looseFilePath(std::string_view name) {
  std::string path(name);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

}  // namespace vesk
