// The town as the real pipeline sees it: every polygon of a frame, recorded
// in feedback mode, must lie exactly where its literal corners project.
#include <GL/glu.h>
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/view_state.h"
#include "feedback.h"
#include "gl_window.h"
#include "scene/scene.h"

namespace {

struct Corner {
  double s, t, x, y, z;
};

struct Face {
  std::string name;
  bool green;  // gable ends are green, everything else yellow
  std::vector<Corner> corners;
  double outward[3];  // away from its house, up, or toward +z for the backdrop
};

Face gable(const std::string& name, double x0, double x1, double z, double out) {
  const double xm = (x0 + x1) / 2;
  return {name, true,
          {{0, 0, x0, 0, z}, {1, 0, x1, 0, z}, {1, 0.67, x1, 0.67, z}, {0.5, 1, xm, 1, z},
           {0, 0.67, x0, 0.67, z}},
          {0, 0, out}};
}
Face wall(const std::string& name, double x, double z0, double z1, double out) {
  return {name, false, {{0, 0, x, 0, z1}, {1, 0, x, 0, z0}, {1, 1, x, 0.67, z0}, {0, 1, x, 0.67, z1}},
          {out, 0, 0}};
}
Face roof(const std::string& name, double x, double xm, double z0, double z1) {
  return {name, false, {{0, 0, x, 0.67, z1}, {1, 0, x, 0.67, z0}, {1, 1, xm, 1, z0}, {0, 1, xm, 1, z1}},
          {0.33 * (x - xm), 0.5 * 0.5, 0}};
}

void addHouse(std::vector<Face>& faces, const std::string& name, double x0, double x1, double z0,
              double z1) {
  const double xm = (x0 + x1) / 2;
  faces.push_back(gable(name + " front gable", x0, x1, z1, 1));
  faces.push_back(wall(name + " wall at x1", x1, z0, z1, 1));
  faces.push_back(roof(name + " roof, x1 side", x1, xm, z0, z1));
  faces.push_back(gable(name + " back gable", x0, x1, z0, -1));
  faces.push_back(wall(name + " wall at x0", x0, z0, z1, -1));
  faces.push_back(roof(name + " roof, x0 side", x0, xm, z0, z1));
}

// The twenty-two polygons of the town, in drawing order.
std::vector<Face> town() {
  std::vector<Face> faces;
  addHouse(faces, "large house", 0, 1, -1, 1);
  addHouse(faces, "west house", -1.5, -0.5, 0, 0.5);
  addHouse(faces, "east house", 1.2, 2.2, -0.5, 0.2);
  faces.push_back({"ground", false, {{0, 0, 3, 0, 1.5}, {20, 0, 3, 0, -3}, {20, 20, -2, 0, -3}, {0, 20, -2, 0, 1.5}}, {0, 1, 0}});
  faces.push_back({"near strip", false, {{0, 0, 3, 0, 2}, {5, 0, 3, 0, 3}, {5, 20, -2, 0, 3}, {0, 20, -2, 0, 2}}, {0, 1, 0}});
  faces.push_back({"road", false, {{0, 0, 3, 0, 2}, {1, 0, 3, 0, 1.5}, {1, 3, -2, 0, 1.5}, {0, 3, -2, 0, 2}}, {0, 1, 0}});
  faces.push_back({"backdrop", false, {{0, 0, -2, 0, -3}, {1, 0, 3, 0, -3}, {1, 1, 3, 3, -3}, {0, 1, -2, 3, -3}}, {0, 0, 1}});
  return faces;
}

struct Camera {
  GLdouble model[16], projection[16];
  GLint viewport[4] = {0, 0, 1000, 1000};

