// "ville": the desert city at dusk. A paved plaza ringed by sandstone houses, some under gold
// domes, with streets running out east and west between them; an obelisk on the north side;
// a long basin ("Bassin", a water surface) between two fountains whose jets ("Water",
// "Water2") are particle systems of sparks; clouds drifting high above; the scarab swarm and
// the two walking heroes (SceneVilleLife.cpp). Twelve cameras, each with its own flight where
// the script cuts to it, timed to its shot.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "SceneKit.h"
#include "SceneVilleLife.h"
#include "ShowData.h"
#include "authoring/SceneExamples.h"
#include "authoring/SceneShapes.h"

namespace showgen {

using namespace vesk;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

enum Material : std::int32_t {
  kWall,
  kGround,
  kPaving,
  kGold,
  kWater,
  kSky,
  kSpark,
  kShell,
  kWing,
  kDark,
  kCloud,
  kRobeA,
  kRobeB,
  kSkin,
  kStone,
};

std::vector<SceneMaterial> materials() {
  std::vector<SceneMaterial> list;
  list.push_back(texturedMaterial("sandstone_wall.jpg", {1, 0.86f, 0.68f}, 0.12f, 0.2f));
  SceneMaterial ground = texturedMaterial("sandstone.jpg", {0.95f, 0.78f, 0.55f}, 0.05f, 0.1f);
  ground.diffuseMaps.push_back(texture("lightmap_warm.jpg", 2));
  list.push_back(ground);
  list.push_back(texturedMaterial("sandstone_wall.jpg", {0.8f, 0.66f, 0.52f}, 0.3f, 0.35f));
  SceneMaterial gold = texturedMaterial("gold.jpg", {1, 0.82f, 0.45f}, 0.75f, 1.2f);
  gold.environmentMap = texture("env_metal.jpg");
  list.push_back(gold);
  list.push_back(texturedMaterial("water.jpg", {0.6f, 1, 0.95f}, 0.85f, 1));
  SceneMaterial sky = texturedMaterial("sky_dusk.jpg", {0, 0, 0}, 0, 0);
  sky.ambient = {0, 0, 0};
  sky.selfIllumination = {1, 1, 1};
  list.push_back(sky);
  SceneMaterial spark = texturedMaterial("spark.jpg", {0.6f, 0.95f, 1}, 0, 0);
  spark.transparencyMap = texture("spark.jpg");  // the glow's own brightness as its alpha
  spark.selfIllumination = {0.5f, 0.85f, 1};
  spark.opacity = 0.9f;
  list.push_back(spark);
  SceneMaterial shell = texturedMaterial("black_glass.jpg", {0.35f, 0.3f, 0.45f}, 0.8f, 1.5f);
  shell.additiveEnvironmentMap = texture("env_metal.jpg");
  list.push_back(shell);
  SceneMaterial wing = texturedMaterial("water.jpg", {0.8f, 1, 0.95f}, 0.6f, 1);
  wing.transparencyMap = texture("glass_mask.jpg");
  wing.selfIllumination = {0.2f, 0.3f, 0.3f};
  list.push_back(wing);
  list.push_back(sceneColourMaterial({0.12f, 0.08f, 0.05f}));
  SceneMaterial cloud = sceneColourMaterial({0.9f, 0.72f, 0.7f}, 0.7f);
  cloud.selfIllumination = {0.55f, 0.38f, 0.42f};
  list.push_back(cloud);
  list.push_back(texturedMaterial("sandstone.jpg", {0.3f, 0.45f, 1}, 0.2f, 0.3f));
  list.push_back(texturedMaterial("sandstone.jpg", {1, 0.95f, 0.85f}, 0.2f, 0.3f));
  list.push_back(texturedMaterial("", {0.55f, 0.35f, 0.22f}, 0.3f, 0.3f));
  list.push_back(texturedMaterial("sandstone.jpg", {1, 0.88f, 0.7f}, 0.2f, 0.3f));
  return list;
}

// A small generator of our own, so that the city is the same on every run.
class Dice {
 public:
  float next(float low, float high) {
    _state = _state * 1664525u + 1013904223u;
    return low + (high - low) * static_cast<float>(_state >> 8) / 16777216.0f;
  }

