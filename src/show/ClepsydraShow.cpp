#include "show/ClepsydraShow.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "base/File.h"
#include "show/ShowCues.h"
#include "show/ShowFiles.h"

namespace vesk {
namespace {

constexpr std::int32_t kCreateGraph = 4;
constexpr std::int32_t kLoadScene = 1;
constexpr std::int32_t kLoadAnimation = 54;
constexpr std::int32_t kPreload = 7;
constexpr std::int32_t kPictureLayer = 22;

// The schedule in time order; every helper takes the next time it is given.
class Schedule {
 public:
  Event& at(std::int32_t time, const std::string& target, std::int32_t code) {
    _events.push_back({time, Event(target, code)});
    return _events.back().event;
  }
  void picture(std::int32_t time, const ShowPicture& picture) {
    at(time, "CORE", kCreateGraph)
        .addString(picture.file)
        .addBool(picture.colourKey)
        .addString(picture.name);
  }
  // The progress picture of that step in layer 1, then a frame break so that it is seen.
  void progress(std::int32_t time, std::int32_t breakTime, int step) {
    at(time, "DEFVIEWPORT", kPictureLayer)
        .addInt(1)
        .addFloat(1)
        .addString(showPictures()[static_cast<std::size_t>(step)].name);
    if (breakTime != 0) at(breakTime, "CORE", 0);
  }
  // The scene at `time`, its animation files at the times given, in load order.
  void scene(std::int32_t time, const std::string& name,
             const std::vector<std::int32_t>& animationTimes) {
    const ShowScene* scene = findShowScene(name);
    at(time, "CORE", kLoadScene).addString(scene->file);
    for (std::size_t n = 0; n < scene->animations.size(); ++n)
      at(animationTimes[n], name, kLoadAnimation).addString(animationFile(scene->animations[n]));
  }
  std::vector<TimedEvent> take() {
    std::stable_sort(_events.begin(), _events.end(),
                     [](const TimedEvent& a, const TimedEvent& b) { return a.time < b.time; });
    _events.push_back({VK_END_OF_EVENTS, Event()});
    return std::move(_events);
  }

 private:
  std::vector<TimedEvent> _events;
};

std::vector<std::int32_t> range(std::int32_t first, std::int32_t last) {
  std::vector<std::int32_t> times;
  for (std::int32_t time = first; time <= last; ++time)
    times.push_back(time);
  return times;
}

}  // namespace

std::vector<TimedEvent> loadingSchedule() {
  const std::vector<ShowPicture>& pictures = showPictures();
  const ShowModule& jingle = showModules()[0];
  const ShowModule& music = showModules()[1];
  // Positions in the picture list, which keeps the order of this schedule.
  constexpr std::size_t kPlain = 11, kScreenshots = 14, kFight = 18, kPortraits = 19, kLogo = 27,
                        kLionTexts = 28, kSablierTexts = 35, kTitles = 43, kCredits = 45,
                        kPictureCount = 66;
  Schedule s;
  s.at(-1000, "CORE", 8).addString(jingle.file).addString(jingle.name);
  s.at(-999, "CORE", 10).addString(jingle.name);
  for (std::int32_t step = 0; step <= 10; ++step)
    s.picture(-990 + 10 * step, pictures[static_cast<std::size_t>(step)]);
  s.progress(-100, 0, 0);
  s.at(0, "CORE", 8).addString(music.file).addString(music.name);
  for (std::int32_t n = 0; n < 3; ++n)
    s.picture(1 + n, pictures[kPlain + n]);
  s.at(4, "CORE", kPreload).addString(showTextures()[0].file);
  s.progress(10, 11, 1);
  for (std::int32_t n = 0; n < 4; ++n)
    s.picture(20 + n, pictures[kScreenshots + n]);
  s.scene(30, "tunnel", range(31, 35));
  s.progress(36, 37, 2);
  s.scene(40, "combat", range(41, 59));
  s.picture(60, pictures[kFight]);
  s.progress(68, 69, 3);
  for (std::int32_t n = 0; n < 8; ++n)
    s.picture(70 + n, pictures[kPortraits + n]);
  s.picture(78, pictures[kLogo]);
  s.scene(80, "lionhead", range(81, 82));
  for (std::int32_t n = 0; n < 7; ++n)
    s.picture(90 + n, pictures[kLionTexts + n]);
  s.progress(97, 98, 4);
  s.scene(100, "dominos", {101});
  s.scene(102, "dominos_b", {103});
  s.scene(104, "dominos_p", {105});
  s.at(110, "CORE", kPreload).addString(showTextures()[1].file);
  s.progress(120, 121, 5);
  // The sablier's camera05 animation comes after its texts.
  s.scene(141, "sablier", {142, 143, 144, 145, 147, 148, 157});
  for (std::int32_t n = 0; n < 8; ++n)
    s.picture(149 + n, pictures[kSablierTexts + n]);
  s.progress(200, 210, 6);
  s.scene(219, "plan_intro", {220});
  s.picture(225, pictures[kTitles]);
  s.picture(230, pictures[kTitles + 1]);
  std::vector<std::int32_t> villeTimes = range(232, 234);
  for (std::int32_t time : range(236, 244))
    villeTimes.push_back(time);
  s.scene(231, "ville", villeTimes);
  s.progress(250, 251, 7);
  s.scene(259, "temple", range(260, 266));
  s.progress(270, 271, 8);
  // Credits texts and greetings from 500 on, the spiral at 519; 522 and 523 stay free.
  std::int32_t time = 500;
  for (std::size_t n = kCredits; n < kPictureCount; ++n) {
    if (time == 519) s.at(time++, "CORE", kPreload).addString(showTextures()[2].file);
    s.picture(time++, pictures[n]);
  }
  s.progress(550, 551, 9);
  s.progress(600, 601, 10);
  s.at(1000, "CORE", 11).addString(jingle.name);
  s.at(1001, "CORE", 9).addString(jingle.name);
  s.at(1002, "CORE", 10).addString(music.name);
  return s.take();
}

bool showDataPresent(const std::filesystem::path& folder) {
  std::string music = showModules()[1].file;
  std::replace(music.begin(), music.end(), '\\', '/');
  std::error_code failure;
  return std::filesystem::exists(folder / kArchiveName, failure) ||
         std::filesystem::exists(folder / music, failure);
}

std::vector<CueEvent> showCueEvents() {
  std::vector<CueEvent> cues;
  for (ShowSection& section : showSections())
    for (CueEvent& cue : section.cues)
      cues.push_back(std::move(cue));
  return cues;
}

Owned<TimeEvents> ClepsydraShow::buildTimeEvents() {
  const std::vector<TimedEvent> events = loadingSchedule();
  return make<TimeEvents>(here(), events);
}

Owned<MusicEvents> ClepsydraShow::buildMusicEvents() {
  Owned<MusicEvents> music = make<MusicEvents>(here());
  for (ShowSection& section : showSections()) {
    section.cues.push_back({VK_END_OF_CUES, Event()});
    music->add(section.cues);
  }
  return music;
}

}  // namespace vesk
