// vesk-inspect: shows what a scene or animation file holds, as the show's loader reads it, so
// that an author can check a written file without running the show.
//   vesk-inspect FILE
//   vesk-inspect --show
// The standard output gets one JSON object. For a scene: the material table ("materials": id,
// colours, power, whether the material is drawn sorted, textures) and the node tree ("root":
// class, event-target name, handle, position, rotation as x y z w, scale, a shape's mesh
// vertex and face counts and material id, a light's shadow-casting shape handles, a sprite's
// size and material, a particle system's emission values and classes, a skin's link count, a
// water's settings and grid size, children). Texture names are looked up under the current
// folder, as the show does. For an animation (a name ending in ".pab"): its controllers
// ("controllers": category, type, target handle or material id, key count, first and last key
// time, the tracks present, loop mode); the targets are not looked up, since the file does not
// say which scene it animates.
//
// With --show the standard output gets the compiled-in show's script instead, in the capture
// tool's text format: the loading schedule as "at" lines, then the music cues as "cue" lines in
// the order they are registered, so that the show can be read, diffed and replayed.
//
// The file is loaded by the real loader on a device that records calls without drawing, so no
// display is needed. A file the loader refuses gets the loader's own message on the standard
// error. Exit codes: 0 done, 1 the file is unreadable or refused, 2 wrong usage, 130 or 143
// stopped by SIGINT or SIGTERM.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/BinaryInput.h"
#include "base/Diagnosis.h"
#include "base/File.h"
#include "base/RegularFile.h"
#include "render/DrawContext.h"
#include "show/ClepsydraShow.h"
#include "show/EventScript.h"
#include "world/animation/AnimBlock.h"
#include "world/animation/KeyframeControllers.h"
#include "world/material/ComplexTexture.h"
#include "world/material/Material.h"
#include "world/material/ResourceCache.h"
#include "world/material/Texture.h"
#include "world/scene/Light.h"
#include "world/scene/ParticleSystem.h"
#include "world/scene/Scene.h"
#include "world/scene/Shape.h"
#include "world/scene/Skin.h"
#include "world/scene/Sprite.h"
#include "world/scene/Water.h"

