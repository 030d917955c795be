// The view state, the reshape callback and the camera step, on a real GL
// context: what the projection and the camera are after each reshape.
#include <GL/glu.h>
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>

#include "app/view_state.h"
#include "gl_window.h"

namespace {

constexpr double pi = 3.14159265358979323846;

struct Matrix {
  GLdouble m[16];
};

Matrix currentMatrix(GLenum which) {
  Matrix out;
  glGetDoublev(which, out.m);
  return out;
}

// Where the current projection puts an eye-space point, in window pixels.
void project(double x, double y, double z, double* wx, double* wy) {
  const GLdouble identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const Matrix p = currentMatrix(GL_PROJECTION_MATRIX);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  double wz;
  gluProject(x, y, z, identity, p.m, viewport, wx, wy, &wz);
}

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    openTestWindow();
    resetViewState();
  }
};

TEST(ViewStateStart, HoldsItsInitialValuesUntilTheFirstReshape) {
  // No test in this process has touched the state yet: run first, alone.
  EXPECT_EQ(eye[0], 0.0f);
  EXPECT_EQ(eye[2], -5.0f);
  EXPECT_EQ(center[2], 0.0f);
  EXPECT_EQ(zoom, 1.0f);
  EXPECT_EQ(angle, 0.0f);
  EXPECT_EQ(depthTestOn + textureOn + nearestFilter + repeatWrap, 4);
  EXPECT_EQ(orthoMode + decalMode + frontFaceCW, 0);
  EXPECT_EQ(dragState, 0);
  EXPECT_EQ(windowWidth, 0);
}

TEST_F(ViewTest, FirstReshapeFromGlutPutsTheEyeAtFiveLookingDownMinusZ) {
  glutReshapeFunc(reshapeView);
  pumpEvents(20);  // the new window's first event is its reshape
  ASSERT_EQ(windowWidth, 1000) << "GLUT never delivered the reshape";
  EXPECT_EQ(windowHeight, 1000);
  EXPECT_FLOAT_EQ(eye[0], 0);
  EXPECT_FLOAT_EQ(eye[1], 0);
  EXPECT_FLOAT_EQ(eye[2], 5);
  EXPECT_FLOAT_EQ(center[0], 0);
  EXPECT_FLOAT_EQ(center[1], 0);
  EXPECT_FLOAT_EQ(center[2], 4);

  GLint viewport[4], mode;
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(viewport[2], 1000);
  EXPECT_EQ(viewport[3], 1000);
  EXPECT_EQ(mode, GL_MODELVIEW) << "drawing code relies on the model-view matrix being current";

  // A 60-degree field of view: a point tan(30 deg) above the axis at
  // distance 1 lands on the top edge; the axis lands in the middle.
  double x, y;
  project(0, std::tan(pi / 6), -1, &x, &y);
  EXPECT_NEAR(x, 500, 0.01);
  EXPECT_NEAR(y, 1000, 0.01);
  project(0, 0, -9.99, &x, &y);
  EXPECT_NEAR(y, 500, 0.01);
  glutReshapeFunc(nullptr);
}

TEST_F(ViewTest, WideWindowKeepsSquarePixelsInPerspective) {
  reshapeView(800, 400);
  double x, y;
  project(std::tan(pi / 6) * 2, 0, -1, &x, &y);  // aspect 2: twice as wide
  EXPECT_NEAR(x, 800, 0.01);
}

TEST_F(ViewTest, ReshapeToHeightZeroChangesNothing) {
  reshapeView(1000, 1000);
  glClearColor(0.2f, 0.4f, 0.6f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glFinish();
  const Pixel before = readPixel(500, 500);
  const Matrix projection = currentMatrix(GL_PROJECTION_MATRIX);
  eye[0] = 0.75f;  // a stepCamera(0) would re-aim center from here

  reshapeView(640, 0);

  EXPECT_EQ(windowWidth, 1000);
  EXPECT_EQ(windowHeight, 1000);
  EXPECT_FLOAT_EQ(center[0], 0.0f);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 1000);
  const Matrix after = currentMatrix(GL_PROJECTION_MATRIX);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(after.m[i], projection.m[i]);
  EXPECT_TRUE(near(readPixel(500, 500), before)) << "the window was cleared";
  glClearColor(0, 0, 0, 0);
}

TEST_F(ViewTest, OrthographicModeUsesTheSameBoxWhateverTheShapeAndPutsTheEyeAtZero) {
  reshapeView(1000, 1000);
  orthoMode = 1;
  reshapeView(900, 300);
  EXPECT_FLOAT_EQ(eye[2], 0);
  const Matrix p = currentMatrix(GL_PROJECTION_MATRIX);
  EXPECT_NEAR(p.m[0], 1 / 3.0, 1e-6);   // x spans -3..3 even in a wide window
  EXPECT_NEAR(p.m[5], 1 / 3.0, 1e-6);
  EXPECT_NEAR(p.m[10], -1 / 3.0, 1e-6);  // and so does z
  EXPECT_NEAR(p.m[15], 1, 1e-6);

  orthoMode = 0;
  angle = 0.5f;
  eye[0] = 0.25f;
  reshapeView(900, 300);
  EXPECT_FLOAT_EQ(eye[2], 5);
  EXPECT_FLOAT_EQ(eye[0], 0.25f) << "a perspective reshape keeps the eye's x";
  EXPECT_FLOAT_EQ(center[0], 0.25f + std::sin(0.5f));
  EXPECT_FLOAT_EQ(center[2], 5 - std::cos(0.5f));
}

TEST_F(ViewTest, StepCameraWalksAlongTheHeadingAndAimsOneUnitAhead) {
  eye[0] = 1;
  eye[2] = 2;
  angle = -0.375f;  // three turns to the left
  stepCamera(GLUT_KEY_UP);
  EXPECT_NEAR(eye[0], 1 + 0.125 * std::sin(-0.375), 1e-6);
  EXPECT_NEAR(eye[2], 2 - 0.125 * std::cos(-0.375), 1e-6);
  EXPECT_NEAR(center[0] - eye[0], std::sin(-0.375), 1e-6);
  EXPECT_NEAR(center[2] - eye[2], -std::cos(-0.375), 1e-6);

  stepCamera(GLUT_KEY_DOWN);
  EXPECT_NEAR(eye[0], 1, 1e-6);
  EXPECT_NEAR(eye[2], 2, 1e-6);

  angle = 1.0f;
  for (int key : {0, GLUT_KEY_LEFT, GLUT_KEY_RIGHT, GLUT_KEY_F1}) {
    stepCamera(key);
    EXPECT_NEAR(eye[0], 1, 1e-6) << "key " << key << " must not move the eye";
    EXPECT_NEAR(eye[2], 2, 1e-6);
    EXPECT_NEAR(center[0], 1 + std::sin(1.0), 1e-6) << "but it re-aims the camera";
    EXPECT_NEAR(center[2], 2 - std::cos(1.0), 1e-6);
  }
  EXPECT_EQ(eye[1], 0.0f);
  EXPECT_EQ(center[1], 0.0f);
}

}  // namespace
