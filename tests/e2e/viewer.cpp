#include "viewer.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "gl_window.h"

ScreenPoint onScreen(const ViewerCamera& c, double x, double y, double z) {
  const double tilt = c.tilt * M_PI / 180;
  const double s = c.zoom / 2;
  const double wx = s * x;
  const double wy = s * (y * std::cos(tilt) - z * std::sin(tilt));
  const double wz = s * (y * std::sin(tilt) + z * std::cos(tilt));
  auto pixel = [](double u, double v) {
    return ScreenPoint{static_cast<int>(std::lround(500 + 500 * u)),
                       static_cast<int>(std::lround(500 - 500 * v))};
  };
  if (c.orthographic) return pixel(wx / 3, wy / 3);
  const double focal = 1 / std::tan(M_PI / 6);
  const double dx = wx - c.eyeX, dz = wz - c.eyeZ;
  const double ahead = dx * std::sin(c.heading) - dz * std::cos(c.heading);
  const double across = dx * std::cos(c.heading) + dz * std::sin(c.heading);
  return pixel(focal * across / ahead, focal * wy / ahead);
}

ScreenPoint fromStartingCamera(double x, double y, double z) { return onScreen({}, x, y, z); }

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

Pixel pictureColour(const std::string& file) { return asPixel(solidColours().at(file)); }

std::string folderWithSolidPictures(bool all) {
  const std::string dir = makeTempDir();
  if (all)
    for (const auto& [file, colour] : solidColours()) writeSolidBmp(dir + "/" + file, 8, 8, colour);
  return dir;
}

::testing::AssertionResult pixelBecomes(XSession& x, ScreenPoint p, Pixel wanted, int timeoutMs) {
  if (x.waitForPixel(p.x, p.y, [&](Pixel got) { return near(got, wanted); }, timeoutMs))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel (" << p.x << ", " << p.y << ") is "
                                       << describe(x.pixel(p.x, p.y)) << ", wanted "
                                       << describe(wanted);
}

std::string viewerOutput(const std::string& dir, const std::string& file) {
  std::ifstream in(dir + "/" + file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void ViewerTest::start(const std::string& folder) {
  dir = folder;
  ASSERT_TRUE(x.launch(TIDEWICK_BINARY, dir)) << "no window titled Tidewick appeared";
}

::testing::AssertionResult ViewerTest::closeViewer() {
  closed_ = true;
  if (!x.running()) return ::testing::AssertionFailure() << "the viewer had already stopped";
  const int status = x.close();
  if (status != 0)
    return ::testing::AssertionFailure() << "closing the window ended the viewer with status " << status;
  return ::testing::AssertionSuccess();
}

void ViewerTest::TearDown() {
  if (dir.empty()) return;
  if (!closed_) {
    EXPECT_TRUE(closeViewer());
  }
  const std::string errors = viewerOutput(dir, "stderr.txt");
  EXPECT_EQ(errors.find("runtime error"), std::string::npos) << errors;
  EXPECT_EQ(errors.find("Sanitizer"), std::string::npos) << errors;
}
