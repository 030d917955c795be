// The texture set on a real GL context: what initScene leaves behind with
// the painted pictures, with one picture missing, and with none at all.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bmp_writer.h"
#include "gl_window.h"
#include "image/bmp_image.h"
#include "textures/textures.h"

namespace {

const char* const fileOfTexture[18] = {
    nullptr,     "kest1.bmp", "kest2.bmp", "kest3.bmp", "kest1.bmp", "kest2.bmp",
    "kest3.bmp", "kest4.bmp", "mirl6.bmp", "kest3.bmp", "mirl3.bmp", "toba1.bmp",
    "toba3.bmp", "toba2.bmp", "mirl1.bmp", "mirl2.bmp", "sun.bmp",   "moon.bmp"};

std::string paintedFolder() {
  const std::string dir = makeTempDir();
  const std::string command = std::string(PAINT_TOWN) + " " + dir;
  if (std::system(command.c_str()) != 0) ADD_FAILURE() << command << " failed";
  return dir;
}

// Runs initScene in dir and returns what it printed.
std::string initSceneIn(const std::string& dir) {
  openTestWindow();
  WorkingDir here(dir);
  testing::internal::CaptureStdout();
  initScene();
  return testing::internal::GetCapturedStdout();
}

GLint texParameter(GLuint texture, GLenum name) {
  GLint value = -1;
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
  return value;
}

GLint levelParameter(GLuint texture, GLenum name) {
  GLint value = -1;
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, name, &value);
  return value;
}

std::vector<unsigned char> textureImage(GLuint texture) {
  std::vector<unsigned char> rgb(levelParameter(texture, GL_TEXTURE_WIDTH) *
                                 levelParameter(texture, GL_TEXTURE_HEIGHT) * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

std::vector<unsigned char> decoded(const std::string& path, int* width = nullptr, int* height = nullptr) {
  BmpImage image{0, 0, nullptr};
  testing::internal::CaptureStdout();
  loadBmpImage(path.c_str(), &image);
  testing::internal::GetCapturedStdout();
  std::vector<unsigned char> rgb(image.pixels, image.pixels + image.width * image.height * 3);
  if (width) *width = image.width;
  if (height) *height = image.height;
  std::free(image.pixels);
  return rgb;
}

// The transfer record lives as long as the process, so this holds only for
// the first load of a process: it comes first.
TEST(TextureSet, WithNoPicturesEveryTextureIsEmpty) {
  std::string expected;
  for (GLuint t = 1; t <= 17; ++t) expected += std::string("Could not open file '") + fileOfTexture[t] + "'\n";
  EXPECT_EQ(initSceneIn(makeTempDir()), expected);
  for (GLuint t = 1; t <= 17; ++t) {
    EXPECT_TRUE(glIsTexture(t));
    EXPECT_EQ(levelParameter(t, GL_TEXTURE_WIDTH), 0) << "texture " << t;
  }
  EXPECT_TRUE(glErrors().empty());
}

TEST(TextureSet, PaintedPicturesBecomeSeventeenTexturesAndTheStateEveryFrameNeeds) {
  const std::string dir = paintedFolder();
  EXPECT_EQ(initSceneIn(dir), "") << "every painted picture must load silently";

  for (GLuint t = 1; t <= 17; ++t) {
    SCOPED_TRACE("texture " + std::to_string(t) + " from " + fileOfTexture[t]);
    EXPECT_TRUE(glIsTexture(t));
    int width = 0, height = 0;
    const std::vector<unsigned char> picture = decoded(dir + "/" + fileOfTexture[t], &width, &height);
    EXPECT_EQ(levelParameter(t, GL_TEXTURE_WIDTH), width);
    EXPECT_EQ(levelParameter(t, GL_TEXTURE_HEIGHT), height);
    EXPECT_TRUE(textureImage(t) == picture) << "contents differ from the decoded file";
    EXPECT_EQ(texParameter(t, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(texParameter(t, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(texParameter(t, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(texParameter(t, GL_TEXTURE_WRAP_T), GL_REPEAT);
  }
  EXPECT_FALSE(glIsTexture(18));

  GLint value = 0, modes[2] = {0, 0};
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
  EXPECT_EQ(value, GL_REPLACE);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  glGetIntegerv(GL_POLYGON_MODE, modes);
  EXPECT_EQ(modes[0], GL_FILL) << "front faces";
  EXPECT_EQ(modes[1], GL_LINE) << "back faces";
  GLfloat clear[4] = {1, 1, 1, 1};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[0] + clear[1] + clear[2] + clear[3], 0.0f);
  EXPECT_TRUE(glErrors().empty());
}

TEST(TextureSet, PicturesWhoseRowsAreNotWholeWordsArriveIntact) {
  const std::string dir = makeTempDir();
  std::vector<Rgb> pixels;
  for (int i = 0; i < 5 * 3; ++i) pixels.push_back({uint8_t(i * 16), uint8_t(255 - i), uint8_t(i * 3)});
  writeFile(dir + "/kest1.bmp", encodeBmp24(5, 3, pixels));  // 15-byte rows
  initSceneIn(dir);
  EXPECT_TRUE(textureImage(1) == decoded(dir + "/kest1.bmp"));
}

TEST(TextureSet, AMissingPictureLeavesItsTextureThePreviousOne) {
  const std::string dir = paintedFolder();
  ASSERT_EQ(std::remove((dir + "/toba1.bmp").c_str()), 0);
  EXPECT_EQ(initSceneIn(dir), "Could not open file 'toba1.bmp'\n");
  EXPECT_TRUE(textureImage(11) == decoded(dir + "/mirl3.bmp"))
      << "the west house's gables should show the east house's roof";
  EXPECT_TRUE(textureImage(12) == decoded(dir + "/toba3.bmp"));
  EXPECT_TRUE(glErrors().empty());
}

}  // namespace
