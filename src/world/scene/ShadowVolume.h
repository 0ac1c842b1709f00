// The shadow a shape casts from one light: the shape's silhouette as seen from the light,
// chained into closed contours of points, each point holding its place on the silhouette and
// its place pushed away from the light. The sides between consecutive points are drawn into
// the stencil buffer with the invert operation; the volume has no caps, so a pixel ends up
// non-zero where an odd number of sides lies in front of the visible surface.
//
// All positions are in the caster's local space; the caster's world matrix places the volume.
#pragma once

#include <cstdint>
#include <vector>

#include "render/DXObject.h"

namespace vesk {

// An edge of a mesh, from the faces that share it: A and B in the order the first face runs
// along it, and the unit normals of the first and second face (the second is zero when only
// one face has the edge).
struct ShadowEdge {
  Vector3 a, b;
  Vector3 firstNormal, secondNormal;
};

class ShadowVolume : public DXObject {
 public:
  struct Point {
    Vector3 nearPosition;  // on the silhouette
    Vector3 farPosition;   // extruded away from the light
  };
  // Read as closed: the last point connects to the first.
  using Contour = std::vector<Point>;

  void clear() { _contours.clear(); }
  // Chains the silhouette edge A-B (with the extrusions of its ends) into the contours: it
  // starts a contour, extends one at either end, closes one, or joins two.
  void addEdge(const Vector3& a, const Vector3& b, const Vector3& extrusionA,
               const Vector3& extrusionB);
  // Draws every contour's sides as a triangle strip through `buffer` (XYZ, refilled with the
  // discard flag for each strip) under the caller's states, transform and vertex format. A
  // contour whose strip does not fit the buffer is drawn in consecutive pieces that share one
  // point, so that every side is drawn exactly once. False after a failed device call.
  bool draw(gfx::Device& device, gfx::VertexBuffer& buffer) const;

  const std::vector<Contour>& contours() const { return _contours; }

 private:
  std::vector<Contour> _contours;
};

}  // namespace vesk
