// show_bench: plays the compiled-in show offscreen at 640 × 480 on the real device, as fast as
// it can, one frame per 1/60 s of show time, and reports per section and over the whole show
// the median frame time, the worst second, the engine's own time per frame (the frame's wall
// time less the time spent inside OpenGL and the buffer swap) and the OpenGL calls per frame,
// then the data load time beside the time to decode the show's pictures bare.
//
//   show_bench [--data DIR] [--from MS] [--until MS] [--csv FILE]
//
// DIR holds the show's data (Data.vk or data/), by default the data the build writes next to
// the program (../show). --from and --until time only that part of the show: the frames before
// --from are drawn once per second of show time and not timed, and the load time needs the
// start. --csv writes one line per frame: show time, section, frame, OpenGL and engine
// milliseconds, OpenGL calls.
#include <FreeImage.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/OffscreenShow.h"
#include "base/ArchiveReader.h"
#include "base/File.h"
#include "render/DXObject.h"
#include "show/ClepsydraShow.h"
#include "show/CuePlan.h"
#include "show/ShowFiles.h"

namespace vesk {
namespace {

constexpr double kFps = 60;
constexpr const char* kSectionNames[] = {"loading",     "1 city",      "2 temple",  "3 tunnel",
                                         "4 fight",     "5 lion head", "6 dominos", "7 hourglass",
                                         "8 greetings", "9 credits"};
constexpr int kSections = static_cast<int>(std::size(kSectionNames));

struct Sample {
  std::int64_t ms;
  int section;
  double frameMs, glMs;
  std::uint64_t calls;
  double engineMs() const { return std::max(0.0, frameMs - glMs); }
};

// The show time at which each section starts; the loading is section 0.
std::vector<std::int64_t> sectionStarts() {
  const std::int64_t musicStart = loadingSchedule().rbegin()[1].time;
  std::vector<std::int64_t> starts{0};
  for (const PlannedSection& section : cuePlan())
    starts.push_back(musicStart + static_cast<std::int64_t>(section.firstRow) * kRowMs);
  return starts;
}

// The show times at which the loading reads data: scenes, pictures, textures and modules.
std::vector<std::int32_t> loadTimes() {
  constexpr std::int32_t kLoadScene = 1, kGraph = 4, kAnimatedGraph = 5, kTexture = 7, kMusic = 8;
  std::vector<std::int32_t> times;
  for (const TimedEvent& entry : loadingSchedule()) {
    const std::int32_t code = entry.event.getCode();
    if (entry.event.getTargetName() == "CORE" &&
        (code == kLoadScene || code == kGraph || code == kAnimatedGraph || code == kTexture ||
         code == kMusic))
      times.push_back(entry.time);
  }
  return times;
}

class Timing : public OffscreenReceiver {
 public:
  explicit Timing(std::int64_t frames) : _frames(frames), _starts(sectionStarts()) {}
  const std::vector<Sample>& samples() const { return _samples; }

  void started() override {
    if (gfx::Device* device = DXObject::device()) {
      device->timeApiCalls(true);
      _glNs = device->apiNanoseconds();
      _calls = device->apiCalls();
    }
  }
  bool frame(std::int64_t index, std::int64_t ms, double seconds) override {
    gfx::Device* device = DXObject::device();
    if (!device) return false;
    const std::uint64_t glNs = device->apiNanoseconds(), calls = device->apiCalls();
    int section = 0;
    while (section + 1 < kSections && section + 1 < static_cast<int>(_starts.size()) &&
           ms >= _starts[static_cast<std::size_t>(section + 1)])
      ++section;
    _samples.push_back(
        {ms, section, seconds * 1e3, static_cast<double>(glNs - _glNs) * 1e-6, calls - _calls});
    _glNs = glNs;
    _calls = calls;
    if (isatty(STDERR_FILENO) && index % 60 == 0)
      std::fprintf(stderr, "\rshow_bench: frame %lld of %lld, show time %.1f s ",
                   static_cast<long long>(index), static_cast<long long>(_frames),
                   static_cast<double>(ms) / 1e3);
    return true;
  }

