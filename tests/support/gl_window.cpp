#include "gl_window.h"

#include <GL/freeglut.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <thread>
#include <cstdlib>
#include <stdexcept>

#include "app/view_state.h"

namespace {

struct ViewSnapshot {
  float eye[3], center[3], angle, rotX, rotY, rotZ, zoom;
  int orthoMode, depthTestOn, textureOn, nearestFilter, repeatWrap, decalMode, frontFaceCW;
  bool spinEnabled;
  int dragButton, dragState, lastMouseX, lastMouseY, windowWidth, windowHeight;
};

ViewSnapshot takeSnapshot() {
  return {{eye[0], eye[1], eye[2]},
          {center[0], center[1], center[2]},
          angle, rotX, rotY, rotZ, zoom,
          orthoMode, depthTestOn, textureOn, nearestFilter, repeatWrap, decalMode, frontFaceCW,
          spinEnabled,
          dragButton, dragState, lastMouseX, lastMouseY, windowWidth, windowHeight};
}

// The view state's initialisers are constants, so they are in place before
// this dynamic initialiser runs: the snapshot holds the program's start.
const ViewSnapshot initial = takeSnapshot();

int redisplays = 0;
void countRedisplay() { ++redisplays; }

void leaveMainLoop(int) { glutLeaveMainLoop(); }

bool windowOpen = false;
bool firstFrameSeen = false;

}  // namespace

void openTestWindow() {
  if (windowOpen) return;
  int argc = 1;
  char name[] = "tidewick-test";
  char* argv[] = {name, nullptr};
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_SINGLE | GLUT_DEPTH);
  glutInitWindowSize(1000, 1000);
  glutCreateWindow("Tidewick test");
  glutDisplayFunc(countRedisplay);  // freeglut runs no events without one
  windowOpen = true;
}

void pumpEvents(int rounds) {
  for (int i = 0; i < rounds; ++i) glutMainLoopEvent();
}

void runMainLoopFor(int ms) {
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  glutTimerFunc(ms, leaveMainLoop, 0);
  glutMainLoop();
  windowOpen = false;
  firstFrameSeen = false;
}

void startCountingRedisplays() {
  // A new window's first expose can arrive late on a busy machine: wait for
  // the first frame, then for the loop to fall quiet.
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (!firstFrameSeen && Clock::now() < deadline) {
    pumpEvents(1);
    firstFrameSeen = redisplays > 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  for (auto quietSince = Clock::now(); Clock::now() - quietSince < std::chrono::milliseconds(50);) {
    const int before = redisplays;
    pumpEvents(1);
    if (redisplays != before) quietSince = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  redisplays = 0;
}

int countedRedisplays() {
  pumpEvents(3);
  return redisplays;
}

void resetViewState() {
  const ViewSnapshot& s = initial;
  for (int i = 0; i < 3; ++i) {
    eye[i] = s.eye[i];
    center[i] = s.center[i];
  }
  angle = s.angle;
  rotX = s.rotX;
  rotY = s.rotY;
  rotZ = s.rotZ;
  zoom = s.zoom;
  orthoMode = s.orthoMode;
  depthTestOn = s.depthTestOn;
  textureOn = s.textureOn;
  nearestFilter = s.nearestFilter;
  repeatWrap = s.repeatWrap;
  decalMode = s.decalMode;
  frontFaceCW = s.frontFaceCW;
  spinEnabled = s.spinEnabled;
  dragButton = s.dragButton;
  dragState = s.dragState;
  lastMouseX = s.lastMouseX;
  lastMouseY = s.lastMouseY;
  windowWidth = s.windowWidth;
  windowHeight = s.windowHeight;
}

Pixel readPixel(int x, int y) {
  unsigned char p[3] = {};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

std::vector<GLenum> glErrors() {
  std::vector<GLenum> errors;
  for (GLenum e; (e = glGetError()) != GL_NO_ERROR && errors.size() < 16;) errors.push_back(e);
  return errors;
}

std::string makeTempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/tidewick-test-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

WorkingDir::WorkingDir(const std::string& dir) {
  char here[PATH_MAX];
  if (!getcwd(here, sizeof here) || chdir(dir.c_str()) != 0)
    throw std::runtime_error("cannot change to " + dir);
  previous_ = here;
}

WorkingDir::~WorkingDir() {
  if (chdir(previous_.c_str()) != 0) std::abort();
}
