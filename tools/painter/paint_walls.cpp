#include "paint_walls.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Low-frequency unevenness in percent, centred on zero.
int unevenness(const Canvas& c, int x, int y, int cell, int range, uint32_t seed) {
  return (fractalNoise(x, y, cell, cell, 3, c.width(), c.height(), seed) - 128) * range / 256;
}

const Rgb glassDeep = rgb(0x1c2733);
const Rgb glassSky = rgb(0x8197ab);
const Rgb glassGlint = rgb(0xd4e0ea);
const Rgb leadCame = rgb(0x2b2d30);
const Rgb brass = rgb(0xd4ad4a);
const Rgb ironwork = rgb(0x26272a);

bool onDiamondLattice(int x, int y, Rect r, Thickness cell) {
  const int u = (x - r.x0) * 256 / cell.x, v = (y - r.y0) * 256 / cell.y;
  const int width = 256 * 3 / (2 * std::min(cell.x, cell.y));
  return ((u + v) & 255) < width || ((u - v + 65536) & 255) < width;
}

void paintShutter(Canvas& c, Rect r, Rgb colour, uint32_t seed) {
  c.fill(r, [=](int x, int y, Rgb) {
    const bool border = x == r.x0 || x == r.x1 - 1 || y < r.y0 + 2 || y >= r.y1 - 2;
    const int slat = (y - r.y0) % 4;
    int pct = border ? 78 : slat == 0 ? 70 : slat == 3 ? 112 : 100;
    return shade(colour, pct + grit(x, y, seed, 8));
  });
}

}  // namespace

// The glints are placed in the opening's own proportions so they look the
// same however the picture is stretched.
Painter windowGlass(Rect inner, Thickness leaded, int revealShadowRows) {
  return [=](int x, int y, Rgb) {
    const int u = (x - inner.x0) * 256 / inner.width(), v = (y - inner.y0) * 256 / inner.height();
    Rgb g = mix(glassDeep, glassSky, v * 3 / 4);
    const int band = (u + v) & 511;
    if ((band >= 200 && band < 250) || (band >= 280 && band < 295)) g = mix(g, glassGlint, 110);
    if (inner.y1 - y <= revealShadowRows) g = shade(g, 60);
    if (leaded.x > 0 && onDiamondLattice(x, y, inner, leaded)) g = leadCame;
    return g;
  };
}

void paintBond(Canvas& c, Rect r, const Bond& b) {
  c.fill(r, [&](int x, int y, Rgb) {
    const int row = (y - r.y0) / b.courseHeight, inRow = (y - r.y0) % b.courseHeight;
    const int shifted = x - r.x0 + (row % 2) * b.unitLength / 2;
    const int unit = shifted / b.unitLength, along = shifted % b.unitLength;
    if (inRow < b.mortar.y || along < b.mortar.x) {
      // Mortar is recessed: the unit above throws a thin shadow onto it.
      const int pct = inRow == b.mortar.y - 1 && along >= b.mortar.x ? 78 : 96;
      return shade(b.mortarColour, pct + grit(x, y, b.seed, 10));
    }
    const uint32_t h = latticeHash(unit, row, b.seed);
    int pct = 88 + int(h >> 8) % 22 + unevenness(c, x, y, 8, 24, b.seed) + grit(x, y, b.seed, 10);
    if (inRow == b.courseHeight - 1) pct += 10;  // the top arris catches the light
    return shade(b.units[h % b.units.size()], pct);
  });
}

void paintRubble(Canvas& c, Rect r, const Rubble& s) {
  auto site = [&](int i, int j) {
    const uint32_t h = latticeHash(i, j, s.seed);
    return Point{i * s.cellW + s.cellW / 8 + int(h % uint32_t(s.cellW * 3 / 4)),
                 j * s.cellH + s.cellH / 8 + int((h >> 12) % uint32_t(s.cellH * 3 / 4))};
  };
  c.fill(r, [&](int x, int y, Rgb) {
    const int ci = x / s.cellW, cj = y / s.cellH;
    int64_t d1 = INT64_MAX, d2 = INT64_MAX;
    Point p1{0, 0}, p2{0, 0};
    for (int j = cj - 1; j <= cj + 1; ++j)
      for (int i = ci - 1; i <= ci + 1; ++i) {
        const Point p = site(i, j);
        const int64_t d = int64_t(x - p.x) * (x - p.x) + int64_t(y - p.y) * (y - p.y);
        if (d < d1) {
          d2 = d1, p2 = p1, d1 = d, p1 = p;
        } else if (d < d2) {
          d2 = d, p2 = p;
        }
      }
    // Distance to the bisector between the two nearest sites: how far this
    // texel is from the joint.
    const int apart = std::max(
        1, isqrt(int64_t(p2.x - p1.x) * (p2.x - p1.x) + int64_t(p2.y - p1.y) * (p2.y - p1.y)));
    const int edge = int((d2 - d1) / (2 * apart));
    if (edge < s.mortarWidth) return shade(s.mortarColour, 84 + 4 * edge + grit(x, y, s.seed, 12));
    // Rounded stones: darker toward their edges, their upper faces lit.
    const int bevel = std::min(edge - s.mortarWidth, 4);
    int pct = 74 + bevel * 6 + (y > p1.y ? (4 - bevel) * 5 : 0);
    const uint32_t h = latticeHash(p1.x, p1.y, s.seed);
    pct += int(h >> 20) % 16 + unevenness(c, x, y, 8, 20, s.seed) + grit(x, y, s.seed, 12);
    return shade(s.stones[h % s.stones.size()], pct);
  });
}

