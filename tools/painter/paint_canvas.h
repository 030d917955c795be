// A small raster canvas for painting the town's pictures from code: colour
// arithmetic, a seeded random generator, lattice noise and filled shapes.
//
// Everything is integer maths, so a picture comes out byte for byte the same
// with any compiler, library or processor: no libm, no float contraction.
// Coordinates put (0, 0) at the bottom left, as BMP rows and GL's t run.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "bmp_writer.h"

constexpr Rgb rgb(uint32_t hex) { return Rgb{uint8_t(hex >> 16), uint8_t(hex >> 8), uint8_t(hex)}; }

// weightOfB runs from 0 (all a) to 256 (all b); values outside are clamped.
Rgb mix(Rgb a, Rgb b, int weightOfB);

// Scales brightness: 100 leaves the colour alone, 50 halves it, 120 lifts
// it by a fifth, saturating at white.
Rgb shade(Rgb c, int percent);

// PCG32 (O'Neill): tiny, fast and fully specified, unlike std::rand or the
// <random> distributions, whose output may change between library versions.
class Pcg32 {
 public:
  explicit Pcg32(uint64_t seed);
  uint32_t next();
  int below(int n);             // uniform-ish in [0, n), n > 0
  int between(int lo, int hi);  // in [lo, hi]
  bool chance(int percent);

 private:
  uint64_t state_;
};

// A well-mixed 32-bit hash of a lattice point, the root of all the noise.
uint32_t latticeHash(int x, int y, uint32_t seed);

// Smooth value noise in 0..255 on a lattice of cellW x cellH pixels. The
// lattice wraps every wrapW x wrapH pixels (multiples of the cell), so a
// picture of that size painted with it tiles without a seam.
int valueNoise(int x, int y, int cellW, int cellH, int wrapW, int wrapH, uint32_t seed);

// Octaves of value noise, each with half the cell and half the weight of the
// one before; still 0..255 and still wrapping. Cells must stay >= 1 pixel.
int fractalNoise(int x, int y, int cellW, int cellH, int octaves, int wrapW, int wrapH,
                 uint32_t seed);

// Per-texel grit of -range/2 .. range/2 (percent, where it is used), so no
// surface looks printed in one flat colour.
int grit(int x, int y, uint32_t seed, int range);

// floor(sqrt(v)) for v >= 0.
int isqrt(int64_t v);

struct Point {
  int x, y;
};

// Half-open: x0 <= x < x1, y0 <= y < y1.
struct Rect {
  int x0, y0, x1, y1;
  int width() const { return x1 - x0; }
  int height() const { return y1 - y0; }
};

// Decides a pixel's new colour from where it is and what is under it.
using Painter = std::function<Rgb(int x, int y, Rgb under)>;

Painter solid(Rgb c);

class Canvas {
 public:
  Canvas(int width, int height, Rgb fill);

  int width() const { return width_; }
  int height() const { return height_; }
  Rect bounds() const { return Rect{0, 0, width_, height_}; }
  const std::vector<Rgb>& pixels() const { return pixels_; }

  // Reads and writes outside the canvas wrap around, so strokes near an edge
  // of a tiling picture continue on the opposite edge.
  Rgb at(int x, int y) const;
  void set(int x, int y, Rgb c);
  void blend(int x, int y, Rgb c, int alpha);  // alpha 0..256

  // Shapes clip to the canvas; they do not wrap.
  void fill(Rect r, const Painter& paint);
  void fillDisc(int cx, int cy, int radius, const Painter& paint);
  // Even-odd fill of a polygon; a pixel is in when its centre is.
  void fillPolygon(const std::vector<Point>& corners, const Painter& paint);
  // A one-texel line shading from root to tip, blended in; it wraps like a
  // single texel does, so strokes keep a tiling picture seamless.
  void stroke(Point from, int dx, int dy, Rgb root, Rgb tip, int alpha);

 private:
  size_t index(int x, int y) const;

  int width_, height_;
  std::vector<Rgb> pixels_;
};
