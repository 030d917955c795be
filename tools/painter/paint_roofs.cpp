#include "paint_roofs.h"

#include <algorithm>
#include <cstdlib>

namespace {

const Rgb lichen = rgb(0xb6ad7c);
const Rgb weatheredClay = rgb(0x5c4a3e);
const Rgb ridgeLead = rgb(0x4e5054);
const Rgb slateWeathered = rgb(0x8a8f94);
const Rgb strawFresh = rgb(0xe2c277);
const Rgb strawLight = rgb(0xd2aa5e);
const Rgb strawDark = rgb(0x7a5a2e);
const Rgb strawOld = rgb(0x6f6250);
const Rgb moss = rgb(0x5d6a34);
const Rgb hazel = rgb(0x8d6f45);

// Where a pixel sits in a staggered course: which unit, how far along it,
// and how far down from the course's top edge.
struct CoursePlace {
  int course, unit, along, fromTop;
};

CoursePlace placeIn(int x, int y, int courseHeight, int unitWidth) {
  const int course = y / courseHeight;
  const int shifted = x + (course % 2) * unitWidth / 2;
  return {course, shifted / unitWidth, shifted % unitWidth, courseHeight - 1 - y % courseHeight};
}

}  // namespace

void paintClayTiles(Canvas& c, const TileCourses& t) {
  const int shadowRows = t.courseHeight / 4;
  c.fill(c.bounds(), [&](int x, int y, Rgb) {
    const CoursePlace p = placeIn(x, y, t.courseHeight, t.tileWidth);
    const bool lipRow = p.fromTop == t.courseHeight - 1;
    const bool roundedCorner =
        p.fromTop >= t.courseHeight - 2 && (p.along <= 1 || p.along >= t.tileWidth - 1);
    if (p.along == 0 || roundedCorner) return shade(weatheredClay, 55 + grit(x, y, t.seed, 10));

    const uint32_t h = latticeHash(p.unit, p.course, t.seed);
    int pct = 90 + int(h >> 8) % 18;
    if (p.fromTop < shadowRows) pct = 60 + p.fromTop * 36 / shadowRows;  // under the course above
    if (lipRow) pct = 80;
    if (p.fromTop == t.courseHeight - 2) pct += 10;  // the tile's front edge
    if (p.along == 1) pct -= 12;
    pct += (t.tileWidth / 2 - std::abs(p.along - t.tileWidth / 2)) * 10 / t.tileWidth;  // camber
    Rgb tile = shade(t.clays[h % t.clays.size()], pct + grit(x, y, t.seed, 12));
    // Soot and weather settle unevenly; lichen grows in small spots.
    tile = mix(tile, weatheredClay,
               std::max(0, fractalNoise(x, y, 32, 32, 3, c.width(), c.height(), t.seed) - 120));
    if (latticeHash(x / 2, y / 2, t.seed + 1) % 211 == 0) tile = mix(tile, lichen, 170);
    return tile;
  });
}

void paintSlates(Canvas& c, int courseHeight, int slateWidth, int ridgeHeight, uint32_t seed) {
  const Rgb slates[] = {rgb(0x4b5561), rgb(0x535b68), rgb(0x444b57), rgb(0x5a5868), rgb(0x3f4650)};
  const int ridgeFoot = c.height() - ridgeHeight;
  c.fill(c.bounds(), [&](int x, int y, Rgb) {
    if (y >= ridgeFoot) {
      // Ridge tiles in lengths of 40, shadowing the slates just below.
      const bool joint = x % 40 == 0, foot = y < ridgeFoot + 2;
      return shade(ridgeLead,
                   (joint || foot ? 70 : 100 + (y - ridgeFoot) * 2) + grit(x, y, seed, 8));
    }
    const CoursePlace p = placeIn(x, y, courseHeight, slateWidth);
    const uint32_t h = latticeHash(p.unit, p.course, seed);
    const int chip = int(h >> 24) % 4;  // a chipped lower corner on some slates
    const bool chipped =
        p.fromTop >= courseHeight - chip && (h & 1 ? p.along < chip : p.along >= slateWidth - chip);
    if (p.along == 0 || chipped) return shade(rgb(0x22262b), 100 + grit(x, y, seed, 10));
    if (y >= ridgeFoot - 3) return shade(slates[h % 5], 62 + grit(x, y, seed, 8));

    int pct = 90 + p.fromTop * 14 / courseHeight + int(h >> 8) % 12;
    if (p.fromTop < 2) pct = 64 + 12 * p.fromTop;  // the thin edge of the course above
    pct += (valueNoise(x, y, 4, 2, c.width(), c.height(), seed) - 128) / 16;  // riven face
    const Rgb slate = shade(slates[h % 5], pct + grit(x, y, seed, 8));
    return mix(slate, slateWeathered,
               std::max(0, fractalNoise(x, y, 64, 64, 3, c.width(), c.height(), seed) - 140));
  });
}

