#include "paint_houses.h"

#include "paint_roofs.h"
#include "paint_walls.h"

namespace {

constexpr int side = 256;

// A gable end is one unit square, so its picture is drawn undistorted. Row
// 172 (t = 0.67) is the eave line; above it only the triangle under the two
// rakes shows, the ridge at the top centre.
constexpr int gableEave = 172;

// A long wall's picture spans only the 0.67 units up to the eave, so the
// storeys drawn on the gable reappear on the wall scaled by 256 / 172.
int wallRow(int gableRow) { return gableRow * side / gableEave; }

// Boards or shade along both rakes, just inside the visible triangle.
void paintAlongRakes(Canvas& c, int depth, Rgb wood, uint32_t seed) {
  paintBrace(c, {0, gableEave - depth / 2}, {side / 2, side - depth / 2}, depth / 2, wood, seed);
  paintBrace(c, {side / 2, side - depth / 2}, {side, gableEave - depth / 2}, depth / 2, wood,
             seed + 1);
}

Painter darken(int percent) {
  return [percent](int, int, Rgb under) { return shade(under, percent); };
}

// ---- The large house ------------------------------------------------------
// Gable rows of its storeys: a stone plinth, a brick ground floor, an oak
// bressumer, a close-studded upper floor and the tie beam at the eave.
constexpr int plinthTop = 10, brickTop = 88, railTop = 98, tieBottom = 162, tieTop = 176;

const Rgb oak = rgb(0x3b2b20);
const Rgb limePlaster = rgb(0xeadcba);
const Rgb plinthStone = rgb(0x8d8a82);
const Rgb brickMortar = rgb(0xc8bfae);
const std::vector<Rgb> bricks{rgb(0x9a4630), rgb(0xa8553a), rgb(0x8a3d2c), rgb(0xb2603f),
                              rgb(0x7f3a2b)};

// Oak casements with leaded diamond panes, stone sill and lintel.
WindowStyle leadedWindow(Thickness frame, Thickness diamond, Thickness sill, int lintel) {
  return WindowStyle{oak,    frame,        2,    1, frame, diamond, plinthStone, sill,
                     lintel, Rgb{0, 0, 0}, false};
}

}  // namespace

Canvas paintLargeGable() {
  Canvas c(side, side, limePlaster);
  paintPlaster(c, c.bounds(), limePlaster, 101);
  paintBond(c, {0, 0, side, plinthTop}, Bond{10, 48, {2, 2}, {plinthStone}, brickMortar, 102});
  paintBond(c, {0, plinthTop, side, brickTop}, Bond{8, 24, {2, 2}, bricks, brickMortar, 103});
  paintBeam(c, {0, brickTop, side, railTop}, oak, 104);
  for (int x = 0; x < side; x += 32) paintBeam(c, {x, railTop, x + 8, tieBottom}, oak, 105 + x);
  paintBeam(c, {side - 8, railTop, side, tieBottom}, oak, 106);
  paintBeam(c, {0, tieBottom, side, tieTop}, oak, 107);
  // Up in the triangle, a king post to the ridge and two raking struts.
  paintBeam(c, {124, tieTop, 132, side}, oak, 108);
  paintBrace(c, {40, tieTop}, {118, 236}, 4, oak, 109);
  paintBrace(c, {216, tieTop}, {138, 236}, 4, oak, 110);
  paintAlongRakes(c, 12, oak, 111);

  const WindowStyle window = leadedWindow({4, 4}, {10, 12}, {4, 4}, 6);
  paintWindow(c, {40, 30, 84, 74}, window);
  paintWindow(c, {172, 30, 216, 74}, window);
  paintWindow(c, {104, 112, 160, 150}, window);
  paintWindow(c, {112, 188, 144, 214}, window);
  return c;
}

