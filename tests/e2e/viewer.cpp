#include "viewer.h"

#include <cmath>

#include "gl_window.h"

ScreenPoint fromStartingCamera(double x, double y, double z, double zoom) {
  const double focal = 1 / std::tan(M_PI / 6);
  const double s = zoom / 2;
  const double distance = 5 - s * z;
  return {static_cast<int>(std::lround(500 + 500 * focal * s * x / distance)),
          static_cast<int>(std::lround(500 - 500 * focal * s * y / distance))};
}

const std::map<std::string, Rgb>& solidColours() {
  static const std::map<std::string, Rgb> colours = {
      {"kest1.bmp", {200, 40, 40}},   {"kest2.bmp", {40, 60, 200}},   {"kest3.bmp", {230, 130, 30}},
      {"kest4.bmp", {20, 120, 40}},   {"mirl6.bmp", {120, 180, 250}}, {"mirl1.bmp", {150, 50, 180}},
      {"mirl2.bmp", {30, 160, 160}},  {"mirl3.bmp", {120, 70, 30}},   {"toba1.bmp", {250, 150, 200}},
      {"toba2.bmp", {128, 128, 128}}, {"toba3.bmp", {130, 130, 20}},  {"sun.bmp", {255, 220, 120}},
      {"moon.bmp", {60, 60, 90}},
  };
  return colours;
}

Pixel asPixel(Rgb c) { return {c.r, c.g, c.b}; }

std::string folderWithSolidPictures(bool all) {
  const std::string dir = makeTempDir();
  if (all)
    for (const auto& [file, colour] : solidColours()) writeSolidBmp(dir + "/" + file, 8, 8, colour);
  return dir;
}

void launchViewer(XSession& x, const std::string& dir) {
  ASSERT_TRUE(x.launch(TIDEWICK_BINARY, dir)) << "no window titled Tidewick appeared";
}

::testing::AssertionResult pixelBecomes(XSession& x, ScreenPoint p, Pixel wanted, int timeoutMs) {
  if (x.waitForPixel(p.x, p.y, [&](Pixel got) { return near(got, wanted); }, timeoutMs))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel (" << p.x << ", " << p.y << ") is "
                                       << describe(x.pixel(p.x, p.y)) << ", wanted "
                                       << describe(wanted);
}
