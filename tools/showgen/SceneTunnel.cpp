// The tunnel: a long carved tube of stone ribs running along +y, lit by pools of warm light,
// thirty-eight glowing orbs (sprites) along its walls that the show lights group by group,
// mirror-metal objects flying past, and a gold gate at its far end.
#include <cmath>
#include <numbers>

#include "ShowData.h"
#include "StageKit.h"
#include "authoring/SceneShapes.h"

namespace showgen {

using namespace vesk;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kLength = 200;
constexpr float kRadius = 4;
constexpr float kFogNear = 15, kFogFar = 110;

// The tube seen from inside, a rib every ten units, along +y from 0 to kLength.
SceneMesh tube() {
  std::vector<LathePoint> profile;
  for (float z = 0; z < kLength; z += 10) {
    profile.push_back({kRadius, z});
    profile.push_back({kRadius, z + 8.4f});
    profile.push_back({kRadius - 0.45f, z + 8.8f});
    profile.push_back({kRadius - 0.45f, z + 9.6f});
  }
  profile.push_back({kRadius, kLength});
  SceneMesh mesh = sceneLathe(profile, 12);
  sceneRotate(mesh, {1, 0, 0}, -kPi / 2);  // its axis z becomes y
  turnInside(mesh);
  // The lathe's own coordinates run once round and once along; the stone repeats four times
  // round and every eight units along, the light map once per rib.
  mesh.channels = 2;
  for (SceneVertex& vertex : mesh.vertices) {
    const auto [u, v] = vertex.uv[0];
    vertex.uv[0] = {u * 4, v * kLength / 8};
    vertex.uv[1] = {u, v * kLength / 10};
  }
  return mesh;
}

SceneVector orbPosition(int index) {
  const float side = index % 2 == 0 ? -1.f : 1.f;
  return {side * (kRadius - 0.9f), 12 + 4.6f * float(index), 1.2f};
}

}  // namespace

