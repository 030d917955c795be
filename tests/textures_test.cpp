// The texture set: what initScene leaves in GL with every picture, with one
// missing, and with none at all.
#include "textures/textures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "platform/gl.h"

namespace {

// Runs initScene in dir and returns what it printed.
std::string initSceneIn(const std::string& dir) {
  openTestWindow();
  WorkingDir here(dir);
  return printedBy(initScene);
}

GLint texParameter(GLuint texture, GLenum name) {
  GLint value = -1;
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
  return value;
}

// GL_TEXTURE_WIDTH or GL_TEXTURE_HEIGHT of texture t's level 0.
GLint texLevelSize(GLuint t, GLenum which) {
  GLint value = -1;
  glBindTexture(GL_TEXTURE_2D, t);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, which, &value);
  return value;
}

// Texture t's level 0 as R, G, B bytes.
Bytes textureImage(GLuint t) {
  const GLint width = texLevelSize(t, GL_TEXTURE_WIDTH),
              height = texLevelSize(t, GL_TEXTURE_HEIGHT);
  glBindTexture(GL_TEXTURE_2D, t);
  Bytes rgb(static_cast<size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

Bytes solid(const std::string& file) {
  Bytes rgb;
  const Rgb c = pictureColour(file);
  for (int i = 0; i < 64; ++i) rgb.insert(rgb.end(), {c.r, c.g, c.b});
  return rgb;
}

// GL must have taken every call, with any pictures or none.
class TextureSet : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(glErrors(), std::vector<GLenum>{}); }
};

// The transfer record lives as long as the process, and each test runs in a
// process of its own, so this sees the record's first load.
TEST_F(TextureSet, WithNoPicturesEveryTextureIsEmptyAndEachReadIsReported) {
  std::string expected;
  for (GLuint t = 1; t <= 17; ++t)
    expected += std::string("Could not open file '") + fileOfTexture[t] + "'\n";
  EXPECT_EQ(initSceneIn(makeTempDir()), expected);
  for (GLuint t = 1; t <= 17; ++t) EXPECT_TRUE(textureImage(t).empty()) << "texture " << t;
}

TEST_F(TextureSet, SeventeenTexturesFromTheirFilesAndTheStateEveryFrameNeeds) {
  EXPECT_EQ(initSceneIn(solidPictureFolder()), "");
  for (GLuint t = 1; t <= 17; ++t) {
    SCOPED_TRACE("texture " + std::to_string(t) + " from " + fileOfTexture[t]);
    EXPECT_TRUE(textureImage(t) == solid(fileOfTexture[t]));
    EXPECT_EQ(texParameter(t, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(texParameter(t, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(texParameter(t, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(texParameter(t, GL_TEXTURE_WRAP_T), GL_REPEAT);
  }
  GLint environment = 0, modes[2] = {0, 0};
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &environment);
  EXPECT_EQ(environment, GL_REPLACE);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  glGetIntegerv(GL_POLYGON_MODE, modes);
  EXPECT_EQ(modes[0], GL_FILL) << "front faces";
  EXPECT_EQ(modes[1], GL_LINE) << "back faces";
  GLfloat clear[4] = {1, 1, 1, 1};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[0] + clear[1] + clear[2] + clear[3], 0.0f);
}

TEST_F(TextureSet, PicturesWhoseRowsAreNotWholeWordsArriveIntact) {
  const std::string dir = makeTempDir();
  std::vector<Rgb> pixels;
  Bytes expected;
  for (int i = 0; i < 5 * 3; ++i) {
    pixels.push_back({uint8_t(i * 16), uint8_t(255 - i), uint8_t(i * 3)});
    expected.insert(expected.end(), {pixels.back().r, pixels.back().g, pixels.back().b});
  }
  writeFile(dir + "/kest1.bmp", encodeBmp24(5, 3, pixels));  // rows of 15 bytes
  initSceneIn(dir);
  // Read back row by row, a picture uploaded 3 wide and 5 high would give
  // the same bytes: only its size tells.
  EXPECT_EQ(texLevelSize(1, GL_TEXTURE_WIDTH), 5);
  EXPECT_EQ(texLevelSize(1, GL_TEXTURE_HEIGHT), 3);
  EXPECT_TRUE(textureImage(1) == expected);
}

TEST_F(TextureSet, AMissingPictureLeavesItsTextureThePreviousOne) {
  EXPECT_EQ(initSceneIn(solidPictureFolder({"toba1.bmp"})), "Could not open file 'toba1.bmp'\n");
  EXPECT_TRUE(textureImage(11) == solid("mirl3.bmp"))
      << "the west house's gables should show the east house's roof";
  EXPECT_TRUE(textureImage(12) == solid("toba3.bmp"));
}

}  // namespace