void paintWeatherboard(Canvas& c, Rect r, Rgb paint, int boardHeight, uint32_t seed) {
  const int shadowRows = std::max(2, boardHeight / 3);
  c.fill(r, [=, &c](int x, int y, Rgb) {
    const int board = (y - r.y0) / boardHeight;
    const int fromTop = boardHeight - 1 - (y - r.y0) % boardHeight;
    const uint32_t h = latticeHash(board, 7, seed);
    int pct = 96 + int(h >> 16) % 8;
    if (fromTop < shadowRows) pct = 70 + fromTop * 28 / shadowRows;  // under the lip above
    if (fromTop == boardHeight - 1) pct = 84;                        // the lip itself
    const int joint = r.x0 + int(h % uint32_t(r.width()));
    if (x == joint) pct -= 28;  // boards butt end to end
    pct += (valueNoise(x, y, 32, 2, c.width(), c.height(), seed) - 128) / 24;
    return mix(shade(paint, pct + grit(x, y, seed, 4)), rgb(0x8a8a80),
               unevenness(c, x, y, 64, 80, seed) + 20);
  });
}

void paintPlaster(Canvas& c, Rect r, Rgb colour, uint32_t seed) {
  c.fill(r, [=, &c](int x, int y, Rgb) {
    int pct = 96 + unevenness(c, x, y, 32, 14, seed) + grit(x, y, seed, 6);
    const int aboveFoot = y - r.y0;
    if (aboveFoot < 12) pct -= (12 - aboveFoot) / 2;  // splashes from the ground
    return shade(colour, pct);
  });
}

void paintBeam(Canvas& c, Rect r, Rgb wood, uint32_t seed) {
  const bool lengthwise = r.width() >= r.height();
  c.fill(r, [=, &c](int x, int y, Rgb) {
    const int grain = lengthwise ? valueNoise(x, y, 32, 2, c.width(), c.height(), seed)
                                 : valueNoise(x, y, 2, 32, c.width(), c.height(), seed);
    const bool arris = lengthwise ? (y == r.y0 || y == r.y1 - 1) : (x == r.x0 || x == r.x1 - 1);
    return shade(wood, (arris ? 72 : 88) + grain / 10 + grit(x, y, seed, 8));
  });
}

void paintBrace(Canvas& c, Point from, Point to, int halfWidth, Rgb wood, uint32_t seed) {
  // Offsetting across the nearer axis keeps the quad simple to state; the
  // brace looks slightly thinner the nearer it is to 45 degrees.
  const bool steep = std::abs(to.y - from.y) > std::abs(to.x - from.x);
  const int ox = steep ? halfWidth : 0, oy = steep ? 0 : halfWidth;
  const std::vector<Point> quad{{from.x - ox, from.y - oy},
                                {from.x + ox, from.y + oy},
                                {to.x + ox, to.y + oy},
                                {to.x - ox, to.y - oy}};
  c.fillPolygon(quad, [=, &c](int x, int y, Rgb) {
    const int grain = steep ? valueNoise(x, y, 2, 16, c.width(), c.height(), seed)
                            : valueNoise(x, y, 16, 2, c.width(), c.height(), seed);
    return shade(wood, 86 + grain / 10 + grit(x, y, seed, 8));
  });
}

