// The projection and the camera: what reshapeView and stepCamera leave in GL
// and in the view state.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/view_state.h"
#include "harness.h"
#include "platform/gl.h"

namespace {

// Where the current projection puts an eye-space point, in window pixels.
void project(double x, double y, double z, double* wx, double* wy) {
  const GLdouble identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  GLdouble projection[16];
  GLint viewport[4];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  double wz;
  gluProject(x, y, z, identity, projection, viewport, wx, wy, &wz);
}

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override { openTestWindow(); }
  void TearDown() override { EXPECT_EQ(glErrors(), std::vector<GLenum>{}); }
};

// A shape whose sides do not divide evenly, so that an aspect ratio taken in
// whole numbers (1 rather than 1.25) would show.
TEST_F(ViewTest, PerspectiveSeesSixtyDegreesTallAndTheWindowsShapeWide) {
  reshapeView(1000, 800);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW) << "drawing relies on the model-view matrix being current";
  EXPECT_EQ(windowWidth, 1000);
  EXPECT_EQ(windowHeight, 800);
  double x, y;
  project(0, std::tan(M_PI / 6), -1, &x, &y);  // 30 degrees up: the top edge
  EXPECT_NEAR(y, 800, 0.01);
  project(1.25 * std::tan(M_PI / 6), 0, -1, &x, &y);  // a quarter wider than tall
  EXPECT_NEAR(x, 1000, 0.01);
}

TEST_F(ViewTest, ReshapeToHeightZeroChangesNothing) {
  reshapeView(1000, 1000);
  glClearColor(0.2f, 0.4f, 0.6f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  GLdouble before[16], after[16];
  glGetDoublev(GL_PROJECTION_MATRIX, before);
  eye[0] = 0.75f;  // a stepCamera would re-aim center from here

  reshapeView(640, 0);

  EXPECT_EQ(windowWidth, 1000);
  EXPECT_FLOAT_EQ(center[0], 0.0f);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 1000);
  glGetDoublev(GL_PROJECTION_MATRIX, after);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], before[i]);
  EXPECT_TRUE(near(readPixel(500, 500), {51, 102, 153})) << "the window was cleared";
  glClearColor(0, 0, 0, 0);
}

TEST_F(ViewTest, OrthographicBoxIsThreeEveryWayAndPerspectiveComesBackAlongTheHeading) {
  orthoMode = 1;
  reshapeView(900, 300);
  EXPECT_FLOAT_EQ(eye[2], 0);
  GLdouble p[16];
  glGetDoublev(GL_PROJECTION_MATRIX, p);
  EXPECT_NEAR(p[0], 1 / 3.0, 1e-6);  // x spans -3..3 even in a wide window
  EXPECT_NEAR(p[5], 1 / 3.0, 1e-6);
  EXPECT_NEAR(p[10], -1 / 3.0, 1e-6);

  orthoMode = 0;
  angle = 0.5f;
  eye[0] = 0.25f;
  reshapeView(900, 300);
  EXPECT_FLOAT_EQ(eye[2], 5);
  EXPECT_FLOAT_EQ(eye[0], 0.25f) << "a perspective reshape keeps the eye's x";
  EXPECT_FLOAT_EQ(center[0], 0.25f + std::sin(0.5f));
  EXPECT_FLOAT_EQ(center[2], 5 - std::cos(0.5f));
}

}  // namespace
