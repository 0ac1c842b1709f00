#include "authoring/SceneWriter.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "authoring/FileReplace.h"
#include "base/Text.h"

namespace vesk {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
// Clang 14 does not deduce an aggregate's template arguments on its own.
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

// ---- checks ----

// The reader stops a string at a zero byte, so such a name would come back shorter.
std::string checkText(std::string_view text, std::string_view what) {
  if (text.find('\0') != std::string_view::npos) return str(what, " holds a zero byte");
  return {};
}

std::string checkTexture(const SceneTexture& texture, std::string_view what) {
  if (std::string error = checkText(texture.file, str(what, " file name")); !error.empty())
    return error;
  if (texture.animated ? texture.frameCount <= 1 : texture.frameCount != 0) {
    return str(what, " \"", texture.file, "\": ", texture.frameCount, " frames ",
               texture.animated ? "for an animation (it needs more than 1)"
                                : "without animation (it needs 0)");
  }
  if (texture.channel != 1 && texture.channel != 2)
    return str(what, " \"", texture.file, "\" uses channel ", texture.channel, "; only 1 and 2");
  return {};
}

std::string checkMaterial(const SceneMaterial& material, std::size_t index) {
  const std::string what = str("material ", index);
  const std::size_t diffuse = material.diffuseMaps.size();
  if (diffuse > 2) return str(what, " has ", diffuse, " diffuse maps; at most 2 are read");
  if (material.transparencyMap && diffuse == 0)
    return str(what, " has a transparency map without a diffuse map to pair it with");
  // The loader appends the textures in file order, the transparency map replacing the first
  // diffuse map once it is in; at no point may there be more than two.
  std::size_t held = diffuse;
  if (material.transparencyMap && ++held > 2)
    return str(what, " has two diffuse maps and a transparency map; at most 2 textures fit");
  if (material.transparencyMap) --held;
  held += material.environmentMap.has_value() + material.additiveEnvironmentMap.has_value();
  if (held > 2) return str(what, " has ", held, " textures; at most 2 fit");
  for (std::size_t i = 0; i < diffuse; ++i) {
    std::string error = checkTexture(material.diffuseMaps[i], str(what, " diffuse map ", i));
    if (!error.empty()) return error;
  }
  const std::pair<const std::optional<SceneTexture>*, const char*> maps[] = {
      {&material.transparencyMap, " transparency map"},
      {&material.environmentMap, " environment map"},
      {&material.additiveEnvironmentMap, " additive environment map"}};
  for (const auto& [map, name] : maps) {
    if (!*map) continue;
    if (std::string error = checkTexture(**map, what + name); !error.empty()) return error;
  }
  return {};
}

class TreeCheck {
 public:
  explicit TreeCheck(const SceneFile& scene) : _materials(scene.materials.size()) {
    collect(scene.root);
  }

  std::string node(const SceneNode& node) {
    const std::string what = str("node \"", node.name, "\"");
    std::string error = checkText(node.name, what + " name");
    if (error.empty())
      error = std::visit([&](const auto& record) { return check(record); }, node.record);
    if (!error.empty()) return error.front() == ' ' ? what + error : error;
    for (const SceneNode& child : node.children) {
      error = this->node(child);
      if (!error.empty()) return error;
    }
    return {};
  }

 private:
  // Handles of the hierarchy; particle templates are not entered in the scene's table.
  void collect(const SceneNode& node) {
    _handles.insert(node.handle);
    if (std::holds_alternative<SceneShape>(node.record) ||
        std::holds_alternative<SceneSkin>(node.record)) {
      _shapes.insert(node.handle);
    }
    for (const SceneNode& child : node.children)
      collect(child);
  }

  std::string material(std::int32_t id) const {
    if (id < 0 || std::size_t(id) >= _materials)
      return str(" uses material ", id, "; the scene has ", _materials);
    return {};
  }

  static std::string mesh(const SceneMesh& mesh) {
    if (mesh.vertices.size() > kSceneMaxMeshVertices)
      return str(" has ", mesh.vertices.size(), " vertices; at most 65535 fit 16-bit indices");
    if (mesh.channels > kSceneMaxChannels)
      return str(" has ", mesh.channels, " texture channels; at most 2");
    if (mesh.vertices.empty() || mesh.faces.empty()) return " has a mesh without vertices or faces";
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
      for (std::uint32_t index : mesh.faces[f]) {
        if (index >= mesh.vertices.size())
          return str(" face ", f, " names vertex ", index, " of ", mesh.vertices.size());
      }
    }
    return {};
  }

