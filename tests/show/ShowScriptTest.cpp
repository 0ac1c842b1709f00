#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "show/ClepsydraShow.h"
#include "show/CuePlan.h"
#include "show/EventScript.h"
#include "show/ShowCues.h"
#include "show/ShowFiles.h"

namespace vesk::test {
namespace {

std::vector<std::int32_t> codes(std::int32_t note, std::vector<std::pair<int, int>> volumes) {
  std::vector<std::int32_t> result;
  for (auto [first, last] : volumes)
    for (int volume = first; volume <= last; ++volume)
      result.push_back(64 * note + volume);
  return result;
}

TEST(LoadingSchedule, HoldsEveryEntryOnceInTimeOrderAndEndsWithTheMarker) {
  const std::vector<TimedEvent> schedule = loadingSchedule();
  ASSERT_EQ(schedule.size(), 163u);
  EXPECT_EQ(schedule.back().time, VK_END_OF_EVENTS);
  for (std::size_t n = 1; n + 1 < schedule.size(); ++n)
    EXPECT_LT(schedule[n - 1].time, schedule[n].time) << "no two entries at one time";

  std::map<std::pair<std::string, std::int32_t>, int> byKind;
  for (std::size_t n = 0; n + 1 < schedule.size(); ++n)
    ++byKind[{schedule[n].event.getTargetName() == "CORE" ||
                      schedule[n].event.getTargetName() == "DEFVIEWPORT"
                  ? schedule[n].event.getTargetName()
                  : "scene",
              schedule[n].event.getCode()}];
  EXPECT_EQ((byKind[{"CORE", 4}]), 66);
  EXPECT_EQ((byKind[{"scene", 54}]), 56);
  EXPECT_EQ((byKind[{"DEFVIEWPORT", 22}]), 11);
  EXPECT_EQ((byKind[{"CORE", 0}]), 10);
  EXPECT_EQ((byKind[{"CORE", 1}]), 10);
  EXPECT_EQ((byKind[{"CORE", 7}]), 3);
  EXPECT_EQ(
      (byKind[{"CORE", 8}] + byKind[{"CORE", 9}] + byKind[{"CORE", 10}] + byKind[{"CORE", 11}]), 6);

  // The show music plays only after the jingle has stopped and been freed.
  const TimedEvent* last = &schedule[schedule.size() - 4];
  EXPECT_EQ(last[0].time, 1000);
  EXPECT_EQ(last[0].event.getCode(), 11);
  EXPECT_EQ(last[0].event.getString(0), "musicLoading");
  EXPECT_EQ(last[1].time, 1001);
  EXPECT_EQ(last[1].event.getCode(), 9);
  EXPECT_EQ(last[2].time, 1002);
  EXPECT_EQ(last[2].event.getCode(), 10);
  EXPECT_EQ(last[2].event.getString(0), "music");

  // The credits and greetings with the spiral at 519 fill 500 to 521.
  std::vector<std::int32_t> late;
  for (const TimedEvent& entry : schedule)
    if (entry.time >= 500 && entry.time <= 523) late.push_back(entry.time);
  ASSERT_EQ(late.size(), 22u);
  EXPECT_EQ(late.back(), 521);
  EXPECT_EQ(std::find_if(schedule.begin(), schedule.end(),
                         [](const TimedEvent& e) { return e.time == 519; })
                ->event.getString(0),
            "spirale.jpg");
}

TEST(LoadingSchedule, ShowsEachProgressStepThenBreaksTheFrame) {
  const std::vector<TimedEvent> schedule = loadingSchedule();
  int step = 0;
  for (std::size_t n = 0; n + 1 < schedule.size(); ++n) {
    const Event& event = schedule[n].event;
    if (event.getTargetName() == "DEFVIEWPORT") {
      EXPECT_EQ(event.getString(2), step < 10 ? "loading0" + std::to_string(step) : "loading10");
      EXPECT_EQ(event.getInt(0), 1);
      // Every step after the first is seen at a frame break that follows at once.
      if (step > 0) {
        EXPECT_EQ(schedule[n + 1].event.getCode(), 0) << schedule[n].time;
      }
      ++step;
    } else if (event.getCode() == 0) {
      EXPECT_EQ(schedule[n - 1].event.getTargetName(), "DEFVIEWPORT") << schedule[n].time;
    }
  }
  EXPECT_EQ(step, 11);
  // The progress pictures exist before the first of them is shown.
  EXPECT_EQ(schedule[12].time, -890);
  EXPECT_EQ(schedule[13].time, -100);
}

TEST(LoadingSchedule, LoadsExactlyTheShowFiles) {
  std::vector<std::string> pictures, scenes, animations, textures, modules;
  for (const TimedEvent& entry : loadingSchedule()) {
    const Event& e = entry.event;
    if (e.getTargetName() != "CORE" && e.getCode() == 54) {
      animations.push_back(e.getTargetName() + ":" + e.getString(0));
    } else if (e.getCode() == 4) {
      pictures.push_back(e.getString(0) + (e.getBool(1) ? "|key|" : "|-|") + e.getString(2));
    } else if (e.getCode() == 1) {
      scenes.push_back(e.getString(0));
    } else if (e.getCode() == 7) {
      textures.push_back(e.getString(0));
    } else if (e.getCode() == 8) {
      modules.push_back(e.getString(1) + ":" + e.getString(0));
    }
  }
  std::vector<std::string> expected;
  for (const ShowPicture& p : showPictures())
    expected.push_back(p.file + (p.colourKey ? "|key|" : "|-|") + p.name);
  EXPECT_EQ(pictures, expected);
  expected.clear();
  for (const ShowTexture& t : showTextures())
    if (t.preloaded) expected.push_back(t.file);
  EXPECT_EQ(textures, expected);
  expected.clear();
  for (const ShowModule& m : showModules())
    expected.push_back(m.name + ":" + m.file);
  EXPECT_EQ(modules, expected);

  // Scenes in the schedule's own order; each scene's animations in the catalogue's order.
  const std::vector<std::string> sceneOrder = {"tunnel",    "combat",    "lionhead", "dominos",
                                               "dominos_b", "dominos_p", "sablier",  "plan_intro",
                                               "ville",     "temple"};
  std::vector<std::string> expectedScenes, expectedAnimations;
  for (const std::string& name : sceneOrder) {
    const ShowScene* scene = findShowScene(name);
    ASSERT_NE(scene, nullptr) << name;
    expectedScenes.push_back(scene->file);
    for (const std::string& animation : scene->animations)
      expectedAnimations.push_back(name + ":" + animationFile(animation));
  }
  EXPECT_EQ(scenes, expectedScenes);
  EXPECT_EQ(animations, expectedAnimations);
  EXPECT_EQ(showScenes().size(), 10u);
}

TEST(ShowCues, SectionsRegisterTheListedCodesWithTheirEventCounts) {
  const std::vector<std::vector<std::int32_t>> expected = {
      codes(43, {{0, 14}, {17, 17}}),
      codes(43, {{15, 16}, {18, 20}}),
      codes(43, {{21, 27}, {30, 51}}),
      codes(41, {{0, 18}, {20, 20}, {22, 22}, {24, 24}}),
      codes(44, {{1, 5}, {7, 11}, {13, 14}, {20, 20}, {25, 25}}),
      codes(45, {{0, 5}}),
      codes(42, {{0, 8}, {10, 13}}),
      codes(48, {{0, 12}}),
      codes(47, {{0, 7}, {10, 17}, {20, 26}, {30, 36}}),
  };
  const std::size_t eventCounts[] = {269, 17, 144, 69, 184, 45, 68, 60, 125};
  const std::vector<ShowSection> sections = showSections();
  ASSERT_EQ(sections.size(), 9u);
  std::set<std::int32_t> all;
  for (std::size_t n = 0; n < 9; ++n) {
    std::set<std::int32_t> registered;
    for (const CueEvent& cue : sections[n].cues)
      registered.insert(cue.code);
    EXPECT_EQ(registered, std::set<std::int32_t>(expected[n].begin(), expected[n].end()))
        << "section " << n + 1;
    EXPECT_EQ(sections[n].cues.size(), eventCounts[n]) << "section " << n + 1;
    all.insert(registered.begin(), registered.end());
  }
  EXPECT_EQ(all.size(), 148u) << "no code in two sections";
}

TEST(ShowCues, UseEachEventFormAsOftenAsTheShowNeedsIt) {
  // Code → (count, parameter kinds).
  const std::map<std::int32_t, std::pair<int, std::string>> forms = {
      {2, {4, "s"}},        {15, {8, ""}},
      {16, {1, ""}},        {17, {33, "ffffbifff"}},
      {18, {55, ""}},       {19, {21, ""}},
      {21, {32, "ifs"}},    {22, {86, "ifs"}},
      {23, {61, "is"}},     {25, {86, "fffffffffff"}},
      {26, {17, "ffffff"}}, {27, {15, "i"}},
      {29, {66, "ifff"}},   {31, {4, "ifsbi"}},
      {32, {2, "if"}},      {34, {3, "ifffbfff"}},
      {36, {4, ""}},        {37, {2, ""}},
      {38, {60, ""}},       {39, {33, ""}},
      {40, {4, ""}},        {41, {20, "fb"}},
      {42, {9, "b"}},       {43, {3, "ffb"}},
      {47, {136, ""}},      {48, {137, ""}},
      {49, {51, "ffffff"}}, {50, {4, ""}},
      {51, {5, ""}},        {52, {1, ""}},
      {53, {18, ""}},
  };
  std::map<std::int32_t, int> counts;
  for (const CueEvent& cue : showCueEvents()) {
    const Event& e = cue.event;
    ++counts[e.getCode()];
    auto form = forms.find(e.getCode());
    ASSERT_NE(form, forms.end()) << "code " << e.getCode() << " of cue " << cue.code;
    std::string kinds;
    for (std::size_t n = 0; n < e.paramCount(); ++n)
      kinds += "s??if?b"[static_cast<std::size_t>(e.kind(n))];
    EXPECT_EQ(kinds, form->second.second) << "code " << e.getCode() << " of cue " << cue.code;
    // Core codes go to the core, scene codes to scenes, the rest to viewports or objects.
    const bool core = e.getTargetName() == "CORE";
    EXPECT_EQ(core, e.getCode() <= 16) << cue.code;
  }
  for (const auto& [code, form] : forms)
    EXPECT_EQ(counts[code], form.first) << "code " << code;
}

// The events of one cue, in the order they are sent.
std::vector<const Event*> cueEvents(const std::vector<CueEvent>& cues, std::int32_t code) {
  std::vector<const Event*> events;
  for (const CueEvent& cue : cues)
    if (cue.code == code) events.push_back(&cue.event);
  return events;
}

TEST(ShowCues, OpenAndCloseAsScripted) {
  const std::vector<CueEvent> cues = showCueEvents();
  EXPECT_EQ(formatEventScript({}, {cues.data(), 15}),
            "cue 2752 CORE 15\n"
            "cue 2752 DEFVIEWPORT 21 i:0 f:1 s:\"plan_intro\"\n"
            "cue 2752 plan_intro.plan_intro 38\n"
            "cue 2752 plan_intro 53\n"
            "cue 2752 DEFVIEWPORT 22 i:1 f:1 s:\"black\"\n"
            "cue 2752 DEFVIEWPORT 31 i:1 f:7 s:\"nuage1.jpg\" b:true i:0\n"
            "cue 2753 DEFVIEWPORT 22 i:2 f:0 s:\"intro\"\n"
            "cue 2753 DEFVIEWPORT 29 i:2 f:2 f:0 f:1\n"
            "cue 2753 DEFVIEWPORT 27 i:1\n"
            "cue 2759 DEFVIEWPORT 29 i:2 f:2 f:1 f:0\n"
            "cue 2754 DEFVIEWPORT 19\n"
            "cue 2754 VIEWPORT1 18\n"
            "cue 2754 VIEWPORT1 21 i:0 f:1 s:\"ville\"\n"
            "cue 2754 VIEWPORT1 23 i:0 s:\"ville.Camera01\"\n"
            "cue 2754 ville 53\n");
  std::vector<const Event*> hiding = cueEvents(cues, 2754);
  ASSERT_EQ(hiding.size(), 5u + 2 + 49);
  EXPECT_EQ(hiding[5]->getTargetName(), "ville.ville_anim_nuages");
  EXPECT_EQ(hiding[6]->getTargetName(), "ville.ville_anim_camera01");
  std::set<std::string> scarabs;
  for (std::size_t n = 7; n < hiding.size(); ++n) {
    EXPECT_EQ(hiding[n]->getCode(), 48);
    scarabs.insert(hiding[n]->getTargetName());
  }
  EXPECT_EQ(scarabs.size(), 49u);
  EXPECT_TRUE(scarabs.count("ville.scarab") && scarabs.count("ville.scarab06"));

  const std::vector<std::pair<std::int32_t, std::string>> telling = {
      {2756,
       "cue 2756 ville.Water 43 f:2000 f:100 b:false\ncue 2756 ville.Water2 43 f:2000 f:100 "
       "b:true\ncue 2756 ville.Water 36\ncue 2756 ville.Water2 36\ncue 2756 "
       "ville.ville_anim_camera10 38\ncue 2756 ville.ville_anim_camera10 41 f:6 b:true\n"},
      {2760,
       "cue 2760 VIEWPORT2 22 i:0 f:1 s:\"intro2\"\ncue 2760 VIEWPORT2 25 f:0.100000001 "
       "f:0.100000001 f:0.800000012 f:0.800000012 f:1 f:-0.200000003 f:-0.200000003 "
       "f:1.39999998 f:1.39999998 f:0 f:2.5\ncue 2760 VIEWPORT2 18\n"},
      {2641,
       "cue 2641 combat.fireball_anim 41 f:-3 b:false\ncue 2641 combat.combat_anim 41 "
       "f:17.2000008 b:true\n"},
      {2820, "cue 2820 lionhead.lionhead_anim2 42 b:false\n"},
      {3025, "cue 3025 CORE 16\n"},
  };
  for (const auto& [code, text] : telling) {
    std::vector<CueEvent> only;
    for (const CueEvent& cue : cues)
      if (cue.code == code) only.push_back(cue);
    EXPECT_EQ(formatEventScript({}, only), text);
  }
  std::string white;
  for (const Event* e : cueEvents(cues, 3015))
    if (e->getTargetName() == "VIEWPORT15") white += std::to_string(e->getCode()) + " ";
  EXPECT_EQ(white, "17 22 29 18 ");
  EXPECT_EQ(cueEvents(cues, 3015)[2]->getFloat(1), 2);
}

// The cues in the order the music raises them, from the plan.
std::vector<std::int32_t> arrivalOrder() {
  std::vector<std::int32_t> order;
  for (const PlannedSection& section : cuePlan())
    for (const PlannedCue& cue : section.cues)
      order.push_back(cue.code);
  return order;
}

TEST(ShowCues, AddressOnlyObjectsOfScenesLoadedWhenTheCueArrives) {
  std::set<std::string> loaded;
  for (const ShowScene& scene : showScenes())
    loaded.insert(scene.name);
  std::set<std::string> animationBlocks;
  for (const ShowScene& scene : showScenes())
    for (const std::string& animation : scene.animations)
      animationBlocks.insert(scene.name + "." + animation);
  const std::vector<CueEvent> cues = showCueEvents();
  auto sceneOf = [](const std::string& name) { return name.substr(0, name.find('.')); };
  for (std::int32_t code : arrivalOrder()) {
    for (const Event* e : cueEvents(cues, code)) {
      const std::string& target = e->getTargetName();
      std::vector<std::string> names;
      if (target.find('.') != std::string::npos || e->getCode() == 53) names.push_back(target);
      if (e->getCode() == 21 || e->getCode() == 2)
        names.push_back(e->getString(e->getCode() == 2 ? 0 : 2));
      if (e->getCode() == 23) names.push_back(e->getString(1));
      for (const std::string& name : names)
        EXPECT_TRUE(loaded.count(sceneOf(name))) << name << " at cue " << code;
      if (e->getCode() == 2) loaded.erase(e->getString(0));
      if (e->getCode() == 22) {
        EXPECT_NE(findShowPicture(e->getString(2)), nullptr) << code;
      }
      if (e->getCode() == 31) {
        const std::string mask = e->getString(2);
        EXPECT_TRUE(std::any_of(showTextures().begin(), showTextures().end(),
                                [&](const ShowTexture& t) { return t.file == mask; }))
            << mask;
      }
    }
  }
  EXPECT_EQ(loaded, (std::set<std::string>{"lionhead", "dominos", "dominos_b", "dominos_p",
                                           "sablier", "plan_intro"}));

  const std::vector<std::string> targets = showTargets();
  EXPECT_EQ(targets.size(), 191u);
  EXPECT_EQ(std::count_if(targets.begin(), targets.end(),
                          [&](const std::string& t) { return animationBlocks.count(t) > 0; }),
            50);
}

// What each viewport layer holds, followed through the cues as the music raises them: the
// checks a viewport makes (and turns into fatal errors) must all pass.
TEST(ShowCues, GiveEveryViewportEventALayerItCanWorkOn) {
  enum class Slot { Empty, Scene, Picture };
  std::map<std::string, std::array<Slot, 4>> layers;  // a missing entry is all empty
  std::map<std::string, std::string> sceneShown;      // "viewport/layer" → scene name
  const std::vector<CueEvent> cues = showCueEvents();
  for (std::int32_t code : arrivalOrder()) {
    for (const Event* e : cueEvents(cues, code)) {
      const std::string& vp = e->getTargetName();
      const int c = e->getCode();
      const std::string where = vp + " " + std::to_string(c) + " at cue " + std::to_string(code);
      if (vp == "CORE") {
        if (c == 15) layers.clear();
        if (c == 2)
          for (auto& [name, slots] : layers)
            for (int n = 0; n < 4; ++n)
              if (sceneShown[name + "/" + std::to_string(n)] == e->getString(0))
                slots[static_cast<std::size_t>(n)] = Slot::Empty;
        continue;
      }
      if (c < 17 || c > 34) continue;
      std::array<Slot, 4>& slots = layers.try_emplace(vp).first->second;
      if (c == 25) {
        // A slide whose start is wholly off screen would never move (the viewport does not
        // advance it out of sight).
        const float x = e->getFloat(0), y = e->getFloat(1), w = e->getFloat(2), h = e->getFloat(3);
        EXPECT_TRUE(x + w > 0 && y + h > 0 && x < 1 && y < 1) << where;
      }
      if (c == 17 || c == 18 || c == 19 || c == 25 || c == 26) continue;
      const std::int32_t layer = e->getInt(0);
      ASSERT_TRUE(layer >= 0 && layer < 4) << where;
      Slot& slot = slots[static_cast<std::size_t>(layer)];
      if (c == 21 || c == 22) {
        EXPECT_TRUE(e->getFloat(1) >= 0 && e->getFloat(1) <= 1) << where;
        slot = c == 21 ? Slot::Scene : Slot::Picture;
        if (c == 21) sceneShown[vp + "/" + std::to_string(layer)] = e->getString(2);
      } else if (c == 27) {
        slot = Slot::Empty;
      } else if (c == 23 || c == 34) {
        EXPECT_EQ(slot, Slot::Scene) << where;
      } else {
        EXPECT_NE(slot, Slot::Empty) << where;
      }
      bool valid = true;
      if (c == 31) valid = e->getInt(4) >= 0 && e->getInt(4) <= 2;
      if (c == 32) valid = e->getFloat(1) >= 0 && e->getFloat(1) <= 0.9f;
      if (c == 34) valid = e->getFloat(1) > e->getFloat(2) + e->getFloat(3);
      EXPECT_TRUE(valid) << where;
    }
  }
}

TEST(CuePlan, PlacesEveryCueOnceWithinItsSectionOnePerRow) {
  const std::vector<PlannedSection> plan = cuePlan();
  ASSERT_EQ(plan.size(), 9u);
  const int patterns[] = {6, 3, 5, 4, 5, 3, 4, 3, 6};
  std::multiset<std::int32_t> planned;
  int firstRow = 0;
  for (std::size_t n = 0; n < 9; ++n) {
    const PlannedSection& section = plan[n];
    EXPECT_EQ(section.patterns, patterns[n]);
    EXPECT_EQ(section.firstRow, firstRow);
    firstRow += 64 * patterns[n];
    ASSERT_FALSE(section.cues.empty());
    EXPECT_EQ(section.cues.front().row, 0) << "section " << n + 1 << " starts with a cue";
    for (std::size_t k = 0; k < section.cues.size(); ++k) {
      const PlannedCue& cue = section.cues[k];
      EXPECT_EQ(64 * cue.note + cue.volume, cue.code);
      EXPECT_LT(cue.row, 64 * patterns[n]) << cue.code;
      if (k > 0) {
        EXPECT_LT(section.cues[k - 1].row, cue.row) << cue.code;
      }
      planned.insert(cue.code);
    }
  }
  std::multiset<std::int32_t> registered;
  for (const ShowSection& section : showSections())
    for (const CueArrival& arrival : section.arrivals)
      registered.insert(arrival.code);
  EXPECT_EQ(planned, registered);
  EXPECT_EQ(planned.size(), 148u);
  // 2769 is section 1's, heard while the temple plays.
  const std::vector<PlannedCue>& temple = plan[1].cues;
  EXPECT_TRUE(std::any_of(temple.begin(), temple.end(),
                          [](const PlannedCue& c) { return c.code == 2769; }));
  // Every section but the temple's opens by resetting the viewports; the last cue quits.
  const std::vector<CueEvent> cues = showCueEvents();
  for (std::size_t n = 0; n < 9; ++n)
    EXPECT_EQ(cueEvents(cues, plan[n].cues.front().code)[0]->getCode() == 15, n != 1) << n + 1;
  EXPECT_EQ(plan.back().cues.back().code, 3025);
}

TEST(ShowScript, PrintedScriptParsesBackIntoTheSameEvents) {
  const std::vector<TimedEvent> schedule = loadingSchedule();
  const std::vector<CueEvent> cues = showCueEvents();
  const std::string text = formatEventScript(schedule, cues);
  EventScript script;
  ASSERT_TRUE(script.parse(text, "show.txt")) << script.error();
  ASSERT_EQ(script.timeEvents().size(), schedule.size() - 1);
  ASSERT_EQ(script.cueEvents().size(), cues.size());
  EXPECT_EQ(formatEventScript(script.timeEvents(), script.cueEvents()), text);
  // Bit for bit: a float printed short would come back different.
  for (std::size_t n = 0; n < cues.size(); ++n)
    for (std::size_t k = 0; k < cues[n].event.paramCount(); ++k)
      if (cues[n].event.kind(k) == VK_PARAM_FLOAT) {
        ASSERT_EQ(script.cueEvents()[n].event.getFloat(k), cues[n].event.getFloat(k));
      }
  // A quoted target keeps its blank.
  EXPECT_NE(text.find("cue 2817 \"lionhead.cote droit\" 49 f:5"), std::string::npos);
}

TEST(ShowScript, BuildsTheSchedulesTheCoreRuns) {
  ClepsydraShow show;
  EXPECT_EQ(show.buildTimeEvents()->size(), 162u);
  EXPECT_NE(show.buildMusicEvents(), nullptr);
}

}  // namespace
}  // namespace vesk::test
