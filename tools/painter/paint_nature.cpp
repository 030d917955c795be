#include "paint_nature.h"

#include <algorithm>
#include <cstdlib>

namespace {

// sin(pi * a / 256) * 256 for a in 0..256, by Bhaskara's rational
// approximation: within 0.2% and exact on every machine, unlike libm.
int sinPi256(int a) {
  const int64_t q = int64_t(a) * (256 - a);
  return int(16 * q * 256 / (5 * 65536 - 4 * q));
}

// A pixel row's distance from the equator as cos(latitude), 0..256.
int cosLatitude(int y, int size) { return sinPi256((2 * y + 1) * 128 / size); }

}  // namespace

Canvas paintGrass(int size) {
  const uint32_t seed = 4004;
  Canvas c(size, size, Rgb{0, 0, 0});
  // Only mid-sized patches: anything broader would print the twenty-by-twenty
  // repeat across the ground as a grid.
  c.fill(c.bounds(), [&](int x, int y, Rgb) {
    const int patch = fractalNoise(x, y, 32, 32, 4, size, size, seed);
    return shade(mix(rgb(0x3a6622), rgb(0x6e9c3a), patch), 94 + grit(x, y, seed, 12));
  });
  Pcg32 rng(seed);
  const Rgb roots[] = {rgb(0x2c5219), rgb(0x3f6e24), rgb(0x4f8030)};
  const Rgb tips[] = {rgb(0x8cbf4e), rgb(0xa6c45c), rgb(0x74a83e)};
  for (int i = 0; i < size * size / 12; ++i) {
    // One draw per statement: the order in which a call's arguments are
    // evaluated differs between compilers, and with it the picture.
    const Point at{rng.below(size), rng.below(size)};
    const int dx = rng.between(-4, 4);
    const int dy = rng.between(-7, 7);
    const Rgb root = roots[rng.below(3)];
    const Rgb tip = tips[rng.below(3)];
    c.stroke(at, dx, dy, root, tip, 200);
  }
  // Deep shadow between the blades gives the turf its depth.
  for (int i = 0; i < size * size / 20; ++i) {
    const Point at{rng.below(size), rng.below(size)};
    c.blend(at.x, at.y, rgb(0x1d3510), 160);
  }
  // A scatter of daisies and buttercups, sparse enough not to pattern the lawn.
  for (int i = 0; i < 10; ++i) {
    const int x = rng.below(size), y = rng.below(size);
    const Rgb petal = i % 3 == 0 ? rgb(0xf2d43a) : rgb(0xf4f2e8);
    for (Point p : {Point{x - 1, y}, Point{x + 1, y}, Point{x, y - 1}, Point{x, y + 1}})
      c.set(p.x, p.y, petal);
    c.set(x, y, i % 3 == 0 ? rgb(0xe0b020) : rgb(0xf0c030));
  }
  return c;
}

namespace {

struct HillRange {
  int base, rise;  // in 1/256ths of the picture's height
  int cell;        // width of a rolling swell, in pixels
  Rgb near, far;   // colour at the crest and lower down, where mist lies
  uint32_t seed;
};

int crest(const HillRange& h, int x, int size) {
  const int wave = fractalNoise(x, 0, h.cell, h.cell, 3, size, size, h.seed);
  return (h.base + h.rise * wave / 256) * size / 256;
}

// Fields and hedgerows on the middle range, in bands that follow the crest,
// each band's hedges staggered from the next.
Rgb patchwork(Rgb grass, int x, int y, int top, uint32_t seed) {
  const int fieldW = 40, fieldH = 10;
  const int depth = top - y, band = depth / fieldH;
  const int along = x + int(latticeHash(band, 0, seed) % fieldW);
  if (depth % fieldH == fieldH - 1 || along % fieldW == 0) return shade(grass, 62);
  const Rgb crops[] = {grass, shade(grass, 112), rgb(0x8e9a48), rgb(0xb4a158), shade(grass, 92)};
  return crops[latticeHash(along / fieldW, band, seed) % 5];
}

Rgb sky(int x, int y, int size, uint32_t seed) {
  const int height = y * 256 / size;
  const int zenithward = 256 - (256 - height) * (256 - height) / 256;
  const Rgb blue = mix(rgb(0xd6e7f2), rgb(0x3a76c2), zenithward);
  // Clouds: dense noise above a threshold, thinning toward the horizon,
  // their undersides shaded where the cloud grows thicker above.
  const int here = fractalNoise(x, y, 64, 32, 5, size, size, seed);
  const int above = fractalNoise(x, y + 5, 64, 32, 5, size, size, seed);
  const int cover =
      std::clamp((here - 136) * 5, 0, 256) * std::clamp(height * 3 - 150, 0, 256) / 256;
  const Rgb cloud = mix(rgb(0xfbfcfd), rgb(0xaab6c4), std::clamp((above - here) * 10, 0, 180));
  return mix(blue, cloud, cover);
}

}  // namespace

