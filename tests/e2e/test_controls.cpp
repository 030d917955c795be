// Every control as a person uses it: keys and mouse sent through the X
// server to the real viewer, and the window's pixels read back.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "viewer.h"

namespace {

const Pixel green{0, 255, 0};

// Where pixels of one colour are in a frame.
struct Patch {
  int count = 0;
  double centreX = 0, centreY = 0;
};

Patch find(const Capture& frame, Pixel colour) {
  Patch p;
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x)
      if (near(frame.at(x, y), colour)) {
        ++p.count;
        p.centreX += x;
        p.centreY += y;
      }
  if (p.count) {
    p.centreX /= p.count;
    p.centreY /= p.count;
  }
  return p;
}

class ControlsTest : public ViewerTest {
 protected:
  const Pixel gable = pictureColour("kest1.bmp");
  const Pixel backdrop = pictureColour("mirl6.bmp");
  const Pixel sun = pictureColour("sun.bmp");
  const ScreenPoint gableCentre = fromStartingCamera(0.5, 0.4, 1);

  void startWithSolidPictures() {
    start(folderWithSolidPictures());
    ASSERT_TRUE(pixelBecomes(x, gableCentre, gable));
  }

  // Polls whole frames until wanted holds for the patch of colour.
  ::testing::AssertionResult patchBecomes(Pixel colour, const std::function<bool(const Patch&)>& wanted,
                                          const std::string& what) {
    Patch last;
    if (x.waitUntil([&] { return wanted(last = find(x.capture(), colour)); }))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << what << ": " << last.count << " pixels centred at ("
                                         << last.centreX << ", " << last.centreY << ")";
  }
};

TEST_F(ControlsTest, ArrowKeysWalkAndTurnTheCamera) {
  startWithSolidPictures();
  const Patch start = find(x.capture(), gable);
  ASSERT_GT(start.count, 1000);

  for (int i = 0; i < 8; ++i) x.key("Up");
  EXPECT_TRUE(patchBecomes(gable, [&](const Patch& p) { return p.count > start.count * 1.4; },
                           "one unit closer, the gable looks bigger"));
  for (int i = 0; i < 8; ++i) x.key("Down");
  EXPECT_TRUE(patchBecomes(gable, [&](const Patch& p) { return p.count == start.count; },
                           "walking back restores the view"));

  for (int i = 0; i < 2; ++i) x.key("Left");
  EXPECT_TRUE(patchBecomes(gable, [&](const Patch& p) { return p.centreX > start.centreX + 100; },
                           "turning left moves the town to the right"));
  for (int i = 0; i < 4; ++i) x.key("Right");
  EXPECT_TRUE(patchBecomes(gable, [&](const Patch& p) { return p.centreX < start.centreX - 100; },
                           "turning right moves it to the left"));
}

TEST_F(ControlsTest, ZoomKeysGrowAndShrinkTheTown) {
  startWithSolidPictures();
  const Patch start = find(x.capture(), gable);
  for (int i = 0; i < 4; ++i) x.key("z");
  EXPECT_TRUE(patchBecomes(gable, [&](const Patch& p) { return p.count > start.count * 2; }, "zoomed in"));
  for (int i = 0; i < 8; ++i) x.key("x");
  EXPECT_TRUE(patchBecomes(gable, [&](const Patch& p) { return p.count < start.count / 2; }, "zoomed out"));
  for (int i = 0; i < 4; ++i) x.key("z");
  EXPECT_TRUE(patchBecomes(gable, [&](const Patch& p) { return std::abs(p.count - start.count) < start.count / 50; },
                           "back to the start"));
}

TEST_F(ControlsTest, ProjectionKeySwitchesToTheOrthographicBoxAndBack) {
  startWithSolidPictures();
  // The backdrop's top reaches higher in the box than in perspective.
  ViewerCamera box;
  box.orthographic = true;
  const ScreenPoint nearTop = onScreen(box, 0.5, 2.8, -3);
  EXPECT_TRUE(pixelBecomes(x, nearTop, {0, 0, 0}));
  x.key("p");
  EXPECT_TRUE(pixelBecomes(x, nearTop, backdrop));
  EXPECT_TRUE(pixelBecomes(x, onScreen(box, 0.5, 0.4, 1), gable));
  x.key("p");
  EXPECT_TRUE(pixelBecomes(x, nearTop, {0, 0, 0}));
  EXPECT_TRUE(pixelBecomes(x, gableCentre, gable));
}

TEST_F(ControlsTest, TextureKeyShowsOneFlatFrameAndTheNextIsTexturedAgain) {
  startWithSolidPictures();
  x.key("t");
  EXPECT_TRUE(pixelBecomes(x, gableCentre, green)) << "the frame after t is untextured";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(3, 0.1, 0), sun)) << "but the sun keeps its picture";
  x.key("q");  // any key redraws
  EXPECT_TRUE(pixelBecomes(x, gableCentre, gable)) << "the next frame is textured again";
}

TEST_F(ControlsTest, DepthKeyLetsTheBackdropPaintOverTheHouses) {
  startWithSolidPictures();
  x.key("d");
  EXPECT_TRUE(pixelBecomes(x, gableCentre, backdrop));
  x.key("d");
  EXPECT_TRUE(pixelBecomes(x, gableCentre, gable));
}

TEST_F(ControlsTest, UpperCaseLettersChangeNothing) {
  startWithSolidPictures();
  const Patch start = find(x.capture(), gable);
  for (const char* key : {"d", "p", "t", "m", "r", "c", "f", "x"}) x.key(key, true);
  x.key("z");  // a visible change, drawn after all of the above
  EXPECT_TRUE(patchBecomes(gable, [&](const Patch& p) { return p.count > start.count * 1.1; }, "zoomed in"));
  EXPECT_TRUE(near(x.pixel(gableCentre.x, gableCentre.y), gable)) << "depth test or texturing changed";
  EXPECT_TRUE(near(x.pixel(100, 100), {0, 0, 0})) << "the projection changed";
}

