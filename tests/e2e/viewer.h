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

// What the viewer's camera is after some keys and drags. The defaults are
// the start: eye (0, 0, 5) looking toward -z with a 60 degree field of view
// in the 1000 x 1000 window, and the scene scaled by zoom / 2.
struct ViewerCamera {
  double eyeX = 0, eyeZ = 5;
  double heading = 0;  // radians, 0 looks toward -z
  double zoom = 1;
  double tilt = 0;  // degrees about the x axis, as a downward drag gives
  bool orthographic = false;
};

// Where a point of the town lands in the window.
ScreenPoint onScreen(const ViewerCamera& camera, double x, double y, double z);
ScreenPoint fromStartingCamera(double x, double y, double z);

// One distinct colour per picture file, all 8 x 8.
const std::map<std::string, Rgb>& solidColours();
Pixel asPixel(Rgb c);
Pixel pictureColour(const std::string& file);  // of solidColours()

// Writes the given pictures (all thirteen by default) into a fresh folder.
std::string folderWithSolidPictures(bool all = true);

// Everything the viewer wrote to a file in its folder (stdout.txt, stderr.txt).
std::string viewerOutput(const std::string& dir, const std::string& file = "stdout.txt");

// A test with the viewer running under its own X server. At the end the
// viewer must still be running and must not have reported a sanitizer error.
class ViewerTest : public ::testing::Test {
 protected:
  // Starts the viewer in folder; fails the test if no window appears.
  void start(const std::string& folder);
  // Closes the window; the viewer's standard output is then complete.
  ::testing::AssertionResult closeViewer();
  void TearDown() override;

  XSession x;
  std::string dir;

 private:
  bool closed_ = false;
};

// Expects the pixel at p to become wanted within the time limit.
::testing::AssertionResult pixelBecomes(XSession& x, ScreenPoint p, Pixel wanted, int timeoutMs = 5000);