 private:
  std::uint32_t _state = 20260;
};

SceneNode shape(const std::string& name, Handles& handles, SceneMesh mesh, std::int32_t material,
                SceneVector position = {}) {
  return makeNode(name, handles.next(), SceneShape{std::move(mesh), material}, position);
}

// A house: a bevelled block with a cornice, and sometimes a drum with a gold dome.
// `door` is the side along y its door faces (+1 or -1), 0 for none.
void addHouse(std::vector<SceneNode>& nodes, Handles& handles, int number, SceneVector at,
              SceneVector size, bool dome, float door = 0) {
  // Only the houses on the plaza are bevelled: the others are seen from afar.
  SceneMesh block = sceneBevelledBox(size, door != 0 ? 0.15f : 0, 4);
  if (door != 0) {
    // A dark doorway with a lintel, and two window slits above it.
    SceneMesh opening = sceneBevelledBox({1.3f, 0.12f, 2.3f}, 0);
    sceneTranslate(opening, {0, door * size.y / 2, 1.15f - size.z / 2});
    for (float x : {-1.6f, 1.6f}) {
      SceneMesh slit = sceneBevelledBox({0.45f, 0.12f, 1.0f}, 0);
      sceneTranslate(slit, {x, door * size.y / 2, 3.2f - size.z / 2});
      sceneMerge(opening, slit);
    }
    sceneTranslate(opening, {0, 0, size.z / 2});
    nodes.push_back(shape("Door" + std::to_string(number), handles, opening, kDark, at));
  }
  sceneTranslate(block, {0, 0, size.z / 2});
  SceneMesh cornice = sceneBevelledBox({size.x + 0.4f, size.y + 0.4f, 0.35f}, 0, 4);
  sceneTranslate(cornice, {0, 0, size.z});
  sceneMerge(block, cornice);
  SceneNode house = shape("House" + std::to_string(number), handles, block, kWall, at);
  if (dome) {
    const float r = std::min(size.x, size.y) * 0.38f;
    SceneMesh drum = sceneCylinder(r, 0.9f, 8);
    sceneTranslate(drum, {0, 0, size.z + 0.17f});
    house.children.push_back(shape("Drum" + std::to_string(number), handles, drum, kWall));
    std::vector<LathePoint> profile;
    for (int i = 0; i <= 4; ++i) {
      const float a = kPi / 2 * static_cast<float>(i) / 4;
      profile.push_back({i == 4 ? 0 : r * 1.05f * std::cos(a), r * 1.15f * std::sin(a)});
    }
    profile.push_back({0, r * 1.15f + 0.5f});  // a finial
    profile.insert(profile.begin(), {0, 0});
    SceneMesh cupola = sceneLathe(profile, 8, 60);
    sceneTranslate(cupola, {0, 0, size.z + 1.07f});
    house.children.push_back(shape("Dome" + std::to_string(number), handles, cupola, kGold));
  }
  nodes.push_back(std::move(house));
}

void addCity(std::vector<SceneNode>& nodes, Handles& handles) {
  Dice dice;
  int number = 0;
  // The rows of houses north and south of the plaza, a street behind each, and a second row.
  for (float side : {1.0f, -1.0f})
    for (int row = 0; row < 2; ++row) {
      float x = -27;
      while (x < 27) {
        const float width = dice.next(5, 8.5f);
        const float depth = dice.next(5, 7);
        const float height = row == 0 ? dice.next(4.5f, 7.5f) : dice.next(7, 11);
        const float y = side * ((row == 0 ? 18 : 28.5f) + depth / 2);
        const bool domed = dice.next(0, 1) < (row == 0 ? 0.3f : 0.45f);
        addHouse(nodes, handles, ++number, {x + width / 2, y, 0}, {width, depth, height}, domed,
                 row == 0 ? -side : 0);
        x += width + (std::fabs(x + width / 2) < 3 ? 5 : 0.6f);  // a lane through the middle
      }
    }
  // The east and west ends, leaving the main street open at y = 0.
  for (float end : {1.0f, -1.0f})
    for (float side : {1.0f, -1.0f}) {
      const float height = dice.next(6, 9);
      addHouse(nodes, handles, ++number, {end * 31, side * 9.5f, 0}, {7, 11, height},
               side > 0 && end > 0);
    }
}

void addObelisk(std::vector<SceneNode>& nodes, Handles& handles) {
  SceneMesh shaft =
      sceneExtrusion({{-0.8f, -0.8f}, {0.8f, -0.8f}, {0.8f, 0.8f}, {-0.8f, 0.8f}}, 15, 3);
  for (SceneVertex& v : shaft.vertices) {
    const float taper = 1 - 0.4f * v.position.z / 15;
    v.position.x *= taper;
    v.position.y *= taper;
  }
  sceneComputeNormals(shaft, 20);
  sceneMapBox(shaft, 3);
  sceneTranslate(shaft, {0, 0, 1.4f});
  SceneMesh base = sceneBevelledBox({3.2f, 3.2f, 0.8f}, 0.12f, 2);
  sceneTranslate(base, {0, 0, 0.4f});
  SceneMesh step = sceneBevelledBox({2.4f, 2.4f, 0.6f}, 0.1f, 2);
  sceneTranslate(step, {0, 0, 1.1f});
  sceneMerge(shaft, base);
  sceneMerge(shaft, step);
  SceneNode obelisk = shape("Obelisk", handles, shaft, kStone, {0, 12, 0});
  SceneMesh tip = sceneLathe({{0, 0}, {1.35f, 0}, {0, 1.7f}}, 4, 10);
  sceneRotate(tip, {0, 0, 1}, kPi / 4);
  sceneTranslate(tip, {0, 0, 16.4f});
  obelisk.children.push_back(shape("Pyramidion", handles, tip, kGold));
  nodes.push_back(std::move(obelisk));
}

// A fountain at `at`: a round basin with a pedestal bowl, the jet on top.
void addFountain(std::vector<SceneNode>& nodes, Handles& handles, const std::string& jet,
                 SceneVector at, bool secondColour) {
  SceneMesh stone = sceneLathe({{0, 0},
                                {2.3f, 0},
                                {2.3f, 0.55f},
                                {2.05f, 0.65f},
                                {1.95f, 0.2f},
                                {0.35f, 0.2f},
                                {0.3f, 0.9f},
                                {0.45f, 1.05f},
                                {1.0f, 1.25f},
                                {1.05f, 1.42f},
                                {0.85f, 1.38f},
                                {0, 1.3f}},
                               12, 40);
  const std::string name = jet == "Water" ? "Fountain1" : "Fountain2";
  SceneNode fountain = shape(name, handles, stone, kStone, at);
  SceneMesh pool = sceneLathe({{2.0f, 0.45f}, {0, 0.45f}}, 12);
  fountain.children.push_back(shape(name + "_pool", handles, pool, kWater));

  // The jet: sparks thrown up by the script's speed and pulled down by its gravity. The
  // system's scale brings the speed the script gives to some six metres a second.
  SceneNode drop = makeNode(jet + "_drop", handles.next(), SceneSprite{0.35f, kSpark});
  SceneParticles particles;
  particles.spreadX = particles.spreadY = 0.12f;
  particles.rateFactor = 1;
  particles.angleSpread = secondColour ? 16 : 12;
  particles.classes.push_back({8000, 2.0f, 300, drop});
  SceneNode system = makeNode(jet, handles.next(), particles, {0, 0, 1.5f});
  system.scale = {0.06f, 0.06f, 0.06f};
  fountain.children.push_back(std::move(system));
  nodes.push_back(std::move(fountain));
}

void addBasin(std::vector<SceneNode>& nodes, Handles& handles) {
  // The water: 16 by 1.25 metres, a grid of 128 by 10 (narrow, so that it stays cheap).
  SceneWater water;
  water.width = 16;
  water.length = 1.25f;
  water.strength = 0.0006f;
  water.impulseSize = 0.8f;
  water.impulseProbability = 0.15f;
  water.damping = 0.97f;
  water.corners = {SceneVector{-8, -0.625f, 0}, {8, -0.625f, 0}, {-8, 0.625f, 0}, {8, 0.625f, 0}};
  water.material = kWater;
  nodes.push_back(makeNode("Bassin", handles.next(), water, {0, 0, 0.4f}));
  SceneMesh rim = sceneBevelledBox({17, 0.5f, 0.6f}, 0.1f, 2);
  sceneTranslate(rim, {0, 0.87f, 0.3f});
  SceneMesh other = sceneBevelledBox({17, 0.5f, 0.6f}, 0.1f, 2);
  sceneTranslate(other, {0, -0.87f, 0.3f});
  sceneMerge(rim, other);
  for (float end : {-8.25f, 8.25f}) {
    SceneMesh cap = sceneBevelledBox({0.5f, 1.25f, 0.6f}, 0.1f, 2);
    sceneTranslate(cap, {end, 0, 0.3f});
    sceneMerge(rim, cap);
  }
  SceneMesh floor = sceneFloor(1);
  sceneScale(floor, {8, 0.625f, 1});
  sceneTranslate(floor, {0, 0, 0.05f});
  sceneMapPlanar(floor, -8, -0.75f, 2, 2);
  sceneMerge(rim, floor);
  nodes.push_back(shape("BassinRim", handles, rim, kPaving));
}

void addGroundAndSky(std::vector<SceneNode>& nodes, Handles& handles) {
  // The ground: a 3 by 3 grid of quads whose middle one holds the light map's warm pool over
  // the city once; the outer ones keep the map's dark edge.
  SceneMesh ground;
  ground.channels = 2;
  ground.hasNormals = true;
  const float lines[4] = {-260, -70, 70, 260};
  for (float y : lines)
    for (float x : lines) {
      SceneVertex v;
      v.position = {x, y, 0};
      v.normal = {0, 0, 1};
      v.uv[0] = {x / 8, y / 8};
      v.uv[1] = {std::clamp((x + 70) / 140, 0.02f, 0.98f),
                 std::clamp((y + 70) / 140, 0.02f, 0.98f)};
      ground.vertices.push_back(v);
    }
  for (std::uint32_t j = 0; j < 3; ++j)
    for (std::uint32_t i = 0; i < 3; ++i) {
      const std::uint32_t a = j * 4 + i, b = a + 1, c = a + 5, d = a + 4;
      ground.faces.push_back({a, c, b});  // counter-clockwise from above, stored the other way
      ground.faces.push_back({a, d, c});
    }
  nodes.push_back(shape("Ground", handles, ground, kGround));
  SceneMesh paving = sceneBevelledBox({54, 34, 0.1f}, 0.04f, 3);
  nodes.push_back(shape("Plaza", handles, paving, kPaving));
  // The sky: a dome seen from within, the horizon a little below the ground's edge.
  std::vector<LathePoint> profile;
  for (int i = 0; i <= 6; ++i) {
    const float a = -0.08f + (kPi / 2 + 0.08f) * static_cast<float>(i) / 6;
    profile.push_back({i == 6 ? 0 : 300 * std::cos(a), 300 * std::sin(a)});
  }
  SceneMesh dome = sceneLathe(profile, 16, 90);
  sceneFlip(dome);
  nodes.push_back(shape("Sky", handles, dome, kSky));
}

// Clouds: clusters of flattened blobs high over the city; the block "ville_anim_nuages"
// drifts them.
std::vector<std::int32_t> addClouds(std::vector<SceneNode>& nodes, Handles& handles,
                                    std::vector<SceneVector>& starts) {
  Dice dice;
  std::vector<std::int32_t> clouds;
  for (int i = 0; i < 4; ++i) {
    SceneMesh cloud;
    for (int blob = 0; blob < 2; ++blob) {
      SceneMesh part = sceneSphere(1, 8, 4);
      sceneScale(part, {dice.next(12, 20), dice.next(7, 11), dice.next(2.5f, 4)});
      sceneTranslate(part, {dice.next(-10, 10), dice.next(-5, 5), dice.next(-1, 1)});
      sceneMerge(cloud, part);
    }
    const float angle = 2 * kPi * static_cast<float>(i) / 4 + 0.4f;
    const SceneVector at{110 * std::cos(angle), 110 * std::sin(angle), dice.next(55, 75)};
    nodes.push_back(shape("Cloud" + std::to_string(i + 1), handles, cloud, kCloud, at));
    clouds.push_back(nodes.back().handle);
    starts.push_back(at);
  }
  return clouds;
}

SceneVector mix(SceneVector a, SceneVector b, float s) {
  return {a.x + (b.x - a.x) * s, a.y + (b.y - a.y) * s, a.z + (b.z - a.z) * s};
}

// A smooth start and end for a fraction of 0 to 1.
float ease(float s) {
  return s * s * (3 - 2 * s);
}

// The flights. `duration` covers the longest stretch the script plays of each (a block started
// with a time jump runs from there).
struct Flight {
  int camera;
  float duration;
  CameraPose (*pose)(float t, float duration);
};

const Flight kFlights[] = {
    // 01: the establishing shot, descending over the south-west roofs toward the obelisk.
    {1, 7,
     [](float t, float d) {
       const float s = ease(t / d);
       return CameraPose{mix({-58, -52, 34}, {-34, -30, 15}, s), mix({0, 8, 8}, {0, 6, 5}, s)};
     }},
    // 02: the wide view from the east as the swarm sweeps past, pulling back.
    {2, 6,
     [](float t, float d) {
       const float s = t / d;
       return CameraPose{mix({44, -30, 12}, {54, -37, 17}, s), {0, 4, 7}};
     }},
    // 04: around the east fountain, close.
    {4, 6,
     [](float t, float) {
       const float a = -1.3f + 0.22f * t;
       return CameraPose{{10 + 7 * std::cos(a), 7 * std::sin(a), 2.4f}, {10, 0, 2.0f}};
     }},
    // 06: beside the heroes as they walk, a little ahead of them.
    {6, 6,
     [](float t, float) {
       // The heroes' walk is 4.26 s ahead of this flight when the script shows it.
       const SceneVector hero = heroPosition(t + 4.26f);
       return CameraPose{{hero.x + 3.2f, hero.y - 3.6f, 1.5f}, {hero.x, hero.y - 0.5f, 1.2f}};
     }},
    // 08: low along the basin from the west fountain toward the east one.
    {8, 6.5f,
     [](float t, float d) {
       const float s = t / d;
       return CameraPose{mix({-15, -2.8f, 1.2f}, {-4, -2.6f, 1.5f}, s), {10, 0, 2.5f}};
     }},
    // 09: a crane over the basin, coming down.
    {9, 5,
     [](float t, float d) {
       const float s = ease(t / d);
       return CameraPose{mix({-6, -16, 16}, {2, -11, 6}, s), {0, 0, 0.8f}};
     }},
    // 10: a long slow turn around the obelisk.
    {10, 16,
     [](float t, float d) {
       const float a = -2.2f + 2.0f * t / d;
       return CameraPose{{22 * std::cos(a), 12 + 22 * std::sin(a), 5 + 0.3f * t}, {0, 12, 8}};
     }},
    // 11: down the east street toward the plaza, at eye height.
    {11, 6,
     [](float t, float d) {
       const float s = t / d;
       return CameraPose{mix({52, 1, 1.8f}, {30, 0.5f, 2.2f}, s), mix({0, 0, 3}, {0, 4, 4}, s)};
     }},
    // 12: low by the plaza's edge, looking up at the obelisk and the domes.
    {12, 7,
     [](float t, float d) {
       const float s = t / d;
       return CameraPose{mix({7, 1.5f, 0.8f}, {3, 2.5f, 1.2f}, s), {0, 13, 12}};
     }},
};

// The cameras the script never flies: still views kept for the scene's set.
const CameraPose kStill[] = {
    {{-20, 26, 20}, {0, 0, 2}},  // 03: from the northern roofs
    {{0, -6, 60}, {0, 1, 0}},    // 05: straight over the plaza
    {{-55, 2, 3}, {0, 0, 4}},    // 07: up the west street
};

}  // namespace