namespace vesk {
namespace {

constexpr const char* kUsage = "usage: vesk-inspect FILE | --show\n";
constexpr const char* kHelp =
    "usage: vesk-inspect FILE | --show\n"
    "Loads a scene file as the show does and prints its materials and node tree as JSON;\n"
    "an animation file (.pab) gets its controllers printed instead.\n"
    "Texture files are looked up under the current folder. Exit codes: 0 done, 1 the file\n"
    "is unreadable or refused (the reason on the standard error), 2 wrong usage.\n"
    "--show prints the compiled-in show as a script of at and cue lines (vesk-capture's\n"
    "format).\n";
// What the show reads as a data file, it reads too.
constexpr std::size_t kMaxSceneBytes = std::numeric_limits<std::uint32_t>::max();

// Reports and assertions of the loader go to the standard error; the load goes on after an
// assertion as the show's does when it is ignored.
class InspectPresenter : public Presenter {
 public:
  void showError(const std::string& text, const std::string&) override {
    std::fprintf(stderr, "vesk-inspect: %s\n", text.c_str());
  }
  DiagnosisChoice showDiagnosis(const std::string& text) override {
    std::fprintf(stderr, "vesk-inspect: %s\n", text.c_str());
    return DiagnosisChoice::Ignore;
  }
};

// JSON text. Bytes that are not UTF-8 (names written in a Windows code page) are taken as
// Latin-1 so that the output stays valid JSON.
class JsonWriter {
 public:
  void text(std::string_view value) {
    separate();
    quoted(value);
  }
  // Not-a-number and infinities have no JSON form: null.
  void number(double value) {
    separate();
    if (!std::isfinite(value)) {
      _out += "null";
      return;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", value);
    _out += buffer;
  }
  void integer(std::int64_t value) {
    separate();
    _out += std::to_string(value);
  }
  void boolean(bool value) {
    separate();
    _out += value ? "true" : "false";
  }
  void key(std::string_view name) {
    separate();
    quoted(name);
    _out += ':';
    _afterKey = true;
  }
  void open(char bracket) {
    separate();
    _out += bracket;
    _first = true;
  }
  void close(char bracket) {
    _out += bracket;
    _first = false;
  }
  const std::string& result() const { return _out; }

 private:
  // A comma before every value but the first of an object or array, and none after a key.
  void separate() {
    if (std::exchange(_afterKey, false)) return;
    if (!_first) _out += ',';
    _first = false;
  }
  void quoted(std::string_view value) {
    _out += '"';
    for (std::size_t i = 0; i < value.size();) {
      const auto byte = static_cast<unsigned char>(value[i]);
      if (byte == '"' || byte == '\\') {
        _out += '\\';
        _out += static_cast<char>(byte);
      } else if (byte < 0x20 || byte == 0x7F) {
        escape(byte);
      } else if (byte >= 0x80) {
        const std::size_t length = utf8Length(value.substr(i));
        if (length == 0) {
          escape(byte);
        } else {
          _out.append(value.substr(i, length));
          i += length;
          continue;
        }
      } else {
        _out += static_cast<char>(byte);
      }
      ++i;
    }
    _out += '"';
  }
  void escape(unsigned char byte) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\u%04x", byte);
    _out += buffer;
  }
  // The length of the well-formed UTF-8 sequence that starts `rest`; 0 when there is none.
  static std::size_t utf8Length(std::string_view rest) {
    const auto lead = static_cast<unsigned char>(rest[0]);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code = lead & 0x07;
    } else {
      return 0;
    }
    if (rest.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
      const auto next = static_cast<unsigned char>(rest[i]);
      if ((next & 0xC0) != 0x80) return 0;
      code = code << 6 | (next & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return overlong || surrogate || code > 0x10FFFF ? 0 : length;
  }

  std::string _out;
  bool _first = true;
  bool _afterKey = false;
};

void numbers(JsonWriter& json, std::string_view name, std::initializer_list<double> values) {
  json.key(name);
  json.open('[');
  for (double value : values)
    json.number(value);
  json.close(']');
}

void colour(JsonWriter& json, std::string_view name, const ColorValue& value) {
  numbers(json, name, {value.r, value.g, value.b, value.a});
}

void writeTexture(JsonWriter& json, const ComplexTexture& texture) {
  json.open('{');
  json.key("kind");
  json.integer(texture.kind());
  json.key("channel");
  json.integer(texture.texCoordSet() + 1);
  json.key("frames");
  json.integer(static_cast<std::int64_t>(texture.frames().size()));
  json.key("framesPerSecond");
  json.number(texture.framesPerSecond());
  json.key("colourKey");
  json.boolean(texture.colourKey());
  // The resource cache's key of the first frame: the file name and the kind.
  json.key("key");
  json.text(texture.frames().empty() || !texture.frames()[0] ? "" : texture.frames()[0]->key());
  json.close('}');
}

void writeMaterials(JsonWriter& json, Scene& scene) {
  json.key("materials");
  json.open('[');
  // The last entry of the shader table is the scene's mirror shader, not a file material.
  for (std::uint32_t id = 0; id + 1 < scene.shaderCount(); ++id) {
    const auto* material = dynamic_cast<const Material*>(scene.getShader(id));
    if (!material) continue;
    const gfx::MaterialValues& values = material->values();
    json.open('{');
    json.key("id");
    json.integer(id);
    colour(json, "diffuse", values.diffuse);
    colour(json, "ambient", values.ambient);
    colour(json, "specular", values.specular);
    colour(json, "emissive", values.emissive);
    json.key("power");
    json.number(values.power);
    json.key("sorted");
    json.boolean(material->needsSorting());
    json.key("textures");
    json.open('[');
    for (const Owned<ComplexTexture>& texture : material->textures())
      writeTexture(json, *texture);
    json.close(']');
    json.close('}');
  }
  json.close(']');
}

std::string className(const Node& node) {
  std::string name = typeName(typeid(node));
  constexpr std::string_view kNamespace = "vesk::";
  if (name.starts_with(kNamespace)) name.erase(0, kNamespace.size());
  return name;
}

void writeNode(JsonWriter& json, const Node& node) {
  json.open('{');
  json.key("class");
  json.text(className(node));
  json.key("name");
  json.text(node.getName());
  json.key("handle");
  json.integer(node._handle);
  numbers(json, "position", {node._position.x, node._position.y, node._position.z});
  const Quaternion& rotation = node._rotation;
  numbers(json, "rotation", {rotation.x, rotation.y, rotation.z, rotation.w});
  numbers(json, "scale", {node._scale.x, node._scale.y, node._scale.z});
  if (const auto* shape = dynamic_cast<const Shape*>(&node)) {
    if (const Mesh* mesh = shape->mesh()) {
      json.key("mesh");
      json.open('{');
      json.key("vertices");
      json.integer(mesh->vertexCount());
      json.key("faces");
      json.integer(mesh->indexCount() / 3);
      json.close('}');
    }
    json.key("material");
    json.integer(shape->materialId());
  }
  if (const auto* sprite = dynamic_cast<const Sprite*>(&node)) {
    json.key("size");
    json.number(sprite->size());
    json.key("material");
    json.integer(sprite->materialId());
  }
  if (const auto* system = dynamic_cast<const ParticleSystem*>(&node)) {
    numbers(json, "emission",
            {system->_spreadX, system->_spreadY, system->_rateFactor, system->_angleSpread});
    json.key("classes");
    json.open('[');
    for (const Owned<ParticleClass>& type : system->classes()) {
      json.open('{');
      numbers(json, "rateLifetimeMass", {type->_rate, type->_lifetime, type->_mass});
      if (type->_template) {
        json.key("template");
        writeNode(json, *type->_template);
      }
      json.close('}');
    }
    json.close(']');
  }
  if (const auto* skin = dynamic_cast<const Skin*>(&node)) {
    json.key("links");
    json.integer(static_cast<std::int64_t>(skin->linkCount()));
  }
  if (const auto* water = dynamic_cast<const Water*>(&node)) {
    const RippleSettings& settings = water->ripple().settings();
    json.key("water");
    json.open('{');
    for (auto [name, value] : {std::pair{"width", settings.width},
                               {"length", settings.length},
                               {"strength", settings.strength},
                               {"impulseSize", settings.impulseSize},
                               {"impulseProbability", settings.impulseProbability},
                               {"damping", settings.damping}}) {
      json.key(name);
      json.number(value);
    }
    json.key("columns");
    json.integer(water->ripple().columns());
    json.key("rows");
    json.integer(water->ripple().rows());
    json.close('}');
    json.key("material");
    json.integer(water->materialId());
  }
  if (const auto* light = dynamic_cast<const Light*>(&node); light && light->hasShadowCasters()) {
    json.key("shadowCasters");
    json.open('[');
    for (const Light::ShadowCaster& caster : light->_shadowCasters)
      json.integer(caster.handle);
    json.close(']');
  }
  json.key("children");
  json.open('[');
  for (const Node* child : node.children())
    writeNode(json, *child);
  json.close(']');
  json.close('}');
}

// The type name and the tracks of a controller.
std::pair<const char*, std::vector<const char*>> describe(const KeyframeController& controller) {
  if (const auto* node = dynamic_cast<const NodeTMController*>(&controller)) {
    std::vector<const char*> tracks;
    if (node->_hasPosition) tracks.push_back("position");
    if (node->_hasRotation) tracks.push_back("rotation");
    if (node->_hasScale) tracks.push_back("scale");
    return {"node", tracks};
  }
  if (dynamic_cast<const LightColorController*>(&controller)) return {"light", {"colour"}};
  if (dynamic_cast<const CameraFOVController*>(&controller)) return {"camera", {"fov"}};
  return {"material", {"opacity"}};
}

void writeControllers(JsonWriter& json, const AnimBlock& block) {
  json.key("controllers");
  json.open('[');
  for (const Owned<KeyframeController>& controller : block.controllers()) {
    const auto [type, tracks] = describe(*controller);
    json.open('{');
    json.key("category");
    json.text("keyframe");
    json.key("type");
    json.text(type);
    json.key("target");
    json.integer(controller->_target);
    json.key("keys");
    json.integer(controller->keyCount());
    numbers(json, "times", {controller->_keyTimes.front(), controller->_keyTimes.back()});
    json.key("tracks");
    json.open('[');
    for (const char* track : tracks)
      json.text(track);
    json.close(']');
    json.key("loop");
    json.integer(controller->_loopMode);
    json.close('}');
  }
  json.close(']');
}

int failure(const std::string& message) {
  std::fprintf(stderr, "vesk-inspect: %s\n", message.c_str());
  return 1;
}

int inspect(const char* path) {
  FileContent file = readRegularFile(path, kMaxSceneBytes);
  if (!file) return failure(std::string("cannot read ") + path + ": " + file.error);

  InspectPresenter presenter;
  setPresenter(&presenter);
  // Pictures (textures, a water's impulse pictures) come from the current folder's data.
  File::init();
  std::string output;
  {
    RecordingDrawContext recording;
    auto cache = make<ResourceCache>(here());
    auto scene = make<Scene>(here());
    BinaryInput in(std::move(file.data), file.size, path);
    if (std::string_view(path).ends_with(".pab")) {
      auto block = make<AnimBlock>(here(), *scene);
      block->read(in, AnimBlock::Targets::Keep);
      if (!quitRequested()) {
        JsonWriter json;
        json.open('{');
        writeControllers(json, *block);
        json.close('}');
        output = json.result() + "\n";
      }
    } else if (scene->load(in) && !quitRequested()) {
      JsonWriter json;
      json.open('{');
      writeMaterials(json, *scene);
      json.key("root");
      writeNode(json, *scene);
      json.close('}');
      output = json.result() + "\n";
    } else if (!quitRequested()) {
      // A load that stopped always reports why; this is only a safety net.
      failure(std::string(path) + " could not be loaded");
      requestQuit(1);
    }
    scene.reset();
    cache.reset();
  }
  setPresenter(nullptr);
  if (quitRequested()) return quitExitCode();
  if (std::fputs(output.c_str(), stdout) < 0 || std::fflush(stdout) != 0)
    return failure("cannot write to the standard output");
  return 0;
}

int printShow() {
  const std::string script = formatEventScript(loadingSchedule(), showCueEvents());
  if (std::fputs(script.c_str(), stdout) < 0 || std::fflush(stdout) != 0)
    return failure("cannot write to the standard output");
  return 0;
}

}  // namespace
}  // namespace vesk

int main(int argc, char** argv) {
  vesk::quitOnSignals();
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    std::fputs(vesk::kHelp, stdout);
    return 0;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--show") return vesk::printShow();
  if (argc != 2 || std::string_view(argv[1]).starts_with("--")) {
    std::fputs(vesk::kUsage, stderr);
    return 2;
  }
  return vesk::inspect(argv[1]);
}
