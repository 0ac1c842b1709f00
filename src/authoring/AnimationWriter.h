// Writes animation files (".pab"): the loop mode of the file and its keyframe controller
// records, every field the loader reads. Tests build their animations with it and the show's
// generator writes the show's animations.
//
// The structs hold what the file holds: times in seconds, rotations as quaternions stored
// x, y, z, w, colours as 0..1 floats, fields of view in radians (horizontal), targets as node
// handles or material ids of the scene the file animates. An animation the loader would
// refuse or misread (a controller without keys, key times running backwards, a track whose
// value count is not the key count, a category other than keyframe) is refused with a
// reason; `checkAnimationTargets` also checks the targets against the scene. Tests that need
// a broken file cut or change the bytes of a sound one, write records by hand with
// `writeController` and a ByteOutput, or call `writeAnimationUnchecked`.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "authoring/ByteOutput.h"
#include "authoring/SceneWriter.h"
#include "base/AnimationFormat.h"

namespace vesk {

// Moves, turns and scales a node. A track with no values is absent from the file; a present
// one holds one value per key.
struct AnimNodeController {
  std::int32_t node = 0;  // handle of any node
  std::vector<SceneVector> positions;
  std::vector<SceneRotation> rotations;
  std::vector<SceneVector> scales;
};

struct AnimLightController {
  std::int32_t light = 0;  // handle of a light
  std::vector<SceneColour> colours;
};

struct AnimCameraController {
  std::int32_t camera = 0;          // handle of a camera
  std::vector<float> fieldsOfView;  // horizontal, radians
};

struct AnimMaterialController {
  std::int32_t material = 0;     // index in the scene's material table
  std::vector<float> opacities;  // alpha of the diffuse colour; 1 is opaque
};

struct AnimController {
  using Record = std::variant<AnimNodeController, AnimLightController, AnimCameraController,
                              AnimMaterialController>;
  std::uint8_t category = VK_CONTROLLER_KEYFRAME;
  std::int32_t reserved = 0;
  std::vector<float> keyTimes;  // seconds, ascending
  Record record;                // the type, its target and its values
};

struct AnimationFile {
  std::uint8_t loopMode = VK_ANIM_LOOP_STOP;  // given to every controller of the file
  std::vector<AnimController> controllers;
};

struct AnimationResult {
  std::vector<std::uint8_t> bytes;
  std::string error;  // why the animation was refused; empty when written
  explicit operator bool() const { return error.empty(); }
};

// Why the loader would refuse or misread the animation; empty when it would not.
std::string checkAnimation(const AnimationFile& animation);
// Why the animation's targets do not fit `scene` (a handle no node has, a light controller on
// a camera, a material id past the table); empty when they fit.
std::string checkAnimationTargets(const AnimationFile& animation, const SceneFile& scene);
// The animation as file bytes, or the reason it cannot be written.
AnimationResult writeAnimation(const AnimationFile& animation);
// The bytes whatever the structs say, for tests of the loader's refusals.
std::vector<std::uint8_t> writeAnimationUnchecked(const AnimationFile& animation);
// Writes the animation to a file, replacing an older one whole; false with the reason in
// `error`.
bool saveAnimation(const std::filesystem::path& path, const AnimationFile& animation,
                   std::string& error);

// The records, for files put together by hand.
std::uint8_t controllerTypeCode(const AnimController::Record& record);
// One controller record from its category byte to its last value (not the "more" byte).
void writeController(ByteOutput& out, const AnimController& controller);

}  // namespace vesk