  std::string check(const SceneGroup&) { return {}; }
  std::string check(const SceneBone&) { return {}; }
  std::string check(const SceneCamera&) { return {}; }
  std::string check(const SceneSprite& sprite) { return material(sprite.material); }
  std::string check(const SceneLight& light) {
    for (std::int32_t handle : light.shadowCasters) {
      if (!_shapes.count(handle)) return str(" casts shadows from ", handle, ", which is no shape");
    }
    return {};
  }
  std::string drawable(const SceneMesh& shape, std::int32_t id) const {
    std::string error = mesh(shape);
    return error.empty() ? material(id) : error;
  }
  std::string check(const SceneShape& shape) { return drawable(shape.mesh, shape.material); }
  std::string check(const SceneSkin& skin) {
    std::string error = drawable(skin.mesh, skin.material);
    if (!error.empty()) return error;
    if (skin.links.size() != skin.mesh.vertices.size())
      return str(" has links for ", skin.links.size(), " of ", skin.mesh.vertices.size(),
                 " vertices");
    for (const auto& links : skin.links) {
      for (const SceneSkinLink& link : links) {
        if (!_handles.count(link.bone))
          return str(" is linked to handle ", link.bone, ", which no node has");
      }
    }
    return {};
  }
  std::string check(const SceneWater& water) {
    // The grid gets 128 columns and length × 128 ÷ width rows.
    if (!(water.width > 0) || !(water.length >= 0))
      return str(" is a water surface of ", water.width, " by ", water.length);
    return material(water.material);
  }
  std::string check(const SceneParticles& particles) {
    for (std::size_t i = 0; i < particles.classes.size(); ++i) {
      const SceneParticleClass& type = particles.classes[i];
      if (type.mass == 0) return str(" particle class ", i, " has mass 0");
      std::string error = node(type.particle);
      if (!error.empty()) return error;
    }
    return {};
  }

  std::size_t _materials;
  std::set<std::int32_t> _handles;
  std::set<std::int32_t> _shapes;
};

// ---- records ----

void writeText(ByteOutput& out, std::string_view text) {
  out.u32(static_cast<std::uint32_t>(text.size()));
  out.bytes(text);
}

void writeVector(ByteOutput& out, const SceneVector& v) {
  out.f32(v.x);
  out.f32(v.y);
  out.f32(v.z);
}

void writeColour(ByteOutput& out, const SceneColour& c) {
  out.f32(c.r);
  out.f32(c.g);
  out.f32(c.b);
}

void writeTexture(ByteOutput& out, const SceneTexture& texture) {
  out.flag(texture.colourKey);
  writeText(out, texture.file);
  out.flag(texture.animated);
  out.f32(texture.framesPerSecond);
  out.i32(texture.frameCount);
  out.i32(texture.channel);
}

void writePrefix(ByteOutput&, const SceneGroup&) {}
void writePrefix(ByteOutput&, const SceneBone&) {}

void writePrefix(ByteOutput& out, const SceneLight& light) {
  writeColour(out, light.colour);
  out.u32(static_cast<std::uint32_t>(light.shadowCasters.size()));
  for (std::int32_t handle : light.shadowCasters)
    out.i32(handle);
  out.flag(light.attenuation.has_value());
  if (light.attenuation) {
    out.f32(light.attenuation->constant);
    out.f32(light.attenuation->linear);
    out.f32(light.attenuation->quadratic);
    out.f32(light.attenuation->range);
  }
}

void writePrefix(ByteOutput& out, const SceneCamera& camera) {
  out.f32(camera.fieldOfView);
  out.f32(camera.nearPlane);
  out.f32(camera.farPlane);
  out.f32(camera.environmentNear);
  out.f32(camera.environmentFar);
}

void writePrefix(ByteOutput& out, const SceneShape& shape) {
  writeMesh(out, shape.mesh);
  out.i32(shape.material);
}

void writePrefix(ByteOutput& out, const SceneSprite& sprite) {
  out.f32(sprite.size);
  out.i32(sprite.material);
}

void writePrefix(ByteOutput& out, const SceneSkin& skin) {
  writeMesh(out, skin.mesh);
  out.i32(skin.material);
  for (const auto& links : skin.links) {
    out.u32(static_cast<std::uint32_t>(links.size()));
    for (const SceneSkinLink& link : links) {
      out.i32(link.bone);
      writeVector(out, link.offset);
      out.f32(link.weight);
    }
  }
}

void writePrefix(ByteOutput& out, const SceneWater& water) {
  for (float value : {water.width, water.length, water.strength, water.impulseSize,
                      water.impulseProbability, water.damping}) {
    out.f32(value);
  }
  // The grid record: a mesh of one quad, whose faces the loader reads and drops.
  SceneMesh grid;
  for (const SceneVector& corner : water.corners)
    grid.vertices.push_back(SceneVertex{corner, {}, {}});
  grid.faces = {{0, 1, 2}, {2, 1, 3}};
  writeMesh(out, grid);
  out.i32(water.material);
}

void writePrefix(ByteOutput& out, const SceneParticles& particles) {
  for (float value : {particles.spreadX, particles.spreadY, particles.rateFactor,
                      particles.angleSpread, particles.unused}) {
    out.f32(value);
  }
  out.i32(static_cast<std::int32_t>(particles.classes.size()));
  for (const SceneParticleClass& type : particles.classes) {
    out.f32(type.rate);
    out.f32(type.lifetime);
    out.f32(type.mass);
    out.i32(nodeTypeCode(type.particle.record));
    writeNode(out, type.particle);
  }
}

