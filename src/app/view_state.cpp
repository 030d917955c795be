// The view state's storage, the reshape callback and the camera step.
#include "app/view_state.h"

#include <cmath>

#include "platform/gl.h"

float eye[3] = {0.0f, 0.0f, -5.0f};  // the first reshape moves it to z = 5
float center[3] = {0.0f, 0.0f, 0.0f};
float angle = 0.0f;
float rotX = 0.0f, rotY = 0.0f, rotZ = 0.0f;
float zoom = 1.0f;

int orthoMode = 0;
int depthTestOn = 1;
int textureOn = 1;
int nearestFilter = 1;
int repeatWrap = 1;
int decalMode = 0;
int frontFaceCW = 0;

bool spinEnabled = true;

int dragButton = 0;
int dragState = 0;
int lastMouseX = 0, lastMouseY = 0;

int windowWidth = 0, windowHeight = 0;

// Runs for every resize and for the p key. Each time the eye's z is set
// afresh and its x kept, so the part of a walk along z is lost and the part
// along x stays; in perspective the camera also takes up the heading in angle,
// which the orbit may have turned since the last arrow key.
void reshapeView(int w, int h) {
  if (h == 0) return;  // a minimised window; w / h below would divide by zero

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glViewport(0, 0, w, h);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (orthoMode) {
    // The same box on every axis whatever the window's shape, so a wide
    // window stretches the scene.
    glOrtho(-orthoExtent, orthoExtent, -orthoExtent, orthoExtent, -orthoExtent, orthoExtent);
    eye[2] = 0.0f;
  } else {
    gluPerspective(60.0, static_cast<double>(w) / h, 0.1, 10.0);
    eye[2] = 5.0f;
    stepCamera(0);
  }
  glMatrixMode(GL_MODELVIEW);
  windowWidth = w;
  windowHeight = h;
}

void stepCamera(int key) {
  // Heading 0 looks toward -z; a growing angle turns the view toward +x.
  // The trigonometry runs in double and each result is stored as float.
  const double heading = angle;
  if (key == GLUT_KEY_UP) {
    eye[2] = static_cast<float>(eye[2] - std::cos(heading) * moveStep);
    eye[0] = static_cast<float>(eye[0] + std::sin(heading) * moveStep);
  } else if (key == GLUT_KEY_DOWN) {
    eye[2] = static_cast<float>(eye[2] + std::cos(heading) * moveStep);
    eye[0] = static_cast<float>(eye[0] - std::sin(heading) * moveStep);
  }
  center[2] = static_cast<float>(eye[2] - std::cos(heading));
  center[0] = static_cast<float>(eye[0] + std::sin(heading));
}
