// Every key and mouse action, called as GLUT calls it, checked against the
// GL state, the view state and the redisplays and idle calls it leads to.
#include "input/input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/view_state.h"
#include "harness.h"
#include "platform/gl.h"
#include "textures/textures.h"

namespace {

GLint integer(GLenum name) {
  GLint value = -1;
  glGetIntegerv(name, &value);
  return value;
}

// One letter per texture 1 to 17 for each of two parameters: what a filter
// or wrap key changes, and what it must leave alone.
std::string perTexture(GLenum first, GLenum second) {
  std::string out;
  for (GLuint t = 1; t <= 17; ++t) {
    glBindTexture(GL_TEXTURE_2D, t);
    for (GLenum name : {first, second}) {
      GLint value = 0;
      glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
      out += value == GL_NEAREST  ? 'N'
             : value == GL_LINEAR ? 'L'
             : value == GL_REPEAT ? 'R'
             : value == GL_CLAMP  ? 'C'
                                  : '?';
    }
  }
  return out;
}

std::string texEnvMode() {
  GLint value = -1;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
  return value == GL_REPLACE ? "replace" : value == GL_DECAL ? "decal" : "other";
}

std::string projectionScale() {
  GLdouble p[16];
  glGetDoublev(GL_PROJECTION_MATRIX, p);
  return std::to_string(p[0]);
}

int pressKey(unsigned char key) {
  return redisplaysDuring([&] { handleKey(key, 500, 500); });
}

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    openTestWindow();
    static const std::string pictures = solidPictureFolder();
    WorkingDir here(pictures);
    initScene();
    reshapeView(1000, 1000);
  }
  void TearDown() override { EXPECT_EQ(glErrors(), std::vector<GLenum>{}); }
};

// Each letter flips its setting and the next press flips it back; every key
// asks for exactly one redisplay.
TEST_F(InputTest, LetterKeysSwitchTheGlStateTheirNewValueNames) {
  const struct {
    unsigned char key;
    std::function<std::string()> state;
    std::string before, after;
  } keys[] = {
      {'c', texEnvMode, "replace", "decal"},
      {'d', [] { return std::to_string(glIsEnabled(GL_DEPTH_TEST)); }, "1", "0"},
      {'f', [] { return std::to_string(integer(GL_FRONT_FACE) == GL_CW); }, "0", "1"},
      {'m', [] { return perTexture(GL_TEXTURE_MAG_FILTER, GL_TEXTURE_MIN_FILTER); },
       std::string(34, 'N'), std::string(14, 'L') + std::string(20, 'N')},
      {'r', [] { return perTexture(GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T); }, std::string(34, 'R'),
       std::string(14, 'C') + std::string(20, 'R')},
      {'t', [] { return std::to_string(glIsEnabled(GL_TEXTURE_2D)); }, "1", "0"},
      {'p', projectionScale, std::to_string(1 / std::tan(M_PI / 6)), std::to_string(1 / 3.0)},
  };
  for (const auto& k : keys) {
    SCOPED_TRACE(std::string("key ") + char(k.key));
    EXPECT_EQ(k.state(), k.before);
    EXPECT_EQ(pressKey(k.key), 1);
    EXPECT_EQ(k.state(), k.after);
    pressKey(k.key);
    EXPECT_EQ(k.state(), k.before);
  }
  // Upper case and every other byte only redisplay.
  for (unsigned char key : std::string("CDFMPRTXZq1 \x1b\xe9")) EXPECT_EQ(pressKey(key), 1);
  for (const auto& k : keys) EXPECT_EQ(k.state(), k.before) << "after upper case, key " << k.key;
  EXPECT_EQ(zoom, 1.0f);
}

TEST_F(InputTest, ZoomKeysScaleByAnEighthAndUndoEachOther) {
  EXPECT_EQ(pressKey('z'), 1);
  EXPECT_FLOAT_EQ(zoom, 1.125f);
  EXPECT_EQ(pressKey('x'), 1);
  EXPECT_FLOAT_EQ(zoom, 1.0f);
  pressKey('x');
  EXPECT_FLOAT_EQ(zoom, 1 / 1.125f);
}

