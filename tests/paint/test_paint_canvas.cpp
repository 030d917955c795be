// The painter's building blocks where a slip would not show in one glance at
// a picture: the palette quantiser, seamless wrapping, polygon coverage and
// the integer square root.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "paint_canvas.h"
#include "paint_houses.h"
#include "paint_nature.h"
#include "paint_palette.h"

namespace {

int distance2(Rgb a, Rgb b) {
  const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
  return dr * dr + dg * dg + db * db;
}

TEST(Quantise, KeepsAFewColoursExactly) {
  std::vector<Rgb> pixels;
  for (int i = 0; i < 1000; ++i) pixels.push_back(Rgb{uint8_t(i % 200), uint8_t(i % 200 * 7), 9});
  const IndexedImage q = quantise(pixels);
  ASSERT_EQ(q.indices.size(), pixels.size());
  EXPECT_EQ(q.palette.size(), 200u);
  for (size_t i = 0; i < pixels.size(); ++i) EXPECT_EQ(distance2(q.palette[q.indices[i]], pixels[i]), 0) << i;
}

// 4096 colours spread through the cube: the palette must stay within its
// limit, every pixel must take its nearest entry, and the error stay small.
TEST(Quantise, ReducesAColourCubeToTheNearestOfAtMostTheLimit) {
  std::vector<Rgb> pixels;
  for (int r = 0; r < 16; ++r)
    for (int g = 0; g < 16; ++g)
      for (int b = 0; b < 16; ++b) pixels.push_back(Rgb{uint8_t(r * 17), uint8_t(g * 17), uint8_t(b * 17)});
  for (int limit : {256, 16}) {
    const IndexedImage q = quantise(pixels, limit);
    EXPECT_LE(q.palette.size(), size_t(limit));
    long error = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
      const int chosen = distance2(q.palette[q.indices[i]], pixels[i]);
      for (Rgb p : q.palette) ASSERT_LE(chosen, distance2(p, pixels[i])) << "pixel " << i;
      error += chosen;
    }
    // A cube cut into limit equal boxes leaves about 255 / cbrt(limit) / 2
    // per channel; allow twice that as a root-mean-square over the three.
    const long meanSquare = error / long(pixels.size());
    EXPECT_LE(meanSquare, limit == 256 ? 3 * 40 * 40 : 3 * 64 * 64) << "limit " << limit;
  }
}

// The change across the vertical line before column `at` (or, transposed,
// the row `at`), with both sides averaged over bands four texels deep in
// blocks of sixteen: blades and grit average out, a jump in the turf does not.
long bandGap(const Canvas& c, int at, bool acrossColumns) {
  long gap = 0;
  for (int block = 0; block < 256; block += 16) {
    long side[2] = {0, 0};
    for (int along = block; along < block + 16; ++along)
      for (int depth = 0; depth < 4; ++depth)
        for (int k = 0; k < 2; ++k) {
          const int across = k ? at + depth : at - 1 - depth;
          const Rgb p = acrossColumns ? c.at(across, along) : c.at(along, across);
          side[k] += p.r + p.g + p.b;
        }
    gap += std::abs(side[0] - side[1]);
  }
  return gap;
}

// How far apart the average colours of two rows are, in sum of channels.
long rowMeanGap(const Canvas& c, int a, int b) {
  long sum[2][3] = {};
  for (int x = 0; x < c.width(); ++x)
    for (int k = 0; k < 2; ++k) {
      const Rgb p = c.at(x, k ? b : a);
      sum[k][0] += p.r, sum[k][1] += p.g, sum[k][2] += p.b;
    }
  long gap = 0;
  for (int ch = 0; ch < 3; ++ch) gap += std::abs(sum[0][ch] - sum[1][ch]) / c.width();
  return gap;
}

