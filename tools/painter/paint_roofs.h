// Roof coverings for the house pictures. Rows run from the eave (bottom of
// the picture, t = 0) up to the ridge, so each course overlaps the one below.
#pragma once

#include <cstdint>
#include <vector>

#include "paint_canvas.h"

// Plain clay tiles in staggered courses. The same picture paves the road,
// seen from above and stretched along it, so nothing here marks a ridge or
// an eave: the courses repeat cleanly top to bottom.
struct TileCourses {
  int courseHeight, tileWidth;
  std::vector<Rgb> clays;  // a tile takes one of these at random
  uint32_t seed;
};
void paintClayTiles(Canvas& c, const TileCourses& t);

// Riven slates with a run of ridge tiles along the top.
void paintSlates(Canvas& c, int courseHeight, int slateWidth, int ridgeHeight, uint32_t seed);

// Long straw: a combed surface, a cut eave of straw ends at the foot and a
// block-cut ridge, pinned with hazel spars, along the top.
void paintThatch(Canvas& c, int eaveHeight, int ridgeHeight, uint32_t seed);
