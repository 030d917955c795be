// Driving the real viewer as a person would: a private Xvfb server, the
// program started in a folder of our choosing, keys and mouse sent through
// XTest, and the window's pixels read back with XGetImage. Shared by the
// end-to-end tests, the gallery and the soak.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "pixel.h"

// Xlib's own headers define macros (None, Bool, Status) that clash with
// other libraries, so they stay inside the implementation.
struct _XDisplay;
using XWindowId = unsigned long;

struct Capture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // top row first, as on screen
  Pixel at(int x, int y) const;
};

bool writePng(const std::string& path, const Capture& image);
// Reads a PNG file as 8-bit RGB, as writePng writes it; false if it cannot.
bool readPng(const std::string& path, Capture* image);

// The thirteen picture files the viewer reads from the folder it starts in.
extern const char* const townPictureFiles[13];

// Copies the town's pictures from folder from into a fresh temporary folder
// and returns it, so that a viewer started there writes its stdout.txt and
// stderr.txt outside the build. Throws std::runtime_error on failure.
std::string copyTownPictures(const std::string& from, const std::string& tag);

void sleepMs(int ms);

// A file's whole content, such as a program's stderr.txt; throws
// std::runtime_error if it cannot be read, so that a check of what a file
// holds never passes on a file it did not see.
std::string fileText(const std::string& path);

// The lines of a program's standard error in which Mesa reports a GL call it
// refused, each naming the call and the error, one per line; empty when there
// are none. A refused call changes nothing on screen, and GL only records an
// error for glGetError, which the viewer never calls; Mesa writes these lines
// too, but only when MESA_DEBUG is set.
std::vector<std::string> refusedGlCalls(const std::string& errors);

// How long a program may take to start: to show its window, and then to
// draw its first frame. Under the sanitizers, on a busy machine, or with
// Wine starting first, it takes seconds.
constexpr int startupTimeoutMs = 20000;

class XSession {
 public:
  // Starts Xvfb on a free display with a screen of the given size; throws
  // std::runtime_error on failure.
  explicit XSession(int screenWidth = 1280, int screenHeight = 1024);
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  const std::string& displayName() const { return display_; }

  // Starts program in workDir with its standard output in workDir/stdout.txt
  // (standard error in stderr.txt), waits for its window titled title, moves
  // it to the screen's corner and puts the pointer over its centre, so that
  // focus follows and screen and window coordinates agree. Returns false if
  // no window appears within the time limit. The program runs with
  // MESA_DEBUG=1, so that each GL call Mesa refuses is named in stderr.txt
  // (see refusedGlCalls).
  bool launch(const std::string& program, const std::string& workDir,
              const std::string& title = "Tidewick", const std::vector<std::string>& env = {});
  void stop();  // ends the program at once
  // Closes the window as a person would and waits for the program to exit,
  // which flushes its output. Returns its exit status, or -1 if it was
  // killed or had to be killed.
  int close(int timeoutMs = 10000);
  bool running();
  pid_t pid() const { return child_; }
  XWindowId window() const { return window_; }

  // Every top-level window with this title, in capitals or not: Wine 8
  // titles its desktop "NAME - Wine desktop", Wine 10 "NAME - Wine Desktop".
  std::vector<XWindowId> windowsTitled(const std::string& title);
  bool windowSize(XWindowId window, int* width, int* height);
  // Where a window lies on the screen, frame excluded; false if it is gone.
  bool windowRect(XWindowId window, int* x, int* y, int* width, int* height);
  // The first viewable window with exactly this title below parent, at any
  // depth, as a Wine desktop holds its programs' windows; 0 if none.
  XWindowId findWindowIn(XWindowId parent, const std::string& title);
  // A window's viewable children, bottom first.
  std::vector<XWindowId> childWindows(XWindowId parent);

  void key(const std::string& keysym, bool shift = false);
  void moveTo(int x, int y);           // window coordinates
  void button(int number, bool down);  // X numbering: 1 left, 2 middle, 3 right
  void drag(int button, int x0, int y0, int x1, int y1, int steps);

  // While the server is held, it serves this session alone: the program's
  // requests wait, so it stops at the first one that needs an answer, but
  // the events sent to it (keys, buttons) still reach it.
  void holdServer(bool held);

  // Both throw std::runtime_error when the window cannot be read, so that a
  // check never judges pixels it did not see.
  Capture capture(int x = 0, int y = 0, int w = -1, int h = -1);
  Pixel pixel(int x, int y);

  // Polls about every 20 ms until done() holds; false after timeoutMs.
  bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000);
  bool waitForPixel(int x, int y, const std::function<bool(Pixel)>& wanted, int timeoutMs = 5000);

 private:
  pid_t server_ = -1;
  pid_t child_ = -1;
  _XDisplay* dpy_ = nullptr;
  XWindowId window_ = 0;
  std::string display_;
};

// Counts the frames that programs put on the screen of a session, from the X
// requests that carry finished pictures to the server: core PutImage and
// MIT-SHM's ShmPutImage, which is how a software GL presents a swapped
// buffer. It watches through the RECORD extension, so the program needs no
// help, and every frame counts however alike two frames look. Puts are added
// up by the area they cover of the frame (a put's position is relative to its
// window), so a frame sent in strips still counts once. Puts to any window
// count, so run one program at a time. Create it before launching the program
// to see the first frame.
class FrameCounter {
 public:
  using Clock = std::chrono::steady_clock;

  // frameWidth x frameHeight is the size of one whole frame (the window).
  // Throws std::runtime_error if the server cannot record.
  FrameCounter(const XSession& session, int frameWidth, int frameHeight);
  ~FrameCounter();
  FrameCounter(const FrameCounter&) = delete;
  FrameCounter& operator=(const FrameCounter&) = delete;

  long frames() const;  // whole frames' worth of pixels put so far
  // When the server received the first whole frame; meaningful once
  // frames() > 0.
  Clock::time_point firstFrameAt() const;
  bool waitForFrames(long count, int timeoutMs);

 private:
  friend struct FrameRecorder;
  void addPut(int x, int y, int width, int height);
  void watch();

  _XDisplay* control_ = nullptr;
  _XDisplay* data_ = nullptr;
  unsigned long context_ = 0;
  int shmOpcode_ = -1;
  int frameWidth_, frameHeight_;
  int64_t frameArea_;
  std::atomic<int64_t> area_{0};
  std::atomic<int64_t> firstFrameNs_{0};
  std::atomic<bool> stopping_{false};
  std::thread watcher_;
};

// A size field of /proc/PID/status such as "VmRSS" or "VmHWM", in kB; -1 if
// the process or the field is gone.
long processStatusKb(pid_t pid, const std::string& field);
