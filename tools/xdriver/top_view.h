// Marks drawn over the gallery's view of the town from straight above (the
// scene tilted 90 degrees, orthographic, zoomed), for the tour: the x axis
// in red toward the right, the z axis in blue toward the bottom, where the
// eye starts, and the origin in white. The houses, the road, the near strip
// and the backdrop are named beside the picture, by where they lie.
#pragma once

#include "x_session.h"

// pixelsPerUnit is how many window pixels one unit of the town covers; the
// origin is the window's centre.
void markTopView(Capture& view, double pixelsPerUnit);
