// Every key and mouse action, called as GLUT would call it in a real window,
// checked against the real GL state, the view state and the event loop.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/view_state.h"
#include "bmp_writer.h"
#include "gl_window.h"
#include "input/input.h"
#include "scene/scene.h"
#include "textures/textures.h"

namespace {

GLint texParameter(GLuint texture, GLenum name) {
  GLint value = -1;
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
  return value;
}

GLint integer(GLenum name) {
  GLint value = -1;
  glGetIntegerv(name, &value);
  return value;
}

GLint texEnvMode() {
  GLint value = -1;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
  return value;
}

int pressKey(unsigned char key) {
  return redisplaysRequestedBy([&] { handleKey(key, 500, 500); });
}
int pressSpecial(int key) {
  return redisplaysRequestedBy([&] { handleSpecialKey(key, 500, 500); });
}
int click(int button, int state, int x = 500, int y = 500) {
  return redisplaysRequestedBy([&] { handleMouseButton(button, state, x, y); });
}

// How far the orbit moves while the real event loop runs for a while.
float orbitAdvanceDuringMainLoop() {
  const float before = angle;
  runMainLoopFor(200);
  return angle - before;
}

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    openTestWindow();
    resetViewState();
    static const std::string dir = [] {
      const std::string d = makeTempDir();
      for (const char* f : {"kest1", "kest2", "kest3", "kest4", "mirl1", "mirl2", "mirl3", "mirl6",
                            "toba1", "toba2", "toba3", "sun", "moon"})
        writeSolidBmp(d + "/" + f + ".bmp", 4, 4, {90, 90, 90});
      return d;
    }();
    WorkingDir here(dir);
    initScene();
  }
  void TearDown() override { EXPECT_TRUE(glErrors().empty()); }

  // Every texture object's value of name, 1 to 17.
  static std::string allTextures(GLenum name) {
    std::string out;
    for (GLuint t = 1; t <= 17; ++t) out += std::to_string(texParameter(t, name)) + (t < 17 ? " " : "");
    return out;
  }
  static std::string firstSevenThenRest(GLint first, GLint rest) {
    std::string out;
    for (GLuint t = 1; t <= 17; ++t) out += std::to_string(t <= 7 ? first : rest) + (t < 17 ? " " : "");
    return out;
  }
};

TEST_F(InputTest, FilterAndWrapKeysReachOnlyTheLargeHouseAndTheGround) {
  EXPECT_EQ(pressKey('m'), 1);
  EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 7) << "the loop ends on texture 7";
  EXPECT_EQ(nearestFilter, 0);
  EXPECT_EQ(allTextures(GL_TEXTURE_MAG_FILTER), firstSevenThenRest(GL_LINEAR, GL_NEAREST));
  EXPECT_EQ(allTextures(GL_TEXTURE_MIN_FILTER), firstSevenThenRest(GL_LINEAR, GL_NEAREST));
  pressKey('m');
  EXPECT_EQ(allTextures(GL_TEXTURE_MAG_FILTER), firstSevenThenRest(GL_NEAREST, GL_NEAREST));
  EXPECT_EQ(allTextures(GL_TEXTURE_MIN_FILTER), firstSevenThenRest(GL_NEAREST, GL_NEAREST));

  EXPECT_EQ(pressKey('r'), 1);
  EXPECT_EQ(repeatWrap, 0);
  EXPECT_EQ(allTextures(GL_TEXTURE_WRAP_S), firstSevenThenRest(GL_CLAMP, GL_REPEAT));
  EXPECT_EQ(allTextures(GL_TEXTURE_WRAP_T), firstSevenThenRest(GL_CLAMP, GL_REPEAT));
  pressKey('r');
  EXPECT_EQ(allTextures(GL_TEXTURE_WRAP_S), firstSevenThenRest(GL_REPEAT, GL_REPEAT));
  EXPECT_EQ(allTextures(GL_TEXTURE_WRAP_T), firstSevenThenRest(GL_REPEAT, GL_REPEAT));
}