  FeedbackVertex project(const Corner& c) const {
    FeedbackVertex v{};
    gluProject(c.x, c.y, c.z, model, projection, viewport, &v.x, &v.y, &v.z);
    v.s = c.s;
    v.t = c.t;
    return v;
  }
};

// Builds the expected matrices with GL's own matrix stack, from literal
// camera values rather than the program's variables.
Camera cameraFrom(const std::function<void()>& projection, const std::function<void()>& model) {
  Camera c;
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  projection();
  glGetDoublev(GL_PROJECTION_MATRIX, c.projection);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  model();
  glGetDoublev(GL_MODELVIEW_MATRIX, c.model);
  glPopMatrix();
  return c;
}

bool samePlace(const FeedbackVertex& a, const FeedbackVertex& b) {
  return std::abs(a.x - b.x) < 0.01 && std::abs(a.y - b.y) < 0.01 && std::abs(a.z - b.z) < 1e-5 &&
         std::abs(a.s - b.s) < 1e-5 && std::abs(a.t - b.t) < 1e-5;
}

// Mesa hands a filled n-sided polygon back as n - 2 triangles, and an
// outlined one as its n edges. A face must match its share: every corner one
// of the face's projected corners, the right colour, and for a filled face
// the face's projected signed area (which also pins down the vertex order).
// With eye given (in object coordinates) back faces must come as outlines
// and front faces filled, which checks each face's front-face winding.
void expectTownProjects(const std::vector<FeedbackPrimitive>& frame, const Camera& camera,
                        const double* eye = nullptr) {
  size_t next = 0;
  for (const Face& face : town()) {
    std::vector<FeedbackVertex> expected;
    for (const Corner& c : face.corners) expected.push_back(camera.project(c));
    ASSERT_LT(next, frame.size()) << face.name << " is missing";
    const bool outlined = frame[next].token != GL_POLYGON_TOKEN;
    const size_t n = face.corners.size();
    if (eye) {
      const Corner& c = face.corners[0];
      const double towardEye = face.outward[0] * (eye[0] - c.x) + face.outward[1] * (eye[1] - c.y) +
                               face.outward[2] * (eye[2] - c.z);
      if (std::abs(towardEye) > 1e-6) {  // an edge-on face may come either way
        EXPECT_EQ(outlined, towardEye < 0) << face.name << (outlined ? " outlined" : " filled");
      }
    }
    double area = 0;
    for (size_t k = 0; k < (outlined ? n : n - 2); ++k, ++next) {
      ASSERT_LT(next, frame.size()) << face.name << " is cut short";
      const FeedbackPrimitive& p = frame[next];
      for (const FeedbackVertex& v : p.v) {
        bool found = false;
        for (const FeedbackVertex& e : expected) found = found || samePlace(v, e);
        EXPECT_TRUE(found) << face.name << ": vertex at (" << v.x << ", " << v.y << ") st ("
                           << v.s << ", " << v.t << ") is none of its corners";
        EXPECT_EQ(v.r, face.green ? 0.0 : 1.0) << face.name;
        EXPECT_EQ(v.g, 1.0) << face.name;
        EXPECT_EQ(v.b, 0.0) << face.name;
      }
      area += signedArea2(p.v);
    }
    if (!outlined) {
      EXPECT_NEAR(area, signedArea2(expected), 0.05) << face.name;
    }
  }
}

// The sun and moon follow as 400 triangles each, inside the circle that a
// sphere of the given centre and radius projects to.
void expectSphereNear(const std::vector<FeedbackPrimitive>& frame, size_t first,
                      const Camera& camera, const Corner& centre, double radius,
                      const std::string& name) {
  const FeedbackVertex c = camera.project(centre);
  double reach = 0;  // generous: perspective widens the near side
  for (const Corner& d : {Corner{0, 0, radius, 0, 0}, {0, 0, 0, radius, 0}, {0, 0, 0, 0, radius}}) {
    const FeedbackVertex edge = camera.project({0, 0, centre.x + d.x, centre.y + d.y, centre.z + d.z});
    reach = std::max(reach, 1.25 * std::hypot(edge.x - c.x, edge.y - c.y));
  }
  ASSERT_GE(frame.size(), first + 400) << name;
  for (size_t i = first; i < first + 400; ++i)
    for (const FeedbackVertex& v : frame[i].v)
      ASSERT_LT(std::hypot(v.x - c.x, v.y - c.y), reach) << name << " strays from its place";
}

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    openTestWindow();
    resetViewState();
    reshapeView(1000, 1000);
  }
};

