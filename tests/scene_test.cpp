// The town as the real pipeline sees it: every polygon of a frame, recorded
// in feedback mode, must lie where its literal corners project, wind so that
// its outside is its front, and show its own texture.
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/view_state.h"
#include "harness.h"
#include "platform/gl.h"

namespace {

struct Vertex {
  double x, y, z;  // window coordinates, origin bottom-left
  double r, g, b;
  double s, t;
};

struct Primitive {
  GLenum token;  // GL_POLYGON_TOKEN, GL_POINT_TOKEN or a line token
  std::vector<Vertex> v;
};

std::vector<Primitive> recordFeedback(const std::function<void()>& draw) {
  std::vector<GLfloat> buffer(1 << 20);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint used = glRenderMode(GL_RENDER);
  std::vector<Primitive> out;
  for (GLint i = 0; i < used;) {
    Primitive p{static_cast<GLenum>(buffer[i++]), {}};
    const int count = p.token == GL_POLYGON_TOKEN ? static_cast<int>(buffer[i++])
                      : p.token == GL_POINT_TOKEN ? 1
                                                  : 2;
    for (int k = 0; k < count; ++k, i += 11) {  // x y z, r g b a, s t r q
      const GLfloat* f = &buffer[i];
      p.v.push_back({f[0], f[1], f[2], f[3], f[4], f[5], f[7] / f[10], f[8] / f[10]});
    }
    out.push_back(p);
  }
  return out;
}

// Twice the signed area: positive when counter-clockwise on screen.
double signedArea2(const std::vector<Vertex>& v) {
  double sum = 0;
  for (size_t i = 0; i < v.size(); ++i) {
    const Vertex &a = v[i], &b = v[(i + 1) % v.size()];
    sum += a.x * b.y - b.x * a.y;
  }
  return sum;
}

struct Corner {
  double s, t, x, y, z;
};

struct Face {
  std::string name;
  GLuint texture;
  bool green;  // gable ends are green, everything else yellow
  std::vector<Corner> corners;
  double outward[3];  // away from its house, up, or toward +z for the backdrop
};

// The six faces of a house, in drawing order, with their textures.
void addHouse(std::vector<Face>& faces, const std::string& name, double x0, double x1, double z0,
              double z1, std::vector<GLuint> textures) {
  const double xm = (x0 + x1) / 2, e = 0.67;
  for (int half = 0; half < 2; ++half) {
    const double z = half ? z0 : z1, x = half ? x0 : x1, out = half ? -1 : 1;
    const std::string side = name + (half ? " back" : " front");
    const GLuint* t = &textures[3 * half];
    // clang-format off
    faces.push_back({side + " gable", t[0], true,
                     {{0, 0, x0, 0, z}, {1, 0, x1, 0, z}, {1, e, x1, e, z}, {0.5, 1, xm, 1, z}, {0, e, x0, e, z}},
                     {0, 0, out}});
    faces.push_back({side + " wall", t[1], false,
                     {{0, 0, x, 0, z1}, {1, 0, x, 0, z0}, {1, 1, x, e, z0}, {0, 1, x, e, z1}},
                     {out, 0, 0}});
    faces.push_back({side + " roof", t[2], false,
                     {{0, 0, x, e, z1}, {1, 0, x, e, z0}, {1, 1, xm, 1, z0}, {0, 1, xm, 1, z1}},
                     {0.33 * (x - xm), 0.25, 0}});
    // clang-format on
  }
}

// The twenty-two polygons of the town, in drawing order.
std::vector<Face> town() {
  std::vector<Face> f;
  addHouse(f, "large house", 0, 1, -1, 1, {1, 2, 3, 4, 5, 6});
  addHouse(f, "west house", -1.5, -0.5, 0, 0.5, {11, 13, 12, 11, 13, 12});
  addHouse(f, "east house", 1.2, 2.2, -0.5, 0.2, {14, 15, 10, 14, 15, 10});
  // clang-format off
  f.push_back({"ground", 7, false, {{0, 0, 3, 0, 1.5}, {20, 0, 3, 0, -3}, {20, 20, -2, 0, -3}, {0, 20, -2, 0, 1.5}}, {0, 1, 0}});
  f.push_back({"near strip", 7, false, {{0, 0, 3, 0, 2}, {5, 0, 3, 0, 3}, {5, 20, -2, 0, 3}, {0, 20, -2, 0, 2}}, {0, 1, 0}});
  f.push_back({"road", 9, false, {{0, 0, 3, 0, 2}, {1, 0, 3, 0, 1.5}, {1, 3, -2, 0, 1.5}, {0, 3, -2, 0, 2}}, {0, 1, 0}});
  f.push_back({"backdrop", 8, false, {{0, 0, -2, 0, -3}, {1, 0, 3, 0, -3}, {1, 1, 3, 3, -3}, {0, 1, -2, 3, -3}}, {0, 0, 1}});
  // clang-format on
  return f;
}

// The expected matrices, built with GL's own stack from literal values.
struct Camera {
  GLdouble model[16], projection[16];
  GLint viewport[4] = {0, 0, 1000, 1000};