TEST_F(InputTest, ToggleKeysSetTheGlStateTheirNewValueNames) {
  EXPECT_EQ(pressKey('c'), 1);
  EXPECT_EQ(texEnvMode(), GL_DECAL);
  pressKey('c');
  EXPECT_EQ(texEnvMode(), GL_REPLACE);

  EXPECT_EQ(pressKey('d'), 1);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  pressKey('d');
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

  EXPECT_EQ(pressKey('f'), 1);
  EXPECT_EQ(integer(GL_FRONT_FACE), GL_CW);
  pressKey('f');
  EXPECT_EQ(integer(GL_FRONT_FACE), GL_CCW);

  EXPECT_EQ(pressKey('t'), 1);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  pressKey('t');
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

// A frame turns texturing back on and ends with counter-clockwise front
// faces, so the flags then describe the last key, not the GL state.
TEST_F(InputTest, AfterAFrameTheTextureAndFrontFaceKeysFlipTheirStaleFlags) {
  reshapeView(1000, 1000);
  pressKey('t');
  pressKey('f');
  drawScene();
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(integer(GL_FRONT_FACE), GL_CCW);
  pressKey('t');  // textureOn 0 -> 1: texturing stays on
  pressKey('f');  // frontFaceCW 1 -> 0: stays counter-clockwise
  EXPECT_EQ(textureOn, 1);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(frontFaceCW, 0);
  EXPECT_EQ(integer(GL_FRONT_FACE), GL_CCW);
}

TEST_F(InputTest, ZoomKeysScaleByOneAndAnEighthAndUndoEachOther) {
  EXPECT_EQ(pressKey('z'), 1);
  EXPECT_FLOAT_EQ(zoom, 1.125f);
  pressKey('z');
  pressKey('z');
  EXPECT_EQ(pressKey('x'), 1);
  pressKey('x');
  pressKey('x');
  EXPECT_FLOAT_EQ(zoom, 1.0f);
  pressKey('x');
  EXPECT_FLOAT_EQ(zoom, 1 / 1.125f);
}

TEST_F(InputTest, UpperCaseAndUnlistedKeysChangeNothingButRedisplay) {
  reshapeView(1000, 1000);
  for (unsigned char key : std::string("CDFMPRTXZq1 \x1b\xe9")) {
    EXPECT_EQ(pressKey(key), 1) << "key " << int(key);
  }
  EXPECT_EQ(zoom, 1.0f);
  EXPECT_EQ(orthoMode + decalMode + frontFaceCW, 0);
  EXPECT_EQ(depthTestOn + textureOn + nearestFilter + repeatWrap, 4);
  EXPECT_EQ(texEnvMode(), GL_REPLACE);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(integer(GL_FRONT_FACE), GL_CCW);
  EXPECT_EQ(allTextures(GL_TEXTURE_MAG_FILTER), firstSevenThenRest(GL_NEAREST, GL_NEAREST));
  EXPECT_EQ(allTextures(GL_TEXTURE_WRAP_S), firstSevenThenRest(GL_REPEAT, GL_REPEAT));
  EXPECT_FLOAT_EQ(eye[2], 5);
}

TEST_F(InputTest, ProjectionKeyBeforeAnyReshapeOnlyFlipsTheMode) {
  GLdouble before[16], after[16];
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glGetDoublev(GL_PROJECTION_MATRIX, before);
  glMatrixMode(GL_MODELVIEW);
  EXPECT_EQ(pressKey('p'), 1);
  EXPECT_EQ(orthoMode, 1);
  EXPECT_EQ(eye[2], -5.0f) << "no reshape can run with a size of 0 x 0";
  glGetDoublev(GL_PROJECTION_MATRIX, after);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], before[i]);
}

TEST_F(InputTest, ProjectionKeyTwiceComesBackToPerspectiveAlongTheCurrentHeading) {
  reshapeView(1000, 1000);
  pressSpecial(GLUT_KEY_LEFT);
  pressSpecial(GLUT_KEY_LEFT);
  pressSpecial(GLUT_KEY_UP);
  pressKey('p');
  EXPECT_EQ(orthoMode, 1);
  EXPECT_EQ(eye[2], 0.0f);
  const float x = eye[0];
  pressKey('p');
  EXPECT_EQ(orthoMode, 0);
  EXPECT_FLOAT_EQ(eye[2], 5);
  EXPECT_FLOAT_EQ(eye[0], x);
  EXPECT_NEAR(center[0] - eye[0], std::sin(-0.25), 1e-6);
  EXPECT_NEAR(center[2] - eye[2], -std::cos(-0.25), 1e-6);
}