// Arrows turn and walk one after another from a heading of 0.25; other
// special keys change nothing and ask for nothing.
TEST_F(InputTest, ArrowsTurnAndWalkAlongTheHeading) {
  angle = 0.25f;
  const struct {
    int key;
    float turn, walk;
    int redisplays;
  } arrows[] = {
      {GLUT_KEY_LEFT, -0.125f, 0, 1}, {GLUT_KEY_RIGHT, 0.125f, 0, 1}, {GLUT_KEY_UP, 0, 0.125f, 1},
      {GLUT_KEY_DOWN, 0, -0.125f, 1}, {GLUT_KEY_F1, 0, 0, 0},         {GLUT_KEY_PAGE_UP, 0, 0, 0},
      {GLUT_KEY_INSERT, 0, 0, 0},
  };
  for (const auto& a : arrows) {
    SCOPED_TRACE("special key " + std::to_string(a.key));
    const float heading = angle + a.turn, x = eye[0], z = eye[2];
    EXPECT_EQ(redisplaysDuring([&] { handleSpecialKey(a.key, 500, 500); }), a.redisplays);
    EXPECT_FLOAT_EQ(angle, heading);
    EXPECT_NEAR(eye[0] - x, a.walk * std::sin(heading), 1e-6);
    EXPECT_NEAR(eye[2] - z, -a.walk * std::cos(heading), 1e-6);
    EXPECT_NEAR(center[0] - eye[0], std::sin(heading), 1e-6);
    EXPECT_NEAR(center[2] - eye[2], -std::cos(heading), 1e-6);
  }
}

TEST_F(InputTest, ALeftDragTurnsTheSceneAFifthOfADegreePerPixelUntilReleased) {
  EXPECT_EQ(redisplaysDuring([] { handleMouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 200); }), 1);
  EXPECT_GE(redisplaysDuring([] { handleMouseDrag(111, 193); }), 1);  // 11 right, 7 up
  EXPECT_FLOAT_EQ(rotY, 11 / 5.0f);
  EXPECT_FLOAT_EQ(rotX, -7 / 5.0f);
  handleMouseDrag(112, 200);  // measured from the last step
  EXPECT_FLOAT_EQ(rotY, 12 / 5.0f);
  EXPECT_NEAR(rotX, 0, 1e-6);

  EXPECT_EQ(redisplaysDuring([] { handleMouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 112, 200); }), 1);
  EXPECT_EQ(redisplaysDuring([] { handleMouseDrag(300, 300); }), 0);
  EXPECT_FLOAT_EQ(rotY, 12 / 5.0f) << "once released, drags do nothing";
}

TEST_F(InputTest, UntilTheFirstLeftReleaseAnyDragTurnsTheSceneMeasuredFromTheCorner) {
  EXPECT_EQ(redisplaysDuring([] { handleMouseButton(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 40, 25); }), 0);
  handleMouseDrag(40, 25);
  EXPECT_FLOAT_EQ(rotY, 8);
  EXPECT_FLOAT_EQ(rotX, 5);
}

TEST_F(InputTest, EachIdleCallAdvancesTheOrbitByAFifth) {
  EXPECT_EQ(redisplaysDuring(advanceOrbit), 1);
  EXPECT_FLOAT_EQ(angle, 0.2f);
}

TEST_F(InputTest, NoOrbitRunsBeforeTheLeftButtonIsReleased) {
  EXPECT_EQ(angleMovedByIdleCalls(), 0.0f);
}

TEST_F(InputTest, ReleasingTheLeftButtonStartsTheOrbitAndOtherButtonsLeaveItRunning) {
  handleMouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 500, 500);
  handleMouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 500, 500);
  for (int button : {GLUT_MIDDLE_BUTTON, GLUT_RIGHT_BUTTON})
    for (int state : {GLUT_DOWN, GLUT_UP})
      EXPECT_EQ(redisplaysDuring([&] { handleMouseButton(button, state, 500, 500); }), 0);
  EXPECT_GT(angleMovedByIdleCalls(), 0.0f);
}

TEST_F(InputTest, PressingTheLeftButtonStopsTheOrbit) {
  handleMouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 500, 500);
  handleMouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 500, 500);
  EXPECT_EQ(angleMovedByIdleCalls(), 0.0f);
}

}  // namespace
