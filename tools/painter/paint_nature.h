// The pictures of the land and the sky: grass, the backdrop, sun and moon.
#pragma once

#include "paint_canvas.h"

// Tiles seamlessly: the ground repeats it twenty times each way.
Canvas paintGrass(int size);

// A sky with clouds over three ranges of hills, the ground at the bottom.
Canvas paintSkyWithHills(int size);

// The sun and the moon wrap a sphere: x runs round it once, y from the south
// pole at the bottom to the north pole at the top.
Canvas paintSun(int size);
Canvas paintMoon(int size);
