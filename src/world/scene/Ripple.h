// The water's height field: two arrays of W × H heights that take turns, the newest heights
// computed from the current ones and those before, plus impulses shaped by two greyscale
// pictures at random places. It knows nothing of drawing; `Water` hands the newest heights to
// its grid.
//
// Random numbers come from the show clock, drawn in a fixed order: whether an impulse occurs,
// then its y, then its x.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vesk {

// A picture of one grey byte per pixel, top row first; empty when it could not be read.
struct GreyPicture {
  std::span<const std::uint8_t> bytes;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

struct RippleSettings {
  float width = 1;               // extent along x, node units
  float length = 1;              // extent along y
  float strength = 0;            // height per grey level of an impulse
  float impulseSize = 1;         // extent of an impulse along x
  float impulseProbability = 0;  // chance of an impulse per step
  float damping = 1;             // factor of every new height
};

class Ripple {
 public:
  Ripple(std::uint32_t columns, std::uint32_t rows, const RippleSettings& settings);

  // One step: maybe an impulse, then the newest heights from the two arrays, which swap. The
  // pictures shape the impulse: `a` adds to the current heights, `b` to the previous ones.
  void step(const GreyPicture& a, const GreyPicture& b);
  // Adds the pictures, scaled by the strength, to the interior cells of the rectangle centred
  // on (x, y), impulse size wide along x and as long along y as the pictures' proportions
  // make it. Missing pictures or pictures of different sizes are fatal errors, reported once.
  void impulse(float x, float y, const GreyPicture& a, const GreyPicture& b);
  // Both arrays back to 0: a still surface, as made.
  void flatten();

  // The newest heights (after a step) and the ones before them; row-major, W per row.
  std::span<const float> current() const { return _current; }
  std::span<const float> previous() const { return _previous; }
  std::span<float> current() { return _current; }
  std::span<float> previous() { return _previous; }
  std::uint32_t columns() const { return _columns; }
  std::uint32_t rows() const { return _rows; }
  const RippleSettings& settings() const { return _settings; }

 private:
  // Calls `visit(i)` for every cell off the border rows and columns.
  template <class Visit>
  void forInterior(Visit visit) const;

  std::uint32_t _columns;
  std::uint32_t _rows;
  RippleSettings _settings;
  std::vector<float> _current;
  std::vector<float> _previous;
  bool _picturesRefused = false;
};

}  // namespace vesk