void writeBody(ByteOutput& out, const SceneNode& node) {
  writeText(out, node.name);
  out.i32(node.handle);
  writeVector(out, node.position);
  out.f32(node.rotation.x);
  out.f32(node.rotation.y);
  out.f32(node.rotation.z);
  out.f32(node.rotation.w);
  writeVector(out, node.scale);
  out.u32(static_cast<std::uint32_t>(node.children.size()));
  for (const SceneNode& child : node.children) {
    out.i32(nodeTypeCode(child.record));
    writeNode(out, child);
  }
}

}  // namespace

std::int32_t nodeTypeCode(const SceneNode::Record& record) {
  return std::visit(Overloaded{
                        [](const SceneGroup&) { return VK_NODE_GROUP; },
                        [](const SceneBone&) { return VK_NODE_BONE; },
                        [](const SceneLight&) { return VK_NODE_LIGHT; },
                        [](const SceneCamera&) { return VK_NODE_CAMERA; },
                        [](const SceneShape&) { return VK_NODE_SHAPE; },
                        [](const SceneSprite&) { return VK_NODE_SPRITE; },
                        [](const SceneSkin&) { return VK_NODE_SKIN; },
                        [](const SceneWater&) { return VK_NODE_WATER; },
                        [](const SceneParticles&) { return VK_NODE_PARTICLES; },
                    },
                    record);
}

void writeMaterial(ByteOutput& out, const SceneMaterial& material) {
  out.u8(material.reserved);
  writeColour(out, material.diffuse);
  writeColour(out, material.ambient);
  writeColour(out, material.specular);
  out.f32(material.specularLevel);
  out.f32(material.glossiness);
  out.f32(material.opacity);
  writeColour(out, material.selfIllumination);
  out.i32(static_cast<std::int32_t>(material.diffuseMaps.size()));
  out.flag(material.transparencyMap.has_value());
  out.flag(material.environmentMap.has_value());
  out.flag(material.additiveEnvironmentMap.has_value());
  for (const SceneTexture& map : material.diffuseMaps)
    writeTexture(out, map);
  for (const auto* map :
       {&material.transparencyMap, &material.environmentMap, &material.additiveEnvironmentMap}) {
    if (*map) writeTexture(out, **map);
  }
}

void writeMesh(ByteOutput& out, const SceneMesh& mesh) {
  out.u32(static_cast<std::uint32_t>(mesh.vertices.size()));
  out.u32(static_cast<std::uint32_t>(mesh.faces.size()));
  out.u32(mesh.channels);
  for (std::uint32_t id = 1; id <= mesh.channels; ++id)
    out.u32(id);
  out.flag(mesh.hasNormals);
  for (const SceneVertex& vertex : mesh.vertices) {
    writeVector(out, vertex.position);
    for (std::uint32_t channel = 0; channel < mesh.channels; ++channel) {
      // Channels past the second (a file only tests write) repeat the second.
      const auto& uv = vertex.uv[std::min<std::uint32_t>(channel, 1)];
      out.f32(uv[0]);
      out.f32(uv[1]);
    }
    if (mesh.hasNormals) writeVector(out, vertex.normal);
  }
  for (const auto& face : mesh.faces) {
    for (std::uint32_t index : face)
      out.u32(index);
  }
}

void writeNode(ByteOutput& out, const SceneNode& node) {
  std::visit([&out](const auto& record) { writePrefix(out, record); }, node.record);
  writeBody(out, node);
}

std::string checkScene(const SceneFile& scene) {
  if (!std::holds_alternative<SceneGroup>(scene.root.record))
    return "the root node has a record of its own; the file stores none for it";
  for (std::size_t i = 0; i < scene.materials.size(); ++i) {
    std::string error = checkMaterial(scene.materials[i], i);
    if (!error.empty()) return error;
  }
  return TreeCheck(scene).node(scene.root);
}

std::vector<std::uint8_t> writeSceneUnchecked(const SceneFile& scene) {
  std::vector<std::uint8_t> bytes;
  ByteOutput out(bytes);
  out.i32(VK_SCENE_FILE_VERSION);
  out.i32(scene.reserved);
  out.u32(static_cast<std::uint32_t>(scene.materials.size()));
  for (std::size_t i = 0; i < scene.materials.size(); ++i) {
    out.u32(static_cast<std::uint32_t>(i));
    writeMaterial(out, scene.materials[i]);
  }
  writeBody(out, scene.root);
  return bytes;
}

SceneResult writeScene(const SceneFile& scene) {
  SceneResult result;
  result.error = checkScene(scene);
  if (result.error.empty()) result.bytes = writeSceneUnchecked(scene);
  return result;
}

bool saveScene(const std::filesystem::path& path, const SceneFile& scene, std::string& error) {
  return saveWritten(path, writeScene(scene), error);
}

}  // namespace vesk
