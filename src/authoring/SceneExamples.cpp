#include "authoring/SceneExamples.h"

#include <cmath>
#include <utility>

namespace vesk {

namespace {

SceneVector operator*(const SceneVector& v, float k) {
  return {v.x * k, v.y * k, v.z * k};
}
SceneVector operator+(const SceneVector& a, const SceneVector& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
SceneVector operator-(const SceneVector& a, const SceneVector& b) {
  return a + b * -1;
}
SceneVector cross(const SceneVector& a, const SceneVector& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
SceneVector normalised(const SceneVector& v) {
  const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return length > 0 ? v * (1 / length) : v;
}

// The quaternion whose rotation matrix has these rows (the rotation of row vectors).
SceneRotation fromRows(const SceneVector (&m)[3]) {
  const float trace = m[0].x + m[1].y + m[2].z;
  float w, x, y, z;
  if (trace > 0) {
    const float s = std::sqrt(trace + 1) * 2;  // 4w
    w = s / 4;
    x = (m[1].z - m[2].y) / s;
    y = (m[2].x - m[0].z) / s;
    z = (m[0].y - m[1].x) / s;
  } else if (m[0].x > m[1].y && m[0].x > m[2].z) {
    const float s = std::sqrt(1 + m[0].x - m[1].y - m[2].z) * 2;  // 4x
    x = s / 4;
    y = (m[0].y + m[1].x) / s;
    z = (m[0].z + m[2].x) / s;
    w = (m[1].z - m[2].y) / s;
  } else if (m[1].y > m[2].z) {
    const float s = std::sqrt(1 + m[1].y - m[0].x - m[2].z) * 2;  // 4y
    y = s / 4;
    x = (m[0].y + m[1].x) / s;
    z = (m[1].z + m[2].y) / s;
    w = (m[2].x - m[0].z) / s;
  } else {
    const float s = std::sqrt(1 + m[2].z - m[0].x - m[1].y) * 2;  // 4z
    z = s / 4;
    x = (m[0].z + m[2].x) / s;
    y = (m[1].z + m[2].y) / s;
    w = (m[0].y - m[1].x) / s;
  }
  return {x, y, z, w};
}

SceneNode node(std::string name, std::int32_t handle, SceneNode::Record record) {
  SceneNode result;
  result.name = std::move(name);
  result.handle = handle;
  result.record = std::move(record);
  return result;
}

}  // namespace

SceneMaterial sceneColourMaterial(SceneColour diffuse, float opacity) {
  SceneMaterial material;
  material.diffuse = diffuse;
  material.ambient = diffuse;
  material.specular = {0, 0, 0};
  material.opacity = opacity;
  return material;
}

SceneMesh sceneFloor(float half) {
  SceneMesh floor;
  for (auto [x, y] : {std::pair{-half, -half}, {half, -half}, {-half, half}, {half, half}}) {
    SceneVertex vertex;
    vertex.position = {x, y, 0};
    vertex.normal = {0, 0, 1};
    floor.vertices.push_back(vertex);
  }
  floor.hasNormals = true;
  floor.faces = {{0, 2, 1}, {1, 2, 3}};
  return floor;
}

SceneMesh sceneCube(float size) {
  const float h = size / 2;
  // Each side's outward normal n with two edge directions s × t = n: corners c - s - t,
  // c - s + t, c + s + t, c + s - t are clockwise seen from outside, so that the faces are
  // front faces from there and (a - b) × (c - b) points out.
  const SceneVector x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
  const SceneVector sides[6][3] = {{x, y, z},      {x * -1, z, y}, {y, z, x},
                                   {y * -1, x, z}, {z, x, y},      {z * -1, y, x}};
  const float uvs[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
  SceneMesh mesh;
  mesh.channels = 1;
  mesh.hasNormals = true;
  for (const auto& [n, s, t] : sides) {
    const SceneVector c = n * h;
    const SceneVector corners[4] = {c - s * h - t * h, c - s * h + t * h, c + s * h + t * h,
                                    c + s * h - t * h};
    const auto first = static_cast<std::uint32_t>(mesh.vertices.size());
    for (int i = 0; i < 4; ++i)
      mesh.vertices.push_back(SceneVertex{corners[i], {{{uvs[i][0], uvs[i][1]}, {}}}, n});
    mesh.faces.push_back({first, first + 1, first + 2});
    mesh.faces.push_back({first, first + 2, first + 3});
  }
  return mesh;
}

SceneNode sceneShapeNode(std::string name, std::int32_t handle, SceneMesh mesh,
                         std::int32_t material) {
  return node(std::move(name), handle, SceneShape{std::move(mesh), material});
}

SceneNode scenePointLight(std::string name, std::int32_t handle, SceneVector position,
                          SceneColour colour) {
  SceneNode light = node(std::move(name), handle, SceneLight{colour, {}, {}});
  light.position = position;
  return light;
}

SceneNode sceneCameraLookingAt(std::string name, std::int32_t handle, SceneVector eye,
                               SceneVector target) {
  // A camera's view is the translation by -eye, then diag(1, 1, -1), then the transpose of its
  // rotation's matrix, the rotation taken as (-w, x, y, -z): the view looks along +z with y up.
  // The view's axes in the world are right r, up u and forward f; the rotation's matrix is
  // then the one whose rows are r, u and f with their z negated.
  const SceneVector f = normalised(target - eye);
  SceneVector r = cross(f, {0, 0, 1});
  if (r.x == 0 && r.y == 0 && r.z == 0) r = {1, 0, 0};  // looking straight up or down
  r = normalised(r);
  const SceneVector u = cross(r, f);
  const SceneVector rows[3] = {{r.x, r.y, -r.z}, {u.x, u.y, -u.z}, {f.x, f.y, -f.z}};
  const SceneRotation q = fromRows(rows);
  SceneNode camera = node(std::move(name), handle, SceneCamera{});
  camera.position = eye;
  camera.rotation = {q.x, q.y, -q.z, -q.w};
  return camera;
}

SceneFile sceneLitCube(std::string name, SceneColour colour) {
  SceneFile scene;
  scene.materials.push_back(sceneColourMaterial(colour));
  scene.root.name = std::move(name);
  scene.root.handle = 1;
  scene.root.children.push_back(sceneShapeNode("Cube", 2, sceneCube(2), 0));
  scene.root.children.push_back(scenePointLight("Light", 3, {-4, -6, 8}));
  scene.root.children.push_back(sceneCameraLookingAt("Camera", 4, {0, -10, 0}, {0, 0, 0}));
  return scene;
}

}  // namespace vesk
