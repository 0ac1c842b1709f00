#include "SceneFiles.h"

namespace showgen {

namespace {

// Adds what a writer gave under `name`: its bytes, or its refusal as the error.
template <class Result>
bool addWritten(DataSet& set, const std::string& name, Result written, std::string& error) {
  if (!written) {
    error = name + ": " + written.error;
    return false;
  }
  if (!set.add(name, std::move(written.bytes))) {
    error = name + " is written twice";
    return false;
  }
  return true;
}

}  // namespace

bool addSceneFile(DataSet& set, const vesk::SceneFile& scene, std::string& error) {
  return addWritten(set, "data\\" + scene.root.name + ".pod", vesk::writeScene(scene), error);
}

bool addAnimationFile(DataSet& set, const vesk::SceneFile& scene, const std::string& base,
                      const vesk::AnimationFile& animation, std::string& error) {
  const std::string name = "data\\" + base + ".pab";
  std::string targets = vesk::checkAnimationTargets(animation, scene);
  if (!targets.empty()) {
    error = name + ": " + targets;
    return false;
  }
  return addWritten(set, name, vesk::writeAnimation(animation), error);
}

bool addSceneFiles(DataSet& set, const vesk::SceneFile& scene,
                   const std::vector<std::pair<std::string, vesk::AnimationFile>>& animations,
                   std::string& error) {
  if (!addSceneFile(set, scene, error)) return false;
  for (const auto& [base, animation] : animations) {
    if (!addAnimationFile(set, scene, base, animation, error)) return false;
  }
  return true;
}

}  // namespace showgen
