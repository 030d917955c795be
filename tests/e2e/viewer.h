// Driving the real tidewick binary under a private X server: where a point
// of the town lands on screen, and a test fixture that starts the viewer.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "harness.h"
#include "wine.h"
#include "x_session.h"

struct ScreenPoint {
  int x, y;  // window pixels, y downward
};

// Where a point of the town lands in the window from the starting camera
// (eye (0, 0, 5) looking toward -z, a 60 degree field of view, the scene
// scaled by a half), after a downward drag has tilted the scene by tilt
// degrees about the x axis.
ScreenPoint onScreen(double x, double y, double z, double tilt = 0);

// The program under test: the Linux viewer built beside the tests, or the
// program TIDEWICK_VIEWER names. A Windows program (a name ending in .exe)
// runs under Wine, in the tests' own prefix, TIDEWICK_WINE_PREFIX. A zip
// that TIDEWICK_VIEWER names is unpacked before the tests, and the program
// in it replaces the zip there.
std::string viewerProgram();

// A test with the viewer running under its own X server. At the end the
// viewer must still be running, close cleanly and have reported no
// sanitizer error, and the Linux viewer no GL call that Mesa refused beyond
// those the test expects.
class ViewerTest : public ::testing::Test {
 protected:
  // Starts a viewer in folder through a shell script whose body is script,
  // in which the command viewer runs program (under Wine for a Windows
  // program), and waits for its first frame, so that every wait after it
  // measures only what it checks. Once a start has failed in this process
  // every later one fails at once, so a viewer that cannot start costs one
  // time-out, not one per test.
  void start(const std::string& folder, const std::string& script = "viewer\n",
             const std::string& program = viewerProgram());
  void TearDown() override;
  // Closes the window, expecting a clean exit, and ends the Wine server of a
  // Windows program.
  void closeViewer();

  // Waits, within a time limit, for the pixel at p to become wanted.
  ::testing::AssertionResult pixelBecomes(ScreenPoint p, Pixel wanted, int timeoutMs = 5000);

  XSession x;
  std::string dir;
  // How many GL calls the test makes the Linux viewer ask for in vain, such
  // as the upload of a picture larger than GL takes.
  size_t refusedCallsExpected = 0;
};
