// Reduces a picture to a palette of at most 256 colours for an 8-bit BMP.
#pragma once

#include <cstdint>
#include <vector>

#include "bmp_writer.h"

struct IndexedImage {
  std::vector<uint8_t> indices;  // one per pixel, in the picture's order
  std::vector<Rgb> palette;
};

// Median cut: the colour box that spans most is halved at its median until
// there are maxColours boxes (1..256), each box giving its mean colour. A
// picture with few enough colours keeps them exactly.
IndexedImage quantise(const std::vector<Rgb>& pixels, int maxColours = 256);
