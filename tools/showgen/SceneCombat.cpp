// The combat: two fighters on bones in a round arena under the dusk sky, a ring of stone with
// braziers, a black glass disc at the centre, and a fireball (a particle system with a glowing
// core) that the fireball animation throws between them. Seventeen cameras cut around the
// fight, each with its own short move.
#include <cmath>
#include <numbers>

#include "ShowData.h"
#include "StageKit.h"
#include "authoring/SceneShapes.h"

namespace showgen {

using namespace vesk;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kArena = 14;
constexpr float kFightLength = 30;  // the cues run it to 17.2 s and then on for another 12

// The fighters' poses, one every half second: which fist strikes and who is hit.
struct Beat {
  float punch[2];  // 0 guard, 1 the arm is thrown forward
  float lean;      // the fighter's forward lean
  float step;      // forward (+) or back along the line between them
};

Beat beatAt(int fighter, int index) {
  // A small fixed pattern that never quite repeats with the other fighter's.
  const int k = index * (fighter == 0 ? 3 : 5) + fighter * 7;
  Beat beat{};
  beat.punch[0] = (k % 4 == 1) ? 1.f : 0.f;
  beat.punch[1] = (k % 6 == 3) ? 1.f : 0.f;
  beat.lean = (beat.punch[0] + beat.punch[1]) > 0 ? 0.25f : ((k % 5 == 2) ? -0.3f : 0.05f);
  beat.step = std::sin(float(index) * 0.7f + float(fighter) * 2.f) * 0.5f;
  return beat;
}

void fight(const Figure& figure, int fighter, SceneVector home, float facing,
           std::vector<AnimController>& into) {
  std::vector<float> times;
  std::vector<SceneVector> positions;
  std::vector<float> lean, arm[2], forearm[2], thigh[2], shin[2];
  const int count = int(kFightLength * 2);
  for (int i = 0; i <= count; ++i) {
    const Beat beat = beatAt(fighter, i);
    times.push_back(float(i) * 0.5f);
    positions.push_back({home.x, home.y + facing * beat.step, home.z});
    lean.push_back(beat.lean);
    for (int side = 0; side < 2; ++side) {
      arm[side].push_back(beat.punch[side] > 0 ? 1.55f : 0.5f);
      forearm[side].push_back(beat.punch[side] > 0 ? 0.05f : 1.7f);
      // A wide stance, one foot forward.
      const float stance = side == 0 ? 0.35f : -0.3f;
      thigh[side].push_back(stance + 0.1f * std::sin(float(i) * 1.3f + float(side)));
      shin[side].push_back(-0.35f - 0.1f * std::sin(float(i) * 1.1f));
    }
  }
  into.push_back(moving(figure.group, times, positions));
  into.push_back(turning(figure.chest, {1, 0, 0}, times, lean));
  for (int side = 0; side < 2; ++side) {
    into.push_back(turning(figure.arm[side], {1, 0, 0}, times, arm[side]));
    into.push_back(turning(figure.forearm[side], {1, 0, 0}, times, forearm[side]));
    into.push_back(turning(figure.thigh[side], {1, 0, 0}, times, thigh[side]));
    into.push_back(turning(figure.shin[side], {1, 0, 0}, times, shin[side]));
  }
}

}  // namespace

