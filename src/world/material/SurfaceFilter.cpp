#include "world/material/SurfaceFilter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vesk {

namespace {

const std::uint32_t* row(const PixelRect& rect, std::uint32_t y) {
  return reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(rect.bits) +
                                                static_cast<std::ptrdiff_t>(y) * rect.pitch);
}

std::uint32_t* mutableRow(const PixelRect& rect, std::uint32_t y) {
  return reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(rect.bits) +
                                          static_cast<std::ptrdiff_t>(y) * rect.pitch);
}

// One source pixel's share of a destination pixel along one axis.
struct Share {
  std::uint32_t source;
  std::uint64_t weight;
};

// For every destination index along an axis, the source indices it covers and by how much. In
// units where a destination pixel is `sourceSize` long and a source pixel `destinationSize`,
// both sizes are whole numbers and the weights of one destination pixel add up to
// `sourceSize`.
std::vector<std::vector<Share>> boxShares(std::uint32_t sourceSize, std::uint32_t destinationSize) {
  std::vector<std::vector<Share>> shares(destinationSize);
  for (std::uint32_t d = 0; d < destinationSize; ++d) {
    std::uint64_t begin = std::uint64_t{d} * sourceSize;
    std::uint64_t end = begin + sourceSize;
    for (std::uint64_t s = begin / destinationSize; s < sourceSize; ++s) {
      std::uint64_t sourceBegin = s * destinationSize;
      if (sourceBegin >= end) break;
      std::uint64_t sourceEnd = sourceBegin + destinationSize;
      std::uint64_t overlap = std::min(end, sourceEnd) - std::max(begin, sourceBegin);
      if (overlap > 0) shares[d].push_back({static_cast<std::uint32_t>(s), overlap});
    }
  }
  return shares;
}

// The four channels of a pixel as two pairs of 16-bit lanes (blue and red, green and alpha), so
// that sums of up to 257 pixels cannot spill from one channel into the next.
constexpr std::uint32_t kLanes = 0x00FF00FF;
std::uint32_t evenChannels(std::uint32_t pixel) {
  return pixel & kLanes;
}
std::uint32_t oddChannels(std::uint32_t pixel) {
  return (pixel >> 8) & kLanes;
}

// Each channel the mean of four pixels, halves rounded up.
std::uint32_t meanOfFour(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  const std::uint32_t even =
      evenChannels(a) + evenChannels(b) + evenChannels(c) + evenChannels(d) + 0x00020002;
  const std::uint32_t odd =
      oddChannels(a) + oddChannels(b) + oddChannels(c) + oddChannels(d) + 0x00020002;
  return ((even >> 2) & kLanes) | ((odd >> 2) & kLanes) << 8;
}

// Each channel the mean of two pixels, halves rounded up.
std::uint32_t meanOfTwo(std::uint32_t a, std::uint32_t b) {
  const std::uint32_t even = evenChannels(a) + evenChannels(b) + 0x00010001;
  const std::uint32_t odd = oddChannels(a) + oddChannels(b) + 0x00010001;
  return ((even >> 1) & kLanes) | ((odd >> 1) & kLanes) << 8;
}

// A level of a mipmap chain: each side halved or kept at 1. The box filter then averages one,
// two or four pixels with equal weights, which is what the general filter below computes for
// these sizes, rounding halves up; done directly, it is many times faster.
bool halveLevel(const PixelRect& source, const PixelRect& destination) {
  const std::uint32_t across = source.width / destination.width;
  const std::uint32_t down = source.height / destination.height;
  if ((across != 1 && across != 2) || (down != 1 && down != 2) ||
      source.width != across * destination.width || source.height != down * destination.height)
    return false;
  for (std::uint32_t y = 0; y < destination.height; ++y) {
    // The rows do not overlap the destination (the source's row twice when down is 1).
    const std::uint32_t* __restrict top = row(source, y * down);
    const std::uint32_t* __restrict bottom = row(source, y * down + down - 1);
    std::uint32_t* __restrict out = mutableRow(destination, y);
    const std::uint32_t width = destination.width;
    if (across == 2 && down == 2) {
      for (std::size_t x = 0; x < width; ++x)
        out[x] = meanOfFour(top[2 * x], top[2 * x + 1], bottom[2 * x], bottom[2 * x + 1]);
    } else if (across == 2) {
      for (std::size_t x = 0; x < width; ++x)
        out[x] = meanOfTwo(top[2 * x], top[2 * x + 1]);
    } else {
      for (std::size_t x = 0; x < width; ++x)
        out[x] = meanOfTwo(top[x], bottom[x]);
    }
  }
  return true;
}

