// Sections 1 to 4: the title over the desert, the city, the temple, the tunnel and the fight.
#include <array>

#include "show/ShowCues.h"

namespace vesk {
namespace {

const std::string kDef = viewportName(0);
const std::string kV1 = viewportName(1);
const std::string kV2 = viewportName(2);

constexpr std::array<const char*, 7> kScarabParts = {"",        "_head",   "_case_l", "_case_r",
                                                     "_wing_l", "_wing_r", "_legs"};

std::string scarab(int index) {
  return index == 0 ? "ville.scarab" : twoDigits("ville.scarab", index);
}

std::string villeCamera(int number) {
  return twoDigits("ville.Camera", number);
}
std::string villeBlock(int number) {
  return twoDigits("ville.ville_anim_camera", number);
}

// One scarab and its six parts.
std::vector<std::string> scarabGroup(int index) {
  std::vector<std::string> nodes;
  for (const char* part : kScarabParts)
    nodes.push_back(scarab(index) + part);
  return nodes;
}

// A white flash over a viewport's scene: the picture in layer 1, faded out.
void flash(CueSheet& s, const std::string& vp, float seconds) {
  s.picture(vp, 1, 1, "white");
  s.fade(vp, 1, seconds, 1, 0);
}

}  // namespace

std::vector<std::string> scarabNodes() {
  std::vector<std::string> nodes;
  for (int index = 0; index < 7; ++index)
    for (std::string& node : scarabGroup(index))
      nodes.push_back(std::move(node));
  return nodes;
}

ShowSection citySection() {
  CueSheet s(1, 43);
  // The desert plane under a cloud cross fade from black.
  s.at(0, 0);
  s.resetViewports();
  s.scene(kDef, 0, 1, "plan_intro");
  s.start("plan_intro.plan_intro");
  s.play("plan_intro");
  s.picture(kDef, 1, 1, "black");
  s.crossFade(kDef, 1, 7, "nuage1.jpg", true, 0);
  s.at(1, 64);  // the title fades in, once the clouds have cleared
  s.picture(kDef, 2, 0, "intro");
  s.fade(kDef, 2, 2, 0, 1);
  s.removeLayer(kDef, 1);
  s.at(7, 112);  // and out
  s.fade(kDef, 2, 2, 1, 0);
  // The city through Camera01, the swarm hidden.
  s.at(2, 128);
  s.off(kDef);
  s.on(kV1);
  s.scene(kV1, 0, 1, "ville");
  s.camera(kV1, 0, "ville.Camera01");
  s.play("ville");
  s.start("ville.ville_anim_nuages");
  s.start("ville.ville_anim_camera01");
  for (const std::string& node : scarabNodes())
    s.hide(node);
  s.at(3, 144);  // the basin's water comes alive
  s.startController("ville.Bassin");
  s.fade(kV1, 0, 1, 0.6f, 1);
  // The fountains start.
  s.at(4, 160);
  s.particles("ville.Water", 2000, 100, false);
  s.particles("ville.Water2", 2000, 100, true);
  s.startController("ville.Water");
  s.startController("ville.Water2");
  s.start("ville.ville_anim_camera10");
  s.setTime("ville.ville_anim_camera10", 6, true);
  // Camera cuts on the beat; with each one more of the swarm takes off.
  struct Cut {
    int volume, row, from, to;
    float jump;  // where the new camera's path starts, 0: at its beginning
  };
  const Cut cuts[] = {{5, 176, 1, 9, 1},      {6, 200, 9, 10, 0},  {9, 232, 10, 11, 2},
                      {10, 256, 11, 8, 2.5f}, {11, 280, 8, 12, 3}, {12, 304, 12, 4, 0},
                      {13, 328, 4, 6, 1.5f}};
  for (int n = 0; n < 7; ++n) {
    const Cut& cut = cuts[n];
    if (n == 2) {
      // The title grows over the city while it fades.
      s.at(8, 216);
      s.picture(kV2, 0, 1, "intro2");
      s.slide(kV2, {0.1f, 0.1f, 0.8f, 0.8f, 1}, {-0.2f, -0.2f, 1.4f, 1.4f, 0}, 2.5f);
      s.on(kV2);
    }
    s.at(cut.volume, cut.row);
    s.camera(kV1, 0, villeCamera(cut.to));
    s.stop(villeBlock(cut.from));
    // Camera10's path was started with the fountains.
    if (cut.to != 10) s.start(villeBlock(cut.to));
    if (cut.jump > 0) s.setTime(villeBlock(cut.to), cut.jump, true);
    if (n == 0) s.rect(kV1, 0, 0.125f, 1, 0.75f);  // wide screen
    if (n < 6) {
      for (const std::string& node : scarabGroup(n))
        s.show(node);
    } else {
      // The swarm dives out of sight and the city dims for a moment.
      for (const std::string& node : scarabNodes())
        s.hide(node);
      s.removeLayer(kV1, 1);
      s.fade(kV1, 0, 0.5f, 0.7f, 1);
    }
    if (n == 3) {
      s.off(kV2);
      s.start("ville.ville_anim_scarabs");
      flash(s, kV1, 0.5f);
    }
    if (n == 4) s.start("ville.ville_anim_heros");
    if (n == 5) {
      for (const std::string& node : scarabGroup(6))
        s.show(node);
      flash(s, kV1, 0.4f);
    }
  }
  // The whole swarm sweeps past the wide view, the picture opening to the full screen.
  s.at(14, 352);
  s.camera(kV1, 0, villeCamera(2));
  s.stop(villeBlock(6));
  s.start(villeBlock(2));
  s.start("ville.ville_anim_nuages");
  s.slide(kV1, {0, 0.125f, 1, 0.75f, 1}, {0, 0, 1, 1, 1}, 1);
  flash(s, kV1, 0.6f);
  s.fade(kV1, 0, 1, 0.8f, 1);
  for (const std::string& node : scarabNodes())
    s.show(node);
  s.at(17, 96, 2);  // while the temple plays: the fountains stop
  s.stopController("ville.Water");
  s.stopController("ville.Water2");
  return s.take();
}

ShowSection templeSection() {
  CueSheet s(2, 43);
  auto block = [](int n) { return twoDigits("temple.temple_anim_camera", n); };
  s.at(15, 0);
  s.scene(kV1, 0, 1, "temple");
  s.camera(kV1, 0, "temple.Camera01");
  s.play("temple");
  s.start(block(1));
  s.start("temple.temple_anim_lights");
  s.start("temple.temple_anim_heros");
  const int volumes[] = {16, 18, 19};
  const int rows[] = {48, 112, 144};
  for (int n = 0; n < 3; ++n) {
    s.at(volumes[n], rows[n]);
    s.camera(kV1, 0, twoDigits("temple.Camera", n + 2));
    s.stop(block(n + 1));
    s.start(block(n + 2));
  }
  s.at(20, 160);  // fade to black
  s.picture(kV1, 1, 0, "black");
  s.fade(kV1, 1, 2, 0, 1);
  return s.take();
}

}  // namespace vesk

