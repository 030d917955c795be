// Captures of the real window made into one looping animated GIF, for the
// README. Everything here is plain arithmetic on the pixels, so the same
// captures always give the same bytes.
#pragma once

#include <string>
#include <vector>

#include "x_session.h"

// The picture shrunk to width x height, each new pixel the mean of the
// old pixels (and parts of pixels) it covers.
Capture shrink(const Capture& image, int width, int height);

struct AnimationFrame {
  Capture picture;  // every frame the same size
  int delayCs;      // how long it stays, in hundredths of a second
};

// Writes the frames as a GIF that loops for ever: one palette of 255 colours
// chosen for all the frames together, and after the first frame only the
// rectangle that changed, with unchanged pixels left transparent. A frame
// identical to the one before only lengthens that one's delay. Returns false,
// with the reason in *error, when the file cannot be written.
bool writeGifAnimation(const std::string& path, const std::vector<AnimationFrame>& frames,
                       std::string* error);