TEST_F(SceneTest, InitialFrameDrawsTheTownWhereTheCameraPutsIt) {
  const auto frame = recordFeedback(drawScene);
  const Camera camera = cameraFrom([] { gluPerspective(60, 1, 0.1, 10); },
                                   [] {
                                     gluLookAt(0, 0, 5, 0, 0, 4, 0, 1, 0);
                                     glScalef(0.5f, 0.5f, 0.5f);
                                   });
  expectTownProjects(frame, camera);
  ASSERT_EQ(frame.size(), 50u + 800u) << "22 polygons as 50 triangles, then two spheres";
  expectSphereNear(frame, 50, camera, {0, 0, 3, 0, 0}, 0.25, "sun");
  expectSphereNear(frame, 450, camera, {0, 0, -3, 0, 0}, 0.25, "moon");
  EXPECT_TRUE(glErrors().empty());
}

TEST_F(SceneTest, FrontFacesAreTheOutwardSidesSoOnlyBackFacesAreOutlined) {
  glPolygonMode(GL_BACK, GL_LINE);
  glPolygonMode(GL_FRONT, GL_FILL);
  const auto frame = recordFeedback(drawScene);
  const Camera camera = cameraFrom([] { gluPerspective(60, 1, 0.1, 10); },
                                   [] {
                                     gluLookAt(0, 0, 5, 0, 0, 4, 0, 1, 0);
                                     glScalef(0.5f, 0.5f, 0.5f);
                                   });
  const double eyeInObject[3] = {0, 0, 10};  // (0, 0, 5) before the scale of 0.5
  expectTownProjects(frame, camera, eyeInObject);
  GLint frontFace;
  glGetIntegerv(GL_FRONT_FACE, &frontFace);
  EXPECT_EQ(frontFace, GL_CCW) << "the frame must end counter-clockwise";
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

TEST_F(SceneTest, RotationsScaleAndOrbitApplyInOrder) {
  rotX = 25;
  rotY = -15;
  zoom = 1.25f;
  angle = 30;  // the orbit reads it in degrees; the camera is not re-aimed
  const auto frame = recordFeedback(drawScene);
  const Camera camera = cameraFrom([] { gluPerspective(60, 1, 0.1, 10); },
                                   [] {
                                     gluLookAt(0, 0, 5, 0, 0, 4, 0, 1, 0);
                                     glRotatef(25, 1, 0, 0);
                                     glRotatef(-15, 0, 1, 0);
                                     glScalef(0.625f, 0.625f, 0.625f);
                                   });
  expectTownProjects(frame, camera);
  const double c = std::cos(M_PI / 6) * 3, s = std::sin(M_PI / 6) * 3;
  expectSphereNear(frame, 50, camera, {0, 0, c, s, 0}, 0.25, "sun");
  expectSphereNear(frame, 450, camera, {0, 0, -c, -s, 0}, 0.25, "moon");
}

TEST_F(SceneTest, OrthographicModeAppliesNoViewingTransform) {
  orthoMode = 1;
  reshapeView(1000, 1000);
  eye[0] = 2;  // would move everything if gluLookAt were still applied
  center[0] = -3;
  const auto frame = recordFeedback(drawScene);
  const Camera camera = cameraFrom([] { glOrtho(-3, 3, -3, 3, -3, 3); },
                                   [] { glScalef(0.5f, 0.5f, 0.5f); });
  expectTownProjects(frame, camera);
  expectSphereNear(frame, 50, camera, {0, 0, 3, 0, 0}, 0.25, "sun");
}

// A sphere seen through a box that maps object space linearly to the window,
// so each feedback vertex can be taken back to object coordinates.
class SphereTest : public ::testing::Test {
 protected:
  void SetUp() override {
    openTestWindow();
    glViewport(0, 0, 1000, 1000);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -2, 2, -2, 2);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
  }
  static std::vector<FeedbackPrimitive> sphere(float r, int n) {
    return recordFeedback([=] { drawTexturedSphere(0.5f, -0.25f, 0.0f, r, n); });
  }
  static double objectX(const FeedbackVertex& v) { return (v.x - 500) / 250; }
  static double objectY(const FeedbackVertex& v) { return (v.y - 500) / 250; }
  static double objectZ(const FeedbackVertex& v) { return (0.5 - v.z) * 4; }
};

