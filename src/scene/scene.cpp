// The town, drawn from literal coordinates every frame: three gabled houses,
// the ground, the road, the near strip, the backdrop, the sun and the moon.
#include "scene/scene.h"

#include <cmath>

#include "app/view_state.h"
#include "platform/gl.h"

namespace {

const GLfloat colorGreen[3] = {0.0f, 1.0f, 0.0f};   // gable ends
const GLfloat colorYellow[3] = {1.0f, 1.0f, 0.0f};  // everything else

// Only seen where texturing is off or a texture is empty: RGB textures under
// GL_REPLACE or GL_DECAL show their own colour unchanged.

constexpr float eaveHeight = 0.67f;
constexpr float ridgeHeight = 1.0f;

struct TexturedVertex {
  GLfloat s, t;
  GLfloat x, y, z;
};

void drawPolygon(GLuint texture, const GLfloat* colour, const TexturedVertex* v, int count) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glColor3fv(colour);
  glBegin(GL_POLYGON);
  for (int i = 0; i < count; ++i) {
    glTexCoord2f(v[i].s, v[i].t);
    glVertex3f(v[i].x, v[i].y, v[i].z);
  }
  glEnd();
}

struct House {
  float x0, x1, z0, z1;
  GLuint gable, wall, roof;              // textures of the front half; the back half
  GLuint backGable, backWall, backRoof;  // is drawn with these
};

// Footprints in scene units; each house is one unit wide.
const House houses[] = {
    //  x0     x1     z0     z1   gable wall roof  back: gable wall roof
    {0.0f, 1.0f, -1.0f, 1.0f, 1, 2, 3, 4, 5, 6},         // large house
    {-1.5f, -0.5f, 0.0f, 0.5f, 11, 13, 12, 11, 13, 12},  // west house
    {1.2f, 2.2f, -0.5f, 0.2f, 14, 15, 10, 14, 15, 10},   // east house
};

// One gable end at z = gableZ, the wall at x = sideX and the roof slope above
// that wall. Both halves of a house list their vertices in the same order, so
// the back half is the front half mirrored and winds clockwise seen from
// outside: drawHouse switches the front face between the halves.
void drawHouseHalf(const House& h, float gableZ, float sideX, GLuint gable, GLuint wall,
                   GLuint roof) {
  const float xm = (h.x0 + h.x1) / 2;
  const TexturedVertex gableEnd[] = {
      {0.0f, 0.0f, h.x0, 0.0f, gableZ},
      {1.0f, 0.0f, h.x1, 0.0f, gableZ},
      {1.0f, eaveHeight, h.x1, eaveHeight, gableZ},
      {0.5f, 1.0f, xm, ridgeHeight, gableZ},
      {0.0f, eaveHeight, h.x0, eaveHeight, gableZ},
  };
  const TexturedVertex sideWall[] = {
      {0.0f, 0.0f, sideX, 0.0f, h.z1},
      {1.0f, 0.0f, sideX, 0.0f, h.z0},
      {1.0f, 1.0f, sideX, eaveHeight, h.z0},
      {0.0f, 1.0f, sideX, eaveHeight, h.z1},
  };
  const TexturedVertex roofSlope[] = {
      {0.0f, 0.0f, sideX, eaveHeight, h.z1},
      {1.0f, 0.0f, sideX, eaveHeight, h.z0},
      {1.0f, 1.0f, xm, ridgeHeight, h.z0},
      {0.0f, 1.0f, xm, ridgeHeight, h.z1},
  };
  drawPolygon(gable, colorGreen, gableEnd, 5);
  drawPolygon(wall, colorYellow, sideWall, 4);
  drawPolygon(roof, colorYellow, roofSlope, 4);
}

void drawHouse(const House& h) {
  glFrontFace(GL_CCW);
  drawHouseHalf(h, h.z1, h.x1, h.gable, h.wall, h.roof);
  glFrontFace(GL_CW);
  drawHouseHalf(h, h.z0, h.x0, h.backGable, h.backWall, h.backRoof);
}

struct FlatPiece {
  GLuint texture;
  GLenum winding;  // the winding that faces up, or toward +z for the backdrop
  TexturedVertex v[4];
};