  Camera(const std::function<void()>& setProjection, const std::function<void()>& setModel) {
    matrixOf(GL_PROJECTION, GL_PROJECTION_MATRIX, setProjection, projection);
    matrixOf(GL_MODELVIEW, GL_MODELVIEW_MATRIX, setModel, model);
  }
  static void matrixOf(GLenum mode, GLenum matrix, const std::function<void()>& set,
                       GLdouble* out) {
    glMatrixMode(mode);
    glPushMatrix();
    glLoadIdentity();
    set();
    glGetDoublev(matrix, out);
    glPopMatrix();
  }
  Vertex project(const Corner& c) const {
    Vertex v{0, 0, 0, 0, 0, 0, c.s, c.t};
    gluProject(c.x, c.y, c.z, model, projection, viewport, &v.x, &v.y, &v.z);
    return v;
  }
};

const auto perspective = [] { gluPerspective(60, 1, 0.1, 10); };
const auto startingView = [] {
  gluLookAt(0, 0, 5, 0, 0, 4, 0, 1, 0);
  glScalef(0.5f, 0.5f, 0.5f);
};

bool samePlace(const Vertex& a, const Vertex& b) {
  return std::abs(a.x - b.x) < 0.01 && std::abs(a.y - b.y) < 0.01 && std::abs(a.z - b.z) < 1e-5 &&
         std::abs(a.s - b.s) < 1e-5 && std::abs(a.t - b.t) < 1e-5;
}

// Mesa hands a filled n-gon back as n - 2 triangles and an outlined one as n
// edges. Every vertex must be one of the face's projected corners in the
// face's colour, and a filled face must cover its projected signed area,
// which pins the vertex order down too. Given the eye in object space, back
// faces must come as outlines and front faces filled.
void expectTownProjects(const std::vector<Primitive>& frame, const Camera& camera,
                        const double* eye = nullptr) {
  size_t next = 0;
  for (const Face& face : town()) {
    std::vector<Vertex> expected;
    for (const Corner& c : face.corners) expected.push_back(camera.project(c));
    ASSERT_LT(next, frame.size()) << face.name << " is missing";
    const bool outlined = frame[next].token != GL_POLYGON_TOKEN;
    if (eye) {
      const Corner& c = face.corners[0];
      const double towardEye = face.outward[0] * (eye[0] - c.x) + face.outward[1] * (eye[1] - c.y) +
                               face.outward[2] * (eye[2] - c.z);
      if (std::abs(towardEye) > 1e-6) {
        EXPECT_EQ(outlined, towardEye < 0) << face.name;
      }
    }
    const size_t n = face.corners.size();
    double area = 0;
    for (size_t k = 0; k < (outlined ? n : n - 2); ++k, ++next) {
      ASSERT_LT(next, frame.size()) << face.name << " is cut short";
      for (const Vertex& v : frame[next].v) {
        bool found = false;
        for (const Vertex& e : expected) found = found || samePlace(v, e);
        EXPECT_TRUE(found) << face.name << ": vertex at (" << v.x << ", " << v.y << ") st (" << v.s
                           << ", " << v.t << ") is none of its corners";
        EXPECT_TRUE(v.r == (face.green ? 0 : 1) && v.g == 1 && v.b == 0)
            << face.name << "'s colour";
      }
      area += signedArea2(frame[next].v);
    }
    if (!outlined) {
      EXPECT_NEAR(area, signedArea2(expected), 0.05) << face.name;
    }
  }
}

// The sun and the moon follow as 400 triangles each, near where a sphere of
// radius 0.25 about centre projects.
void expectSphereNear(const std::vector<Primitive>& frame, size_t first, const Camera& camera,
                      const Corner& centre) {
  const Vertex c = camera.project(centre);
  const Vertex edge = camera.project({0, 0, centre.x, centre.y + 0.25, centre.z});
  const double reach = 1.25 * std::hypot(edge.x - c.x, edge.y - c.y);
  ASSERT_GE(frame.size(), first + 400);
  for (size_t i = first; i < first + 400; ++i)
    for (const Vertex& v : frame[i].v)
      ASSERT_LT(std::hypot(v.x - c.x, v.y - c.y), reach) << "sphere at " << centre.x;
}

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    openTestWindow();
    reshapeView(1000, 1000);
  }
  void TearDown() override { EXPECT_EQ(glErrors(), std::vector<GLenum>{}); }
};