// The near strip, drawn with the ground's picture, fills this part of the
// window once the scene is tilted by 30 degrees.
std::vector<ScreenPoint> stripSamples() {
  ViewerCamera tilted;
  tilted.tilt = 30;
  std::vector<ScreenPoint> points;
  for (double sx = -1.5; sx <= 2.5; sx += 0.1)
    for (double sz = 2.15; sz <= 2.85; sz += 0.05) points.push_back(onScreen(tilted, sx, 0, sz));
  return points;
}

const Pixel light{240, 240, 240}, dark{20, 20, 20};

// How the strip's samples split between the checkerboard's two colours.
struct Sampling {
  double light = 0, dark = 0, other = 0;  // fractions
};

Sampling sampleStrip(XSession& x) {
  const Capture frame = x.capture();
  Sampling s;
  const std::vector<ScreenPoint> points = stripSamples();
  for (const ScreenPoint& p : points) {
    const Pixel c = frame.at(p.x, p.y);
    (near(c, light, 8) ? s.light : near(c, dark, 8) ? s.dark : s.other) += 1.0 / points.size();
  }
  return s;
}

class GroundTest : public ControlsTest {
 protected:
  void SetUp() override {
    const std::string folder = folderWithSolidPictures();
    // A two-by-two checkerboard, so filtering and wrapping show at a glance.
    writeFile(folder + "/kest4.bmp", encodeBmp24(2, 2, {{240, 240, 240}, {20, 20, 20}, {20, 20, 20}, {240, 240, 240}}));
    start(folder);
    ASSERT_TRUE(pixelBecomes(x, gableCentre, gable));
  }

  ::testing::AssertionResult stripBecomes(const std::function<bool(const Sampling&)>& wanted,
                                          const std::string& what) {
    Sampling last;
    if (x.waitUntil([&] { return wanted(last = sampleStrip(x)); }))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << what << ": light " << last.light << ", dark " << last.dark
                                         << ", other " << last.other;
  }

  // Tilts the town by 30 degrees with a downward drag, then holds the left
  // button down so that the sun and moon stay where they are.
  void tiltAndHold() {
    x.drag(1, 500, 300, 500, 450, 15);
    x.moveTo(500, 450);
    x.button(1, true);
  }
};

TEST_F(GroundTest, DraggingDownTiltsTheGroundIntoView) {
  EXPECT_TRUE(stripBecomes([](const Sampling& s) { return s.light + s.dark == 0; },
                           "edge-on, the strip covers nothing"));
  tiltAndHold();
  EXPECT_TRUE(stripBecomes([](const Sampling& s) { return s.light > 0.3 && s.dark > 0.3; },
                           "tilted, the strip shows the checkerboard"));
  x.button(1, false);
}

TEST_F(GroundTest, FilterKeyBlendsTheGroundsTexelsAndBack) {
  tiltAndHold();
  ASSERT_TRUE(stripBecomes([](const Sampling& s) { return s.other < 0.05; }, "nearest: pure texels"));
  x.key("m");
  EXPECT_TRUE(stripBecomes([](const Sampling& s) { return s.other > 0.25; }, "linear: blended texels"));
  x.key("m");
  EXPECT_TRUE(stripBecomes([](const Sampling& s) { return s.other < 0.05; }, "nearest again"));
  x.button(1, false);
}

TEST_F(GroundTest, WrapKeyClampsTheGroundToOneCopyOfItsPictureAndBack) {
  tiltAndHold();
  ASSERT_TRUE(stripBecomes([](const Sampling& s) { return s.light > 0.3 && s.dark > 0.3; }, "repeating"));
  x.key("r");
  EXPECT_TRUE(stripBecomes([](const Sampling& s) { return std::max(s.light, s.dark) > 0.9; },
                           "clamped: beyond the first copy, one edge texel"));
  x.key("r");
  EXPECT_TRUE(stripBecomes([](const Sampling& s) { return s.light > 0.3 && s.dark > 0.3; }, "repeating again"));
  x.button(1, false);
}

TEST_F(ControlsTest, ReleasingTheLeftButtonStartsTheOrbitAndPressingItStopsIt) {
  startWithSolidPictures();
  const Patch resting = find(x.capture(), sun);
  ASSERT_GT(resting.count, 100);
  x.moveTo(100, 900);  // an empty corner; pressing there does not drag anything
  x.button(1, true);
  x.button(1, false);
  EXPECT_TRUE(patchBecomes(sun, [&](const Patch& p) { return p.centreY < resting.centreY - 20; },
                           "the sun climbs as the orbit turns counter-clockwise"));
  x.button(1, true);
  const Patch stopped = find(x.capture(), sun);
  // Let any frame already on its way land, then the sun must stay put.
  x.waitUntil([] { return false; }, 300);
  const Patch held = find(x.capture(), sun);
  EXPECT_EQ(held.count, find(x.capture(), sun).count);
  EXPECT_NEAR(held.centreY, stopped.centreY, 2);
  x.waitUntil([] { return false; }, 300);
  EXPECT_EQ(find(x.capture(), sun).centreY, held.centreY) << "the orbit kept running while held";
  x.button(1, false);
  EXPECT_TRUE(patchBecomes(sun, [&](const Patch& p) { return p.centreY < held.centreY - 20; },
                           "releasing resumes the orbit"));
}

}  // namespace
