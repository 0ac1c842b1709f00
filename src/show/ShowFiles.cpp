#include "show/ShowFiles.h"

#include <initializer_list>
#include <utility>

namespace vesk {
namespace {

constexpr std::uint32_t kPictureWidth = 640;
constexpr std::uint32_t kPictureHeight = 480;

std::vector<ShowPicture> makePictures() {
  std::vector<ShowPicture> pictures;
  auto add = [&](std::string file, std::string name, bool key, ShowPictureKind kind) {
    pictures.push_back(
        {std::move(file), std::move(name), key, kPictureWidth, kPictureHeight, kind});
  };
  using K = ShowPictureKind;
  for (int step = 0; step <= 10; ++step) {
    const std::string percent = std::to_string(step * 10);
    const std::string number = std::to_string(step);
    add("loading" + std::string(3 - percent.size(), '0') + percent + ".jpg",
        "loading" + std::string(2 - number.size(), '0') + number, false, K::Progress);
  }
  add("end.jpg", "end", false, K::Plain);
  add("white.png", "white", false, K::Plain);
  add("black.png", "black", false, K::Plain);
  for (int n = 1; n <= 4; ++n)
    add("screenshot" + std::to_string(n) + ".jpg", "screenshot" + std::to_string(n), false,
        K::Screenshot);
  add("transition fight.jpg", "transition fight", false, K::Photo);
  for (const std::string& member : showCrew())
    add(member + ".jpg", member, false, K::Portrait);
  add("logovesk.jpg", "vesklogo", true, K::Logo);
  for (int n = 1; n <= 4; ++n)
    add(std::to_string(n) + ".png", std::to_string(n), true, K::Text);
  add("in code we trust.png", "in code", true, K::Text);
  add("trust the vesk.png", "trust the vesk", true, K::Text);
  add("the vesk within.png", "the vesk within", true, K::Text);
  add("cuni open.png", "open", true, K::Text);
  add("cuni your.png", "your", true, K::Text);
  add("cuni eyes.png", "eyes", true, K::Text);
  add("open your eyes.png", "open your eyes", true, K::Text);
  add("time is not truth.png", "time is not truth", true, K::Text);
  add("truth is not knowledge.png", "truth is not knowledge", true, K::Text);
  // The file name keeps its spelling; the picture name is spelt right.
  add("knowledge is not wisdome.png", "knowledge is not wisdom", true, K::Text);
  add("time is everything.png", "time is everything", true, K::Text);
  add("clepsydra title.png", "intro2", true, K::Title);
  add("Typo intro.png", "intro", true, K::Title);
  // Credits texts.
  for (const std::string& member : showCrew())
    add("staff " + member + ".png", "txt" + member, true, K::Text);
  add("vesk.png", "vesk", true, K::Text);
  add("clepsydra.png", "clepsydra", true, K::Text);
  // Greetings.
  add("sablier.jpg", "sablier greets", true, K::Photo);
  add("combat.jpg", "combat2", true, K::Photo);
  add("staff greets.png", "staff greets", true, K::Text);
  add("staff orga.png", "staff orga", true, K::Text);
  add("boule de feu - greets.jpg", "boule de feu2", true, K::Photo);
  add("mur ecrit.jpg", "murecrit", true, K::Photo);
  add("fight greets.jpg", "fight greets", false, K::Photo);
  add("quartzlight.png", "quartzlight", true, K::Text);
  add("moth orchestra.png", "moth orchestra", true, K::Text);
  add("lantern ensemble.png", "lantern ensemble", true, K::Text);
  add("fjordbit.jpg", "fjordbit", false, K::Photo);
  return pictures;
}

std::vector<std::string> numbered(const std::string& prefix, std::initializer_list<int> numbers) {
  std::vector<std::string> names;
  for (int n : numbers)
    names.push_back(prefix + (n < 10 ? "0" : "") + std::to_string(n));
  return names;
}

std::vector<ShowScene> makeScenes() {
  std::vector<ShowScene> scenes;
  auto add = [&](const std::string& name, std::vector<std::string> animations) {
    scenes.push_back({name, "data\\" + name + ".pod", std::move(animations)});
  };
  add("tunnel", {"tunnel_anim_camera01", "tunnel_anim_camera04", "tunnel_anim_camera05",
                 "tunnel_anim_objects", "tunnel_anim_camera02"});
  std::vector<std::string> combat = {"combat_anim", "fireball_anim"};
  for (int n = 1; n <= 17; ++n)
    combat.push_back(numbered("combat_camera", {n})[0]);
  add("combat", combat);
  add("lionhead", {"lionhead_anim", "lionhead_anim2"});
  add("dominos", {"dominos_anim"});
  add("dominos_b", {"dominos_b_anim"});
  add("dominos_p", {"dominos_p_anim"});
  std::vector<std::string> sablier = numbered("sablier_anim_camera", {1, 2, 3, 4, 6});
  sablier.push_back("sablier_anim_lights");
  sablier.push_back("sablier_anim_camera05");
  add("sablier", sablier);
  add("plan_intro", {"plan_intro"});
  std::vector<std::string> ville = numbered("ville_anim_camera", {1, 9, 10, 11, 8, 12});
  ville.push_back("ville_anim_nuages");
  for (const std::string& name : numbered("ville_anim_camera", {4, 6, 2}))
    ville.push_back(name);
  ville.push_back("ville_anim_scarabs");
  ville.push_back("ville_anim_heros");
  add("ville", ville);
  std::vector<std::string> temple = numbered("temple_anim_camera", {1, 2, 3, 4, 5});
  temple.push_back("temple_anim_lights");
  temple.push_back("temple_anim_heros");
  add("temple", temple);
  return scenes;
}

}  // namespace

const std::vector<std::string>& showCrew() {
  static const std::vector<std::string> crew = {"ardent", "brume",  "cobalt", "dune",
                                                "ember",  "fennec", "glyph",  "halcyon"};
  return crew;
}

const std::vector<ShowPicture>& showPictures() {
  static const std::vector<ShowPicture> pictures = makePictures();
  return pictures;
}

const std::vector<ShowTexture>& showTextures() {
  static const std::vector<ShowTexture> textures = {
      {"nuage1.jpg", 256, 256, true},
      {"disque.jpg", 256, 256, true},
      {"spirale.jpg", 256, 256, true},
      {"carre64.png", 64, 64, false},
  };
  return textures;
}

const std::vector<ShowScene>& showScenes() {
  static const std::vector<ShowScene> scenes = makeScenes();
  return scenes;
}

const std::vector<ShowModule>& showModules() {
  static const std::vector<ShowModule> modules = {
      {kLoadingMusic, "data\\plug.xm"},
      {kShowMusic, "data\\clepsydra.xm"},
  };
  return modules;
}

std::string animationFile(const std::string& baseName) {
  return "data\\" + baseName + ".pab";
}

const ShowPicture* findShowPicture(const std::string& name) {
  for (const ShowPicture& picture : showPictures())
    if (picture.name == name) return &picture;
  return nullptr;
}

const ShowScene* findShowScene(const std::string& name) {
  for (const ShowScene& scene : showScenes())
    if (scene.name == name) return &scene;
  return nullptr;
}

}  // namespace vesk
