// The temple: a hall of twelve lathed columns open to the dusk sky, a narrow sacred pool down
// its middle (a water surface), an altar with a flame at the far end, torches on the columns
// whose lights flicker, a high light that throws the columns' shadows on the floor, and two
// heroes on bones who walk in towards the altar.
#include <cmath>

#include "ShowData.h"
#include "StageKit.h"
#include "authoring/SceneExamples.h"
#include "authoring/SceneShapes.h"

namespace showgen {

using namespace vesk;

namespace {

constexpr float kColumnX = 3.8f;
constexpr float kShaftRadius = 0.45f;
constexpr float kShaftTop = 7.0f;

// A flickering colour track: `base` scaled by a seeded wobble, `count` keys over `duration`.
AnimController flicker(std::int32_t light, SceneColour base, float duration, unsigned seed) {
  AnimLightController record;
  record.light = light;
  AnimController controller;
  const int count = static_cast<int>(duration * 8);
  for (int i = 0; i <= count; ++i) {
    seed = seed * 1103515245u + 12345u;
    const float noise = float((seed >> 16) & 1023) / 1023.f;
    // The last key repeats the first, so that the loop has no jump.
    const float k = i == count ? 0.85f : 0.65f + 0.45f * noise;
    controller.keyTimes.push_back(duration * float(i) / float(count));
    record.colours.push_back({base.r * k, base.g * k, base.b * k});
  }
  controller.record = std::move(record);
  return controller;
}

}  // namespace

bool addSceneTemple(DataSet& set, Progress& progress, std::string& error) {
  StageKit kit("temple");
  const std::int32_t stone = kit.material([] {
    SceneMaterial floor = textured("sandstone.jpg", {1, 0.95f, 0.85f}, 0.15f, 0.3f);
    floor.diffuseMaps.push_back(texture("lightmap_warm.jpg", 2));
    return floor;
  }());
  const std::int32_t wall = kit.material(textured("sandstone_wall.jpg", {1, 0.92f, 0.8f}));
  const std::int32_t column = kit.material(textured("sandstone.jpg", {1, 0.9f, 0.78f}, 0.3f, 0.6f));
  const std::int32_t gold = kit.material(textured("gold.jpg", {1, 0.85f, 0.5f}, 0.6f, 1.0f));
  const std::int32_t water = kit.material([] {
    SceneMaterial material = textured("water.jpg", {0.6f, 0.95f, 1}, 0.7f, 1.0f);
    material.environmentMap = texture("env_metal.jpg");
    return material;
  }());
  const std::int32_t flame = kit.material([] {
    SceneMaterial material = glowing("flame.jpg", {1, 0.85f, 0.55f});
    for (SceneTexture* frames : {&material.diffuseMaps[0], &*material.transparencyMap}) {
      frames->animated = true;
      frames->frameCount = 8;
      frames->framesPerSecond = 12;
    }
    return material;
  }());
  const std::int32_t sky = kit.material(skyMaterial());
  const std::int32_t heroGold = kit.material(textured("gold.jpg", {1, 0.8f, 0.45f}, 0.5f, 0.8f));
  const std::int32_t heroBlue =
      kit.material(textured("sandstone.jpg", {0.45f, 0.6f, 0.95f}, 0.4f, 0.7f));
  const std::int32_t speck = kit.material(sceneColourMaterial({0, 0, 0}, 0.5f));

  // The hall: floor, walls, the entablature, the sky above its open roof.
  {
    SceneMesh floor = sceneBevelledBox({14.2f, 36, 0.4f}, 0.08f, 2);
    sceneMapPlanar(floor, -7.1f, -18, 14.2f, 36, 2);
    kit.shape("Floor", std::move(floor), stone, {0, 0, -0.2f});
  }
  kit.shape("Wall left", sceneBevelledBox({1, 36, 9}, 0.15f, 2.5f), wall, {-7, 0, 4.5f});
  kit.shape("Wall right", sceneBevelledBox({1, 36, 9}, 0.15f, 2.5f), wall, {7, 0, 4.5f});
  kit.shape("Wall back", sceneBevelledBox({15, 1, 9}, 0.15f, 2.5f), wall, {0, 18, 4.5f});
  for (float x : {-kColumnX, kColumnX})
    kit.shape(x < 0 ? "Beam left" : "Beam right", sceneBevelledBox({1.8f, 32, 0.8f}, 0.12f, 2),
              column, {x, 0, 8.1f});
  kit.shape("Sky", skyDome(150), sky, {0, 0, -20});

  // The columns: the shafts are closed convex solids, so that their shadows are clean; base and
  // capital are lathed apart.
  std::vector<std::int32_t> shafts;
  int number = 1;
  for (float y = -12.5f; y <= 12.6f; y += 5) {
    for (float x : {-kColumnX, kColumnX}) {
      const std::string name =
          "Column" + std::string(number < 10 ? "0" : "") + std::to_string(number);
      ++number;
      SceneMesh shaft = sceneCylinder(kShaftRadius, kShaftTop - 0.45f, 12);
      sceneMapBox(shaft, 1.5f);
      shafts.push_back(kit.shape(name, std::move(shaft), column, {x, y, 0.45f}));
      SceneMesh ends = sceneLathe(
          {{0, 0}, {0.72f, 0}, {0.72f, 0.22f}, {0.55f, 0.36f}, {0.46f, 0.45f}, {0, 0.45f}}, 12);
      sceneMerge(ends, sceneLathe({{0, kShaftTop},
                                   {0.46f, kShaftTop},
                                   {0.62f, kShaftTop + 0.25f},
                                   {0.82f, kShaftTop + 0.45f},
                                   {0.82f, kShaftTop + 0.7f},
                                   {0, kShaftTop + 0.7f}},
                                  12));
      kit.shape(name + " ends", std::move(ends), column, {x, y, 0});
    }
  }

  // The sacred pool down the middle, its rim, and the altar at the far end.
  const float poolZ = 0.06f;
  {
    SceneNode pool;
    pool.name = "Pool";
    pool.handle = kit.handle();
    SceneWater surface;
    surface.width = 14;
    surface.length = 1.6f;
    surface.strength = 0.002f;
    surface.impulseSize = 1.2f;
    surface.impulseProbability = 0.05f;
    surface.damping = 0.97f;
    // Its first edge runs along the hall and its second across it, so that its heights rise
    // along +z.
    surface.corners = {
        SceneVector{0.8f, -7, poolZ}, {0.8f, 7, poolZ}, {-0.8f, -7, poolZ}, {-0.8f, 7, poolZ}};
    surface.material = water;
    pool.record = surface;
    kit.add(std::move(pool));
  }
  for (float x : {-1.05f, 1.05f})
    kit.shape(x < 0 ? "Rim left" : "Rim right", sceneBevelledBox({0.5f, 14.9f, 0.3f}, 0.08f, 1),
              gold, {x, 0, 0.15f});
  for (float y : {-7.2f, 7.2f})
    kit.shape(y < 0 ? "Rim near" : "Rim far", sceneBevelledBox({2.6f, 0.5f, 0.3f}, 0.08f, 1), gold,
              {0, y, 0.15f});
  kit.shape("Altar", sceneBevelledBox({3, 1.6f, 1.3f}, 0.15f, 1), column, {0, 14.5f, 0.65f});
  kit.shape("Altar bowl",
            sceneLathe({{0, 0}, {0.3f, 0}, {0.7f, 0.35f}, {0.75f, 0.45f}, {0, 0.3f}}, 16), gold,
            {0, 14.5f, 1.3f});
  kit.shape("Altar flame", flameQuads(1.4f, 2.2f), flame, {0, 14.5f, 1.55f});

  // Torches on the inner faces of four columns, each with its light.
  std::vector<std::int32_t> torchLights;
  const SceneColour torchColour{1, 0.62f, 0.3f};
  int torch = 1;
  for (float y : {-7.5f, 2.5f}) {
    for (float x : {-kColumnX + 0.6f, kColumnX - 0.6f}) {
      const std::string name = "Torch" + std::to_string(torch++);
      kit.shape(name,
                sceneLathe({{0, -0.4f}, {0.08f, -0.4f}, {0.22f, 0}, {0.26f, 0.1f}, {0, 0.02f}}, 10),
                gold, {x, y, 3.2f});
      kit.shape(name + " flame", flameQuads(0.6f, 1.1f), flame, {x, y, 3.25f});
      torchLights.push_back(
          kit.light(name + " light", {x * 0.8f, y, 3.6f}, torchColour, 1000000000, 0.12f));
    }
  }
  const std::int32_t altarLight =
      kit.light("Altar light", {0, 13.5f, 3}, {1, 0.7f, 0.35f}, 1000000000, 0.08f);
  kit.light("Moon", {-20, -30, 40}, {0.22f, 0.28f, 0.45f});
  // The high light over the aisle throws the columns' shadows outwards.
  SceneNode high = [&] {
    SceneNode light;
    light.name = "High light";
    light.handle = kit.handle();
    light.position = {0, 0, 12};
    light.record = SceneLight{{0.55f, 0.45f, 0.32f}, shafts, {}};
    return light;
  }();
  const std::int32_t highLight = kit.add(std::move(high));

  // Two heroes who walk in from the entrance, beside the pool.
  const Figure heroes[2] = {addFigure(kit, "Hero", {-2, -19, 0}, 0, heroGold, 1.85f),
                            addFigure(kit, "Heroine", {2, -20.5f, 0}, 0, heroBlue, 1.75f)};

  // The cameras, one per shot (the cues cut at 5.8, 13.4, 17.3 and 23 s into the section).
  const std::int32_t cameras[5] = {
      kit.camera("Camera01", {0, -22, 3.5f}, {0, 8, 3}),
      kit.camera("Camera02", {1, -14, 1.2f}, {0, 0, 1.6f}),
      kit.camera("Camera03", {0, 16, 4}, {0, -4, 1.5f}),
      kit.camera("Camera04", {-2.5f, -7, 7.2f}, {0, 2, 0}),
      kit.camera("Camera05", {-2.6f, -9.5f, 3.6f}, {-3.2f, -7.5f, 3.4f}),
  };

  kit.markLastDrawn(speck);

  std::vector<std::pair<std::string, AnimationFile>> files;
  auto flight = [&](int index, float duration, std::vector<SceneVector> eyes,
                    std::vector<SceneVector> targets) {
    std::vector<float> times;
    for (std::size_t i = 0; i < eyes.size(); ++i)
      times.push_back(duration * float(i) / float(eyes.size() - 1));
    AnimationFile file;
    file.controllers.push_back(cameraFlight(cameras[index], times, eyes, targets));
    files.emplace_back("temple_anim_camera0" + std::to_string(index + 1), std::move(file));
  };
  flight(0, 5.8f, {{0, -22, 3.5f}, {0, -18, 3}, {0, -14.5f, 2.6f}},
         {{0, 8, 3}, {0, 8, 2.5f}, {0, 10, 2.2f}});
  flight(1, 7.7f, {{1, -14, 1.2f}, {0.9f, -9, 1.3f}, {0.8f, -5, 1.5f}},
         {{-1, -6, 1.6f}, {-1.5f, -2, 1.8f}, {-1, 3, 2}});
  flight(2, 3.8f, {{0, 16, 4}, {1, 13, 3.2f}}, {{0, -4, 1.5f}, {-0.5f, -2, 1.5f}});
  flight(3, 5.8f, {{-2.5f, -7, 7.2f}, {0, -2, 7.6f}, {2.5f, 4, 7.2f}},
         {{0, 2, 0}, {0, 4, 0}, {0, 10, 0.5f}});
  flight(4, 6, {{-2.6f, -9.5f, 3.6f}, {-1.5f, -8.5f, 3.2f}, {-0.5f, -6, 2.5f}},
         {{-3.2f, -7.5f, 3.4f}, {-3.2f, -7.5f, 3.3f}, {0, 14.5f, 2}});

  // The lights flicker, each to its own seed; the high light breathes slowly. They loop.
  {
    AnimationFile lights;
    lights.loopMode = VK_ANIM_LOOP_WRAP;
    unsigned seed = 7;
    for (std::int32_t light : torchLights)
      lights.controllers.push_back(flicker(light, torchColour, 4, seed += 101));
    lights.controllers.push_back(flicker(altarLight, {1, 0.7f, 0.35f}, 3, 991));
    AnimController breath;
    breath.keyTimes = {0, 3, 6};
    breath.record = AnimLightController{
        highLight, {{0.55f, 0.45f, 0.32f}, {0.7f, 0.55f, 0.38f}, {0.55f, 0.45f, 0.32f}}};
    lights.controllers.push_back(std::move(breath));
    files.emplace_back("temple_anim_lights", std::move(lights));
  }
  // The heroes walk up the hall for 19 s and stop before the altar.
  {
    AnimationFile walk;
    const float duration = 19;
    walk.controllers.push_back(
        moving(heroes[0].group, {0, duration}, {{-2, -19, 0}, {-2, 10.5f, 0}}));
    walk.controllers.push_back(
        moving(heroes[1].group, {0, duration}, {{2, -20.5f, 0}, {2, 9.5f, 0}}));
    walkCycle(heroes[0], duration, 1.2f, walk.controllers);
    walkCycle(heroes[1], duration, 1.1f, walk.controllers);
    files.emplace_back("temple_anim_heros", std::move(walk));
  }
  progress.show("scenes", 1, 1);
  return addSceneFiles(set, kit.file(), files, error);
}

}  // namespace showgen
