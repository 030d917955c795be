// Which picture lands where: one colour per file, probed at face centres in
// the real window from the starting camera.
#include <gtest/gtest.h>

#include "viewer.h"

namespace {

TEST_F(ViewerTest, EachFaceShowsItsOwnPicture) {
  start(folderWithSolidPictures());
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(0.5, 0.4, 1), pictureColour("kest1.bmp"))) << "large house's gable";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(-1, 0.4, 0.5), pictureColour("toba1.bmp"))) << "west house's gable";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(1.7, 0.4, 0.2), pictureColour("mirl1.bmp"))) << "east house's gable";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(1.2, 0.3, -0.15), pictureColour("mirl2.bmp"))) << "east house's wall";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(0.5, 2, -3), pictureColour("mirl6.bmp"))) << "backdrop";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(3, 0.1, 0), pictureColour("sun.bmp"))) << "sun";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(-3, 0.1, 0), pictureColour("moon.bmp"))) << "moon";
  EXPECT_TRUE(pixelBecomes(x, {100, 100}, {0, 0, 0})) << "empty sky";
  ASSERT_TRUE(closeViewer());
  EXPECT_EQ(viewerOutput(dir), "");
}

TEST_F(ViewerTest, AMissingGablePictureShowsThePictureLoadedBeforeIt) {
  const std::string folder = folderWithSolidPictures();
  ASSERT_EQ(std::remove((folder + "/toba1.bmp").c_str()), 0);
  start(folder);
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(-1, 0.4, 0.5), pictureColour("mirl3.bmp")))
      << "the west house's gable should show the east house's roof";
  EXPECT_TRUE(pixelBecomes(x, fromStartingCamera(1.7, 0.4, 0.2), pictureColour("mirl1.bmp")));
  ASSERT_TRUE(closeViewer());
  EXPECT_EQ(viewerOutput(dir), "Could not open file 'toba1.bmp'\n");
}

}  // namespace