TEST_F(SphereTest, TwentySlicesMakeTenBandsOfFortyTrianglesOnTheSurface) {
  const auto frame = sphere(1, 20);
  ASSERT_EQ(frame.size(), 400u) << "10 strips of 42 vertices are 10 x 40 triangles";
  std::vector<double> bandEdges;
  double lowestS = 0;
  for (const FeedbackPrimitive& p : frame)
    for (const FeedbackVertex& v : p.v) {
      const double radius = std::hypot(objectX(v) - 0.5, objectY(v) + 0.25, objectZ(v));
      ASSERT_NEAR(radius, 1, 1e-4);
      bool known = false;
      for (double t : bandEdges) known = known || std::abs(t - v.t) < 1e-6;
      if (!known) bandEdges.push_back(v.t);
      lowestS = std::min(lowestS, v.s);
      // t runs from 0 at the bottom pole to 1 at the top.
      ASSERT_NEAR(v.t, (std::asin(objectY(v) + 0.25) + M_PI / 2) / M_PI, 1e-3);
    }
  EXPECT_EQ(bandEdges.size(), 11u);
  EXPECT_NEAR(lowestS, -1, 1e-6) << "s runs from 0 down to -1 once around";
}

TEST_F(SphereTest, SeenFromOutsideEveryTriangleWindsClockwise) {
  int facing = 0;
  for (const FeedbackPrimitive& p : sphere(1, 20)) {
    const double area = signedArea2(p.v);
    double z = 0;
    for (const FeedbackVertex& v : p.v) z += objectZ(v);
    if (std::abs(area) < 1 || z < 0.3) continue;  // degenerate at a pole, or not facing us
    ++facing;
    EXPECT_LT(area, 0);
  }
  EXPECT_GT(facing, 100);
}

TEST_F(SphereTest, OddSlicesStopShortOfTheTopPole) {
  const auto frame = sphere(1, 5);
  ASSERT_EQ(frame.size(), 20u) << "5 / 2 = 2 strips of 12 vertices";
  for (const FeedbackPrimitive& p : frame)
    for (const FeedbackVertex& v : p.v) EXPECT_LE(v.t, 0.8 + 1e-6);
}

TEST_F(SphereTest, TooFewSlicesOrNoRadiusDrawOnePointAtTheCentre) {
  for (auto [r, n] : {std::pair{1.0f, 3}, {1.0f, -3}, {0.0f, 20}, {-0.0f, 8}}) {
    const auto frame = sphere(r, n);
    ASSERT_EQ(frame.size(), 1u) << "r " << r << ", n " << n;
    EXPECT_EQ(frame[0].token, static_cast<GLenum>(GL_POINT_TOKEN));
    EXPECT_NEAR(objectX(frame[0].v[0]), 0.5, 1e-6);
    EXPECT_NEAR(objectY(frame[0].v[0]), -0.25, 1e-6);
  }
}

TEST_F(SphereTest, NegativeRadiusOrSlicesDrawTheSameAsTheirMagnitudes) {
  const auto reference = sphere(0.75f, 12);
  for (auto [r, n] : {std::pair{-0.75f, 12}, {0.75f, -12}, {-0.75f, -12}}) {
    const auto frame = sphere(r, n);
    ASSERT_EQ(frame.size(), reference.size());
    for (size_t i = 0; i < frame.size(); ++i)
      for (size_t k = 0; k < frame[i].v.size(); ++k)
        ASSERT_TRUE(samePlace(frame[i].v[k], reference[i].v[k])) << "r " << r << ", n " << n;
  }
}

}  // namespace