// The wall is 2 units long and 0.67 high, so a texel across looks three
// times as wide as a texel up: frames and bricks are drawn narrow and tall.
Canvas paintLargeWall() {
  Canvas c(side, side, limePlaster);
  paintPlaster(c, c.bounds(), limePlaster, 121);
  paintBond(c, {0, 0, side, wallRow(plinthTop)},
            Bond{14, 24, {1, 3}, {plinthStone}, brickMortar, 122});
  paintBond(c, {0, wallRow(plinthTop), side, wallRow(brickTop)},
            Bond{12, 12, {1, 3}, bricks, brickMortar, 123});
  paintBeam(c, {0, wallRow(brickTop), side, wallRow(railTop)}, oak, 124);
  for (int x = 0; x < side; x += 16)
    paintBeam(c, {x, wallRow(railTop), x + 4, wallRow(tieBottom)}, oak, 125 + x);
  paintBeam(c, {side - 4, wallRow(railTop), side, wallRow(tieBottom)}, oak, 126);
  paintBeam(c, {0, wallRow(tieBottom), side, side}, oak, 127);

  paintDoor(c, {117, 0, 139, 116}, DoorStyle{rgb(0x5b3d26), oak, {2, 6}, 4, false, plinthStone, 8});
  const WindowStyle window = leadedWindow({2, 6}, {5, 18}, {2, 6}, 9);
  for (int centre : {40, 84, 172, 216}) paintWindow(c, {centre - 11, 45, centre + 11, 110}, window);
  // Upstairs the windows sit between studs.
  for (int left : {52, 116, 180})
    paintWindow(c, {left, wallRow(112), left + 28, wallRow(150)}, window);
  return c;
}

// The slope is 2 units along and 0.6 up: tiles are drawn tall to look wide.
Canvas paintLargeRoof() {
  Canvas c(side, side, Rgb{0, 0, 0});
  const std::vector<Rgb> clays{rgb(0xb5532f), rgb(0xa84a2a), rgb(0xc0623a),
                               rgb(0x9c4428), rgb(0xb95a35), rgb(0x8e3f27)};
  paintClayTiles(c, TileCourses{32, 16, clays, 131});
  return c;
}

namespace {

// ---- The east house -------------------------------------------------------
const Rgb butter = rgb(0xe6cd7e);
const Rgb trimWhite = rgb(0xf0ede4);
const Rgb doorBlue = rgb(0x2b5c9e);
const Rgb foundation = rgb(0x8a8780);
const Rgb pointing = rgb(0xb8b4aa);

// White sashes, six panes over six, between blue shutters.
const WindowStyle sashWindow{trimWhite, {4, 4}, 2, 3,        {2, 2}, {0, 0},
                             trimWhite, {3, 3}, 4, doorBlue, true};

}  // namespace

Canvas paintEastGable() {
  Canvas c(side, side, butter);
  paintWeatherboard(c, {0, 10, side, side}, butter, 12, 201);
  paintBond(c, {0, 0, side, 10}, Bond{10, 40, {2, 2}, {foundation}, pointing, 202});
  paintBeam(c, {0, 10, 10, gableEave}, trimWhite, 203);
  paintBeam(c, {side - 10, 10, side, gableEave}, trimWhite, 204);
  paintAlongRakes(c, 10, trimWhite, 205);

  paintWindow(c, {50, 36, 90, 100}, sashWindow);
  paintWindow(c, {166, 36, 206, 100}, sashWindow);
  // A round window lights the loft.
  const int cx = 128, cy = 204;
  c.fillDisc(cx, cy, 17, solid(trimWhite));
  c.fillDisc(cx, cy, 13, windowGlass({cx - 13, cy - 13, cx + 13, cy + 13}, {0, 0}, 2));
  c.fill({cx - 2, cy - 13, cx + 2, cy + 13}, solid(trimWhite));
  c.fill({cx - 13, cy - 2, cx + 13, cy + 2}, solid(trimWhite));
  return c;
}