void boxFilter(const PixelRect& source, const PixelRect& destination) {
  if (halveLevel(source, destination)) return;
  auto columns = boxShares(source.width, destination.width);
  auto rows = boxShares(source.height, destination.height);
  std::uint64_t total = std::uint64_t{source.width} * source.height;
  for (std::uint32_t y = 0; y < destination.height; ++y) {
    std::uint32_t* out = mutableRow(destination, y);
    for (std::uint32_t x = 0; x < destination.width; ++x) {
      std::uint64_t sum[4] = {0, 0, 0, 0};
      for (const Share& r : rows[y]) {
        const std::uint32_t* in = row(source, r.source);
        for (const Share& c : columns[x]) {
          std::uint64_t weight = r.weight * c.weight;
          std::uint32_t pixel = in[c.source];
          for (int channel = 0; channel < 4; ++channel) {
            sum[channel] += weight * ((pixel >> (8 * channel)) & 0xFF);
          }
        }
      }
      std::uint32_t pixel = 0;
      for (int channel = 0; channel < 4; ++channel) {
        pixel |= static_cast<std::uint32_t>((sum[channel] + total / 2) / total) << (8 * channel);
      }
      out[x] = pixel;
    }
  }
}

// The source position of a destination pixel's centre along one axis, clamped to the source.
struct Tap {
  std::uint32_t first;
  std::uint32_t second;
  float weight;  // of the second
};

std::vector<Tap> bilinearTaps(std::uint32_t sourceSize, std::uint32_t destinationSize) {
  std::vector<Tap> taps(destinationSize);
  float scale = static_cast<float>(sourceSize) / static_cast<float>(destinationSize);
  for (std::uint32_t d = 0; d < destinationSize; ++d) {
    float position = (static_cast<float>(d) + 0.5f) * scale - 0.5f;
    position = std::clamp(position, 0.0f, static_cast<float>(sourceSize - 1));
    auto first = static_cast<std::uint32_t>(position);
    taps[d] = {first, std::min(first + 1, sourceSize - 1), position - static_cast<float>(first)};
  }
  return taps;
}

void bilinearFilter(const PixelRect& source, const PixelRect& destination) {
  auto columns = bilinearTaps(source.width, destination.width);
  auto rows = bilinearTaps(source.height, destination.height);
  for (std::uint32_t y = 0; y < destination.height; ++y) {
    const std::uint32_t* top = row(source, rows[y].first);
    const std::uint32_t* bottom = row(source, rows[y].second);
    float v = rows[y].weight;
    std::uint32_t* out = mutableRow(destination, y);
    for (std::uint32_t x = 0; x < destination.width; ++x) {
      const Tap& c = columns[x];
      float u = c.weight;
      std::uint32_t pixel = 0;
      for (int channel = 0; channel < 4; ++channel) {
        auto at = [channel](std::uint32_t word) {
          return static_cast<float>((word >> (8 * channel)) & 0xFF);
        };
        float upper = at(top[c.first]) + (at(top[c.second]) - at(top[c.first])) * u;
        float lower = at(bottom[c.first]) + (at(bottom[c.second]) - at(bottom[c.first])) * u;
        float value = upper + (lower - upper) * v;
        pixel |= static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0f, 255.0f)))
                 << (8 * channel);
      }
      out[x] = pixel;
    }
  }
}

}  // namespace

Filter defaultFilter(std::uint32_t sourceWidth, std::uint32_t sourceHeight,
                     std::uint32_t destinationWidth, std::uint32_t destinationHeight) {
  return destinationWidth <= sourceWidth && destinationHeight <= sourceHeight ? Filter::Box
                                                                              : Filter::Bilinear;
}

void resamplePixels(const PixelRect& source, const PixelRect& destination, Filter filter) {
  if (destination.width == 0 || destination.height == 0) return;
  if (source.width == 0 || source.height == 0) {
    for (std::uint32_t y = 0; y < destination.height; ++y) {
      std::fill_n(mutableRow(destination, y), destination.width, 0u);
    }
    return;
  }
  if (filter == Filter::Box) {
    boxFilter(source, destination);
  } else {
    bilinearFilter(source, destination);
  }
}

bool loadSurfaceFromSurface(gfx::Surface& destination, gfx::Surface& source, Filter filter) {
  gfx::SurfaceDesc sourceDesc = source.desc();
  gfx::SurfaceDesc destinationDesc = destination.desc();
  gfx::LockedRect in;
  if (!source.lockRect(in, gfx::LOCK_READ_ONLY)) return false;
  gfx::LockedRect out;
  if (!destination.lockRect(out, gfx::LOCK_NONE)) {
    source.unlockRect();
    return false;
  }
  resamplePixels({in.bits, sourceDesc.width, sourceDesc.height, in.pitch},
                 {out.bits, destinationDesc.width, destinationDesc.height, out.pitch}, filter);
  bool sourceUnlocked = source.unlockRect();
  bool destinationUnlocked = destination.unlockRect();
  return sourceUnlocked && destinationUnlocked;
}

}  // namespace vesk