TEST_F(SceneTest, StartingFrameDrawsTheTownWhereTheCameraPutsIt) {
  const Camera camera(perspective, startingView);
  const auto frame = recordFeedback(drawScene);
  expectTownProjects(frame, camera);
  ASSERT_EQ(frame.size(), 50u + 800u) << "22 polygons as 50 triangles, then two spheres";
  expectSphereNear(frame, 50, camera, {0, 0, 3, 0, 0});
  expectSphereNear(frame, 450, camera, {0, 0, -3, 0, 0});

  glPolygonMode(GL_BACK, GL_LINE);
  const double eyeInObject[3] = {0, 0, 10};  // (0, 0, 5) before the scale of 0.5
  expectTownProjects(recordFeedback(drawScene), camera, eyeInObject);
  GLint frontFace = 0;
  glGetIntegerv(GL_FRONT_FACE, &frontFace);
  EXPECT_EQ(frontFace, GL_CCW) << "the frame must end counter-clockwise";
}

TEST_F(SceneTest, RotationsZoomAndOrbitApplyInOrder) {
  rotX = 25;
  rotY = -15;
  zoom = 1.25f;
  angle = 30;  // degrees for the orbit; the camera is not re-aimed
  const Camera camera(perspective, [] {
    gluLookAt(0, 0, 5, 0, 0, 4, 0, 1, 0);
    glRotatef(25, 1, 0, 0);
    glRotatef(-15, 0, 1, 0);
    glScalef(0.625f, 0.625f, 0.625f);
  });
  const auto frame = recordFeedback(drawScene);
  expectTownProjects(frame, camera);
  const double c = std::cos(M_PI / 6) * 3, s = std::sin(M_PI / 6) * 3;
  expectSphereNear(frame, 50, camera, {0, 0, c, s, 0});
  expectSphereNear(frame, 450, camera, {0, 0, -c, -s, 0});
}

// Each texture object holds one colour of its own. Every face is then looked
// at squarely from outside through a thin slab of depth around it, which
// clips away whatever stands in front, and its centre must show its colour.
TEST_F(SceneTest, EveryFaceShowsItsOwnTexture) {
  const auto colourOf = [](GLuint t) {
    return Pixel{int(15 * t), int(250 - 9 * t), int(40 + 11 * t)};
  };
  for (GLuint t = 1; t <= 17; ++t) {
    const unsigned char rgb[3] = {uint8_t(15 * t), uint8_t(250 - 9 * t), uint8_t(40 + 11 * t)};
    glBindTexture(GL_TEXTURE_2D, t);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  }
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glPolygonMode(GL_BACK, GL_LINE);  // a face wound the wrong way shows no fill
  orthoMode = 1;
  zoom = 2;  // a scale of 1: the view below is in scene units

  std::vector<Face> faces = town();
  // The far side of each sphere, seen from inside through the near side's
  // outlines.
  faces.push_back({"sun", 16, false, {{0, 0, 3, 0, -0.25}}, {0, 0, 1}});
  faces.push_back({"moon", 17, false, {{0, 0, -3, 0, -0.25}}, {0, 0, 1}});
  glViewport(0, 0, 1000, 1000);
  for (const Face& f : faces) {
    double c[3] = {0, 0, 0};
    for (const Corner& k : f.corners)
      for (int i = 0; i < 3; ++i) c[i] += (&k.x)[i] / f.corners.size();
    const double* n = f.outward;
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const bool vertical = std::abs(n[1]) > 0.99 * length;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.05, 0.05, -0.05, 0.05, 0.9, 1.1);
    gluLookAt(c[0] + n[0] / length, c[1] + n[1] / length, c[2] + n[2] / length, c[0], c[1], c[2], 0,
              vertical ? 0 : 1, vertical ? -1 : 0);
    glMatrixMode(GL_MODELVIEW);
    drawScene();
    glFinish();
    EXPECT_TRUE(near(readPixel(500, 500), colourOf(f.texture)))
        << f.name << " shows " << describe(readPixel(500, 500)) << ", not texture " << f.texture;
  }
}

