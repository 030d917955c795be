// The nine house pictures: gable end, long wall and roof slope for each of
// the three houses. Every picture is square; the notes in the source give
// how each is stretched onto its face, which sets the proportions drawn.
#pragma once

#include "paint_canvas.h"

// The large house: brick below, close-studded oak and plaster above, under
// clay tiles.
Canvas paintLargeGable();
Canvas paintLargeWall();
Canvas paintLargeRoof();

// The east house: painted weatherboard, a blue door, a slate roof.
Canvas paintEastGable();
Canvas paintEastWall();
Canvas paintEastRoof();

// The west house: a rubble-stone cottage under thatch.
Canvas paintWestGable();
Canvas paintWestWall();
Canvas paintWestRoof();
