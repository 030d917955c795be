#include "harness.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <stdexcept>

#include "app/view_state.h"
#include "x_session.h"

const char* const fileOfTexture[18] = {
    nullptr,     "kest1.bmp", "kest2.bmp", "kest3.bmp", "kest1.bmp", "kest2.bmp",
    "kest3.bmp", "kest4.bmp", "mirl6.bmp", "kest3.bmp", "mirl3.bmp", "toba1.bmp",
    "toba3.bmp", "toba2.bmp", "mirl1.bmp", "mirl2.bmp", "sun.bmp",   "moon.bmp"};

std::vector<std::string> pictureFiles() {
  return {std::begin(townPictureFiles), std::end(townPictureFiles)};
}

Rgb pictureColour(const std::string& file) {
  const std::vector<std::string> files = pictureFiles();
  const int i = static_cast<int>(std::find(files.begin(), files.end(), file) - files.begin());
  return {static_cast<uint8_t>(40 + 15 * i), static_cast<uint8_t>(200 - 11 * i),
          static_cast<uint8_t>(60 + (70 * i) % 180)};
}

Pixel asPixel(Rgb c) { return {c.r, c.g, c.b}; }

std::string makeTempDir() {
  std::string pattern = testing::TempDir() + "tidewick-test-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

std::string solidPictureFolder(const std::vector<std::string>& without) {
  const std::string dir = makeTempDir();
  for (const std::string& file : pictureFiles())
    if (std::find(without.begin(), without.end(), file) == without.end())
      writeSolidBmp(dir + "/" + file, 8, 8, pictureColour(file));
  return dir;
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

std::string printedBy(const std::function<void()>& body) {
  testing::internal::CaptureStdout();
  body();
  return testing::internal::GetCapturedStdout();
}

namespace {

bool windowOpen = false;
int redisplays = 0;
void countRedisplay() { ++redisplays; }

// In a single-buffered window Mesa's software rasterizers keep the frame in
// memory and put it into the window when GL is flushed. freeglut's exit
// handler destroys the window first and closes the display after, which
// releases the context, which flushes: newer Mesa then puts the last frame
// into a window that is gone, and Xlib ends the process with an X error.
// Exit handlers run last registered first, so this one, registered after
// glutInit's, leaves nothing to put before freeglut's runs.
void finishLastFrame() { glFinish(); }

float angleAtFirstTimer = 0, angleMoved = 0;
void secondTimer(int) {
  angleMoved = angle - angleAtFirstTimer;
  finishLastFrame();  // the loop's end tears the window down as exit does
  glutLeaveMainLoop();
}
void firstTimer(int) {
  angleAtFirstTimer = angle;
  glutTimerFunc(1, secondTimer, 0);  // due only after the next idle call
}

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
  std::atexit(finishLastFrame);
  windowOpen = true;
  // The window's first expose arrives when the server maps it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (redisplays == 0 && std::chrono::steady_clock::now() < deadline) glutMainLoopEvent();
  for (int i = 0; i < 3; ++i) glutMainLoopEvent();
}

int redisplaysDuring(const std::function<void()>& body) {
  glutMainLoopEvent();
  redisplays = 0;
  body();
  glutMainLoopEvent();
  return redisplays;
}

float angleMovedByIdleCalls() {
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  glutTimerFunc(0, firstTimer, 0);
  glutMainLoop();
  windowOpen = false;
  return angleMoved;
}

Pixel readPixel(int x, int y) {
  unsigned char p[3] = {};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
  if (glGetError() != GL_NO_ERROR) return {-1, -1, -1};  // matches no colour
  return {p[0], p[1], p[2]};
}

std::vector<GLenum> glErrors() {
  std::vector<GLenum> errors;
  for (GLenum e; (e = glGetError()) != GL_NO_ERROR && errors.size() < 16;) errors.push_back(e);
  return errors;
}
