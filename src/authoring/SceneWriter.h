// Writes scene files (".pod"): the material table and the node tree, every record the loader
// reads. Tests build their scenes with it and the show's generator writes the show's scenes.
//
// The structs hold what the file holds, in the file's units: rotations are quaternions stored
// x, y, z, w; colours are 0..1 floats; material ids index the scene's material table. A scene
// the loader would refuse or misread (a mesh of more than 65535 vertices, a third texture
// channel, a material id past the table, a skin link to a handle nobody has, ...) is refused
// with a reason. Tests that need a broken file write a sound one and change its bytes, write
// records by hand with the `write...` functions and a ByteOutput, or call
// `writeSceneUnchecked`.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "authoring/ByteOutput.h"
#include "base/SceneFormat.h"

namespace vesk {

struct SceneVector {
  float x = 0, y = 0, z = 0;
};
struct SceneRotation {
  float x = 0, y = 0, z = 0, w = 1;
};
struct SceneColour {
  float r = 0, g = 0, b = 0;
};

// A picture a material uses. Its kind follows from where the material holds it.
struct SceneTexture {
  bool colourKey = false;  // opaque black is transparent
  std::string file;        // under data\textures
  bool animated = false;
  float framesPerSecond = 0;
  std::int32_t frameCount = 0;  // animated: more than 1; otherwise 0
  std::int32_t channel = 1;     // texture-coordinate set, 1 or 2
};

struct SceneMaterial {
  std::uint8_t reserved = 0;
  SceneColour diffuse{1, 1, 1};
  SceneColour ambient{0.3f, 0.3f, 0.3f};
  SceneColour specular{1, 1, 1};
  float specularLevel = 1;  // multiplies the specular colour
  float glossiness = 0;     // the power is glossiness × 128
  float opacity = 1;        // diffuse alpha
  SceneColour selfIllumination;
  // The first is the diffuse map, the second the light map.
  std::vector<SceneTexture> diffuseMaps;
  // Paired with the first diffuse map, which it replaces.
  std::optional<SceneTexture> transparencyMap;
  std::optional<SceneTexture> environmentMap;
  std::optional<SceneTexture> additiveEnvironmentMap;
};

struct SceneVertex {
  SceneVector position;
  std::array<std::array<float, 2>, 2> uv{};  // u, v of channels 1 and 2
  SceneVector normal;
};

struct SceneMesh {
  std::uint32_t channels = 0;  // texture-coordinate channels written per vertex, 0..2
  bool hasNormals = false;     // the loader computes them when not
  std::vector<SceneVertex> vertices;
  std::vector<std::array<std::uint32_t, 3>> faces;
};

struct SceneGroup {};
struct SceneBone {};

struct SceneLight {
  SceneColour colour{1, 1, 1};
  std::vector<std::int32_t> shadowCasters;  // handles of shapes
  struct Attenuation {
    float constant = 1, linear = 0, quadratic = 0, range = 1000000000;
  };
  std::optional<Attenuation> attenuation;
};

struct SceneCamera {
  float fieldOfView = 0.785398f;  // horizontal, radians
  float nearPlane = 1;
  float farPlane = 1000;
  float environmentNear = 0;  // fog start and end
  float environmentFar = 1000;
};

struct SceneShape {
  SceneMesh mesh;
  std::int32_t material = 0;
};

struct SceneSprite {
  float size = 1;
  std::int32_t material = 0;
};

struct SceneSkinLink {
  std::int32_t bone = 0;  // handle
  SceneVector offset;     // the vertex in the bone's space
  float weight = 1;
};

struct SceneSkin {
  SceneMesh mesh;
  std::int32_t material = 0;
  std::vector<std::vector<SceneSkinLink>> links;  // one list per mesh vertex
};

struct SceneWater {
  float width = 1, length = 1;  // extent along x and y
  float strength = 0, impulseSize = 1, impulseProbability = 0, damping = 1;
  std::array<SceneVector, 4> corners{};  // the quad; 0 to 1 and 0 to 2 are its edges
  std::int32_t material = 0;
};

struct SceneParticleClass;
struct SceneParticles {
  float spreadX = 0, spreadY = 0, rateFactor = 1, angleSpread = 0, unused = 0;
  std::vector<SceneParticleClass> classes;
};

struct SceneNode {
  using Record = std::variant<SceneGroup, SceneBone, SceneLight, SceneCamera, SceneShape,
                              SceneSprite, SceneSkin, SceneWater, SceneParticles>;
  std::string name;
  std::int32_t handle = 0;
  SceneVector position;
  SceneRotation rotation;
  SceneVector scale{1, 1, 1};
  Record record;  // what kind of node, and its own fields
  std::vector<SceneNode> children;
};

struct SceneParticleClass {
  float rate = 1, lifetime = 1, mass = 1;
  SceneNode particle;  // the template each particle is cloned from; not part of the tree
};

struct SceneFile {
  std::int32_t reserved = 0;
  std::vector<SceneMaterial> materials;
  SceneNode root;  // a group: the file stores no record for it; its name names the scene
};

struct SceneResult {
  std::vector<std::uint8_t> bytes;
  std::string error;  // why the scene was refused; empty when written
  explicit operator bool() const { return error.empty(); }
};

// Why the loader would refuse or misread the scene; empty when it would not.
std::string checkScene(const SceneFile& scene);
// The scene as file bytes, or the reason it cannot be written.
SceneResult writeScene(const SceneFile& scene);
// The bytes whatever the structs say, for tests of the loader's refusals.
std::vector<std::uint8_t> writeSceneUnchecked(const SceneFile& scene);
// Writes the scene to a file, replacing an older one whole; false with the reason in `error`.
bool saveScene(const std::filesystem::path& path, const SceneFile& scene, std::string& error);

// The records, for files put together by hand.
std::int32_t nodeTypeCode(const SceneNode::Record& record);
void writeMaterial(ByteOutput& out, const SceneMaterial& material);
void writeMesh(ByteOutput& out, const SceneMesh& mesh);
// A node's type-specific prefix then its body with its whole subtree (not its type code).
void writeNode(ByteOutput& out, const SceneNode& node);

}  // namespace vesk