TEST_F(InputTest, ArrowsTurnAndWalkWhileOtherSpecialKeysDoNothingAtAll) {
  reshapeView(1000, 1000);
  EXPECT_EQ(pressSpecial(GLUT_KEY_LEFT), 1);
  EXPECT_FLOAT_EQ(angle, -0.125f);
  EXPECT_FLOAT_EQ(eye[0], 0);
  EXPECT_FLOAT_EQ(eye[2], 5);
  EXPECT_NEAR(center[0], std::sin(-0.125), 1e-6);
  for (int i = 0; i < 3; ++i) pressSpecial(GLUT_KEY_RIGHT);
  EXPECT_FLOAT_EQ(angle, 0.25f);

  EXPECT_EQ(pressSpecial(GLUT_KEY_UP), 1);
  EXPECT_NEAR(eye[0], 0.125 * std::sin(0.25), 1e-6);
  EXPECT_NEAR(eye[2], 5 - 0.125 * std::cos(0.25), 1e-6);
  EXPECT_NEAR(center[2], eye[2] - std::cos(0.25), 1e-6);
  EXPECT_EQ(pressSpecial(GLUT_KEY_DOWN), 1);
  EXPECT_NEAR(eye[2], 5, 1e-6);

  for (int key : {GLUT_KEY_F1, GLUT_KEY_F12, GLUT_KEY_HOME, GLUT_KEY_PAGE_UP, GLUT_KEY_INSERT}) {
    EXPECT_EQ(pressSpecial(key), 0) << "special key " << key << " asked for a redisplay";
  }
  EXPECT_FLOAT_EQ(angle, 0.25f);
  EXPECT_NEAR(eye[2], 5, 1e-6);
}

TEST_F(InputTest, ALeftDragTurnsTheSceneAFifthOfADegreePerPixel) {
  EXPECT_EQ(click(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 200), 1);
  EXPECT_EQ(dragState, 0);
  EXPECT_EQ(lastMouseX, 100);
  EXPECT_EQ(lastMouseY, 200);
  const int redisplays = redisplaysRequestedBy([] {
    handleMouseDrag(111, 193);  // 11 right, 7 up
    handleMouseDrag(112, 200);
  });
  EXPECT_GE(redisplays, 1);
  EXPECT_FLOAT_EQ(rotY, 12 / 5.0f);
  EXPECT_NEAR(rotX, 0.0f, 1e-6) << "7 px up, then 7 px down";
  EXPECT_EQ(lastMouseX, 112);

  click(GLUT_LEFT_BUTTON, GLUT_UP, 112, 200);
  EXPECT_EQ(dragState, -1);
  EXPECT_EQ(redisplaysRequestedBy([] { handleMouseDrag(300, 300); }), 0);
  EXPECT_FLOAT_EQ(rotY, 12 / 5.0f) << "once released, drags do nothing";
  click(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);  // stop the orbit again
}

TEST_F(InputTest, BeforeTheFirstLeftPressAnyDragTurnsTheSceneMeasuredFromTheCorner) {
  EXPECT_EQ(click(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 40, 25), 0);
  handleMouseDrag(40, 25);
  EXPECT_FLOAT_EQ(rotY, 8);
  EXPECT_FLOAT_EQ(rotX, 5);
}

TEST_F(InputTest, OrbitAdvancesAFifthPerIdleCall) {
  EXPECT_EQ(redisplaysRequestedBy(advanceOrbit), 1);
  EXPECT_FLOAT_EQ(angle, 0.2f);
}

TEST_F(InputTest, NoOrbitRunsBeforeTheLeftButtonIsReleased) {
  EXPECT_EQ(orbitAdvanceDuringMainLoop(), 0.0f);
}

TEST_F(InputTest, ReleasingTheLeftButtonStartsTheOrbitAndOtherButtonsLeaveItRunning) {
  click(GLUT_LEFT_BUTTON, GLUT_DOWN);
  EXPECT_EQ(click(GLUT_LEFT_BUTTON, GLUT_UP), 1);
  EXPECT_EQ(click(GLUT_MIDDLE_BUTTON, GLUT_DOWN), 0);
  EXPECT_EQ(click(GLUT_MIDDLE_BUTTON, GLUT_UP), 0);
  EXPECT_EQ(click(GLUT_RIGHT_BUTTON, GLUT_DOWN), 0);
  const float advance = orbitAdvanceDuringMainLoop();
  EXPECT_GT(advance, 0.0f);
  const float steps = advance / 0.2f;
  EXPECT_NEAR(steps, std::round(steps), 0.01 * steps) << "the orbit moves in steps of 0.2";
}

TEST_F(InputTest, PressingTheLeftButtonStopsTheOrbit) {
  click(GLUT_LEFT_BUTTON, GLUT_UP);
  click(GLUT_LEFT_BUTTON, GLUT_DOWN);
  EXPECT_EQ(orbitAdvanceDuringMainLoop(), 0.0f);
}

}  // namespace