// A sphere seen through a box that maps object space linearly to the window,
// so each feedback vertex can be taken back to object coordinates.
class SphereTest : public ::testing::Test {
 protected:
  void SetUp() override {
    openTestWindow();
    glViewport(0, 0, 1000, 1000);
    glMatrixMode(GL_PROJECTION);
    glOrtho(-2, 2, -2, 2, -2, 2);
    glMatrixMode(GL_MODELVIEW);
  }
  void TearDown() override { EXPECT_EQ(glErrors(), std::vector<GLenum>{}); }
  static std::vector<Primitive> sphere(float r, int n) {
    return recordFeedback([=] { drawTexturedSphere(0.5f, -0.25f, 0.0f, r, n); });
  }
  static double objectX(const Vertex& v) { return (v.x - 500) / 250; }
  static double objectY(const Vertex& v) { return (v.y - 500) / 250; }
  static double objectZ(const Vertex& v) { return (0.5 - v.z) * 4; }
};

TEST_F(SphereTest, TwentySlicesMakeTenBandsOnTheSurfaceWindingClockwiseFromOutside) {
  const auto frame = sphere(1, 20);
  ASSERT_EQ(frame.size(), 400u) << "10 strips of 42 vertices are 10 x 40 triangles";
  std::vector<double> bandEdges;
  double lowestS = 0;
  int facing = 0;
  for (const Primitive& p : frame) {
    double z = 0;
    for (const Vertex& v : p.v) {
      ASSERT_NEAR(std::hypot(objectX(v) - 0.5, objectY(v) + 0.25, objectZ(v)), 1, 1e-4);
      if (std::find_if(bandEdges.begin(), bandEdges.end(),
                       [&](double t) { return std::abs(t - v.t) < 1e-6; }) == bandEdges.end())
        bandEdges.push_back(v.t);
      lowestS = std::min(lowestS, v.s);
      // t runs from 0 at the bottom pole to 1 at the top.
      ASSERT_NEAR(v.t, (std::asin(objectY(v) + 0.25) + M_PI / 2) / M_PI, 1e-3);
      z += objectZ(v);
    }
    const double area = signedArea2(p.v);
    if (std::abs(area) < 1 || z < 0.3) continue;  // degenerate at a pole, or facing away
    ++facing;
    EXPECT_LT(area, 0);
  }
  EXPECT_EQ(bandEdges.size(), 11u);
  EXPECT_NEAR(lowestS, -1, 1e-6) << "s runs from 0 down to -1 once around";
  EXPECT_GT(facing, 100);
}

TEST_F(SphereTest, OddSlicesStopShortOfTheTopPole) {
  const auto frame = sphere(1, 5);
  ASSERT_EQ(frame.size(), 20u) << "5 / 2 = 2 strips of 12 vertices";
  for (const Primitive& p : frame)
    for (const Vertex& v : p.v) EXPECT_LE(v.t, 0.8 + 1e-6);
}

TEST_F(SphereTest, FewSlicesOrNoRadiusDrawAPointAndSignsDoNotMatter) {
  for (auto [r, n] : {std::pair{1.0f, 3}, {1.0f, -3}, {0.0f, 20}}) {
    const auto frame = sphere(r, n);
    ASSERT_EQ(frame.size(), 1u) << "r " << r << ", n " << n;
    EXPECT_EQ(frame[0].token, static_cast<GLenum>(GL_POINT_TOKEN));
    EXPECT_NEAR(objectX(frame[0].v[0]), 0.5, 1e-6);
    EXPECT_NEAR(objectY(frame[0].v[0]), -0.25, 1e-6);
  }
  const auto reference = sphere(0.75f, 12);
  for (auto [r, n] : {std::pair{-0.75f, 12}, {0.75f, -12}}) {
    const auto frame = sphere(r, n);
    ASSERT_EQ(frame.size(), reference.size());
    for (size_t i = 0; i < frame.size(); ++i)
      for (size_t k = 0; k < frame[i].v.size(); ++k)
        ASSERT_TRUE(samePlace(frame[i].v[k], reference[i].v[k])) << "r " << r << ", n " << n;
  }
}

}  // namespace