bool addSceneCombat(DataSet& set, Progress& progress, std::string& error) {
  StageKit kit("combat");
  const std::int32_t ground = kit.material([] {
    SceneMaterial material = textured("sandstone.jpg", {1, 0.9f, 0.75f}, 0.1f, 0.2f);
    material.diffuseMaps.push_back(texture("lightmap_warm.jpg", 2));
    return material;
  }());
  const std::int32_t wall = kit.material(textured("sandstone_wall.jpg", {1, 0.88f, 0.72f}));
  const std::int32_t glass = kit.material(textured("black_glass.jpg", {1, 1, 1}, 0.9f, 1.2f));
  const std::int32_t gold = kit.material(textured("gold.jpg", {1, 0.85f, 0.5f}, 0.6f, 1.0f));
  const std::int32_t fire = kit.material(glowing("spark.jpg", {1, 0.55f, 0.2f}));
  const std::int32_t flame = kit.material([] {
    SceneMaterial material = glowing("flame.jpg", {1, 0.8f, 0.5f});
    for (SceneTexture* frames : {&material.diffuseMaps[0], &*material.transparencyMap}) {
      frames->animated = true;
      frames->frameCount = 8;
      frames->framesPerSecond = 10;
    }
    return material;
  }());
  const std::int32_t sky = kit.material(skyMaterial());
  const std::int32_t red =
      kit.material(textured("sandstone.jpg", {0.95f, 0.35f, 0.25f}, 0.4f, 0.7f));
  const std::int32_t blue = kit.material(textured("sandstone.jpg", {0.35f, 0.5f, 1}, 0.4f, 0.7f));

  {
    SceneMesh floor = sceneCylinder(kArena, 0.4f, 24);
    sceneMapPlanar(floor, -kArena, -kArena, 2 * kArena, 2 * kArena, 2);
    sceneMapBox(floor, 3, 1);
    kit.shape("Arena", std::move(floor), ground, {0, 0, -0.4f});
  }
  kit.shape("Glass", sceneCylinder(4.5f, 0.04f, 24), glass, {0, 0, 0});
  kit.shape("Sky", skyDome(200), sky, {0, 0, -30});
  for (int i = 0; i < 12; ++i) {
    const float a = 2 * kPi * float(i) / 12;
    SceneMesh block = sceneBevelledBox({7.2f, 1.2f, 2.4f}, 0.15f, 2);
    sceneRotate(block, {0, 0, 1}, a + kPi / 2);
    kit.shape("Wall" + std::to_string(i + 1), std::move(block), wall,
              {std::cos(a) * (kArena + 0.6f), std::sin(a) * (kArena + 0.6f), 1.2f});
  }
  for (int i = 0; i < 6; ++i) {
    const float a = 2 * kPi * (float(i) + 0.5f) / 6;
    const SceneVector at{std::cos(a) * (kArena - 1.2f), std::sin(a) * (kArena - 1.2f), 0};
    kit.shape("Brazier" + std::to_string(i + 1),
              sceneLathe({{0, 0},
                          {0.35f, 0},
                          {0.2f, 0.2f},
                          {0.15f, 1.4f},
                          {0.6f, 1.8f},
                          {0.65f, 1.95f},
                          {0, 1.8f}},
                         12),
              gold, at);
    kit.shape("Brazier flame" + std::to_string(i + 1), flameQuads(1.0f, 1.4f), flame,
              {at.x, at.y, at.z + 1.8f});
  }

  kit.light("Sun", {-30, -20, 25}, {1, 0.75f, 0.5f});
  kit.light("Dusk", {25, 30, 15}, {0.25f, 0.32f, 0.6f});
  kit.light("Fire light", {0, 0, 4}, {0.9f, 0.5f, 0.25f}, 1000000000, 0.1f);

  const Figure fighters[2] = {addFigure(kit, "Fighter red", {0, -1.6f, 0}, 0, red, 1.85f),
                              addFigure(kit, "Fighter blue", {0, 1.6f, 0}, kPi, blue, 1.9f)};

  // The fireball: a particle system of sparks with a glowing core of its own.
  std::int32_t fireball = 0;
  {
    SceneNode system;
    system.name = "Fireball";
    system.handle = fireball = kit.handle();
    system.position = {0, -1.0f, 1.4f};
    SceneParticles particles;
    particles.spreadX = 0.3f;
    particles.spreadY = 0.3f;
    particles.angleSpread = 60;
    SceneParticleClass sparks;
    sparks.rate = 8000;
    sparks.lifetime = 0.4f;
    sparks.mass = 1;
    sparks.particle.name = "Spark";
    sparks.particle.handle = kit.handle();
    sparks.particle.record = SceneSprite{0.25f, fire};
    particles.classes.push_back(std::move(sparks));
    system.record = std::move(particles);
    for (auto [name, size, offset] :
         {std::tuple{"Fireball core", 1.1f, 0.f}, {"Fireball glow", 2.2f, 0.05f}}) {
      SceneNode core;
      core.name = name;
      core.handle = kit.handle();
      core.position = {0, offset, 0};
      core.record = SceneSprite{size, fire};
      system.children.push_back(std::move(core));
    }
    kit.add(std::move(system));
  }

  std::vector<std::int32_t> cameras;
  std::vector<std::pair<std::string, AnimationFile>> files;
  {
    AnimationFile file;
    fight(fighters[0], 0, {0, -1.6f, 0}, 1, file.controllers);
    fight(fighters[1], 1, {0, 1.6f, 0}, -1, file.controllers);
    files.emplace_back("combat_anim", std::move(file));
  }
  {
    // Thrown from one fighter's hands to the other's and back again.
    AnimationFile file;
    file.loopMode = VK_ANIM_LOOP_PING_PONG;
    file.controllers.push_back(
        moving(fireball, {0, 0.4f, 1.6f},
               {{0.2f, -1.0f, 1.4f}, {0.3f, -0.7f, 1.9f}, {-0.2f, 1.0f, 1.5f}}));
    files.emplace_back("fireball_anim", std::move(file));
  }
  const SceneVector centre{0, 0, 1.2f};
  for (int k = 0; k < 17; ++k) {
    // Each camera circles a little around the fighters from its own side and height; the
    // fifteenth holds the long last shot and turns slowly.
    const float angle = float(k) * 2.4f;
    const float radius = 3.5f + float(k % 3) * 2.5f;
    const float height = 0.6f + float((k * 5) % 4) * 0.9f;
    const float duration = k == 14 ? 16 : (k >= 15 ? 5 : 1.2f);
    const float sweep = k == 14 ? 2.5f : 0.35f;
    const std::string name = std::string(k < 9 ? "0" : "") + std::to_string(k + 1);
    auto eye = [&](float a, float r) {
      return SceneVector{std::cos(a) * r, std::sin(a) * r, height};
    };
    cameras.push_back(kit.camera("Camera" + name, eye(angle, radius), centre));
    AnimationFile file;
    file.controllers.push_back(
        cameraFlight(cameras.back(), {0, duration / 2, duration},
                     {eye(angle, radius), eye(angle + sweep / 2, radius * 0.93f),
                      eye(angle + sweep, radius * 0.85f)},
                     {centre, centre, centre}));
    files.emplace_back("combat_camera" + name, std::move(file));
  }
  progress.show("scenes", 3, 3);
  return addSceneFiles(set, kit.file(), files, error);
}

}  // namespace showgen
