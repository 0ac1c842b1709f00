#include "world/material/SurfaceFilter.h"

#include <gtest/gtest.h>

#include <vector>

namespace vesk {
namespace {

struct Pixels {
  std::uint32_t width, height;
  std::vector<std::uint32_t> words;
  Pixels(std::uint32_t w, std::uint32_t h, std::uint32_t fill = 0)
      : width(w), height(h), words(std::size_t{w} * h, fill) {}
  PixelRect rect() { return {words.data(), width, height, static_cast<int>(width * 4)}; }
  std::uint32_t& at(std::uint32_t x, std::uint32_t y) { return words[y * width + x]; }
};

TEST(SurfaceFilterTest, BoxHalvingAveragesEachChannelOfTwoByTwoBlocks) {
  Pixels source(4, 2);
  source.at(0, 0) = 0xFF000000;
  source.at(1, 0) = 0x00FF0000;
  source.at(0, 1) = 0x0000FF00;
  source.at(1, 1) = 0x000000FF;
  for (std::uint32_t y = 0; y < 2; ++y) {
    for (std::uint32_t x = 2; x < 4; ++x)
      source.at(x, y) = 0x10203040;
  }
  Pixels half(2, 1);
  resamplePixels(source.rect(), half.rect(), Filter::Box);
  EXPECT_EQ(half.at(0, 0), 0x40404040u);  // 255 / 4 rounds to 64
  EXPECT_EQ(half.at(1, 0), 0x10203040u);
  // The last levels of a chain halve one side only; a half rounds up.
  Pixels row(2, 1), column(1, 2), one(1, 1);
  row.at(0, 0) = 0x01FF0003;
  row.at(1, 0) = 0x00FE0000;
  column.words = row.words;
  resamplePixels(row.rect(), one.rect(), Filter::Box);
  EXPECT_EQ(one.at(0, 0), 0x01FF0002u);
  resamplePixels(column.rect(), one.rect(), Filter::Box);
  EXPECT_EQ(one.at(0, 0), 0x01FF0002u);
}

TEST(SurfaceFilterTest, BoxHalvingKeepsEveryChannelToItself) {
  // Bright channels next to dark ones: a carry from one channel must not reach the next.
  Pixels source(8, 4);
  std::uint32_t seed = 12345;
  for (std::uint32_t& word : source.words) {
    seed = seed * 1664525 + 1013904223;
    word = seed | 0x80808080;
  }
  source.at(0, 0) = source.at(1, 0) = source.at(0, 1) = 0xFFFFFFFF;
  source.at(1, 1) = 0xFE00FF01;
  Pixels half(4, 2);
  resamplePixels(source.rect(), half.rect(), Filter::Box);
  for (std::uint32_t y = 0; y < 2; ++y) {
    for (std::uint32_t x = 0; x < 4; ++x) {
      std::uint32_t expected = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        std::uint32_t sum = 2;
        for (std::uint32_t dy = 0; dy < 2; ++dy)
          for (std::uint32_t dx = 0; dx < 2; ++dx)
            sum += source.at(2 * x + dx, 2 * y + dy) >> shift & 0xFF;
        expected |= sum / 4 << shift;
      }
      EXPECT_EQ(half.at(x, y), expected) << x << "," << y;
    }
  }
}

TEST(SurfaceFilterTest, BoxWeighsSourcePixelsByTheAreaTheyCover) {
  // 3 → 2: each destination pixel covers one whole source pixel and half of the middle one.
  Pixels source(3, 1);
  source.at(0, 0) = 0x000000F0;
  source.at(1, 0) = 0x00000030;
  source.at(2, 0) = 0x00000000;
  Pixels out(2, 1);
  resamplePixels(source.rect(), out.rect(), Filter::Box);
  EXPECT_EQ(out.at(0, 0), (2 * 0xF0u + 0x30u + 1) / 3);
  EXPECT_EQ(out.at(1, 0), (0x30u + 1) / 3);
  // Any size to one pixel gives the mean; a uniform picture stays uniform at any size.
  Pixels one(1, 1);
  resamplePixels(source.rect(), one.rect(), Filter::Box);
  EXPECT_EQ(one.at(0, 0), 0x00000060u);
  Pixels uniform(7, 5, 0x80FF4020);
  for (auto [w, h] : {std::pair{3u, 2u}, std::pair{11u, 9u}, std::pair{1u, 5u}}) {
    for (Filter filter : {Filter::Box, Filter::Bilinear}) {
      Pixels resized(w, h);
      resamplePixels(uniform.rect(), resized.rect(), filter);
      for (std::uint32_t word : resized.words)
        EXPECT_EQ(word, 0x80FF4020u);
    }
  }
}

TEST(SurfaceFilterTest, BilinearEnlargingInterpolatesBetweenPixelCentres) {
  Pixels source(2, 1);
  source.at(0, 0) = 0x00000000;
  source.at(1, 0) = 0xFF0000FF;
  Pixels wide(4, 1);
  resamplePixels(source.rect(), wide.rect(), Filter::Bilinear);
  // Centres at source positions -0.25 (clamped), 0.25, 0.75, 1.25 (clamped).
  EXPECT_EQ(wide.at(0, 0), 0x00000000u);
  EXPECT_EQ(wide.at(1, 0), 0x40000040u);
  EXPECT_EQ(wide.at(2, 0), 0xBF0000BFu);
  EXPECT_EQ(wide.at(3, 0), 0xFF0000FFu);
  EXPECT_EQ(defaultFilter(8, 8, 4, 8), Filter::Box);
  EXPECT_EQ(defaultFilter(8, 8, 4, 16), Filter::Bilinear);
}

}  // namespace
}  // namespace vesk
