// fuzz-seeds FOLDER: writes each fuzz target's starting corpus into FOLDER/<target>/, small
// files made by the authoring writers (and FreeImage for pictures), so that the fuzzers start
// from inputs the readers accept whole. The corpora are build products, never committed.
#include <FreeImage.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FuzzEntries.h"
#include "authoring/AnimationWriter.h"
#include "authoring/RarWriter.h"
#include "authoring/SceneExamples.h"
#include "authoring/XmWriter.h"

namespace vesk::fuzz {
namespace {

namespace fs = std::filesystem;
using ByteVector = std::vector<std::uint8_t>;

bool save(const fs::path& path, const ByteVector& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

ByteVector sceneSeed() {
  SceneFile file = sceneLitCube("seed");
  file.root.children.push_back(sceneShapeNode("floor", 9, sceneFloor(3), 0));
  return writeScene(file).bytes;
}

ByteVector animationSeed() {
  AnimationFile file;
  file.loopMode = VK_ANIM_LOOP_PING_PONG;
  auto keyed = [](std::vector<float> times, AnimController::Record record) {
    AnimController controller;
    controller.keyTimes = std::move(times);
    controller.record = std::move(record);
    return controller;
  };
  file.controllers = {
      keyed({0, 2},
            AnimNodeController{
                1, {{0, 0, 0}, {1, 2, 3}}, {{0, 0, 0, 1}, {0, 1, 0, 0}}, {{1, 1, 1}, {2, 2, 2}}}),
      keyed({0, 1}, AnimLightController{2, {{1, 0, 0}, {0, 0.5f, 1}}}),
      keyed({0.5f}, AnimCameraController{3, {0.75f}}),
      keyed({0, 3}, AnimMaterialController{0, {1, 0}}),
  };
  return writeAnimation(file).bytes;
}

ByteVector moduleSeed() {
  XmModule module;
  module.channels = 4;
  module.orders = {0, 1};
  for (int p = 0; p < 2; ++p) {
    XmPattern pattern(16, 4);
    pattern.at(0, 0) = {37, 1, 0, 0, 0};
    pattern.at(4, 1) = {49, 1, xmSetVolume(20), 0x0A, 0x04};
    pattern.at(8, 2) = {25, 2, 0, 0x0F, 0x03};
    pattern.at(12, 3) = {97, 0, 0, 0, 0};
    module.patterns.push_back(pattern);
  }
  XmInstrument tone;
  tone.name = "tone";
  XmSample sample;
  for (int i = 0; i < 64; ++i)
    sample.pcm8.push_back(static_cast<std::int8_t>(i < 32 ? 40 : -40));
  sample.loop = XmLoop::Forward;
  sample.loopLength = 64;
  tone.samples.push_back(sample);
  tone.volumeEnvelope.on = true;
  tone.volumeEnvelope.points = {{0, 64}, {10, 32}, {20, 0}};
  tone.volumeEnvelope.sustain = 1;
  module.instruments.push_back(tone);
  module.instruments.push_back(xmCueInstrument(20));
  return writeXm(module).bytes;
}

// A small picture in `format`, behind the selector byte of `choice`.
ByteVector pictureSeed(FREE_IMAGE_FORMAT format, int bits, std::uint8_t choice) {
  std::unique_ptr<FIBITMAP, decltype(&FreeImage_Unload)> bitmap(FreeImage_Allocate(6, 5, bits),
                                                                FreeImage_Unload);
  if (bits == 8) {
    RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
    for (int i = 0; i < 256; ++i)
      palette[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
  }
  for (unsigned y = 0; y < 5; ++y) {
    BYTE* row = FreeImage_GetScanLine(bitmap.get(), static_cast<int>(y));
    for (unsigned x = 0; x < 6 * static_cast<unsigned>(bits) / 8; ++x)
      row[x] = static_cast<BYTE>(x * 40 + y * 13);
  }
  std::unique_ptr<FIMEMORY, decltype(&FreeImage_CloseMemory)> memory(FreeImage_OpenMemory(),
                                                                     FreeImage_CloseMemory);
  ByteVector bytes{choice};
  if (!FreeImage_SaveToMemory(format, bitmap.get(), memory.get(), 0)) return {};
  BYTE* data = nullptr;
  DWORD size = 0;
  FreeImage_AcquireMemory(memory.get(), &data, &size);
  bytes.insert(bytes.end(), data, data + size);
  return bytes;
}

ByteVector archiveSeed(const fs::path& scratch) {
  const fs::path path = scratch / "seed.vk";
  RarWriter writer;
  const ByteVector scene = sceneSeed();
  const std::string text = "a member stored as it is\n";
  if (!writer.create(path) || !writer.addFolder("data", 0) ||
      !writer.addFile("data\\seed.pod", scene, 0) ||
      !writer.addFile("data\\notes.txt",
                      {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, 0) ||
      !writer.finish())
    return {};
  std::ifstream in(path, std::ios::binary);
  ByteVector bytes{std::istreambuf_iterator<char>(in), {}};
  fs::remove(path);
  return bytes;
}

const char* kScript =
    "# a short show\n"
    "at 0 CORE 3 s:\"data\\seed.pod\"\n"
    "at 0 VIEWPORT1 17 s:\"seed\" i:0 f:0.5 b:true\n"
    "at 500 \"seed.a node\" 49 f:5 f:0 f:0.4 f:1 f:1 f:1\n"
    "at 1000 CORE 0\n"
    "cue 33 VIEWPORT1 23 i:0 s:\"seed.Camera01\"\n"
    "cue 2817 SOUND 2 f:-1.5e-3\n"
    "sync 250 33\n"
    "sync 750 2817\n";

}  // namespace
}  // namespace vesk::fuzz

int main(int argc, char** argv) {
  using namespace vesk::fuzz;
  if (argc != 2) {
    std::fputs("usage: fuzz-seeds FOLDER\n", stderr);
    return 2;
  }
  const fs::path root = argv[1];
  fs::create_directories(root);
  struct Seed {
    const char* target;
    const char* name;
    ByteVector bytes;
  };
  FreeImage_Initialise(FALSE);
  std::vector<Seed> seeds{
      {"archive", "two-members", archiveSeed(root)},
      {"scene", "lit-cube", sceneSeed()},
      {"animation", "every-controller", animationSeed()},
      {"module", "tone-and-cues", moduleSeed()},
      {"script", "short-show", ByteVector(kScript, kScript + std::string(kScript).size())},
      {"picture", "bmp-colour", pictureSeed(FIF_BMP, 24, 0)},
      {"picture", "jpg-grey", pictureSeed(FIF_JPEG, 24, 1 | 1 << 3)},
      {"picture", "bmp-grey-texture", pictureSeed(FIF_BMP, 8, 0 | 2 << 3)},
      {"picture", "png-merged", pictureSeed(FIF_PNG, 24, 4 | 3 << 3)},
      {"picture", "png-grey-8", pictureSeed(FIF_PNG, 8, 4 | 1 << 3)},
      {"picture", "tga-texture", pictureSeed(FIF_TARGA, 24, 5 | 2 << 3)},
      {"picture", "tif-colour", pictureSeed(FIF_TIFF, 24, 6)},
  };
  FreeImage_DeInitialise();
  int status = 0;
  for (const Seed& seed : seeds) {
    const fs::path folder = root / seed.target;
    fs::create_directories(folder);
    if (seed.bytes.empty() || !save(folder / seed.name, seed.bytes)) {
      std::fprintf(stderr, "fuzz-seeds: cannot write the seed %s/%s\n", seed.target, seed.name);
      status = 1;
    }
  }
  return status;
}