// The ground repeats the grass both ways and the road repeats the roof tiles
// up the picture: across those seams a picture must change no more than it
// does anywhere inside it.
TEST(Tiling, GrassAndRoofTilesHaveNoSeams) {
  // A seam is a jump well beyond the typical change between neighbouring
  // bands; inside the picture about one place in twenty reaches 1.4 times
  // the mean, and a turf that fails to wrap reaches 1.7.
  const Canvas grass = paintGrass(256);
  for (bool acrossColumns : {true, false}) {
    long inside = 0, places = 0;
    for (int at = 4; at <= 252; ++at, ++places) inside += bandGap(grass, at, acrossColumns);
    EXPECT_LE(bandGap(grass, 0, acrossColumns) * places * 2, inside * 3) << (acrossColumns ? "left-right" : "top-bottom");
  }

  // Tiles change sharply at every course, so instead each row must match
  // the row one course further on, counting on round the seam: a course cut
  // short at the top would put a lip against a shadow.
  const Canvas tiles = paintLargeRoof();
  const int course = 32;
  for (int y = 0; y < 256; ++y) EXPECT_LE(rowMeanGap(tiles, y, (y + course) % 256), 24) << "row " << y;
}

TEST(Noise, WrapsOnItsPeriodAndStaysInRange) {
  for (int y = -40; y < 300; y += 7)
    for (int x = -40; x < 300; x += 5) {
      const int n = fractalNoise(x, y, 32, 16, 4, 128, 64, 99);
      ASSERT_GE(n, 0);
      ASSERT_LE(n, 255);
      ASSERT_EQ(n, fractalNoise(x + 128, y - 64, 32, 16, 4, 128, 64, 99)) << x << "," << y;
    }
}

int countFilled(const Canvas& c, Rgb ink) {
  int n = 0;
  for (Rgb p : c.pixels()) n += distance2(p, ink) == 0;
  return n;
}

TEST(FillPolygon, CoversPixelsWhoseCentresAreInside) {
  const Rgb ink{255, 0, 0};
  Canvas rect(32, 32, Rgb{0, 0, 0});
  rect.fillPolygon({{2, 3}, {10, 3}, {10, 7}, {2, 7}}, solid(ink));
  EXPECT_EQ(countFilled(rect, ink), 8 * 4);
  EXPECT_EQ(distance2(rect.at(2, 3), ink), 0);
  EXPECT_EQ(distance2(rect.at(9, 6), ink), 0);
  EXPECT_NE(distance2(rect.at(10, 6), ink), 0);
  EXPECT_NE(distance2(rect.at(9, 7), ink), 0);

  // A right triangle of legs 20 has area 200; centre sampling gives 190 or
  // 210 depending on the hypotenuse's pixels, never far off.
  Canvas triangle(32, 32, Rgb{0, 0, 0});
  triangle.fillPolygon({{0, 0}, {20, 0}, {0, 20}}, solid(ink));
  EXPECT_NEAR(countFilled(triangle, ink), 200, 12);

  // Even-odd: a chevron's notch stays empty.
  Canvas chevron(32, 32, Rgb{0, 0, 0});
  chevron.fillPolygon({{0, 0}, {16, 16}, {32, 0}, {32, 8}, {16, 24}, {0, 8}}, solid(ink));
  EXPECT_NE(distance2(chevron.at(16, 4), ink), 0);
  EXPECT_EQ(distance2(chevron.at(16, 20), ink), 0);
}

TEST(Isqrt, IsTheFloorOfTheRoot) {
  for (int64_t v = 0; v < 20000; ++v) {
    const int64_t r = isqrt(v);
    ASSERT_TRUE(r * r <= v && (r + 1) * (r + 1) > v) << v;
  }
  for (int64_t root : {int64_t(46340), int64_t(1) << 20, int64_t(1518500249)}) {
    EXPECT_EQ(isqrt(root * root), root);
    EXPECT_EQ(isqrt(root * root - 1), root - 1);
  }
}

}  // namespace
