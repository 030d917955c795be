// The real viewer under its own Xvfb: one window, the right size and title,
// and the town drawn where the camera puts it.
#include <gtest/gtest.h>

#include "viewer.h"

namespace {

const Pixel green{0, 255, 0}, yellow{255, 255, 0}, black{0, 0, 0};

TEST_F(ViewerTest, OneWindowOneThousandSquareTitledTidewick) {
  start(folderWithSolidPictures(false));
  const std::vector<XWindowId> windows = x.windowsTitled("Tidewick");
  ASSERT_EQ(windows.size(), 1u);
  int width = 0, height = 0;
  ASSERT_TRUE(x.windowSize(windows[0], &width, &height));
  EXPECT_EQ(width, 1000);
  EXPECT_EQ(height, 1000);
}

// With no picture files every texture is empty, so each face shows its own
// flat colour: green gable ends, yellow everything else.
TEST_F(ViewerTest, WithoutPicturesDrawsTheTownInFlatColours) {
  start(folderWithSolidPictures(false));
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(0.5, 0.4, 1), green)) << "large house's gable";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(-1, 0.4, 0.5), green)) << "west house's gable";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(1.7, 0.4, 0.2), green)) << "east house's gable";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(1.2, 0.3, -0.15), yellow)) << "east house's wall";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(0.5, 2, -3), yellow)) << "backdrop";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(3, 0.1, 0), yellow)) << "sun";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(-3, 0.1, 0), yellow)) << "moon";
  EXPECT_TRUE(pixelBecomes(x, {100, 100}, black)) << "sky";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(2.7, 2.7, -3), yellow)) << "backdrop's corner";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(3.2, 3.2, -3), black)) << "beyond the backdrop";
}

}  // namespace
