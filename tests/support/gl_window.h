// The one real GLUT window of an in-process test, and ways to look at what
// the program's functions did to it.
#pragma once

#include <GL/gl.h>

#include <string>
#include <vector>

#include "pixel.h"

// Opens a 1000 x 1000 single-buffered RGB window with a depth buffer, once
// per process: the display function's swap is then a no-op and glReadPixels
// sees the finished frame. Only an empty display callback is registered and no events are
// run, so the first pumpEvents delivers the window's first reshape.
void openTestWindow();

// Runs rounds of freeglut's event loop. Idle callbacks do not run here.
void pumpEvents(int rounds = 5);

// Runs the real glutMainLoop, idle callback included, for about ms
// milliseconds. freeglut tears everything down when its loop returns, so the
// next openTestWindow opens a fresh window and context.
void runMainLoopFor(int ms);

// Pumps events until no redisplay is pending, then counts the redisplays
// that body requests.
template <typename Body>
int redisplaysRequestedBy(Body body);

// Puts every view-state variable back to the value it had when the process
// started, so each test begins from the program's own initial state.
void resetViewState();

Pixel readPixel(int x, int y);  // GL window coordinates, origin bottom-left

// Drains the GL error queue and returns what was in it.
std::vector<GLenum> glErrors();

// A fresh empty folder under the system's temporary folder.
std::string makeTempDir();

// Changes the working folder for as long as the object lives.
class WorkingDir {
 public:
  explicit WorkingDir(const std::string& dir);
  ~WorkingDir();

 private:
  std::string previous_;
};

int countedRedisplays();
void startCountingRedisplays();

template <typename Body>
int redisplaysRequestedBy(Body body) {
  startCountingRedisplays();
  body();
  return countedRedisplays();
}
