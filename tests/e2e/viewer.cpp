#include "viewer.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

ScreenPoint onScreen(double x, double y, double z, double tilt) {
  const double a = tilt * M_PI / 180, focal = 1 / std::tan(M_PI / 6);
  const double wx = x / 2, wy = (y * std::cos(a) - z * std::sin(a)) / 2;
  const double distance = 5 - (y * std::sin(a) + z * std::cos(a)) / 2;
  return {static_cast<int>(std::lround(500 + 500 * focal * wx / distance)),
          static_cast<int>(std::lround(500 - 500 * focal * wy / distance))};
}

namespace {
bool anyStartFailed = false;
}

std::string viewerProgram() {
  const char* chosen = std::getenv("TIDEWICK_VIEWER");
  return chosen && *chosen ? chosen : TIDEWICK_BINARY;
}

void ViewerTest::start(const std::string& folder, const std::string& script,
                       const std::string& program) {
  ASSERT_FALSE(anyStartFailed) << "the viewer failed to start earlier in this run";
  dir = folder;
  // The script calls viewer, a function that replaces the shell with the
  // program, so the pid the test holds is the viewer's.
  const std::string launcher = writeLauncher(dir, program, TIDEWICK_WINE_PREFIX, script);
  // Counting from before the start, so that the first frame cannot be missed.
  FrameCounter frames(x, 1000, 1000);
  anyStartFailed = !x.launch(launcher, dir);
  ASSERT_FALSE(anyStartFailed) << "no window titled Tidewick appeared";
  anyStartFailed = !frames.waitForFrames(1, startupTimeoutMs);
  ASSERT_FALSE(anyStartFailed) << "the viewer's window appeared but no frame was drawn in it";
}

void ViewerTest::closeViewer() {
  EXPECT_EQ(x.close(), 0) << "closing the window ended the viewer badly";
  // Wine's own processes outlive the program on this X server, which ends
  // with the test; the next program must start with a fresh server.
  if (isWindowsProgram(viewerProgram())) {
    EXPECT_TRUE(endWineServer(TIDEWICK_WINE_PREFIX)) << "the tests' Wine server did not end";
  }
}

void ViewerTest::TearDown() {
  if (dir.empty() || anyStartFailed) return;
  EXPECT_TRUE(x.running()) << "the viewer stopped by itself";
  closeViewer();
  const std::string errors = fileText(dir + "/stderr.txt");
  EXPECT_EQ(errors.find("runtime error"), std::string::npos) << errors;
  EXPECT_EQ(errors.find("Sanitizer"), std::string::npos) << errors;
  // Under Wine the GL calls pass through Wine's own, which are not judged.
  if (!isWindowsProgram(viewerProgram())) {
    const std::vector<std::string> refused = refusedGlCalls(errors);
    std::string named;
    for (const std::string& line : refused) named += "\n  " + line;
    EXPECT_EQ(refused.size(), refusedCallsExpected) << "GL calls that Mesa refused:" << named;
  }
}

::testing::AssertionResult ViewerTest::pixelBecomes(ScreenPoint p, Pixel wanted, int timeoutMs) {
  const auto closeEnough = [&](Pixel got) { return near(got, wanted); };
  if (x.waitForPixel(p.x, p.y, closeEnough, timeoutMs)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "pixel (" << p.x << ", " << p.y << ") is " << describe(x.pixel(p.x, p.y)) << ", wanted "
         << describe(wanted);
}