 private:
  std::int64_t _frames;
  std::vector<std::int64_t> _starts;
  std::vector<Sample> _samples;
  std::uint64_t _glNs = 0, _calls = 0;
};

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Figures {
  std::size_t frames = 0;
  double medianMs = 0, worstSecondMs = 0, engineMedianMs = 0, engineMeanMs = 0, glMedianMs = 0;
  double callsMedian = 0;
};

// The worst second is the run of one second of show time (60 frames) whose frames took the
// longest; its figure is their mean frame time.
Figures figures(const std::vector<Sample>& all, int section) {
  std::vector<const Sample*> picked;
  for (const Sample& sample : all)
    if (section < 0 || sample.section == section) picked.push_back(&sample);
  Figures result;
  result.frames = picked.size();
  if (picked.empty()) return result;
  std::vector<double> frame, engine, gl, calls;
  double engineSum = 0;
  for (const Sample* sample : picked) {
    frame.push_back(sample->frameMs);
    engine.push_back(sample->engineMs());
    gl.push_back(sample->glMs);
    calls.push_back(static_cast<double>(sample->calls));
    engineSum += sample->engineMs();
  }
  result.medianMs = median(frame);
  result.engineMedianMs = median(engine);
  result.engineMeanMs = engineSum / static_cast<double>(picked.size());
  result.glMedianMs = median(gl);
  result.callsMedian = median(calls);
  const std::size_t window = std::min(picked.size(), static_cast<std::size_t>(kFps));
  double sum = 0;
  for (std::size_t i = 0; i < picked.size(); ++i) {
    sum += picked[i]->frameMs;
    if (i >= window) sum -= picked[i - window]->frameMs;
    if (i + 1 >= window) result.worstSecondMs = std::max(result.worstSecondMs, sum / window);
  }
  return result;
}

// Decodes every picture of the data (from Data.vk, or the loose data/ folder) from memory,
// the way the loader gets them, and returns the median time of three passes in ms.
double bareDecodeMs(int& pictures) {
  std::vector<std::vector<std::uint8_t>> files;
  auto isPicture = [](std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), ::tolower);
    for (const char* extension : {".jpg", ".jpeg", ".png", ".tga", ".bmp"})
      if (name.ends_with(extension)) return true;
    return false;
  };
  std::error_code failure;
  if (std::filesystem::exists(kArchiveName, failure)) {
    const ArchiveListing listing = listArchive(kArchiveName);
    for (const ArchiveEntry& entry : listing.entries) {
      if (!isPicture(entry.name)) continue;
      const ArchiveMember member = readArchiveMember(kArchiveName, entry.name);
      if (member) files.emplace_back(member.data.get(), member.data.get() + member.size);
    }
  } else {
    for (const auto& entry : std::filesystem::recursive_directory_iterator("data", failure)) {
      if (!entry.is_regular_file() || !isPicture(entry.path().string())) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  pictures = static_cast<int>(files.size());
  std::vector<double> passes;
  for (int pass = 0; pass < 3; ++pass) {
    const auto begin = std::chrono::steady_clock::now();
    for (std::vector<std::uint8_t>& bytes : files) {
      FIMEMORY* memory = FreeImage_OpenMemory(bytes.data(), static_cast<DWORD>(bytes.size()));
      const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromMemory(memory, 0);
      FIBITMAP* bitmap = FreeImage_LoadFromMemory(format, memory, 0);
      if (bitmap) FreeImage_Unload(bitmap);
      FreeImage_CloseMemory(memory);
    }
    passes.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
            .count());
  }
  return median(passes);
}

void printRow(const char* name, const Figures& f) {
  std::printf("%-12s %6zu %9.2f %7.1f %9.2f %7.1f %8.2f %8.2f %8.2f %8.0f\n", name, f.frames,
              f.medianMs, f.medianMs > 0 ? 1e3 / f.medianMs : 0.0, f.worstSecondMs,
              f.worstSecondMs > 0 ? 1e3 / f.worstSecondMs : 0.0, f.glMedianMs, f.engineMedianMs,
              f.engineMeanMs, f.callsMedian);
}

int run(int argc, char** argv) {
  std::filesystem::path data, csv;
  std::int64_t fromMs = 0, untilMs = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (i + 1 >= argc) {
      std::cerr << "show_bench: " << flag << " needs a value\n";
      return 2;
    }
    const char* value = argv[++i];
    if (flag == "--data") {
      data = value;
    } else if (flag == "--csv") {
      csv = std::filesystem::absolute(value);
    } else if (flag == "--until" || flag == "--from") {
      char* end = nullptr;
      const std::int64_t ms = std::strtoll(value, &end, 10);
      if (end == value || *end != '\0' || ms < 0) {
        std::cerr << "show_bench: " << flag << " takes a show time in milliseconds\n";
        return 2;
      }
      (flag == "--from" ? fromMs : untilMs) = ms;
    } else {
      std::cerr << "show_bench: unknown option " << flag
                << "\nusage: show_bench [--data DIR] [--from MS] [--until MS] [--csv FILE]\n";
      return 2;
    }
  }
  if (data.empty()) {
    std::error_code failure;
    data = std::filesystem::read_symlink("/proc/self/exe", failure).parent_path() / ".." / "show";
  }
  std::error_code failure;
  std::filesystem::current_path(data, failure);
  if (failure) {
    std::cerr << "show_bench: cannot work in " << data << ": " << failure.message() << "\n";
    return 1;
  }