namespace {

Rgb combedStraw(const Canvas& c, int x, int y, uint32_t seed) {
  // Streaks run down the slope: long thin noise cells, contrast stretched.
  const int streak = std::clamp(
      (fractalNoise(x, y, 2, 32, 3, c.width(), c.height(), seed) - 128) * 2 + 128, 0, 256);
  Rgb straw = mix(strawDark, strawLight, streak);
  // The coat undulates where each course of bundles was laid.
  straw = shade(straw, 88 + valueNoise(x, y, 64, 16, c.width(), c.height(), seed + 4) / 10);
  const int weather = fractalNoise(x, y, 64, 64, 3, c.width(), c.height(), seed + 5);
  straw = mix(straw, strawOld, std::max(0, weather - 140));
  if (y < c.height() / 3 && weather > 190) straw = mix(straw, moss, (weather - 190) * 3);
  return shade(straw, 100 + (int(latticeHash(x, y, seed) % 13) - 6));
}

// Single straws lying along the slope, some catching the light, some in the
// shadow of their neighbours.
void layStraws(Canvas& c, int count, uint32_t seed) {
  Pcg32 rng(seed);
  for (int i = 0; i < count; ++i) {
    const Point at{rng.below(c.width()), rng.below(c.height())};
    const Rgb colour = rng.chance(55) ? strawFresh : shade(strawDark, 80);
    // Separate statements fix the order of the draws, which a call's
    // argument list would leave to the compiler.
    const int lean = rng.between(-1, 1);
    const int length = rng.between(8, 28);
    const int alpha = rng.between(70, 150);
    c.stroke(at, lean, length, colour, colour, alpha);
  }
}

// Cut straw ends seen head-on: a dense speckle, darker toward the drip edge.
Rgb strawEnds(int x, int y, int eaveHeight, uint32_t seed) {
  const uint32_t h = latticeHash(x, y, seed + 9);
  const Rgb end = h % 3 == 0 ? strawDark : h % 3 == 1 ? strawLight : strawFresh;
  return shade(end, 66 + y * 34 / eaveHeight + int(h >> 16) % 10);
}

// The ridge's lower edge hangs in scallops; returns how far below the
// ridge's nominal foot the straw reaches at x.
int scallopDepth(int x, int period) {
  const int r = period / 2, dx = x % period - r;
  return isqrt(int64_t(r) * r - int64_t(dx) * dx) / 2;
}

bool onSpar(int x, int y, int bottom, int top) {
  if (y == bottom || y == top || y == bottom + 1 || y == top - 1) return true;  // liggers
  const int span = top - bottom;
  return y > bottom && y < top && ((x + y) % span == 0 || (x - y + 4096) % span == 0);
}

}  // namespace

void paintThatch(Canvas& c, int eaveHeight, int ridgeHeight, uint32_t seed) {
  c.fill(c.bounds(), [&](int x, int y, Rgb) { return combedStraw(c, x, y, seed); });
  layStraws(c, c.width() * c.height() / 24, seed + 1);
  c.fill(Rect{0, 0, c.width(), eaveHeight},
         [&](int x, int y, Rgb) { return strawEnds(x, y, eaveHeight, seed); });

  const int ridgeFoot = c.height() - ridgeHeight;
  const int scallop = 32, sparBottom = ridgeFoot + 8, sparTop = c.height() - 12;
  c.fill(Rect{0, ridgeFoot - scallop / 4 - 3, c.width(), c.height()}, [&](int x, int y, Rgb under) {
    const int edge = ridgeFoot - scallopDepth(x, scallop);
    if (y < edge)
      return y >= edge - 3 ? shade(under, 68 + (edge - y) * 6) : under;  // the ridge's shadow
    if (onSpar(x, y, sparBottom, sparTop)) return shade(hazel, 96 + grit(x, y, seed, 12));
    return shade(mix(under, strawFresh, 100), y < edge + 2 ? 78 : 104);
  });
}