// Texture coordinates beyond 1 tile the picture while it wraps by repeating.
// clang-format off
const FlatPiece flatPieces[] = {
    {7, GL_CCW,  // ground
     {{0, 0, 3, 0, 1.5f}, {20, 0, 3, 0, -3}, {20, 20, -2, 0, -3}, {0, 20, -2, 0, 1.5f}}},
    {7, GL_CW,  // near strip, between the road and the viewer
     {{0, 0, 3, 0, 2}, {5, 0, 3, 0, 3}, {5, 20, -2, 0, 3}, {0, 20, -2, 0, 2}}},
    {9, GL_CCW,  // road
     {{0, 0, 3, 0, 2}, {1, 0, 3, 0, 1.5f}, {1, 3, -2, 0, 1.5f}, {0, 3, -2, 0, 2}}},
    {8, GL_CCW,  // backdrop
     {{0, 0, -2, 0, -3}, {1, 0, 3, 0, -3}, {1, 1, 3, 3, -3}, {0, 1, -2, 3, -3}}},
};
// clang-format on

// The sun and the moon ride a vertical circle of radius 3, opposite each
// other, turned by angle read as degrees. Texturing is forced on for them,
// whatever the last 't' key did.
// They are drawn inside out. drawTexturedSphere's strips wind clockwise seen
// from outside, and the front face is still the backdrop's GL_CCW, so the
// near half of each sphere is back faces, drawn as outlines, and through
// them the filled inside of the far half shows: the faint mesh on both.
void drawOrbitingBody(GLuint texture, float x) {
  glPushMatrix();
  glRotatef(angle, 0.0f, 0.0f, 1.0f);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  drawTexturedSphere(x, 0.0f, 0.0f, 0.25f, 20);
  glPopMatrix();
}

}  // namespace

void drawScene() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  // The orthographic box looks straight down -z; eye and center are ignored.
  if (!orthoMode) gluLookAt(eye[0], eye[1], eye[2], center[0], center[1], center[2], 0.0, 1.0, 0.0);
  glRotatef(rotX, 1.0f, 0.0f, 0.0f);
  glRotatef(rotY, 0.0f, 1.0f, 0.0f);
  glRotatef(rotZ, 0.0f, 0.0f, 1.0f);
  const float s = zoom / 2;
  glScalef(s, s, s);

  for (const House& h : houses) drawHouse(h);
  for (const FlatPiece& p : flatPieces) {
    glFrontFace(p.winding);
    drawPolygon(p.texture, colorYellow, p.v, 4);
  }
  // The backdrop's yellow stays current, so the spheres inherit it.
  drawOrbitingBody(16, 3.0f);   // sun
  drawOrbitingBody(17, -3.0f);  // moon

  glFlush();
  glutSwapBuffers();
}

void drawTexturedSphere(float cx, float cy, float cz, float r, int n) {
  const float twoPi = 6.2831855f;
  const float halfPi = 1.5707964f;

  if (r < 0) r = -r;
  if (n < 0) n = -n;
  if (n < 4 || r == 0) {
    glBegin(GL_POINTS);
    glVertex3f(cx, cy, cz);
    glEnd();
    return;
  }

  // Bands of latitude from the bottom pole up; an odd n stops short of the
  // top pole because n / 2 truncates.
  for (int j = 0; j < n / 2; ++j) {
    const float theta1 = j * twoPi / n - halfPi;
    const float theta2 = (j + 1) * twoPi / n - halfPi;
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i <= n; ++i) {
      const float theta3 = i * twoPi / n;
      const float s = -(static_cast<float>(i) / n);
      const float bands[2][2] = {{theta2, 2.0f * (j + 1) / n}, {theta1, 2.0f * j / n}};
      for (const auto& band : bands) {
        const double theta = band[0];
        const float ex =
            static_cast<float>(std::cos(theta) * std::cos(static_cast<double>(theta3)));
        const float ey = static_cast<float>(std::sin(theta));
        const float ez =
            static_cast<float>(std::cos(theta) * std::sin(static_cast<double>(theta3)));
        glNormal3f(ex, ey, ez);
        glTexCoord2f(s, band[1]);
        glVertex3f(cx + r * ex, cy + r * ey, cz + r * ez);
      }
    }
    glEnd();
  }
}
