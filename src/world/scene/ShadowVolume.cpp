#include "world/scene/ShadowVolume.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "base/Log.h"
#include "world/scene/VectorMath.h"

namespace vesk {

namespace {

// Points closer than this (squared distance) are the same point of a contour.
constexpr float kSamePointSquared = 0.0001f;

bool samePoint(const Vector3& p, const Vector3& q) {
  const Vector3 d = p - q;
  return dot(d, d) < kSamePointSquared;
}

enum class ContourEnd { None, Start, End };

// Where a point meets an open contour: at its last point, or failing that its first.
struct Meeting {
  std::size_t contour = 0;
  ContourEnd end = ContourEnd::None;
};

ContourEnd meets(const ShadowVolume::Contour& contour, const Vector3& p) {
  if (samePoint(p, contour.back().nearPosition)) return ContourEnd::End;
  if (samePoint(p, contour.front().nearPosition)) return ContourEnd::Start;
  return ContourEnd::None;
}

// Moves `from`'s points in front of `into`'s first point.
void prepend(ShadowVolume::Contour& into, ShadowVolume::Contour& from) {
  into.insert(into.begin(), from.begin(), from.end());
}

}  // namespace

void ShadowVolume::addEdge(const Vector3& a, const Vector3& b, const Vector3& extrusionA,
                           const Vector3& extrusionB) {
  Meeting atA, atB;
  for (std::size_t i = 0; i < _contours.size(); ++i) {
    if (const ContourEnd end = meets(_contours[i], a); end != ContourEnd::None) {
      VK_ASSERT(atA.end == ContourEnd::None, "cs0 == NONE", "Problem when computing shadow volume");
      atA = {i, end};
    }
    if (const ContourEnd end = meets(_contours[i], b); end != ContourEnd::None) {
      VK_ASSERT(atB.end == ContourEnd::None, "cs1 == NONE", "Problem when computing shadow volume");
      atB = {i, end};
    }
  }
  const Point pointA{a, a + extrusionA}, pointB{b, b + extrusionB};

  if (atA.end == ContourEnd::None && atB.end == ContourEnd::None) {
    _contours.push_back({pointA, pointB});
    return;
  }
  // One end met: the other point goes next to it.
  if (atB.end == ContourEnd::None || atA.end == ContourEnd::None) {
    const Meeting& met = atB.end == ContourEnd::None ? atA : atB;
    const Point& added = atB.end == ContourEnd::None ? pointB : pointA;
    Contour& contour = _contours[met.contour];
    if (met.end == ContourEnd::End) {
      contour.push_back(added);
    } else {
      contour.insert(contour.begin(), added);
    }
    return;
  }
  if (atA.contour == atB.contour) {
    logLine("Closed contour", here());
    return;
  }
  // Two contours D (holding A) and E (holding B) become one, A and B neighbours in it.
  Contour& d = _contours[atA.contour];
  Contour& e = _contours[atB.contour];
  std::size_t removed;
  if (atA.end == ContourEnd::Start && atB.end == ContourEnd::Start) {
    std::reverse(d.begin(), d.end());
    prepend(e, d);
    removed = atA.contour;
  } else if (atA.end == ContourEnd::Start) {  // B at the end of E
    prepend(d, e);
    removed = atB.contour;
  } else if (atB.end == ContourEnd::End) {  // A at the end of D
    std::reverse(d.begin(), d.end());
    prepend(d, e);
    removed = atB.contour;
  } else {  // A at the end of D, B at the start of E
    prepend(e, d);
    removed = atA.contour;
  }
  _contours.erase(_contours.begin() + static_cast<std::ptrdiff_t>(removed));
}

bool ShadowVolume::draw(gfx::Device& device, gfx::VertexBuffer& buffer) const {
  // A strip of n points is n + 1 pairs (near, far): the first pair again closes it.
  constexpr std::uint32_t kPairBytes = 2 * sizeof(Vector3);
  const std::size_t pairsPerPiece = buffer.size() / kPairBytes;
  if (pairsPerPiece < 2) return false;
  for (const Contour& contour : _contours) {
    const std::size_t sides = contour.size();
    // Each piece draws the sides from its first pair to its last; the next starts at that last.
    for (std::size_t first = 0; first < sides;) {
      const std::size_t pairs = std::min(pairsPerPiece, sides + 1 - first);
      auto* vertices = static_cast<Vector3*>(
          buffer.lock(0, static_cast<std::uint32_t>(pairs * kPairBytes), gfx::LOCK_DISCARD));
      if (!VK_DX(vertices != nullptr)) return false;
      for (std::size_t k = 0; k < pairs; ++k) {
        const Point& point = contour[(first + k) % sides];
        vertices[2 * k] = point.nearPosition;
        vertices[2 * k + 1] = point.farPosition;
      }
      if (!VK_DX(buffer.unlock()) || !VK_DX(device.setStreamSource(&buffer, sizeof(Vector3))) ||
          !VK_DX(device.drawPrimitive(gfx::Primitive::TriangleStrip, 0,
                                      static_cast<std::uint32_t>(2 * (pairs - 1))))) {
        return false;
      }
      first += pairs - 1;
    }
  }
  return true;
}

}  // namespace vesk
