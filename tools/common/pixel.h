// One pixel as read back from a window, and how tests compare two of them:
// llvmpipe may round a channel differently from one version to the next.
#pragma once

#include <cstdlib>
#include <string>

struct Pixel {
  int r, g, b;
};

inline bool near(Pixel p, Pixel q, int tolerance = 3) {
  return std::abs(p.r - q.r) <= tolerance && std::abs(p.g - q.g) <= tolerance &&
         std::abs(p.b - q.b) <= tolerance;
}

inline std::string describe(Pixel p) {
  return "(" + std::to_string(p.r) + ", " + std::to_string(p.g) + ", " + std::to_string(p.b) + ")";
}