  int pictures = 0;
  const double decodeMs = bareDecodeMs(pictures);

  OffscreenOptions options;
  options.show = true;
  options.fps = kFps;
  options.untilMs = untilMs;
  options.fromMs = fromMs;
  OffscreenShow show(options);
  for (const std::string& file : show.missingModules())
    std::cerr << "show_bench: " << file << " is not in " << data << ": left out of the loading\n";
  Timing timing(show.frameCount());
  if (!show.run(timing, "show_bench")) {
    std::cerr << "\nshow_bench: the show did not run to its end\n";
    return 1;
  }
  if (isatty(STDERR_FILENO)) std::fprintf(stderr, "\n");
  const std::vector<Sample>& samples = timing.samples();

  // The load time: the frames that read data (every entry between the previous frame's show
  // time and theirs).
  const std::vector<std::int32_t> loads = loadTimes();
  double loadMs = 0;
  int loadFrames = 0;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const std::int64_t previous = i == 0 ? INT64_MIN : samples[i - 1].ms;
    const bool loading = std::any_of(loads.begin(), loads.end(), [&](std::int32_t t) {
      return t > previous && t <= samples[i].ms;
    });
    if (loading) {
      loadMs += samples[i].frameMs;
      ++loadFrames;
    }
  }

  std::printf("show_bench: 640 x 480, one frame per 1/%.0f s of show time, %zu frames\n", kFps,
              samples.size());
  std::printf(
      "data load: %.0f ms in %d frames; bare decode of the same %d pictures: %.0f ms "
      "(load / decode = %.2f)\n",
      loadMs, loadFrames, pictures, decodeMs, decodeMs > 0 ? loadMs / decodeMs : 0.0);
  std::printf("%-12s %6s %9s %7s %9s %7s %8s %8s %8s %8s\n", "section", "frames", "median", "fps",
              "worst 1s", "fps", "GL med", "engine", "eng mean", "GL calls");
  for (int section = 0; section < kSections; ++section)
    printRow(kSectionNames[section], figures(samples, section));
  printRow("whole show", figures(samples, -1));
  std::printf("(milliseconds per frame; engine = the frame less its time inside OpenGL)\n");

  if (!csv.empty()) {
    std::ofstream out(csv);
    out << "ms,section,frame_ms,gl_ms,engine_ms,gl_calls\n";
    for (const Sample& sample : samples)
      out << sample.ms << ',' << sample.section << ',' << sample.frameMs << ',' << sample.glMs
          << ',' << sample.engineMs() << ',' << sample.calls << '\n';
    if (!out) {
      std::cerr << "show_bench: cannot write " << csv << "\n";
      return 1;
    }
  }
  return 0;
}

}  // namespace
}  // namespace vesk

int main(int argc, char** argv) {
  return vesk::run(argc, argv);
}
