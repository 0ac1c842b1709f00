#include "FuzzEntries.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "base/ArchiveReader.h"
#include "base/BinaryInput.h"
#include "base/Diagnosis.h"
#include "base/File.h"
#include "base/Log.h"
#include "base/Memory.h"
#include "render/DrawContext.h"
#include "show/EventScript.h"
#include "sound/Sound.h"
#include "world/animation/AnimBlock.h"
#include "world/material/Image.h"
#include "world/material/ResourceCache.h"
#include "world/material/Texture.h"
#include "world/scene/Scene.h"

namespace vesk::fuzz {
namespace {

namespace fs = std::filesystem;

// Reports and assertions are what bad input is expected to cause: they are dropped, and every
// assertion is ignored as a person would, so that the reader goes on.
class QuietPresenter : public Presenter {
 public:
  void showError(const std::string&, const std::string&) override {}
  DiagnosisChoice showDiagnosis(const std::string&) override { return DiagnosisChoice::Ignore; }
  void debuggerOutput(const std::string&) override {}
  void breakIntoDebugger() override {}
};

// The process's scratch folder, made once and removed at exit: "archive/" holds the archive,
// "loose/data/textures/" the picture, each the current folder while its reader runs.
class Scratch {
 public:
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "vesk-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
      std::perror("fuzz: cannot make a scratch folder");
      std::abort();
    }
    _root = pattern;
    fs::create_directories(_root / "archive");
    fs::create_directories(_root / "loose" / "data" / "textures");
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(_root, ignored);
  }
  const fs::path& root() const { return _root; }

 private:
  fs::path _root;
};

Scratch& scratch() {
  static Scratch folder;
  return folder;
}

void writeFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "fuzz: cannot write %s\n", path.c_str());
    std::abort();
  }
}

// Makes `folder` the current folder while it lives.
class InFolder {
 public:
  explicit InFolder(const fs::path& folder) : _previous(fs::current_path()) {
    fs::current_path(folder);
  }
  ~InFolder() {
    std::error_code ignored;
    fs::current_path(_previous, ignored);
  }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  fs::path _previous;
};

// What every input runs in: the quiet presenter, no log echo, no quit request left over, the
// data files reset; and afterwards the engine's memory exactly as before, or the input is a
// finding (a leak the sanitizer cannot see, since the tracker's records keep it reachable).
class Run {
 public:
  Run() : _usage(theMemory().currentUsage()) {
    static QuietPresenter quiet;
    setPresenter(&quiet);
    setLogEcho(false);
    clearQuitRequest();
    File::reset();
  }
  ~Run() {
    File::reset();
    clearQuitRequest();
    const std::size_t usage = theMemory().currentUsage();
    if (usage != _usage) {
      std::fprintf(stderr, "fuzz: the engine's memory in use went from %zu to %zu bytes\n", _usage,
                   usage);
      std::abort();
    }
  }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

 private:
  std::size_t _usage;
};

// One recording device for the process, made before the first input's memory is counted: its
// back buffer costs more than most inputs, and the device keeps nothing an input made.
void recordingDevice() {
  static RecordingDrawContext context;
}

BinaryInput inputOf(std::span<const std::uint8_t> bytes, std::string name) {
  Bytes data = allocateBytes(bytes.size(), here());
  if (!bytes.empty()) std::memcpy(data.get(), bytes.data(), bytes.size());
  return BinaryInput(std::move(data), bytes.size(), std::move(name));
}

}  // namespace

void archive(std::span<const std::uint8_t> input) {
  const fs::path folder = scratch().root() / "archive";
  writeFile(folder / kArchiveName, input);
  Run run;
  const ArchiveListing listing = listArchive(folder / kArchiveName);
  // A few members are enough: each is read through both doors.
  constexpr std::size_t kMembers = 8;
  for (std::size_t i = 0; i < listing.entries.size() && i < kMembers; ++i) {
    const std::string& name = listing.entries[i].name;
    ArchiveMember member = readArchiveMember(folder / kArchiveName, name);
    if (member && member.size > 0 && !member.data) std::abort();
    InFolder in(folder);
    File::init();
    std::uint32_t size = 0;
    Bytes bytes = File::get(name, size);
    clearQuitRequest();
    File::reset();
  }
  ArchiveMember missing = readArchiveMember(folder / kArchiveName, "data\\missing.pod");
}

