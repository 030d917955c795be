#include "paint_canvas.h"

#include <algorithm>
#include <cstdlib>

namespace {

int clampByte(int v) { return std::clamp(v, 0, 255); }

int wrap(int v, int period) {
  v %= period;
  return v < 0 ? v + period : v;
}

int floorDiv(int a, int b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

int ceilDiv(int a, int b) { return -floorDiv(-a, b); }

// Hermite ease 3f^2 - 2f^3 on 0..256: lattice noise without visible creases.
int smoothStep256(int f) { return f * f * (3 * 256 - 2 * f) / (256 * 256); }

int lerp256(int a, int b, int f) { return a + (b - a) * f / 256; }

}  // namespace

Rgb mix(Rgb a, Rgb b, int weightOfB) {
  const int w = std::clamp(weightOfB, 0, 256);
  return Rgb{uint8_t(lerp256(a.r, b.r, w)), uint8_t(lerp256(a.g, b.g, w)),
             uint8_t(lerp256(a.b, b.b, w))};
}

Rgb shade(Rgb c, int percent) {
  return Rgb{uint8_t(clampByte(c.r * percent / 100)), uint8_t(clampByte(c.g * percent / 100)),
             uint8_t(clampByte(c.b * percent / 100))};
}

// The increment is PCG's default stream; seeding follows the reference code.
constexpr uint64_t pcgMultiplier = 6364136223846793005ULL;
constexpr uint64_t pcgIncrement = 1442695040888963407ULL;

Pcg32::Pcg32(uint64_t seed) : state_(0) {
  next();
  state_ += seed;
  next();
}

uint32_t Pcg32::next() {
  const uint64_t old = state_;
  state_ = old * pcgMultiplier + pcgIncrement;
  const uint32_t xorShifted = uint32_t(((old >> 18) ^ old) >> 27);
  const uint32_t rotation = uint32_t(old >> 59);
  return (xorShifted >> rotation) | (xorShifted << ((32 - rotation) & 31));
}

int Pcg32::below(int n) { return int((uint64_t(next()) * uint64_t(n)) >> 32); }

int Pcg32::between(int lo, int hi) { return lo + below(hi - lo + 1); }

bool Pcg32::chance(int percent) { return below(100) < percent; }

uint32_t latticeHash(int x, int y, uint32_t seed) {
  // Unsigned throughout: signed overflow would be undefined.
  uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
  // The finaliser of MurmurHash3, to spread neighbouring inputs apart.
  h ^= h >> 16;
  h *= 0x85ebca6bu;
  h ^= h >> 13;
  h *= 0xc2b2ae35u;
  h ^= h >> 16;
  return h;
}

int valueNoise(int x, int y, int cellW, int cellH, int wrapW, int wrapH, uint32_t seed) {
  x = wrap(x, wrapW);
  y = wrap(y, wrapH);
  const int cols = wrapW / cellW, rows = wrapH / cellH;
  const int ix = x / cellW, iy = y / cellH;
  const int jx = (ix + 1) % cols, jy = (iy + 1) % rows;
  const int fx = smoothStep256((x % cellW) * 256 / cellW);
  const int fy = smoothStep256((y % cellH) * 256 / cellH);
  auto corner = [&](int cx, int cy) { return int(latticeHash(cx, cy, seed) & 255); };
  const int bottom = lerp256(corner(ix, iy), corner(jx, iy), fx);
  const int top = lerp256(corner(ix, jy), corner(jx, jy), fx);
  return lerp256(bottom, top, fy);
}

int fractalNoise(int x, int y, int cellW, int cellH, int octaves, int wrapW, int wrapH,
                 uint32_t seed) {
  int sum = 0, weights = 0;
  for (int o = 0, weight = 256; o < octaves && cellW >= 1 && cellH >= 1; ++o) {
    sum += weight * valueNoise(x, y, cellW, cellH, wrapW, wrapH, seed + 977u * o);
    weights += weight;
    weight /= 2;
    cellW /= 2;
    cellH /= 2;
  }
  return weights ? sum / weights : 128;
}

int grit(int x, int y, uint32_t seed, int range) {
  return int(latticeHash(x, y, seed ^ 0x9e3779b9u) % uint32_t(range + 1)) - range / 2;
}

int isqrt(int64_t v) {
  if (v <= 0) return 0;
  int64_t r = 0, bit = int64_t(1) << 62;
  while (bit > v) bit >>= 2;
  while (bit) {
    if (v >= r + bit) {
      v -= r + bit;
      r = (r >> 1) + bit;
    } else {
      r >>= 1;
    }
    bit >>= 2;
  }
  return int(r);
}

Painter solid(Rgb c) {
  return [c](int, int, Rgb) { return c; };
}

Canvas::Canvas(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(size_t(width) * height, fill) {}

size_t Canvas::index(int x, int y) const {
  return size_t(wrap(y, height_)) * width_ + size_t(wrap(x, width_));
}

Rgb Canvas::at(int x, int y) const { return pixels_[index(x, y)]; }

void Canvas::set(int x, int y, Rgb c) { pixels_[index(x, y)] = c; }

void Canvas::blend(int x, int y, Rgb c, int alpha) { set(x, y, mix(at(x, y), c, alpha)); }

void Canvas::fill(Rect r, const Painter& paint) {
  const int x0 = std::max(r.x0, 0), x1 = std::min(r.x1, width_);
  const int y0 = std::max(r.y0, 0), y1 = std::min(r.y1, height_);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) set(x, y, paint(x, y, at(x, y)));
}

void Canvas::fillDisc(int cx, int cy, int radius, const Painter& paint) {
  // r^2 + r rather than r^2 rounds off the four single-pixel nubs.
  const int reach = radius * radius + radius;
  for (int y = std::max(cy - radius, 0); y <= std::min(cy + radius, height_ - 1); ++y)
    for (int x = std::max(cx - radius, 0); x <= std::min(cx + radius, width_ - 1); ++x)
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= reach) set(x, y, paint(x, y, at(x, y)));
}

void Canvas::fillPolygon(const std::vector<Point>& corners, const Painter& paint) {
  if (corners.size() < 3) return;
  int minY = corners[0].y, maxY = corners[0].y;
  for (const Point& p : corners) {
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  std::vector<int> crossings;  // in half pixels, like the row's centre
  for (int y = std::max(minY, 0); y < std::min(maxY, height_); ++y) {
    const int centre2 = 2 * y + 1;
    crossings.clear();
    for (size_t i = 0; i < corners.size(); ++i) {
      const Point a = corners[i], b = corners[(i + 1) % corners.size()];
      if ((2 * a.y <= centre2) == (2 * b.y <= centre2)) continue;
      crossings.push_back(2 * a.x + floorDiv((b.x - a.x) * (centre2 - 2 * a.y), b.y - a.y));
    }
    std::sort(crossings.begin(), crossings.end());
    for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
      const int x0 = std::max(ceilDiv(crossings[i] - 1, 2), 0);
      const int x1 = std::min(ceilDiv(crossings[i + 1] - 1, 2), width_);
      for (int x = x0; x < x1; ++x) set(x, y, paint(x, y, at(x, y)));
    }
  }
}

void Canvas::stroke(Point from, int dx, int dy, Rgb root, Rgb tip, int alpha) {
  const int steps = std::max(std::abs(dx), std::abs(dy));
  for (int i = 0; i <= steps; ++i) {
    const int x = from.x + (steps ? dx * i / steps : 0), y = from.y + (steps ? dy * i / steps : 0);
    blend(x, y, mix(root, tip, steps ? i * 256 / steps : 0), alpha);
  }
}
