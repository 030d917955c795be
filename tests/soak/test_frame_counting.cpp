// FrameCounter is what the soak and the whole-program benchmark count frames
// with: here its count is held against what the viewer is known to draw.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "viewer.h"

namespace {

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Waits until no frame has arrived for a while, and returns the count.
long settledCount(const FrameCounter& frames) {
  long last = -1;
  for (int i = 0; i < 100 && frames.frames() != last; ++i) {
    last = frames.frames();
    sleepMs(150);
  }
  return last;
}

TEST_F(ViewerTest, EveryRedrawIsOneFrameAndKeysThatDoNotRedrawAreNone) {
  FrameCounter frames(x, 1000, 1000);
  start(folderWithSolidPictures());
  ASSERT_TRUE(frames.waitForFrames(1, 5000));
  const long before = settledCount(frames);

  for (int i = 0; i < 20; ++i) {
    x.key(i % 2 ? "Up" : "Right");
    sleepMs(20);  // one redraw per key, not a burst merged into fewer
  }
  const long afterArrows = settledCount(frames);
  EXPECT_EQ(afterArrows - before, 20);

  // No callback for a function key, and none for a modifier on its own.
  x.key("F1");
  x.key("Shift_L");
  EXPECT_EQ(settledCount(frames) - afterArrows, 0);
}

// During the orbit each idle call turns the sun by 0.2 degrees and asks for
// one redraw, so the frames counted must agree with how far the sun went.
TEST_F(ViewerTest, OrbitFramesAgreeWithHowFarTheSunMoved) {
  FrameCounter frames(x, 1000, 1000);
  start(folderWithSolidPictures());
  ASSERT_TRUE(pixelBecomes(x, fromStartingCamera(3, 0.1, 0), pictureColour("sun.bmp")));
  const long before = settledCount(frames);

  x.moveTo(500, 500);
  x.button(1, true);
  x.button(1, false);  // the orbit starts
  sleepMs(400);
  x.button(1, true);  // and stops while the button is held
  const long shown = settledCount(frames) - before;
  ASSERT_GT(shown, 10);

  const Capture frame = x.capture();
  double sumX = 0, sumY = 0;
  int count = 0;
  for (int py = 0; py < frame.height; ++py)
    for (int px = 0; px < frame.width; ++px)
      if (near(frame.at(px, py), pictureColour("sun.bmp"))) {
        sumX += px;
        sumY += py;
        ++count;
      }
  ASSERT_GT(count, 500) << "the sun should be in view whole";
  // The sun's circle is centred on the window's centre from the starting
  // camera, so its angle is read straight off its centre on screen.
  const double sunDegrees = std::atan2(500 - sumY / count, sumX / count - 500) * 180 / M_PI;
  // The press and the release each ask for a redraw too, which may or may
  // not merge with the orbit's.
  const double lowest = 0.2 * (shown - 2), highest = 0.2 * shown;
  const double turned = std::remainder(sunDegrees - lowest, 360.0);
  EXPECT_GE(turned, -0.5) << shown << " frames, sun at " << sunDegrees << " degrees";
  EXPECT_LE(turned, highest - lowest + 0.5) << shown << " frames, sun at " << sunDegrees << " degrees";
  x.button(1, false);
}

}  // namespace
