#include "authoring/SceneShapes.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <tuple>

namespace vesk {

namespace {

using V = SceneVector;

V operator+(V a, V b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V operator-(V a, V b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V operator*(V a, float k) {
  return {a.x * k, a.y * k, a.z * k};
}
float dot(V a, V b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
V cross(V a, V b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float length(V v) {
  return std::sqrt(dot(v, v));
}
V normalised(V v) {
  const float l = length(v);
  return l > 0 ? v * (1 / l) : v;
}

// The outward normal of a face at twice its area: (a - b) × (c - b).
V faceNormal(const SceneMesh& mesh, const std::array<std::uint32_t, 3>& face) {
  const V a = mesh.vertices[face[0]].position;
  const V b = mesh.vertices[face[1]].position;
  const V c = mesh.vertices[face[2]].position;
  return cross(a - b, c - b);
}

// Vertices are welded when they agree to about a thousandth of a unit.
using Key = std::tuple<long, long, long>;
Key positionKey(V p) {
  return {std::lround(p.x * 1024), std::lround(p.y * 1024), std::lround(p.z * 1024)};
}

void weld(SceneMesh& mesh) {
  using Full = std::tuple<Key, Key, long, long, long, long>;
  std::map<Full, std::uint32_t> seen;
  std::vector<SceneVertex> vertices;
  std::vector<std::uint32_t> remap(mesh.vertices.size());
  for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
    const SceneVertex& v = mesh.vertices[i];
    const auto q = [](float f) { return std::lround(f * 4096); };
    const Full key{positionKey(v.position), positionKey(v.normal * 4),
                   q(v.uv[0][0]),           q(v.uv[0][1]),
                   q(v.uv[1][0]),           q(v.uv[1][1])};
    const auto [it, inserted] = seen.emplace(key, static_cast<std::uint32_t>(vertices.size()));
    if (inserted) vertices.push_back(v);
    remap[i] = it->second;
  }
  for (auto& face : mesh.faces)
    for (auto& index : face)
      index = remap[index];
  mesh.vertices = std::move(vertices);
}

// Adds the polygon `points` (counter-clockwise seen from outside, that is with the usual
// right-handed normal pointing out) as a fan of faces wound the writer's way.
void addPolygon(SceneMesh& mesh, const std::vector<V>& points,
                const std::vector<std::array<float, 2>>& uvs) {
  const auto first = static_cast<std::uint32_t>(mesh.vertices.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    SceneVertex vertex;
    vertex.position = points[i];
    vertex.uv[0] = uvs[i];
    mesh.vertices.push_back(vertex);
  }
  for (std::uint32_t i = 1; i + 1 < points.size(); ++i)
    mesh.faces.push_back({first, first + i + 1, first + i});
}

}  // namespace

void sceneComputeNormals(SceneMesh& mesh, float creaseDegrees) {
  // Unshare: every face gets its own three corners.
  SceneMesh flat;
  flat.channels = std::max<std::uint32_t>(mesh.channels, 1);
  flat.hasNormals = true;
  std::vector<V> normals;  // per face
  for (const auto& face : mesh.faces) {
    const V n = faceNormal(mesh, face);
    if (length(n) < 1e-9f) continue;  // degenerate: nothing to see
    const auto first = static_cast<std::uint32_t>(flat.vertices.size());
    for (auto index : face)
      flat.vertices.push_back(mesh.vertices[index]);
    flat.faces.push_back({first, first + 1, first + 2});
    normals.push_back(n);
  }
  // Each face weighs by its angle at the shared corner, so that how quads were split into
  // triangles does not tilt the mean.
  const auto angleAt = [&](std::size_t f, int k) {
    const auto& face = flat.faces[f];
    const V p = flat.vertices[face[k]].position;
    const V a = normalised(flat.vertices[face[(k + 1) % 3]].position - p);
    const V b = normalised(flat.vertices[face[(k + 2) % 3]].position - p);
    return std::acos(std::clamp(dot(a, b), -1.0f, 1.0f));
  };
  std::map<Key, std::vector<std::pair<std::size_t, int>>> cornersAt;
  for (std::size_t f = 0; f < flat.faces.size(); ++f)
    for (int k = 0; k < 3; ++k)
      cornersAt[positionKey(flat.vertices[flat.faces[f][k]].position)].push_back({f, k});
  for (auto& n : normals)
    n = normalised(n);
  const float limit = std::cos(creaseDegrees * std::numbers::pi_v<float> / 180) - 1e-4f;
  for (std::size_t f = 0; f < flat.faces.size(); ++f)
    for (auto index : flat.faces[f]) {
      V sum{};
      for (auto [other, k] : cornersAt[positionKey(flat.vertices[index].position)])
        if (other == f || dot(normals[f], normals[other]) >= limit)
          sum = sum + normals[other] * angleAt(other, k);
      flat.vertices[index].normal = normalised(sum);
    }
  weld(flat);
  mesh = std::move(flat);
}

SceneMesh sceneLathe(const std::vector<LathePoint>& profile, int segments, float creaseDegrees) {
  SceneMesh mesh;
  mesh.channels = 1;
  if (profile.size() < 2 || segments < 3) return mesh;
  std::vector<float> along(profile.size(), 0);
  for (std::size_t i = 1; i < profile.size(); ++i)
    along[i] = along[i - 1] + std::hypot(profile[i].radius - profile[i - 1].radius,
                                         profile[i].z - profile[i - 1].z);
  const float total = along.back() > 0 ? along.back() : 1;
  const auto ring = static_cast<std::uint32_t>(segments + 1);  // the seam is doubled for u
  for (std::size_t i = 0; i < profile.size(); ++i)
    for (int s = 0; s <= segments; ++s) {
      const float angle = 2 * std::numbers::pi_v<float> * static_cast<float>(s) / segments;
      SceneVertex vertex;
      vertex.position = {profile[i].radius * std::cos(angle), profile[i].radius * std::sin(angle),
                         profile[i].z};
      vertex.uv[0] = {static_cast<float>(s) / segments, along[i] / total};
      mesh.vertices.push_back(vertex);
    }
  // Going up the profile and around counter-clockwise seen from +z, (up × around) points out
  // for a profile that runs bottom to top on the outside.
  for (std::uint32_t i = 0; i + 1 < profile.size(); ++i)
    for (std::uint32_t s = 0; s < static_cast<std::uint32_t>(segments); ++s) {
      const std::uint32_t a = i * ring + s, b = a + 1, c = a + ring, d = c + 1;
      mesh.faces.push_back({a, c, b});
      mesh.faces.push_back({b, c, d});
    }
  sceneComputeNormals(mesh, creaseDegrees);
  return mesh;
}

SceneMesh sceneCylinder(float radius, float height, int segments) {
  return sceneLathe({{0, 0}, {radius, 0}, {radius, height}, {0, height}}, segments);
}

SceneMesh sceneSphere(float radius, int segments, int rings) {
  std::vector<LathePoint> profile;
  for (int i = 0; i <= rings; ++i) {
    const float angle = std::numbers::pi_v<float> * static_cast<float>(i) / rings;
    profile.push_back(
        {i == 0 || i == rings ? 0 : radius * std::sin(angle), -radius * std::cos(angle)});
  }
  return sceneLathe(profile, segments, 90);
}

SceneMesh sceneBevelledBox(SceneVector size, float bevel, float uvScale) {
  const V h = size * 0.5f;
  bevel = std::clamp(bevel, 0.0f, std::min({h.x, h.y, h.z}));
  // Each corner (signs sx, sy, sz) splits into three points, one on each of its faces.
  const auto point = [&](int axis, float sx, float sy, float sz) {
    V p{sx * (h.x - bevel), sy * (h.y - bevel), sz * (h.z - bevel)};
    if (axis == 0) p.x = sx * h.x;
    if (axis == 1) p.y = sy * h.y;
    if (axis == 2) p.z = sz * h.z;
    return p;
  };
  SceneMesh mesh;
  mesh.channels = 1;
  // The solid is convex about the origin: each polygon is turned to face away from it.
  const auto polygon = [&](std::vector<V> points) {
    V centre{};
    for (const V& p : points)
      centre = centre + p;
    if (dot(cross(points[1] - points[0], points[2] - points[0]), centre) < 0)
      std::reverse(points.begin(), points.end());
    addPolygon(mesh, points, std::vector<std::array<float, 2>>(points.size()));
  };
  const float signs[2] = {-1, 1};
  for (int axis = 0; axis < 3; ++axis)
    for (float s : signs) {  // the faces
      std::vector<V> points;
      for (auto [a, b] : {std::pair{-1.f, -1.f}, {1.f, -1.f}, {1.f, 1.f}, {-1.f, 1.f}}) {
        const float c[3] = {axis == 0 ? s : a, axis == 1 ? s : (axis == 0 ? a : b),
                            axis == 2 ? s : b};
        points.push_back(point(axis, c[0], c[1], c[2]));
      }
      polygon(points);
    }
  if (bevel > 0) {
    for (int along = 0; along < 3; ++along)  // the bevels, four along each axis
      for (float s1 : signs)
        for (float s2 : signs) {
          const int p = (along + 1) % 3, q = (along + 2) % 3;
          std::vector<V> points;
          for (auto [axis, end] : {std::pair{p, -1.f}, {p, 1.f}, {q, 1.f}, {q, -1.f}}) {
            float c[3];
            c[along] = end;
            c[p] = s1;
            c[q] = s2;
            points.push_back(point(axis, c[0], c[1], c[2]));
          }
          polygon(points);
        }
    for (float sx : signs)  // the corners
      for (float sy : signs)
        for (float sz : signs)
          polygon({point(0, sx, sy, sz), point(1, sx, sy, sz), point(2, sx, sy, sz)});
  }
  sceneComputeNormals(mesh, 30);
  sceneMapBox(mesh, uvScale);
  weld(mesh);
  return mesh;
}

SceneMesh sceneExtrusion(const std::vector<std::array<float, 2>>& outline, float height,
                         float uvScale) {
  SceneMesh mesh;
  mesh.channels = 1;
  const std::size_t n = outline.size();
  if (n < 3) return mesh;
  const float k = uvScale > 0 ? 1 / uvScale : 1;
  std::vector<V> bottom, top;
  std::vector<std::array<float, 2>> bottomUv, topUv;
  for (std::size_t i = 0; i < n; ++i) {
    top.push_back({outline[i][0], outline[i][1], height});
    topUv.push_back({outline[i][0] * k, outline[i][1] * k});
    bottom.push_back({outline[n - 1 - i][0], outline[n - 1 - i][1], 0});
    bottomUv.push_back({outline[n - 1 - i][0] * k, outline[n - 1 - i][1] * k});
  }
  addPolygon(mesh, top, topUv);
  addPolygon(mesh, bottom, bottomUv);
  float u = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const auto& a = outline[i];
    const auto& b = outline[(i + 1) % n];
    const float u2 = u + std::hypot(b[0] - a[0], b[1] - a[1]) * k;
    addPolygon(mesh, {{a[0], a[1], 0}, {b[0], b[1], 0}, {b[0], b[1], height}, {a[0], a[1], height}},
               {{u, 0}, {u2, 0}, {u2, height * k}, {u, height * k}});
    u = u2;
  }
  sceneComputeNormals(mesh, 30);
  return mesh;
}

void sceneTranslate(SceneMesh& mesh, SceneVector offset) {
  for (auto& v : mesh.vertices)
    v.position = v.position + offset;
}

void sceneRotate(SceneMesh& mesh, SceneVector axis, float radians) {
  const V k = normalised(axis);
  const float c = std::cos(radians), s = std::sin(radians);
  const auto turn = [&](V v) {  // Rodrigues' formula
    return v * c + cross(k, v) * s + k * (dot(k, v) * (1 - c));
  };
  for (auto& v : mesh.vertices) {
    v.position = turn(v.position);
    v.normal = turn(v.normal);
  }
}

void sceneScale(SceneMesh& mesh, SceneVector factors) {
  for (auto& v : mesh.vertices) {
    v.position = {v.position.x * factors.x, v.position.y * factors.y, v.position.z * factors.z};
    // Normals take the inverse scale (a flattened sphere's top stays pointing up).
    const auto inverse = [](float f) { return f != 0 ? 1 / f : 0; };
    v.normal = normalised({v.normal.x * inverse(factors.x), v.normal.y * inverse(factors.y),
                           v.normal.z * inverse(factors.z)});
  }
}

void sceneFlip(SceneMesh& mesh) {
  for (auto& face : mesh.faces)
    std::swap(face[1], face[2]);
  for (auto& v : mesh.vertices)
    v.normal = v.normal * -1;
}

void sceneMerge(SceneMesh& into, const SceneMesh& other) {
  const auto first = static_cast<std::uint32_t>(into.vertices.size());
  into.vertices.insert(into.vertices.end(), other.vertices.begin(), other.vertices.end());
  for (auto face : other.faces) {
    for (auto& index : face)
      index += first;
    into.faces.push_back(face);
  }
  into.channels = std::max(into.channels, other.channels);
  into.hasNormals = into.hasNormals || other.hasNormals;
}

void sceneMapBox(SceneMesh& mesh, float scale, int channel) {
  const float k = scale > 0 ? 1 / scale : 1;
  const auto c = static_cast<std::size_t>(std::clamp(channel, 1, 2) - 1);
  for (auto& v : mesh.vertices) {
    const V n = v.normal, p = v.position;
    const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (az >= ax && az >= ay)
      v.uv[c] = {p.x * k, p.y * k};
    else if (ax >= ay)
      v.uv[c] = {p.y * k, p.z * k};
    else
      v.uv[c] = {p.x * k, p.z * k};
  }
  mesh.channels = std::max<std::uint32_t>(mesh.channels, static_cast<std::uint32_t>(c + 1));
}

void sceneMapPlanar(SceneMesh& mesh, float x0, float y0, float width, float height, int channel) {
  const auto c = static_cast<std::size_t>(std::clamp(channel, 1, 2) - 1);
  for (auto& v : mesh.vertices)
    v.uv[c] = {(v.position.x - x0) / (width != 0 ? width : 1),
               (v.position.y - y0) / (height != 0 ? height : 1)};
  mesh.channels = std::max<std::uint32_t>(mesh.channels, static_cast<std::uint32_t>(c + 1));
}

SceneRotation sceneAxisRotation(SceneVector axis, float radians) {
  const V k = normalised(axis);
  const float s = std::sin(radians / 2);
  return {k.x * s, k.y * s, k.z * s, std::cos(radians / 2)};
}

}  // namespace vesk