bool addSceneVille(DataSet& set, Progress& progress, std::string& error) {
  Handles handles;
  SceneFile scene;
  scene.materials = materials();
  scene.root.name = "ville";
  scene.root.handle = handles.next();
  std::vector<SceneNode>& nodes = scene.root.children;

  // The cameras first, Camera01 the scene's own, each where its flight starts.
  std::vector<std::pair<std::string, AnimationFile>> animations;
  std::int32_t cameraHandle[13] = {};
  for (int n = 1; n <= 12; ++n) {
    CameraPose pose{};
    const Flight* flight = nullptr;
    for (const Flight& f : kFlights)
      if (f.camera == n) flight = &f;
    if (flight)
      pose = flight->pose(0, flight->duration);
    else
      pose = kStill[(n - 3) / 2];
    SceneNode camera =
        sceneCameraLookingAt(std::string("Camera") + (n < 10 ? "0" : "") + std::to_string(n),
                             handles.next(), pose.eye, pose.target);
    camera.record = SceneCamera{0.95f, 0.3f, 700, 0, 700};
    cameraHandle[n] = camera.handle;
    nodes.push_back(std::move(camera));
  }

  nodes.push_back(scenePointLight("Sun", handles.next(), {-260, -180, 90}, {1, 0.7f, 0.45f}));
  nodes.push_back(
      scenePointLight("SkyFill", handles.next(), {220, 260, 120}, {0.34f, 0.4f, 0.62f}));
  addGroundAndSky(nodes, handles);
  addCity(nodes, handles);
  addObelisk(nodes, handles);
  addBasin(nodes, handles);
  addFountain(nodes, handles, "Water", {-10.5f, 0, 0}, false);
  addFountain(nodes, handles, "Water2", {10.5f, 0, 0}, true);
  std::vector<SceneVector> cloudStarts;
  const std::vector<std::int32_t> clouds = addClouds(nodes, handles, cloudStarts);

  const LifeMaterials life{kShell, kGold, kWing, kDark, kRobeA, kRobeB, kSkin};
  AnimationFile scarabs;
  scarabs.loopMode = VK_ANIM_LOOP_WRAP;
  addScarabs(nodes, handles, life, scarabs.controllers);
  AnimationFile heroes;
  heroes.loopMode = VK_ANIM_LOOP_WRAP;
  addHeroes(nodes, handles, life, heroes.controllers);

  // The blocks in the order the script loads them.
  for (int n : {1, 9, 10, 11, 8, 12}) {
    for (const Flight& f : kFlights) {
      if (f.camera != n) continue;
      AnimationFile file;
      file.controllers.push_back(cameraFlight(cameraHandle[n], f.duration, 0.25f,
                                              [&f](float t) { return f.pose(t, f.duration); }));
      animations.emplace_back(
          std::string("ville_anim_camera") + (n < 10 ? "0" : "") + std::to_string(n),
          std::move(file));
    }
  }
  AnimationFile drift;
  drift.loopMode = VK_ANIM_LOOP_PING_PONG;
  for (std::size_t i = 0; i < clouds.size(); ++i) {
    const SceneVector a = cloudStarts[i];
    AnimController controller;
    controller.keyTimes = {0, 40};
    controller.record = AnimNodeController{clouds[i], {a, {a.x + 45, a.y - 12, a.z + 3}}, {}, {}};
    drift.controllers.push_back(controller);
  }
  animations.emplace_back("ville_anim_nuages", std::move(drift));
  for (int n : {4, 6, 2}) {
    for (const Flight& f : kFlights) {
      if (f.camera != n) continue;
      AnimationFile file;
      file.controllers.push_back(cameraFlight(cameraHandle[n], f.duration, 0.25f,
                                              [&f](float t) { return f.pose(t, f.duration); }));
      animations.emplace_back(std::string("ville_anim_camera0") + std::to_string(n),
                              std::move(file));
    }
  }
  animations.emplace_back("ville_anim_scarabs", std::move(scarabs));
  animations.emplace_back("ville_anim_heros", std::move(heroes));
  progress.show("scenes", 2, 2);
  return addSceneFiles(set, scene, animations, error);
}

}  // namespace showgen
