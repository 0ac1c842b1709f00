// Sections 5 to 9: the lion head, the dominos, the hourglass, the greetings and the credits.
#include <array>

#include "show/ShowCues.h"
#include "show/ShowFiles.h"

namespace vesk {
namespace {

const std::string kDef = viewportName(0);

// A slide of a whole rectangle from one place to another.
struct Box {
  float x, y, w, h;
};

void slideBox(CueSheet& s, const std::string& vp, Box from, float fromAlpha, Box to, float toAlpha,
              float seconds) {
  s.slide(vp, {from.x, from.y, from.w, from.h, fromAlpha}, {to.x, to.y, to.w, to.h, toAlpha},
          seconds);
}

// A text picture moving into a band of the screen from one side.
void textIn(CueSheet& s, const std::string& vp, const std::string& picture, Box to, float fromX) {
  s.picture(vp, 0, 1, picture);
  slideBox(s, vp, {fromX, to.y, to.w, to.h}, 0, to, 1, 1.5f);
  s.on(vp);
}

constexpr float kWire[6] = {5, 0, 0.4f, 1, 1, 1};
constexpr float kGoldWire[6] = {3, 0, 0.6f, 1, 0.8f, 0.3f};

}  // namespace

ShowSection lionheadSection() {
  CueSheet s(5, 44);
  auto camera = [](int n) { return twoDigits("lionhead.Camera", n); };
  const std::array<const char*, 8> pieces = {"Mane",  "Jaw",   "Brow",     "Nose",
                                             "Ear_l", "Ear_r", "Pillar_l", "Pillar_r"};
  auto piece = [](const char* name) { return std::string("lionhead.") + name; };
  // Wire over the head once more, then over the hall around it.
  const std::array<const char*, 10> face = {"cote droit", "cote gauche", "Head",   "Tongue",
                                            "Eye_l",      "Eye_r",       "Fang_l", "Fang_r",
                                            "Crown",      "Chin"};
  const std::array<const char*, 11> hall = {"Step01",   "Step02",   "Step03",   "Step04",
                                            "Column01", "Column02", "Column03", "Column04",
                                            "Torch_l",  "Torch_r",  "Altar"};
  // The lion head on its mirror floor, its sides drawn in wire.
  s.at(1, 0);
  s.resetViewports();
  s.unloadScene("combat");
  s.scene(kDef, 0, 1, "lionhead");
  s.camera(kDef, 0, camera(1));
  s.play("lionhead");
  s.start("lionhead.lionhead_anim");
  s.mirrorOn("lionhead.Plane01");
  s.mirrorOn("lionhead.Head");
  s.wireframe("lionhead.cote droit", kWire);
  s.wireframe("lionhead.cote gauche", kWire);
  s.wireframe("lionhead.Head", kGoldWire);
  s.wireframe("lionhead.Plane01", kWire);
  // The slogans slide in, one band each, while gold wire runs over the pieces of the head.
  const char* slogans[] = {"in code", "trust the vesk", "the vesk within"};
  const int sloganVolumes[] = {2, 3, 5};
  const int sloganRows[] = {32, 64, 112};
  for (int n = 0; n < 3; ++n) {
    s.at(sloganVolumes[n], sloganRows[n]);
    const std::string vp = viewportName(n + 1);
    const Box band = {0, 0.1f + 0.3f * static_cast<float>(n), 1, 0.2f};
    s.rect(vp, band.x, band.y, band.w, band.h);
    textIn(s, vp, slogans[n], band, n % 2 == 0 ? -1.0f : 1.0f);
    if (n > 0) {
      const Box previous = {0, band.y - 0.3f, 1, 0.2f};
      slideBox(s, viewportName(n), previous, 1, {0, previous.y, 1, previous.h}, 0.3f, 1);
    }
    for (int p = 0; p < 3 && 3 * n + p < 8; ++p)
      s.wireframe(piece(pieces[static_cast<std::size_t>(3 * n + p)]), kGoldWire);
    if (n == 1) {
      s.start("lionhead.lionhead_anim2");
      s.camera(kDef, 0, camera(2));
      s.at(4, 96);  // the second animation runs backwards
      s.direction("lionhead.lionhead_anim2", false);
    }
  }
  s.at(7, 128);
  slideBox(s, viewportName(3), {0, 0.7f, 1, 0.2f}, 1, {0, 0.7f, 1, 0.2f}, 0, 1);
  // The three-by-three grid: eight cameras around a portrait, each cell flying in from the
  // centre and fading up.
  // The slogans go; the first one's viewport, still on, becomes the first cell. The view goes
  // too, and the cells fly in over black: under them it would be the scene drawn a ninth time
  // with its mirror floor, every frame until the grid flies apart.
  for (int n = 2; n <= 3; ++n)
    s.off(viewportName(n));
  s.off(kDef);
  // Each mirror draws the scene once more in each of the nine cells: the wall behind the head
  // stops reflecting, so that the grid keeps its pace; the floor goes on.
  s.mirrorOff("lionhead.Head");
  s.plainPasses("lionhead.cote droit");
  s.plainPasses("lionhead.cote gauche");
  for (int cell = 0; cell < 9; ++cell) {
    const std::string vp = viewportName(cell + 1);
    const Box box = {static_cast<float>(cell % 3) / 3, static_cast<float>(cell / 3) / 3, 1.0f / 3,
                     1.0f / 3};
    s.rect(vp, box.x, box.y, box.w, box.h, true, 2, 0.9f, 0.7f, 0.3f);
    slideBox(s, vp, {1.0f / 3, 1.0f / 3, box.w, box.h}, 0, box, 1, 1);
    if (cell > 0) s.on(vp);
    if (cell == 4) {
      s.picture(vp, 0, 1, "halcyon");
    } else {
      const int cam = cell < 4 ? cell + 1 : cell;
      s.scene(vp, 0, 1, "lionhead");
      s.camera(vp, 0, camera(cam));
      s.fade(vp, 0, 1.5f, 0, 1);
    }
  }
  // The crew looks out of the grid, two cells at a time; "1" to "4" count.
  const int countVolumes[] = {8, 9, 10, 11};
  const int countRows[] = {160, 176, 192, 208};
  const int cells[] = {0, 2, 6, 8, 1, 3, 5, 7};
  const std::string counter = viewportName(10);
  for (int n = 0; n < 4; ++n) {
    s.at(countVolumes[n], countRows[n]);
    if (n == 0) {
      s.rect(counter, 0.4f, 0.35f, 0.2f, 0.3f);
      s.on(counter);
    }
    s.picture(counter, 0, 1, std::to_string(n + 1));
    s.fade(counter, 0, 0.8f, 1, 0);
    for (int k = 0; k < 2; ++k) {
      const std::string vp = viewportName(cells[2 * n + k] + 1);
      s.picture(vp, 1, 0, showCrew()[static_cast<std::size_t>(2 * n + k)]);
      s.fade(vp, 1, 1, 0, 1);
    }
  }
  // The portraits give way to the cameras again, two of which move on.
  s.at(13, 224);
  s.off(counter);
  for (int k = 0; k < 8; ++k) {
    const std::string vp = viewportName(cells[k] + 1);
    if (k < 5) {
      s.removeLayer(vp, 1);
    } else {
      s.fade(vp, 1, 1, 1, 0);
    }
  }
  s.camera(viewportName(1), 0, camera(5));
  s.camera(viewportName(3), 0, camera(8));
  s.start("lionhead.lionhead_anim");
  s.setTime("lionhead.lionhead_anim", 4, true);
  s.at(14, 240);
  for (int cell = 0; cell < 6; ++cell)
    s.shake(viewportName(cell + 1), 0.004f, 0.004f, 0, 1);
  for (const char* name : face)
    s.wireframe(piece(name), kWire);
  // The grid flies apart with the crew in it and the head returns, forwards again. The
  // portraits take the place of the cells' views, which they would hide.
  s.at(20, 256);
  for (int cell = 0; cell < 9; ++cell) {
    const float x = static_cast<float>(cell % 3) / 3, y = static_cast<float>(cell / 3) / 3;
    if (cell != 4)
      s.picture(viewportName(cell + 1), 0, 1,
                showCrew()[static_cast<std::size_t>(cell < 4 ? cell : cell - 1)]);
    slideBox(s, viewportName(cell + 1), {x, y, 1.0f / 3, 1.0f / 3}, 1,
             {3 * x - 1, 3 * y - 1, 1.0f / 3, 1.0f / 3}, 0, 1.5f);
  }
  s.direction("lionhead.lionhead_anim2", true);
  s.resume("lionhead.lionhead_anim2");
  s.camera(kDef, 0, camera(3));
  s.on(kDef);
  for (const char* name : hall)
    s.wireframe(piece(name), kGoldWire);
  s.fade(kDef, 0, 1, 0.5f, 1);
  s.at(25, 288);
  s.crossFade(kDef, 0, 2, "carre64.png", false, 2);
  return s.take();
}

ShowSection dominosSection() {
  CueSheet s(6, 45);
  const std::string kV3 = viewportName(3), kV4 = viewportName(4);
  s.at(0, 0);
  s.resetViewports();
  s.scene(kDef, 0, 1, "dominos");
  s.camera(kDef, 0, "dominos.Camera01");
  s.play("dominos");
  s.start("dominos.dominos_anim");
  s.rect(kV3, 0.65f, 0.05f, 0.3f, 0.3f, true, 1, 1, 1, 1);
  s.on(kV3);
  s.scene(kV3, 0, 1, "dominos_b");
  s.camera(kV3, 0, "dominos_b.Camera01");
  s.fade(kV3, 0, 1, 0, 1);
  s.play("dominos_b");
  s.start("dominos_b.dominos_b_anim");
  s.at(1, 32);
  s.rect(kV4, 0.05f, 0.65f, 0.3f, 0.3f, true, 1, 1, 1, 1);
  s.on(kV4);
  s.scene(kV4, 0, 1, "dominos_p");
  s.camera(kV4, 0, "dominos_p.Camera01");
  s.fade(kV4, 0, 1, 0, 1);
  s.play("dominos_p");
  s.start("dominos_p.dominos_p_anim");
  // The chains in wire, wave after wave.
  s.at(2, 64);
  for (int n = 1; n <= 8; ++n)
    s.wireframe(twoDigits("dominos.Chain", n), kWire);
  s.at(3, 96);
  s.camera(kDef, 0, "dominos.Camera02");
  s.setTime("dominos.dominos_anim", 8, true);
  s.direction("dominos_b.dominos_b_anim", false);
  for (int n = 1; n <= 4; ++n)
    s.wireframe(twoDigits("dominos_b.Chain", n), kGoldWire);
  for (int n = 1; n <= 4; ++n)
    s.wireframe(twoDigits("dominos_p.Chain", n), kGoldWire);
  s.at(4, 128);
  s.plainPasses("dominos.Chain01");
  s.direction("dominos_b.dominos_b_anim", true);
  s.direction("dominos_p.dominos_p_anim", false);
  s.resume("dominos_b.dominos_b_anim");
  s.off(kV4);
  s.at(5, 160);
  s.crossFade(kDef, 0, 2, "disque.jpg", false, 1);
  s.off(kV3);
  return s.take();
}

ShowSection sablierSection() {
  CueSheet s(7, 42);
  const std::string kV1 = viewportName(1);
  auto camera = [](int n) { return twoDigits("sablier.Camera", n); };
  auto block = [](int n) { return twoDigits("sablier.sablier_anim_camera", n); };
  s.at(0, 0);
  s.resetViewports();
  s.on(kV1);
  s.scene(kV1, 0, 1, "sablier");
  s.camera(kV1, 0, camera(1));
  s.play("sablier");
  s.start(block(1));
  s.start("sablier.sablier_anim_lights");
  s.particles("sablier.Sand", 0.5f, 40, true);
  s.startController("sablier.Sand");
  s.mirrorOn("sablier.Floor");
  s.mirrorOn("sablier.Glass");
  s.mirrorOn("sablier.Frame");
  // "open", "your", "eyes", one word at a time.
  const char* words[] = {"open", "your", "eyes"};
  for (int n = 0; n < 3; ++n) {
    s.at(n + 1, 24 + 16 * n);
    const Box box = {0.3f * static_cast<float>(n), 0.4f, 0.4f, 0.2f};
    s.rect(viewportName(n + 2), box.x, box.y, box.w, box.h);
    textIn(s, viewportName(n + 2), words[n], box, -0.5f);
  }
  s.at(4, 72);
  for (int n = 2; n <= 4; ++n)
    s.off(viewportName(n));
  textIn(s, viewportName(5), "open your eyes", {0, 0.4f, 1, 0.2f}, 1);
  s.at(5, 96);
  s.camera(kV1, 0, camera(2));
  s.stop(block(1));
  s.start(block(2));
  s.setTime(block(2), 1, true);
  s.fade(viewportName(5), 0, 1, 1, 0.4f);
  s.wireframe("sablier.Glass", kWire);
  s.wireframe("sablier.Frame", kGoldWire);
  // The four sentences of time, truth, knowledge and wisdom.
  const char* sentences[] = {"time is not truth", "truth is not knowledge",
                             "knowledge is not wisdom", "time is everything"};
  const int volumes[] = {6, 7, 8, 10};
  for (int n = 0; n < 4; ++n) {
    s.at(volumes[n], 112 + 24 * n);
    if (n == 0) s.off(viewportName(5));
    textIn(s, viewportName(n + 2 + (n == 3 ? 1 : 0)), sentences[n],
           {0, 0.05f + 0.22f * static_cast<float>(n), 1, 0.2f}, n % 2 == 0 ? -1.0f : 1.0f);
    if (n >= 2) s.fade(kV1, 0, 1, 0.6f, 1);  // the light swells with the words
    if (n == 2) {
      s.camera(kV1, 0, camera(3));
      s.stop(block(2));
      s.start(block(3));
    }
  }
  // The lights breathe backwards while the first three sentences leave.
  s.at(11, 192);
  s.direction("sablier.sablier_anim_lights", false);
  s.camera(kV1, 0, camera(4));
  s.stop(block(3));
  s.start(block(4));
  for (int n = 0; n < 3; ++n) {
    const float y = 0.05f + 0.22f * static_cast<float>(n);
    slideBox(s, viewportName(n + 2), {0, y, 1, 0.2f}, 1, {n % 2 == 0 ? 1.0f : -1.0f, y, 1, 0.2f}, 0,
             1.5f);
  }
  s.at(12, 216);
  s.fade(viewportName(6), 0, 1.5f, 1, 0);
  s.direction("sablier.sablier_anim_lights", true);
  s.resume("sablier.sablier_anim_lights");
  s.at(13, 232);
  s.plainPasses("sablier.Glass");
  s.picture(kV1, 1, 0, "black");
  s.fade(kV1, 1, 2, 0, 1);
  return s.take();
}

ShowSection greetingsSection() {
  CueSheet s(8, 48);
  const std::string kV1 = viewportName(1), kV2 = viewportName(2), kV3 = viewportName(3),
                    kV4 = viewportName(4), kV5 = viewportName(5);
  const char* photos[] = {"sablier greets", "combat2",      "boule de feu2",
                          "murecrit",       "fight greets", "fjordbit"};
  const char* texts[] = {"staff greets",   "staff orga",       "quartzlight",
                         "moth orchestra", "lantern ensemble", "staff greets"};
  const Box photoBox = {0.05f, 0.1f, 0.55f, 0.55f};
  const Box textBox = {0.45f, 0.65f, 0.5f, 0.3f};
  s.at(0, 0);
  s.resetViewports();
  s.rect(kV1, photoBox.x, photoBox.y, photoBox.w, photoBox.h, true, 2, 0.9f, 0.7f, 0.3f);
  s.on(kV1);
  s.rect(kV2, textBox.x, textBox.y, textBox.w, textBox.h);
  s.on(kV2);
  s.picture(kV1, 0, 1, photos[0]);
  s.fade(kV1, 0, 0.8f, 0, 1);
  slideBox(s, kV1, {-0.6f, photoBox.y, photoBox.w, photoBox.h}, 1, photoBox, 1, 1);
  // Each picture takes over from the last one with a fade; each text slides in, then wobbles
  // while the next picture comes.
  for (int n = 0; n < 6; ++n) {
    if (n > 0) {
      s.at(2 * n, 28 * n);
      // Layer 1 draws over layer 0: a new picture there fades in, one put beneath is
      // uncovered by fading the old one out.
      s.picture(kV1, n % 2, 1, photos[n]);
      if (n % 2 == 1) {
        s.fade(kV1, 1, 0.8f, 0, 1);
      } else {
        s.fade(kV1, 1, 0.8f, 1, 0);
      }
      s.shake(kV2, 0.005f, 0.005f, 0.001f, 1);
      if (n % 2 == 0)
        slideBox(s, kV1, photoBox, 1, {0.4f, photoBox.y, photoBox.w, photoBox.h}, 1, 2);
    }
    s.at(2 * n + 1, 28 * n + 14);
    s.picture(kV2, 0, 1, texts[n]);
    slideBox(s, kV2, {1, textBox.y, textBox.w, textBox.h}, 0, textBox, 1, 1);
    if (n > 0) s.removeLayer(kV1, (n + 1) % 2);
  }
  // The logo through a spiral, the production and the show named beside it.
  s.at(12, 168);
  s.off(kV1);
  s.off(kV2);
  s.rect(kV5, 0.2f, 0.15f, 0.6f, 0.5f);
  s.on(kV5);
  s.picture(kV5, 0, 1, "vesklogo");
  s.crossFade(kV5, 0, 3, "spirale.jpg", true, 0);
  slideBox(s, kV5, {0.3f, 0.25f, 0.4f, 0.3f}, 1, {0.2f, 0.15f, 0.6f, 0.5f}, 1, 3);
  s.shake(kV5, 0.002f, 0.002f, 0, 1);
  const char* names[] = {"vesk", "clepsydra"};
  for (int n = 0; n < 2; ++n) {
    const std::string vp = n == 0 ? kV3 : kV4;
    const float x = n == 0 ? 0.05f : 0.55f;
    s.rect(vp, x, 0.7f, 0.4f, 0.2f);
    s.on(vp);
    s.picture(vp, 0, 1, names[n]);
    slideBox(s, vp, {x, 1, 0.4f, 0.2f}, 0, {x, 0.7f, 0.4f, 0.2f}, 1, 1.5f);
    s.fade(vp, 0, 1.5f, 0, 1);
  }
  return s.take();
}

ShowSection creditsSection() {
  CueSheet s(9, 47);
  const std::string kText = viewportName(9), kTitle = viewportName(8), kWhite = viewportName(15);
  const Box portrait = {0.05f, 0.1f, 0.35f, 0.45f};
  auto at = [&](float x) { return Box{x, portrait.y, portrait.w, portrait.h}; };
  s.at(0, 0);
  s.resetViewports();
  s.play("dominos");
  s.rect(kDef, 0, 0, 1, 1, true, 3, 0.9f, 0.7f, 0.3f);
  s.on(kDef);
  s.rect(kText, 0.1f, 0.75f, 0.8f, 0.2f);
  // The production's name above the first member.
  s.rect(kTitle, 0.55f, 0.05f, 0.4f, 0.2f);
  s.picture(kTitle, 0, 1, "vesk");
  s.on(kTitle);
  s.fade(kTitle, 0, 1, 0, 1);
  slideBox(s, kTitle, {1, 0.05f, 0.4f, 0.2f}, 1, {0.55f, 0.05f, 0.4f, 0.2f}, 1, 1);
  for (int k = 0; k < 7; ++k) {
    const std::string member = showCrew()[static_cast<std::size_t>(k)];
    const std::string vp = viewportName(k + 1);
    // The domino scene restarts from another camera and time; the portrait slides in, from
    // the third member on with the black glass dominos seen behind it (the inset scene, whose
    // plain boxes cast no shadows: two shadowed domino scenes at once cost too much).
    if (k > 0) s.at(k, 48 * k);
    s.scene(kDef, 0, 1, "dominos");
    s.camera(kDef, 0, twoDigits("dominos.Camera", k + 1));
    s.play("dominos");
    s.start("dominos.dominos_anim");
    s.setTime("dominos.dominos_anim", 2.5f * static_cast<float>(k), true);
    if (k >= 2) {
      s.scene(vp, 0, 1, "dominos_b");
      s.picture(vp, 1, 0.85f, member);
    } else {
      s.picture(vp, 0, 1, member);
    }
    slideBox(s, vp, at(-0.4f), 0, portrait, 1, 1.5f);
    s.on(vp);
    // The text moves in.
    s.at(k + 10, 48 * k + 8);
    s.picture(kText, 0, 1, "txt" + member);
    slideBox(s, kText, {1, 0.75f, 0.8f, 0.2f}, 0, {0.1f, 0.75f, 0.8f, 0.2f}, 1, 1);
    s.on(kText);
    if (k == 6) {  // and the show's name with the last member
      s.rect(kTitle, 0.55f, 0.05f, 0.4f, 0.2f);
      s.picture(kTitle, 0, 1, "clepsydra");
      s.on(kTitle);
      slideBox(s, kTitle, {1, 0.05f, 0.4f, 0.2f}, 0, {0.55f, 0.05f, 0.4f, 0.2f}, 1, 1);
    }
    // The portrait crosses the screen.
    s.at(k + 20, 48 * k + 24);
    slideBox(s, vp, portrait, 1, at(0.6f), 1, 2);
    // And leaves.
    s.at(k + 30, 48 * k + 40);
    slideBox(s, vp, at(0.6f), 1, at(1.05f), 0, 1);
    s.fade(kText, 0, 0.8f, 1, 0);
    if (k == 0) s.off(kTitle);
    if (k == 6) {
      s.off(kText);
      s.picture(kTitle, 0, 1, "vesklogo");
    }
  }
  s.at(7, 352);  // white over everything
  s.rect(kWhite, 0, 0, 1, 1);
  s.picture(kWhite, 0, 1, "white");
  s.fade(kWhite, 0, 2, 0, 1);
  s.on(kWhite);
  s.at(17, 376);
  s.quit();
  return s.take();
}

std::vector<ShowSection> showSections() {
  std::vector<ShowSection> sections;
  sections.push_back(citySection());
  sections.push_back(templeSection());
  sections.push_back(tunnelSection());
  sections.push_back(combatSection());
  sections.push_back(lionheadSection());
  sections.push_back(dominosSection());
  sections.push_back(sablierSection());
  sections.push_back(greetingsSection());
  sections.push_back(creditsSection());
  return sections;
}

}  // namespace vesk
