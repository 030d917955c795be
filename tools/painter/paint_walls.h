// Wall materials and openings for the house pictures: brick, rubble stone,
// weatherboard, plaster, oak beams, windows and doors.
#pragma once

#include <cstdint>
#include <vector>

#include "paint_canvas.h"

// Each picture is stretched unevenly onto its face (a long wall squeezes the
// picture three to one), so anything meant to look equally thick all round,
// such as a window frame, needs its own number of texels on each axis.
struct Thickness {
  int x, y;
};

// Running bond: each course shifts by half a unit. With grey colours and long
// units it is ashlar as well as brick.
struct Bond {
  int courseHeight, unitLength;
  Thickness mortar;
  std::vector<Rgb> units;  // a unit takes one of these at random
  Rgb mortarColour;
  uint32_t seed;
};
void paintBond(Canvas& c, Rect r, const Bond& b);

// Random rubble: stones grown around jittered points, so they fit together
// irregularly; larger cells make larger stones.
struct Rubble {
  int cellW, cellH;
  int mortarWidth;
  std::vector<Rgb> stones;
  Rgb mortarColour;
  uint32_t seed;
};
void paintRubble(Canvas& c, Rect r, const Rubble& s);

// Overlapping horizontal boards, each shadowing the top of the one below.
void paintWeatherboard(Canvas& c, Rect r, Rgb paint, int boardHeight, uint32_t seed);

// Lime plaster: gently uneven, a little dirtier toward the ground.
void paintPlaster(Canvas& c, Rect r, Rgb colour, uint32_t seed);

// Oak framing with its grain along the beam.
void paintBeam(Canvas& c, Rect r, Rgb wood, uint32_t seed);
void paintBrace(Canvas& c, Point from, Point to, int halfWidth, Rgb wood, uint32_t seed);

// Glass seen from outside: dark within, the sky reflected toward the top,
// two diagonal glints, optional leaded diamonds of the given cell size, and
// the shadow of the reveal along the top.
Painter windowGlass(Rect pane, Thickness leadedDiamond, int revealShadowRows);

struct WindowStyle {
  Rgb frame;
  Thickness frameSize;
  int panesAcross, panesUp;
  Thickness glazingBar;
  Thickness leadedDiamond;  // {0, 0} for plain panes
  Rgb trim;                 // the sill, and the lintel when it has a height
  Thickness sill;
  int lintelHeight;
  Rgb shutters;
  bool hasShutters;
};
void paintWindow(Canvas& c, Rect opening, const WindowStyle& w);

struct DoorStyle {
  Rgb leaf, frame;
  Thickness frameSize;
  int boards;      // vertical boards; 0 for a panelled door
  bool glazedTop;  // four small panes in the top of the leaf
  Rgb step;
  int stepHeight;
};
// opening includes the step at its foot; the frame is drawn outside it.
void paintDoor(Canvas& c, Rect opening, const DoorStyle& d);