// The wall is 0.7 units long and 0.67 high: texels are nearly square.
Canvas paintEastWall() {
  Canvas c(side, side, butter);
  paintWeatherboard(c, {0, 15, side, side}, butter, 18, 211);
  paintBond(c, {0, 0, side, 15}, Bond{15, 40, {2, 3}, {foundation}, pointing, 212});
  paintBeam(c, {0, 15, 8, side}, trimWhite, 213);
  paintBeam(c, {side - 8, 15, side, side}, trimWhite, 214);
  c.fill({0, side - 8, side, side}, darken(70));  // the eave's shadow

  paintDoor(c, {44, 0, 98, 140}, DoorStyle{doorBlue, trimWhite, {5, 5}, 0, true, foundation, 10});
  paintWindow(c, {160, 54, 204, 149}, sashWindow);
  return c;
}

// The slope is 0.7 units along and 0.6 up: slates are drawn near square.
Canvas paintEastRoof() {
  Canvas c(side, side, Rgb{0, 0, 0});
  paintSlates(c, 16, 16, 12, 221);
  return c;
}

namespace {

// ---- The west house -------------------------------------------------------
const std::vector<Rgb> fieldStones{rgb(0x8f8676), rgb(0xa39a86), rgb(0x7d7a70),
                                   rgb(0xb0a48a), rgb(0x968a70), rgb(0x85806f)};
const Rgb limeMortar = rgb(0xcac3b0);
const Rgb quoinStone = rgb(0xc2b79e);
const Rgb cottageDoor = rgb(0x8e2f24);
const Rgb oldOak = rgb(0x5a4632);
const Rgb creamPaint = rgb(0xe9e5da);

const WindowStyle casement{creamPaint, {4, 4},       2,    2, {3, 3}, {0, 0}, oldOak, {4, 4},
                           10,         Rgb{0, 0, 0}, false};

// Dressed corner stones, long and short in turn, tying the rubble together.
// Sizes are in the picture's texels: the wall is stretched, the gable not.
void paintQuoins(Canvas& c, int top, int course, int longStone, int shortStone, uint32_t seed) {
  for (int row = 0, y = 0; y < top; ++row, y += course) {
    const int length = row % 2 ? shortStone : longStone;
    for (const Rect r :
         {Rect{0, y, length, y + course}, Rect{side - length, y, side, y + course}}) {
      c.fill(r, [=](int x, int py, Rgb) {
        const bool joint = py < y + 2 || x == (r.x0 == 0 ? r.x1 - 1 : r.x0);
        const int texture = int(latticeHash(x, py, seed) % 12);
        return shade(joint ? limeMortar : quoinStone, (joint ? 86 : 90) + texture);
      });
    }
  }
}

}  // namespace

Canvas paintWestGable() {
  Canvas c(side, side, limeMortar);
  paintRubble(c, c.bounds(), Rubble{24, 16, 1, fieldStones, limeMortar, 401});
  paintQuoins(c, gableEave, 20, 26, 16, 402);
  // No barge boards: the thatch oversails the gable and shades it.
  c.fillPolygon(
      {{0, gableEave - 10}, {side / 2, side - 10}, {side, gableEave - 10}, {side, side}, {0, side}},
      darken(62));
  paintWindow(c, {96, 52, 160, 112}, casement);
  paintWindow(
      c, {114, 186, 142, 212},
      WindowStyle{
          casement.frame, {3, 3}, 2, 1, {3, 3}, {0, 0}, oldOak, {3, 3}, 6, Rgb{0, 0, 0}, false});
  return c;
}

// The wall is 0.5 units long and 0.67 high: a texel across looks three
// quarters as wide as one up.
Canvas paintWestWall() {
  Canvas c(side, side, limeMortar);
  paintRubble(c, c.bounds(), Rubble{48, 24, 1, fieldStones, limeMortar, 411});
  paintQuoins(c, side, 31, 51, 31, 412);
  c.fill({0, side - 12, side, side}, darken(58));  // under the thatch
  paintDoor(c, {44, 0, 118, 122}, DoorStyle{cottageDoor, oldOak, {6, 4}, 5, false, plinthStone, 8});
  paintWindow(c, {156, 50, 226, 122}, casement);
  return c;
}

// The slope is 0.5 units along and 0.6 up.
Canvas paintWestRoof() {
  Canvas c(side, side, Rgb{0, 0, 0});
  paintThatch(c, 14, 52, 421);
  return c;
}
