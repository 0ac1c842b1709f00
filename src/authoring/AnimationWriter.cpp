#include "authoring/AnimationWriter.h"

#include <cmath>
#include <map>
#include <optional>
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

// A track must hold one value per key, or the loader reads into the next record.
template <class T>
std::string checkCount(const std::vector<T>& values, std::size_t keys, std::string_view what) {
  if (values.size() == keys) return {};
  return str(" has ", keys, " keys but ", values.size(), " ", what);
}

// A node track may also be absent.
template <class T>
std::string checkTrack(const std::vector<T>& values, std::size_t keys, std::string_view what) {
  return values.empty() ? std::string() : checkCount(values, keys, what);
}

std::string checkRecord(const AnimController::Record& record, std::size_t keys) {
  return std::visit(Overloaded{
                        [keys](const AnimNodeController& node) {
                          std::string error = checkTrack(node.positions, keys, "positions");
                          if (error.empty()) error = checkTrack(node.rotations, keys, "rotations");
                          if (error.empty()) error = checkTrack(node.scales, keys, "scales");
                          return error;
                        },
                        [keys](const AnimLightController& light) {
                          return checkCount(light.colours, keys, "colours");
                        },
                        [keys](const AnimCameraController& camera) {
                          return checkCount(camera.fieldsOfView, keys, "fields of view");
                        },
                        [keys](const AnimMaterialController& material) {
                          return checkCount(material.opacities, keys, "opacities");
                        },
                    },
                    record);
}

std::string checkController(const AnimController& controller) {
  if (controller.category != VK_CONTROLLER_KEYFRAME)
    return str(" has category ", int(controller.category), "; only keyframe controllers load");
  const std::vector<float>& times = controller.keyTimes;
  if (times.empty()) return " has no keys";
  for (std::size_t i = 0; i < times.size(); ++i) {
    if (!std::isfinite(times[i])) return str(" has key time ", times[i], " at key ", i);
    // Equal neighbours are a step; a time running backwards breaks the interval search.
    if (i > 0 && times[i] < times[i - 1])
      return str(" has key ", i, " at ", times[i], " s before key ", i - 1, " at ", times[i - 1],
                 " s");
  }
  return checkRecord(controller.record, times.size());
}

// What each handle of the scene is, for the targets' checks.
enum class TargetKind { Light, Camera, Other };

void collectNodes(const SceneNode& node, std::map<std::int32_t, TargetKind>& kinds) {
  kinds[node.handle] = std::holds_alternative<SceneLight>(node.record)    ? TargetKind::Light
                       : std::holds_alternative<SceneCamera>(node.record) ? TargetKind::Camera
                                                                          : TargetKind::Other;
  for (const SceneNode& child : node.children)
    collectNodes(child, kinds);
}

// ---- records ----

void writeVector(ByteOutput& out, const SceneVector& v) {
  out.f32(v.x);
  out.f32(v.y);
  out.f32(v.z);
}

void writeFloats(ByteOutput& out, const std::vector<float>& values) {
  for (float value : values)
    out.f32(value);
}

// A node track: its flag, then its values when present.
template <class T, class Write>
void writeTrack(ByteOutput& out, const std::vector<T>& values, Write write) {
  out.flag(!values.empty());
  for (const T& value : values)
    write(out, value);
}

void writeTargetAndValues(ByteOutput& out, const AnimController::Record& record) {
  std::visit(Overloaded{
                 [&out](const AnimNodeController& node) {
                   out.i32(node.node);
                   writeTrack(out, node.positions, writeVector);
                   writeTrack(out, node.rotations, [](ByteOutput& o, const SceneRotation& q) {
                     o.f32(q.x);
                     o.f32(q.y);
                     o.f32(q.z);
                     o.f32(q.w);
                   });
                   writeTrack(out, node.scales, writeVector);
                 },
                 [&out](const AnimLightController& light) {
                   out.i32(light.light);
                   for (const SceneColour& colour : light.colours) {
                     out.f32(colour.r);
                     out.f32(colour.g);
                     out.f32(colour.b);
                   }
                 },
                 [&out](const AnimCameraController& camera) {
                   out.i32(camera.camera);
                   writeFloats(out, camera.fieldsOfView);
                 },
                 [&out](const AnimMaterialController& material) {
                   out.i32(material.material);
                   writeFloats(out, material.opacities);
                 },
             },
             record);
}

}  // namespace