Canvas paintSkyWithHills(int size) {
  const uint32_t seed = 6006;
  Canvas c(size, size, Rgb{0, 0, 0});
  c.fill(c.bounds(), [&](int x, int y, Rgb) { return sky(x, y, size, seed); });
  const HillRange ranges[] = {
      {62, 44, 64, rgb(0x7e9fb2), rgb(0xa9c2d0), seed + 1},  // far, blue with distance
      {34, 40, 64, rgb(0x5f8d45), rgb(0x8fae8a), seed + 2},  // middle, farmland
      {6, 26, 32, rgb(0x3f7a2c), rgb(0x4a7d34), seed + 3},   // near
  };
  for (int layer = 0; layer < 3; ++layer) {
    const HillRange& h = ranges[layer];
    for (int x = 0; x < size; ++x) {
      const int top = crest(h, x, size);
      for (int y = 0; y < top && y < size; ++y) {
        Rgb g = mix(h.far, h.near, std::clamp(256 - (top - y) * 12, 96, 256));
        if (layer == 1)
          g = mix(patchwork(g, x, y, top, h.seed), g, std::clamp((top - y) * 40 - 40, 0, 140));
        if (top - y <= 1) g = shade(g, 112);  // sunlit crest
        c.set(x, y, shade(g, 100 + grit(x, y, h.seed, 8)));
      }
    }
  }
  // Copses and hedgerow trees on the near range.
  Pcg32 rng(seed);
  for (int i = 0; i < 40; ++i) {
    const int x = rng.below(size), top = crest(ranges[2], x, size);
    const int y = std::max(2, top - rng.between(0, top / 2)), r = rng.between(2, 4);
    const Rgb leaf = i % 2 ? rgb(0x24481c) : rgb(0x2e5a22);
    c.fillDisc(x, y, r, [&](int px, int py, Rgb) {
      return shade(leaf, py > y ? 118 : 92 + grit(px, py, seed, 10));
    });
  }
  return c;
}

Canvas paintSun(int size) {
  const uint32_t seed = 1616;
  Canvas c(size, size, Rgb{0, 0, 0});
  c.fill(c.bounds(), [&](int x, int y, Rgb) {
    // How squarely this point faces the viewer, on either face of the sphere:
    // the disc glows white at the centre and burns orange toward the limb.
    const int facing = sinPi256(((2 * x + 1) * 256 / size) % 256);
    const int mu = cosLatitude(y, size) * facing / 256;
    Rgb glow = mix(rgb(0xe35d12), rgb(0xffc22e), std::min(256, mu * 2));
    glow = mix(glow, rgb(0xfff8dc), std::max(0, mu * 2 - 256));
    const int granules =
        valueNoise(x, y, 4, 8, size, size, seed) + valueNoise(x, y, 2, 4, size, size, seed + 1);
    return shade(glow, 93 + granules / 40 + grit(x, y, seed, 4));
  });
  return c;
}

Canvas paintMoon(int size) {
  const uint32_t seed = 2828;
  Canvas c(size, size, Rgb{0, 0, 0});
  // Highlands and the dark basaltic seas; the cells are half as wide as tall
  // because a texel spans twice the angle across as it does up.
  c.fill(c.bounds(), [&](int x, int y, Rgb) {
    const Rgb highland =
        shade(rgb(0xbdbab2), 88 + fractalNoise(x, y, 8, 16, 3, size, size, seed) / 12);
    const int sea = fractalNoise(x, y, 16, 32, 4, size, size, seed + 1);
    return shade(mix(highland, rgb(0x6c6c70), std::clamp((sea - 140) * 6, 0, 230)),
                 100 + grit(x, y, seed, 10));
  });
  Pcg32 rng(seed);
  for (int i = 0; i < 60; ++i) {
    const int r = rng.chance(25) ? rng.between(5, 10) : rng.between(2, 4);
    const int cx = rng.below(size), cy = rng.between(size / 6, size * 5 / 6);
    const int squeeze = 2 * cosLatitude(cy, size);  // turns texels across into texels up, in 256ths
    const int reachX = r * 256 * 3 / (2 * squeeze) + 2;
    for (int y = cy - r - 2; y <= cy + r + 2; ++y)
      for (int x = cx - reachX; x <= cx + reachX; ++x) {
        const int dx16 = (x - cx) * squeeze / 16, dy16 = (y - cy) * 16;
        const int d16 = isqrt(int64_t(dx16) * dx16 + int64_t(dy16) * dy16);
        if (d16 > (r + 1) * 16 || y < 0 || y >= size) continue;
        // Lit from the upper left: the inner wall there lies in shadow, the
        // far inner wall and the near rim catch the light.
        const bool towardLight = dy16 - dx16 > 0;
        int pct = 86;
        if (d16 >= r * 16)
          pct = towardLight ? 116 : 82;
        else if (d16 * 3 >= r * 16 * 2)
          pct = towardLight ? 70 : 118;
        c.set(x, y, shade(c.at(x, y), pct));
      }
  }
  return c;
}