void paintWindow(Canvas& c, Rect o, const WindowStyle& w) {
  if (w.hasShutters) {
    const int leaf = o.width() / 2;
    paintShutter(c, Rect{o.x0 - leaf, o.y0, o.x0, o.y1}, w.shutters, 11);
    paintShutter(c, Rect{o.x1, o.y0, o.x1 + leaf, o.y1}, w.shutters, 12);
  }
  const Rect sill{o.x0 - w.sill.x, o.y0 - w.sill.y, o.x1 + w.sill.x, o.y0};
  // The sill juts out, shading the wall under it.
  c.fill(Rect{sill.x0, sill.y0 - w.sill.y, sill.x1, sill.y0},
         [](int, int, Rgb under) { return shade(under, 72); });
  c.fill(sill, [=](int x, int y, Rgb) {
    return shade(w.trim, (y == sill.y1 - 1 ? 112 : 94) + grit(x, y, 3, 8));
  });
  c.fill(Rect{sill.x0, o.y1, sill.x1, o.y1 + w.lintelHeight},
         [=](int x, int y, Rgb) { return shade(w.trim, 92 + grit(x, y, 5, 10)); });

  c.fill(o, [=](int x, int y, Rgb) { return shade(w.frame, 96 + grit(x, y, 7, 6)); });
  const Rect inner{o.x0 + w.frameSize.x, o.y0 + w.frameSize.y, o.x1 - w.frameSize.x,
                   o.y1 - w.frameSize.y};
  c.fill(inner, windowGlass(inner, w.leadedDiamond, std::max(1, w.frameSize.y / 2)));
  const Painter bar = [=](int x, int y, Rgb) { return shade(w.frame, 92 + grit(x, y, 9, 6)); };
  for (int i = 1; i < w.panesAcross; ++i) {
    const int x = inner.x0 + inner.width() * i / w.panesAcross - w.glazingBar.x / 2;
    c.fill(Rect{x, inner.y0, x + w.glazingBar.x, inner.y1}, bar);
  }
  for (int i = 1; i < w.panesUp; ++i) {
    const int y = inner.y0 + inner.height() * i / w.panesUp - w.glazingBar.y / 2;
    c.fill(Rect{inner.x0, y, inner.x1, y + w.glazingBar.y}, bar);
  }
}

void paintDoor(Canvas& c, Rect o, const DoorStyle& d) {
  const Rect leaf{o.x0, o.y0 + d.stepHeight, o.x1, o.y1};
  c.fill(Rect{o.x0 - d.frameSize.x, leaf.y0, o.x1 + d.frameSize.x, o.y1 + d.frameSize.y},
         [=](int x, int y, Rgb) { return shade(d.frame, 94 + grit(x, y, 21, 8)); });
  c.fill(Rect{o.x0 - 2 * d.frameSize.x, o.y0, o.x1 + 2 * d.frameSize.x, leaf.y0},
         [=](int x, int y, Rgb) {
           return shade(d.step, (y == leaf.y0 - 1 ? 114 : 92) + grit(x, y, 22, 10));
         });
  c.fill(leaf, [=](int x, int y, Rgb) { return shade(d.leaf, 98 + grit(x, y, 23, 6)); });

  if (d.boards > 0) {
    for (int i = 0; i < d.boards; ++i) {
      const int x0 = leaf.x0 + leaf.width() * i / d.boards,
                x1 = leaf.x0 + leaf.width() * (i + 1) / d.boards;
      const int pct = 90 + int(latticeHash(i, 0, 24) % 16);
      c.fill(Rect{x0, leaf.y0, x1, leaf.y1},
             [=](int x, int, Rgb under) { return shade(under, x == x0 ? 62 : pct); });
    }
    // Two iron strap hinges on the hanging side.
    for (int at : {leaf.height() / 6, leaf.height() * 5 / 6}) {
      const int y = leaf.y0 + at;
      c.fill(Rect{leaf.x0, y - 1, leaf.x0 + leaf.width() * 2 / 3, y + 2}, solid(ironwork));
    }
  } else {
    const int across = 2, up = d.glazedTop ? 3 : 2;
    const int mx = std::max(1, leaf.width() / 8), my = std::max(2, leaf.height() / 16);
    for (int j = 0; j < up; ++j)
      for (int i = 0; i < across; ++i) {
        const Rect p{leaf.x0 + mx + i * (leaf.width() - mx) / across,
                     leaf.y0 + my + j * (leaf.height() - my) / up,
                     leaf.x0 + (i + 1) * (leaf.width() - mx) / across,
                     leaf.y0 + (j + 1) * (leaf.height() - my) / up};
        if (d.glazedTop && j == up - 1) {
          c.fill(p, windowGlass(p, Thickness{0, 0}, 1));
          continue;
        }
        // A sunk panel: its lower and left edges catch light, the others shade.
        c.fill(p, [=](int x, int y, Rgb under) {
          const bool lit = y == p.y0 || x == p.x0, shadowed = y == p.y1 - 1 || x == p.x1 - 1;
          return shade(under, lit ? 118 : shadowed ? 70 : 94);
        });
      }
  }
  const int knobX = leaf.x1 - std::max(2, leaf.width() / 6),
            knobY = leaf.y0 + leaf.height() * 9 / 20;
  c.fill(Rect{knobX - 1, knobY - 2, knobX + 1, knobY + 2}, solid(brass));
}
