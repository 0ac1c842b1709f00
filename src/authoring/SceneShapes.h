// Modelling helpers for scenes built in code: lathed and extruded solids, bevelled boxes,
// spheres and cylinders, normals, transforms, merging and texture mapping of SceneMesh.
//
// Meshes follow the scene writer's convention: faces are wound clockwise as seen from the
// side their normal points to, so that for a face (a, b, c) the cross product
// (a - b) × (c - b) points out of the solid. Every builder returns a mesh with normals and
// one texture-coordinate channel, its vertices shared where position, normal and coordinates
// agree. Normals are smooth across edges flatter than the builder's crease angle and flat
// across sharper ones, so that a column is round and its cut ends are flat.
#pragma once

#include <array>
#include <vector>

#include "authoring/SceneWriter.h"

namespace vesk {

// A point of a lathe's profile: distance from the axis and height along z.
struct LathePoint {
  float radius = 0, z = 0;
};

// The profile turned about the z axis in `segments` steps. The profile runs from bottom to
// top; a point at radius 0 closes the solid there (a pole). Coordinates: u around the axis,
// v along the profile's length. Creases sharper than `creaseDegrees` stay flat.
SceneMesh sceneLathe(const std::vector<LathePoint>& profile, int segments,
                     float creaseDegrees = 50);

// A closed cylinder about z from z = 0 to z = `height`, round sides and flat caps.
SceneMesh sceneCylinder(float radius, float height, int segments);

// A sphere about the origin, `rings` bands from pole to pole.
SceneMesh sceneSphere(float radius, int segments, int rings);

// A box of extent `size` centred on the origin whose twelve edges are cut by `bevel` (at most
// half the smallest extent): 6 faces, 12 bevels and 8 corner triangles, all flat. Coordinates
// are projected along each face's main axis, one texture repeat per `uvScale` units.
SceneMesh sceneBevelledBox(SceneVector size, float bevel, float uvScale = 1);

// The polygon `outline` (x, y; counter-clockwise seen from +z; convex, or at least seen whole
// from its first point) extruded from z = 0 to z = `height`, capped at both ends. Walls are
// flat; coordinates run along the outline (u) and up (v), one repeat per `uvScale` units.
SceneMesh sceneExtrusion(const std::vector<std::array<float, 2>>& outline, float height,
                         float uvScale = 1);

// Recomputes the normals from the faces: each corner gets the area-weighted mean of the faces
// around its position that bend from its own face by less than `creaseDegrees` (0 gives flat
// faces, 180 smooth everywhere). Vertices are unshared then welded again, so the mesh may
// change its vertex count; texture coordinates are kept.
void sceneComputeNormals(SceneMesh& mesh, float creaseDegrees);

// Moves, turns and scales every vertex (normals follow, renormalised).
void sceneTranslate(SceneMesh& mesh, SceneVector offset);
// Turns about `axis` (through the origin) by `radians`, right-handed.
void sceneRotate(SceneMesh& mesh, SceneVector axis, float radians);
void sceneScale(SceneMesh& mesh, SceneVector factors);

// Turns the mesh inside out: faces wound the other way, normals reversed (a sky dome seen
// from within).
void sceneFlip(SceneMesh& mesh);

// Appends `other`'s vertices and faces to `into`; channels and normals become the larger.
void sceneMerge(SceneMesh& into, const SceneMesh& other);

// Texture coordinates of `channel` (1 or 2) projected along the main axis of each vertex's
// normal, one repeat per `scale` units (box mapping).
void sceneMapBox(SceneMesh& mesh, float scale, int channel = 1);
// Texture coordinates of `channel` from x and y (a plan view): u = (x - x0) / width,
// v = (y - y0) / height.
void sceneMapPlanar(SceneMesh& mesh, float x0, float y0, float width, float height,
                    int channel = 1);

// The rotation about `axis` by `radians`, for a node's rotation.
SceneRotation sceneAxisRotation(SceneVector axis, float radians);

}  // namespace vesk
