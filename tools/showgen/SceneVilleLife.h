// The living things of the city scene ("ville"): the swarm of seven scarabs and the two
// walking heroes, their nodes and their animation controllers. SceneVille.cpp places them.
#pragma once

#include <vector>

#include "SceneKit.h"

namespace showgen {

// Materials the creatures use, as indices in the scene's material table.
struct LifeMaterials {
  std::int32_t shell, gold, wing, dark, robeA, robeB, skin;
};

// The swarm, seven scarabs each with head, wing cases, wings and legs (49 nodes), hovering
// where their flight starts; `flight` receives the swarm's flight and wing beats.
void addScarabs(std::vector<vesk::SceneNode>& nodes, Handles& handles,
                const LifeMaterials& materials, std::vector<vesk::AnimController>& flight);

// Two heroes walking side by side along the pool; `walk` receives their walk.
void addHeroes(std::vector<vesk::SceneNode>& nodes, Handles& handles,
               const LifeMaterials& materials, std::vector<vesk::AnimController>& walk);

// Where the first hero's hips are at time `t` of the walk (for cameras that follow them).
vesk::SceneVector heroPosition(float t);

// How long the swarm's flight and the heroes' walk last before they repeat.
inline constexpr float kScarabLoop = 16;
inline constexpr float kWalkLoop = 14;

}  // namespace showgen