std::uint8_t controllerTypeCode(const AnimController::Record& record) {
  return std::visit(
      Overloaded{
          [](const AnimNodeController&) { return VK_CONTROLLER_NODE_TM; },
          [](const AnimLightController&) { return VK_CONTROLLER_LIGHT_COLOR; },
          [](const AnimCameraController&) { return VK_CONTROLLER_CAMERA_FOV; },
          [](const AnimMaterialController&) { return VK_CONTROLLER_MATERIAL_SETTINGS; },
      },
      record);
}

void writeController(ByteOutput& out, const AnimController& controller) {
  out.u8(controller.category);
  out.u8(controllerTypeCode(controller.record));
  out.i32(controller.reserved);
  out.u32(static_cast<std::uint32_t>(controller.keyTimes.size()));
  writeFloats(out, controller.keyTimes);
  writeTargetAndValues(out, controller.record);
}

std::string checkAnimation(const AnimationFile& animation) {
  for (std::size_t i = 0; i < animation.controllers.size(); ++i) {
    std::string error = checkController(animation.controllers[i]);
    if (!error.empty()) return str("controller ", i, error);
  }
  return {};
}

std::string checkAnimationTargets(const AnimationFile& animation, const SceneFile& scene) {
  std::map<std::int32_t, TargetKind> kinds;
  collectNodes(scene.root, kinds);
  const auto node = [&kinds](std::int32_t handle, std::optional<TargetKind> wanted,
                             std::string_view what) -> std::string {
    const auto found = kinds.find(handle);
    if (found == kinds.end()) return str(" targets handle ", handle, ", which no node has");
    if (wanted && found->second != *wanted) return str(" targets handle ", handle, ", no ", what);
    return {};
  };
  for (std::size_t i = 0; i < animation.controllers.size(); ++i) {
    const std::string error = std::visit(
        Overloaded{
            [&](const AnimNodeController& c) { return node(c.node, std::nullopt, "node"); },
            [&](const AnimLightController& c) { return node(c.light, TargetKind::Light, "light"); },
            [&](const AnimCameraController& c) {
              return node(c.camera, TargetKind::Camera, "camera");
            },
            [&](const AnimMaterialController& c) {
              const std::size_t count = scene.materials.size();
              return c.material >= 0 && std::size_t(c.material) < count
                         ? std::string()
                         : str(" targets material ", c.material, " of ", count);
            },
        },
        animation.controllers[i].record);
    if (!error.empty()) return str("controller ", i, error);
  }
  return {};
}

std::vector<std::uint8_t> writeAnimationUnchecked(const AnimationFile& animation) {
  std::vector<std::uint8_t> bytes;
  ByteOutput out(bytes);
  out.u32(VK_ANIM_FILE_VERSION);
  out.u8(animation.loopMode);
  for (const AnimController& controller : animation.controllers) {
    out.flag(true);
    writeController(out, controller);
  }
  out.flag(false);
  return bytes;
}

AnimationResult writeAnimation(const AnimationFile& animation) {
  AnimationResult result;
  result.error = checkAnimation(animation);
  if (result.error.empty()) result.bytes = writeAnimationUnchecked(animation);
  return result;
}

bool saveAnimation(const std::filesystem::path& path, const AnimationFile& animation,
                   std::string& error) {
  return saveWritten(path, writeAnimation(animation), error);
}

}  // namespace vesk