namespace vesk {
namespace {

constexpr int kOrbCount = 38;
// The orbs light in five groups: 8, 8, 8, 7 and 7 of them.
constexpr std::array<int, 6> kOrbGroupStart = {0, 8, 16, 24, 31, 38};

std::string orb(int index) {
  return twoDigits("tunnel.orb", index + 1);
}

void showOrbGroup(CueSheet& s, int group) {
  for (int index = kOrbGroupStart[group]; index < kOrbGroupStart[group + 1]; ++index)
    s.show(orb(index));
}

}  // namespace

ShowSection tunnelSection() {
  CueSheet s(3, 43);
  const std::string kV3 = viewportName(3), kV4 = viewportName(4);
  auto camera = [](int n) { return twoDigits("tunnel.Camera", n); };
  auto block = [](int n) { return twoDigits("tunnel.tunnel_anim_camera", n); };
  s.at(21, 0);
  s.resetViewports();
  s.unloadScene("ville");
  s.unloadScene("temple");
  s.scene(kDef, 0, 1, "tunnel");
  s.camera(kDef, 0, camera(1));
  s.play("tunnel");
  s.start(block(1));
  s.start("tunnel.tunnel_anim_objects");
  for (int index = 0; index < kOrbCount; ++index)
    s.hide(orb(index));
  s.at(22, 16);
  flash(s, kDef, 0.6f);
  s.at(23, 32);
  s.fog(kDef, 0, 12, 3, 6, 0.5f);
  s.at(24, 48);
  showOrbGroup(s, 0);
  // Split screen: two cameras side by side.
  s.at(25, 64);
  s.rect(kDef, 0, 0, 0.5f, 1, true, 1, 0, 0, 0);
  s.rect(kV1, 0.5f, 0, 0.5f, 1, true, 1, 0, 0, 0);
  s.on(kV1);
  s.scene(kV1, 0, 1, "tunnel");
  s.camera(kV1, 0, camera(4));
  s.start(block(4));
  s.at(26, 80);
  showOrbGroup(s, 1);
  s.at(27, 96);
  flash(s, kDef, 0.5f);
  flash(s, kV1, 0.5f);
  // The four screenshots slide in as insets, one from each side.
  struct Inset {
    int volume, row;
    std::string viewport;
    float fromX, fromY, x, y;
  };
  const Inset insets[] = {{30, 112, kV2, -0.3f, 0.05f, 0.05f, 0.05f},
                          {31, 120, kV3, 1.05f, 0.05f, 0.7f, 0.05f},
                          {32, 128, kV4, 0.05f, 1.05f, 0.05f, 0.7f}};
  for (int n = 0; n < 3; ++n) {
    const Inset& inset = insets[n];
    s.at(inset.volume, inset.row);
    s.picture(inset.viewport, 0, 1, "screenshot" + std::to_string(n + 1));
    s.slide(inset.viewport, {inset.fromX, inset.fromY, 0.25f, 0.25f, 1},
            {inset.x, inset.y, 0.25f, 0.25f, 1}, 1);
    s.on(inset.viewport);
  }
  s.at(33, 136);
  s.picture(kV2, 0, 1, "screenshot4");
  s.shake(kV2, 0.005f, 0.005f, 0, 1);
  s.at(34, 144);
  showOrbGroup(s, 2);
  s.at(35, 152);
  s.slide(kV2, {0.05f, 0.05f, 0.25f, 0.25f, 1}, {-0.3f, 0.05f, 0.25f, 0.25f, 0}, 1);
  s.slide(kV3, {0.7f, 0.05f, 0.25f, 0.25f, 1}, {1.05f, 0.05f, 0.25f, 0.25f, 0}, 1);
  s.slide(kV4, {0.05f, 0.7f, 0.25f, 0.25f, 1}, {0.05f, 1.05f, 0.25f, 0.25f, 0}, 1);
  s.at(36, 160);
  s.off(kV2);
  s.off(kV3);
  s.off(kV4);
  // One full view again, through Camera05.
  s.at(37, 176);
  s.rect(kDef, 0, 0, 1, 1);
  s.off(kV1);
  s.camera(kDef, 0, camera(5));
  s.stop(block(1));
  s.start(block(5));
  s.setTime(block(5), 2, true);
  s.at(38, 184);
  s.shake(kDef, 0.004f, 0.004f, 0, 1);
  s.at(39, 192);
  showOrbGroup(s, 3);
  s.at(40, 200);
  s.fog(kDef, 0, 8, 2, 4, 0.7f);
  s.at(41, 208);
  flash(s, kDef, 0.4f);
  // An inset that grows to the whole screen.
  s.at(42, 216);
  s.rect(kV1, 0.6f, 0.05f, 0.35f, 0.35f, true, 2, 1, 1, 1);
  s.on(kV1);
  s.scene(kV1, 0, 1, "tunnel");
  s.camera(kV1, 0, camera(1));
  s.at(43, 224);
  s.shake(kV1, 0.003f, 0.003f, 0, 1);
  s.at(44, 232);
  s.slide(kV1, {0.6f, 0.05f, 0.35f, 0.35f, 1}, {0, 0, 1, 1, 1}, 2);
  s.at(45, 248);
  s.removeLayer(kDef, 1);
  showOrbGroup(s, 4);
  s.at(46, 256);
  s.off(kV1);
  s.camera(kDef, 0, camera(4));
  s.stop(block(5));
  s.start(block(4));
  s.at(47, 264);
  flash(s, kDef, 0.3f);
  s.at(48, 272);  // the gate at the end of the tunnel opens into fog
  s.hide("tunnel.Gate");
  s.fog(kDef, 0, 6, 1, 3, 0.3f);
  s.at(49, 288);
  s.removeLayer(kDef, 1);
  s.at(50, 296);
  s.picture(kDef, 1, 0, "black");
  s.fade(kDef, 1, 1.5f, 0, 1);
  s.at(51, 312);
  s.stop(block(4));
  s.direction("tunnel.tunnel_anim_objects", false);  // the objects fly back into the dark
  return s.take();
}

ShowSection combatSection() {
  CueSheet s(4, 41);
  auto camera = [](int n) { return twoDigits("combat.Camera", n); };
  auto block = [](int n) { return twoDigits("combat.combat_camera", n); };
  s.at(0, 0);
  s.resetViewports();
  s.unloadScene("tunnel");
  s.scene(kDef, 0, 1, "combat");
  s.camera(kDef, 0, camera(1));
  s.play("combat");
  s.start("combat.combat_anim");
  s.start(block(1));
  s.on(kV1);
  s.picture(kV1, 0, 1, "transition fight");
  s.fade(kV1, 0, 1.5f, 1, 0);
  // Fast cuts through fifteen cameras, eight rows apart, with the hits on the way.
  for (int n = 2; n <= 15; ++n) {
    s.at(n - 1, 8 * (n - 1));
    s.camera(kDef, 0, camera(n));
    s.stop(block(n - 1));
    s.start(block(n));
    if (n == 5) s.motionBlur(kDef, 0, 0.6f);
    if (n == 7) s.shake(kDef, 0.01f, 0.005f, 0, 1);
    if (n == 9) s.start("combat.fireball_anim");
    if (n == 10) s.motionBlur(kDef, 0, 0.8f);
    if (n == 12) s.stop("combat.combat_anim");  // the fight holds its breath
  }
  s.at(15, 136);
  s.resume("combat.combat_anim");
  s.at(16, 144);
  flash(s, kDef, 0.5f);
  s.at(17, 152);  // the fireball again, the fight further on
  s.setTime("combat.fireball_anim", -3, false);
  s.setTime("combat.combat_anim", 17.2f, true);
  s.at(18, 168);
  s.shake(kDef, 0.01f, 0.01f, 0, 1);
  s.at(20, 192);
  s.removeLayer(kDef, 1);
  s.at(22, 216);
  s.picture(kDef, 1, 0, "black");
  s.fade(kDef, 1, 2, 0, 1);
  s.at(24, 240);
  // Under the black the fight runs backwards and the fireball waits at its start.
  s.direction("combat.combat_anim", false);
  s.setTime("combat.fireball_anim", 0, true);
  s.stop(block(15));
  return s.take();
}

}  // namespace vesk