bool addSceneTunnel(DataSet& set, Progress& progress, std::string& error) {
  StageKit kit("tunnel");
  const std::int32_t stone = kit.material([] {
    SceneMaterial material = textured("sandstone_wall.jpg", {1, 0.9f, 0.75f}, 0.1f, 0.2f);
    material.diffuseMaps.push_back(texture("lightmap_warm.jpg", 2));
    return material;
  }());
  // Mirror metal: the environment picture alone, bright enough to read as chrome in the dark.
  const std::int32_t metal = kit.material([] {
    SceneMaterial material = textured("env_metal.jpg", {0.9f, 0.9f, 1}, 0.8f, 1.0f);
    material.diffuseMaps.clear();
    material.environmentMap = texture("env_metal.jpg");
    material.selfIllumination = {0.55f, 0.55f, 0.6f};
    return material;
  }());
  const std::int32_t orb = kit.material(glowing("spark.jpg", {1, 0.8f, 0.45f}));
  const std::int32_t gate = kit.material([] {
    SceneMaterial material = textured("gold.jpg", {1, 0.8f, 0.45f}, 0.6f, 1.0f);
    material.additiveEnvironmentMap = texture("env_metal.jpg");
    return material;
  }());

  kit.shape("Walls", tube(), stone);
  kit.shape("Gate", sceneBevelledBox({7.6f, 0.6f, 7.6f}, 0.2f, 2), gate, {0, kLength - 4, 0});
  for (int i = 0; i < 38; ++i) {
    SceneNode sprite;
    sprite.name = std::string("orb") + (i < 9 ? "0" : "") + std::to_string(i + 1);
    sprite.handle = kit.handle();
    sprite.position = orbPosition(i);
    sprite.record = SceneSprite{2.5f, orb};
    kit.add(std::move(sprite));
  }

  // Pools of warm light along the tube, one cool light from the far end.
  for (int i = 0; i < 6; ++i)
    kit.light("Lamp" + std::to_string(i + 1), {0, 18 + 35 * float(i), 2.5f}, {1, 0.65f, 0.35f},
              1000000000, 0.09f);
  kit.light("Far light", {0, kLength - 8, 0}, {0.3f, 0.45f, 0.8f}, 1000000000, 0.02f);

  // The flying objects: a sphere, a ring, a bevelled cube and a vase, twice over.
  std::vector<std::int32_t> objects;
  for (int i = 0; i < 8; ++i) {
    SceneMesh mesh;
    switch (i % 4) {
      case 0:
        mesh = sceneSphere(0.8f, 14, 8);
        break;
      case 1:
        mesh = sceneLathe({{0.5f, -0.2f},
                           {0.9f, -0.2f},
                           {1.0f, 0},
                           {0.9f, 0.2f},
                           {0.5f, 0.2f},
                           {0.45f, 0},
                           {0.5f, -0.2f}},
                          16);
        break;
      case 2:
        mesh = sceneBevelledBox({1.2f, 1.2f, 1.2f}, 0.2f);
        break;
      default:
        mesh = sceneLathe(
            {{0, -0.8f}, {0.45f, -0.8f}, {0.7f, -0.3f}, {0.35f, 0.4f}, {0.5f, 0.8f}, {0, 0.8f}},
            14);
        break;
    }
    objects.push_back(
        kit.shape("Object" + std::to_string(i + 1), std::move(mesh), metal, {0, kLength + 20, 0}));
  }

  const std::int32_t cameras[5] = {
      kit.camera("Camera01", {0, 2, 0.5f}, {0, 30, 0.5f}, kFogNear, kFogFar),
      kit.camera("Camera02", {2, 60, -2}, {-1, 90, 1}, kFogNear, kFogFar),
      kit.camera("Camera03", {0, 100, 2.5f}, {0, 60, 0}, kFogNear, kFogFar),
      kit.camera("Camera04", {-2.2f, 40, -2.5f}, {1, 80, 1}, kFogNear, kFogFar),
      kit.camera("Camera05", {1.5f, 170, 2}, {0, 130, 0}, kFogNear, kFogFar),
  };

  std::vector<std::pair<std::string, AnimationFile>> files;
  auto flight = [&](const std::string& base, int index, std::uint8_t loop, float duration,
                    const std::vector<SceneVector>& eyes, const std::vector<SceneVector>& targets) {
    std::vector<float> times;
    for (std::size_t i = 0; i < eyes.size(); ++i)
      times.push_back(duration * float(i) / float(eyes.size() - 1));
    AnimationFile file;
    file.loopMode = loop;
    file.controllers.push_back(cameraFlight(cameras[index], times, eyes, targets));
    files.emplace_back(base, std::move(file));
  };
  // Down the tube for the section's first 21 s, swaying from wall to wall, past the orbs.
  flight("tunnel_anim_camera01", 0, VK_ANIM_LOOP_STOP, 22,
         {{0, 2, 0.5f}, {1.2f, 40, 0}, {-1.2f, 80, 1}, {1, 120, -0.5f}, {0, 150, 0.5f}},
         {{0, 30, 0.5f}, {-0.5f, 70, 0.5f}, {0.5f, 110, 0}, {0, 150, 0.5f}, {0, 196, 0}});
  flight("tunnel_anim_camera04", 3, VK_ANIM_LOOP_WRAP, 12,
         {{-2.2f, 40, -2.5f}, {2, 110, -2}, {-2.2f, 185, -2.5f}},
         {{1, 80, 1}, {-1, 150, 1}, {0, 196, 0}});
  flight("tunnel_anim_camera05", 4, VK_ANIM_LOOP_STOP, 12,
         {{1.5f, 170, 2}, {-1.5f, 120, 1}, {0, 70, 0}}, {{0, 130, 0}, {0, 80, 0}, {0, 20, 0}});
  // Objects fly towards the tube's mouth, one after another, each spinning; the loop repeats
  // them every sixteen seconds.
  {
    AnimationFile file;
    file.loopMode = VK_ANIM_LOOP_WRAP;
    for (std::size_t i = 0; i < objects.size(); ++i) {
      const float start = 0.5f + 1.2f * float(i);
      const float x = std::sin(float(i) * 2.1f) * 1.8f, z = std::cos(float(i) * 1.3f) * 1.6f;
      const std::vector<float> times = {0, start, start + 6, 16};
      file.controllers.push_back(
          moving(objects[i], times,
                 {{x, kLength + 20, z}, {x, kLength - 10, z}, {-x, -10, -z}, {-x, -10, -z}}));
      file.controllers.push_back(turning(objects[i], {0.6f, 0.3f, 0.75f}, {0, 4, 8, 12, 16},
                                         {0, kPi * 0.66f, kPi * 1.33f, kPi * 1.99f, 0}));
    }
    files.emplace_back("tunnel_anim_objects", std::move(file));
  }
  flight("tunnel_anim_camera02", 1, VK_ANIM_LOOP_STOP, 10, {{2, 60, -2}, {-2, 100, 2}},
         {{-1, 90, 1}, {1, 140, 0}});
  progress.show("scenes", 2, 3);
  return addSceneFiles(set, kit.file(), files, error);
}

}  // namespace showgen
