// A renderable node drawing an animated water surface: the scene file's rectangle becomes a
// grid of 128 columns whose heights follow a ripple (Ripple.h), with impulses shaped by the
// greyscale pictures "impulsion.jpg" and "impulsion2.jpg". The grid is built in the frame of
// the rectangle's own axes (the basis), so the heights run along the rectangle's normal.
//
// The water is time-driven without being a controller itself: it owns a clock part
// (NodeClock.h) that the scene updates with its other controllers and whose every update is one
// ripple step. Events 36 and 37 reach the part through the water's own event name. Making a
// water reseeds the show's random numbers from the time of day.
#pragma once

#include <cstdint>
#include <memory>

#include "world/material/Image.h"
#include "world/scene/Grid.h"
#include "world/scene/NodeClock.h"
#include "world/scene/RenderableNode.h"
#include "world/scene/Ripple.h"

namespace vesk {

class Water : public RenderableNode, public ClockedNode {
 public:
  static constexpr std::uint32_t kColumns = 128;
  // More rows than this (a surface far longer than wide) are refused with a log line: the
  // water is kept without cells rather than given a grid of gigabytes.
  static constexpr std::uint32_t kMaxRows = 8192;

  explicit Water(SceneLinks* scene);
  ~Water() override;

  // A copy with its own grid, heights and clock part, sharing the pictures.
  Owned<Node> clone() const override { return make<Water>(here(), *this); }
  // As a shape: the material's node list, with the water's material id.
  void attach() override;
  void detach() override;
  // The six floats, the grid record, the material id, the body; then the height arrays and
  // the two pictures.
  bool load(BinaryInput& in) override;
  // World transform = basis × the node's world matrix, then the grid.
  void draw(DrawContext& context) override;
  // Events 47 to 52 as every renderable node; 36 and 37 start and stop the clock part.
  std::int32_t processEvent(const Event& event) override;
  // As every renderable node, and a still surface: every height 0.
  void restoreLoaded() override;

  // One simulation step: the ripple advances and the grid takes the newest heights.
  void step();
  // The clock part's update: one step, whatever the time.
  void animate(float) override { step(); }

  // The grid's rows for a surface: length × 128 ÷ width, truncated; 0 for a surface that
  // cannot be gridded (see kMaxRows).
  static std::uint32_t rowsFor(float width, float length);

  const Ripple& ripple() const { return _ripple; }
  Ripple& ripple() { return _ripple; }
  const Grid* grid() const { return _grid.get(); }
  const Matrix& basis() const { return _basis; }
  std::int32_t materialId() const { return _materialId; }
  // The clock part; none for a water made without a scene.
  TimeController* clock() const { return _clock.get(); }

 protected:
  Water(const Water& original);
  template <class T, class... Args>
  friend Owned<T> make(Site site, Args&&... args);

 private:
  void makeClock();
  static GreyPicture view(const Image* image);

  Ripple _ripple{0, 0, {}};
  Owned<Grid> _grid;
  Matrix _basis;
  std::int32_t _materialId = 0;
  std::shared_ptr<const Image> _pictureA;  // adds to the current heights
  std::shared_ptr<const Image> _pictureB;  // adds to the previous heights
  Owned<NodeClock> _clock;
};

}  // namespace vesk