void scene(std::span<const std::uint8_t> input) {
  recordingDevice();
  Run run;
  InFolder in(scratch().root() / "loose");
  File::init();
  auto cache = make<ResourceCache>(here());
  auto loaded = make<Scene>(here());
  BinaryInput bytes = inputOf(input, "data\\fuzz.pod");
  if (loaded->load(bytes) && !quitRequested()) loaded->reset();
  loaded.reset();
  cache.reset();
}

void animation(std::span<const std::uint8_t> input) {
  recordingDevice();
  Run run;
  auto cache = make<ResourceCache>(here());
  auto owner = make<Scene>(here());
  auto block = make<AnimBlock>(here(), *owner);
  BinaryInput bytes = inputOf(input, "data\\fuzz.pab");
  block->read(bytes, AnimBlock::Targets::Keep);
  block.reset();
  owner.reset();
  cache.reset();
}

void picture(std::span<const std::uint8_t> input) {
  if (input.empty()) return;
  const std::uint8_t choice = input[0];
  const std::string name = std::string("fuzz.") + std::string(kPictureExtensions[choice & 7]);
  const fs::path loose = scratch().root() / "loose";
  writeFile(loose / "data" / "textures" / name, input.subspan(1));
  recordingDevice();
  Run run;
  InFolder in(loose);
  File::init();
  auto cache = make<ResourceCache>(here());
  // Bits 3 and 4 pick the loads, so that one decoding costs one run: the image in colour, in
  // grey, a colour-keyed texture, or a transparency map merged with its diffuse partner.
  switch ((choice >> 3) & 3) {
    case 0:
      make<Image>(here(), name, Image::VK_IMAGE_COLOUR).reset();
      break;
    case 1:
      make<Image>(here(), name, Image::VK_IMAGE_GREYSCALE).reset();
      break;
    case 2:
      make<Texture>(here(), name, true, VK_DIFFUSE, nullptr).reset();
      break;
    default: {
      auto diffuse = make<Texture>(here(), name, false, VK_DIFFUSE, nullptr);
      make<Texture>(here(), name, false, VK_TRANSPARENT, diffuse.get()).reset();
      break;
    }
  }
  cache.reset();
}

void module(std::span<const std::uint8_t> input) {
  Run run;
  Sound& sound = Sound::getInstance();
  sound.init(SoundOutput::Manual);
  Bytes bytes = allocateBytes(input.size(), here());
  if (!input.empty()) std::memcpy(bytes.get(), input.data(), input.size());
  const std::uint32_t handle =
      sound.moduleLoad("data\\fuzz.xm", std::move(bytes), input.size(), false);
  if (handle != 0) {
    sound.moduleSetCallback(
        handle, [](std::uint32_t, std::uint32_t, std::uint32_t, void*) {}, nullptr);
    sound.modulePlay(handle);
    // A second of output at most, in the blocks an audio callback asks for: enough for a few
    // rows of every pattern order, and cheap enough for many inputs a second.
    std::vector<std::int16_t> out(2 * 1024);
    for (int block = 0; block < kSoundRate / 1024 && !sound.moduleEnded(handle); ++block)
      sound.renderFrames(out.data(), 1024);
    sound.moduleFree(handle);
  }
  sound.shutdown();
  Sound::destroyInstance();
}

void eventScript(std::span<const std::uint8_t> input) {
  Run run;
  const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
  EventScript script;
  if (!script.parse(text, "fuzz.txt")) return;
  script.buildTimeEvents().reset();
  script.buildMusicEvents().reset();
  // What is written back reads back into the same events.
  const std::string written = formatEventScript(script.timeEvents(), script.cueEvents());
  EventScript again;
  if (!again.parse(written, "written.txt") ||
      formatEventScript(again.timeEvents(), again.cueEvents()) != written) {
    std::fprintf(stderr, "fuzz: a parsed script does not read back as written:\n%s\n%s\n",
                 written.c_str(), again.error().c_str());
    std::abort();
  }
}

}  // namespace vesk::fuzz
