#include "top_view.h"

#include <algorithm>
#include <cmath>

namespace {

const Pixel red{230, 40, 40}, blue{60, 110, 255}, white{255, 255, 255};

void dot(Capture& c, int x, int y, int radius, Pixel colour) {
  for (int py = std::max(0, y - radius); py <= std::min(c.height - 1, y + radius); ++py)
    for (int px = std::max(0, x - radius); px <= std::min(c.width - 1, x + radius); ++px) {
      uint8_t* p = &c.rgb[(static_cast<size_t>(py) * c.width + px) * 3];
      p[0] = static_cast<uint8_t>(colour.r);
      p[1] = static_cast<uint8_t>(colour.g);
      p[2] = static_cast<uint8_t>(colour.b);
    }
}

// A line three pixels wide from (x0, y0) to (x1, y1), ending in an arrowhead.
void arrow(Capture& c, double x0, double y0, double x1, double y1, Pixel colour) {
  const double length = std::hypot(x1 - x0, y1 - y0), ux = (x1 - x0) / length,
               uy = (y1 - y0) / length;
  for (double t = 0; t <= length; t += 0.5)
    dot(c, static_cast<int>(std::lround(x0 + ux * t)), static_cast<int>(std::lround(y0 + uy * t)),
        1, colour);
  for (double back = 0; back <= 24; back += 0.5) {  // two barbs, 24 pixels long
    const double bx = x1 - ux * back, by = y1 - uy * back, spread = back / 2;
    dot(c, static_cast<int>(std::lround(bx - uy * spread)),
        static_cast<int>(std::lround(by + ux * spread)), 1, colour);
    dot(c, static_cast<int>(std::lround(bx + uy * spread)),
        static_cast<int>(std::lround(by - ux * spread)), 1, colour);
  }
}

}  // namespace

void markTopView(Capture& view, double pixelsPerUnit) {
  const double cx = view.width / 2.0, cy = view.height / 2.0;
  arrow(view, cx, cy, cx + 3 * pixelsPerUnit, cy, red);  // x, to the ground's east edge
  arrow(view, cx, cy, cx, view.height - 4, blue);        // z, on toward the eye
  dot(view, static_cast<int>(cx), static_cast<int>(cy), 5, white);
}
