// Helpers for driving the real tidewick binary: where a point of the town
// lands on screen from the starting camera, and a folder of one-colour
// pictures so that a probe tells which texture landed where.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "bmp_writer.h"
#include "x_session.h"

struct ScreenPoint {
  int x, y;  // window pixels, y downward
};

// The starting camera: eye (0, 0, 5) looking toward -z, 60 degree field of
// view in the 1000 x 1000 window, the scene scaled by zoom / 2.
ScreenPoint fromStartingCamera(double x, double y, double z, double zoom = 1);

// One distinct colour per picture file, all 8 x 8.
const std::map<std::string, Rgb>& solidColours();
Pixel asPixel(Rgb c);

// Writes the given pictures (all thirteen by default) into a fresh folder.
std::string folderWithSolidPictures(bool all = true);

// Starts the viewer in dir; fails the current test if no window appears.
void launchViewer(XSession& x, const std::string& dir);

// Expects the pixel at p to become wanted within the time limit.
::testing::AssertionResult pixelBecomes(XSession& x, ScreenPoint p, Pixel wanted, int timeoutMs = 5000);
