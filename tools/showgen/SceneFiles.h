// Adding a scene and its animation files to the data set, each checked first: the scene by the
// scene writer, every animation by the animation writer and against the scene it animates.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "DataSet.h"
#include "authoring/AnimationWriter.h"
#include "authoring/SceneWriter.h"

namespace showgen {

// Adds "data\<root name>.pod". False with the reason in `error`.
bool addSceneFile(DataSet& set, const vesk::SceneFile& scene, std::string& error);
// Adds "data\<base>.pab". False with the reason in `error`.
bool addAnimationFile(DataSet& set, const vesk::SceneFile& scene, const std::string& base,
                      const vesk::AnimationFile& animation, std::string& error);
// The scene, then each animation under its base name.
bool addSceneFiles(DataSet& set, const vesk::SceneFile& scene,
                   const std::vector<std::pair<std::string, vesk::AnimationFile>>& animations,
                   std::string& error);

}  // namespace showgen
