// Small scenes built with the scene writer's structs, for tests and examples: a cube with
// normals, a point light, a camera looking at a point, a material of one colour.
#pragma once

#include <string>

#include "authoring/SceneWriter.h"

namespace vesk {

SceneMaterial sceneColourMaterial(SceneColour diffuse, float opacity = 1);
// A cube of edge `size` centred on the origin, 24 vertices with outward normals, 12 faces
// wound clockwise as seen from outside.
SceneMesh sceneCube(float size);
// A square of edge 2 × `half` in the plane z = 0, centred on the origin, facing +z.
SceneMesh sceneFloor(float half);
SceneNode sceneShapeNode(std::string name, std::int32_t handle, SceneMesh mesh,
                         std::int32_t material);
SceneNode scenePointLight(std::string name, std::int32_t handle, SceneVector position,
                          SceneColour colour = {1, 1, 1});
// A camera at `eye` whose view axis points at `target`, with the world's z up.
SceneNode sceneCameraLookingAt(std::string name, std::int32_t handle, SceneVector eye,
                               SceneVector target);
// A scene named `name`: one material of colour `colour`, a cube of edge 2 at the origin, a
// point light and a camera 10 units away looking at the cube.
SceneFile sceneLitCube(std::string name, SceneColour colour = {1, 0, 0});

}  // namespace vesk
