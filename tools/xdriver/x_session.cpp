#include "x_session.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/record.h>
#include <X11/extensions/shmproto.h>  // after Xproto.h, whose types it uses
#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

void endProcess(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      pid = -1;
      return;
    }
    sleepMs(20);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  pid = -1;
}

// Keeps a test that fails to clean up from leaving servers behind.
int ignoreXErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> refusedGlCalls(const std::string& errors) {
  // Mesa 22 writes "Mesa: User error: GL_INVALID_ENUM in glEnable(...)",
  // Mesa 25 "Mesa: error: GL_INVALID_ENUM in ..."; what follows the error's
  // name is worded by each Mesa.
  std::vector<std::string> refused;
  std::istringstream lines(errors);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("Mesa: ", 0) == 0 && line.find("error: GL_") != std::string::npos)
      refused.push_back(line);
  return refused;
}

const char* const townPictureFiles[13] = {
    "kest1.bmp", "kest2.bmp", "kest3.bmp", "kest4.bmp", "mirl1.bmp", "mirl2.bmp", "mirl3.bmp",
    "mirl6.bmp", "toba1.bmp", "toba2.bmp", "toba3.bmp", "sun.bmp",   "moon.bmp"};

std::string copyTownPictures(const std::string& from, const std::string& tag) {
  std::string dir = "/tmp/tidewick-" + tag + "-XXXXXX";
  if (!mkdtemp(dir.data())) throw std::runtime_error("mkdtemp failed");
  for (const char* file : townPictureFiles) {
    std::error_code error;
    std::filesystem::copy_file(from + "/" + file, dir + "/" + file, error);
    if (error)
      throw std::runtime_error("cannot copy " + from + "/" + file + ": " + error.message());
  }
  return dir;
}

Pixel Capture::at(int x, int y) const {
  const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
  return {p[0], p[1], p[2]};
}

bool writePng(const std::string& path, const Capture& image) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y)
    png_write_row(png, &image.rgb[static_cast<size_t>(y) * image.width * 3]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

bool readPng(const std::string& path, Capture* image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
  png.format = PNG_FORMAT_RGB;
  image->width = static_cast<int>(png.width);
  image->height = static_cast<int>(png.height);
  image->rgb.resize(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, image->rgb.data(), 0, nullptr)) return true;
  png_image_free(&png);
  return false;
}

XSession::XSession(int screenWidth, int screenHeight) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  const pid_t session = getpid();
  server_ = fork();
  if (server_ == 0) {
    // A session ended without its destructor (a test killed at its time
    // limit) takes its server with it, and the server the program it ran.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != session) _exit(1);
    close(fds[0]);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, STDERR_FILENO);
    dup2(devNull, STDOUT_FILENO);
    const std::string fd = std::to_string(fds[1]);
    // -r: no key autorepeat, so a held key is one key.
    const std::string screen =
        std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "x24";
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
           "tcp", "-r", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  char number[32] = {};
  ssize_t got = 0;
  for (ssize_t n; got < 31 && (n = read(fds[0], number + got, 31 - got)) > 0;) {
    got += n;
    if (number[got - 1] == '\n') break;
  }
  close(fds[0]);
  if (got <= 0) {
    endProcess(server_);
    throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
  }
  display_ = ":" + std::string(number, number + got - (number[got - 1] == '\n'));
  XSetErrorHandler(ignoreXErrors);
  dpy_ = XOpenDisplay(display_.c_str());
  if (!dpy_) {
    endProcess(server_);
    throw std::runtime_error("cannot connect to Xvfb on " + display_);
  }
}

XSession::~XSession() {
  stop();
  if (dpy_) XCloseDisplay(dpy_);
  endProcess(server_);
}

bool XSession::windowSize(XWindowId window, int* width, int* height) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(dpy_, window, &a)) return false;
  *width = a.width;
  *height = a.height;
  return true;
}

bool XSession::windowRect(XWindowId window, int* x, int* y, int* width, int* height) {
  if (!windowSize(window, width, height)) return false;
  Window ignored;
  return XTranslateCoordinates(dpy_, window, DefaultRootWindow(dpy_), 0, 0, x, y, &ignored);
}

std::vector<XWindowId> XSession::childWindows(XWindowId parent) {
  std::vector<XWindowId> found;
  Window root, above, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(dpy_, parent, &root, &above, &children, &count)) return found;
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(dpy_, children[i], &attributes) && attributes.map_state == IsViewable)
      found.push_back(children[i]);
  }
  if (children) XFree(children);
  return found;
}

XWindowId XSession::findWindowIn(XWindowId parent, const std::string& title) {
  for (const XWindowId child : childWindows(parent)) {
    char* name = nullptr;
    const bool named = XFetchName(dpy_, child, &name) && name;
    const bool same = named && title == name;
    if (named) XFree(name);
    if (same) return child;
    if (const XWindowId below = findWindowIn(child, title)) return below;
  }
  return 0;
}

namespace {

bool sameIgnoringCase(const std::string& a, const char* b) {
  const std::string other = b;
  return a.size() == other.size() &&
         std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::vector<XWindowId> XSession::windowsTitled(const std::string& title) {
  std::vector<XWindowId> found;
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &parent, &children, &count)) return found;
  for (unsigned i = 0; i < count; ++i) {
    char* name = nullptr;
    XWindowAttributes attributes;
    if (XFetchName(dpy_, children[i], &name) && name) {
      if (sameIgnoringCase(title, name) && XGetWindowAttributes(dpy_, children[i], &attributes) &&
          attributes.map_state == IsViewable)
        found.push_back(children[i]);
      XFree(name);
    }
  }
  if (children) XFree(children);
  return found;
}

bool XSession::launch(const std::string& program, const std::string& workDir,
                      const std::string& title, const std::vector<std::string>& env) {
  // The child changes folder before it runs the program.
  char resolved[PATH_MAX];
  const std::string path = realpath(program.c_str(), resolved) ? resolved : program;
  child_ = fork();
  if (child_ == 0) {
    if (chdir(workDir.c_str()) != 0) _exit(126);
    const int out = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    setenv("DISPLAY", display_.c_str(), 1);
    setenv("MESA_DEBUG", "1", 1);
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  const bool appeared = waitUntil(
      [&] {
        const std::vector<XWindowId> w = windowsTitled(title);
        if (!w.empty()) window_ = w.front();
        return !w.empty() || !running();
      },
      startupTimeoutMs);
  if (!appeared || window_ == 0) return false;
  // Without a window manager freeglut's window sits at (-1, -1).
  XMoveWindow(dpy_, window_, 0, 0);
  XSync(dpy_, False);
  waitUntil(
      [&] {
        int x = -1, y = -1;
        Window ignored;
        XTranslateCoordinates(dpy_, window_, DefaultRootWindow(dpy_), 0, 0, &x, &y, &ignored);
        return x == 0 && y == 0;
      },
      5000);
  int width = 0, height = 0;
  windowSize(window_, &width, &height);
  moveTo(width / 2, height / 2);  // focus follows the pointer
  return true;
}

int XSession::close(int timeoutMs) {
  if (child_ <= 0) return -1;
  if (window_) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window_;
    e.xclient.message_type = XInternAtom(dpy_, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy_, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy_, window_, False, NoEventMask, &e);
    XSync(dpy_, False);
  }
  int status = 0;
  const bool exited =
      waitUntil([&] { return waitpid(child_, &status, WNOHANG) == child_; }, timeoutMs);
  if (!exited) {
    endProcess(child_);
    return -1;
  }
  child_ = -1;
  window_ = 0;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void XSession::stop() {
  endProcess(child_);
  window_ = 0;
}

bool XSession::running() {
  if (child_ <= 0) return false;
  int status;
  if (waitpid(child_, &status, WNOHANG) == child_) {
    child_ = -1;
    return false;
  }
  return true;
}

void XSession::key(const std::string& keysym, bool shift) {
  const KeyCode code = XKeysymToKeycode(dpy_, XStringToKeysym(keysym.c_str()));
  const KeyCode shiftCode = XKeysymToKeycode(dpy_, XK_Shift_L);
  if (shift) XTestFakeKeyEvent(dpy_, shiftCode, True, CurrentTime);
  XTestFakeKeyEvent(dpy_, code, True, CurrentTime);
  XTestFakeKeyEvent(dpy_, code, False, CurrentTime);
  if (shift) XTestFakeKeyEvent(dpy_, shiftCode, False, CurrentTime);
  XSync(dpy_, False);
}

void XSession::moveTo(int x, int y) {
  XTestFakeMotionEvent(dpy_, DefaultScreen(dpy_), x, y, CurrentTime);
  XSync(dpy_, False);
}

void XSession::button(int number, bool down) {
  XTestFakeButtonEvent(dpy_, number, down ? True : False, CurrentTime);
  XSync(dpy_, False);
}

void XSession::holdServer(bool held) {
  if (held)
    XGrabServer(dpy_);
  else
    XUngrabServer(dpy_);
  XSync(dpy_, False);
}

void XSession::drag(int number, int x0, int y0, int x1, int y1, int steps) {
  moveTo(x0, y0);
  button(number, true);
  for (int i = 1; i <= steps; ++i) moveTo(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
  button(number, false);
}

Capture XSession::capture(int x, int y, int w, int h) {
  XWindowAttributes a;
  if (!window_ || !XGetWindowAttributes(dpy_, window_, &a))
    throw std::runtime_error("the window cannot be read: it is gone");
  if (w < 0) w = a.width - x;
  if (h < 0) h = a.height - y;
  XImage* image = XGetImage(dpy_, window_, x, y, w, h, AllPlanes, ZPixmap);
  if (!image) throw std::runtime_error("the window's pixels cannot be read");
  Capture c;
  c.width = w;
  c.height = h;
  c.rgb.resize(static_cast<size_t>(w) * h * 3);
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col) {
      const unsigned long v = XGetPixel(image, col, row);
      uint8_t* p = &c.rgb[(static_cast<size_t>(row) * w + col) * 3];
      p[0] = (v >> 16) & 0xff;  // a 24-bit TrueColor screen: 0xRRGGBB
      p[1] = (v >> 8) & 0xff;
      p[2] = v & 0xff;
    }
  XDestroyImage(image);
  return c;
}

Pixel XSession::pixel(int x, int y) {
  const Capture c = capture(x, y, 1, 1);
  return c.at(0, 0);
}

bool XSession::waitUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    sleepMs(20);
  }
  return true;
}

bool XSession::waitForPixel(int x, int y, const std::function<bool(Pixel)>& wanted, int timeoutMs) {
  return waitUntil([&] { return wanted(pixel(x, y)); }, timeoutMs);
}

long processStatusKb(pid_t pid, const std::string& field) {
  FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
  if (!f) return -1;
  long kb = -1;
  char line[256];
  const std::string prefix = field + ":";
  while (kb < 0 && std::fgets(line, sizeof line, f))
    if (prefix.compare(0, prefix.size(), line, prefix.size()) == 0)
      kb = std::strtol(line + prefix.size(), nullptr, 10);
  std::fclose(f);
  return kb;
}

// RECORD hands each request over as the client sent it, in the client's byte
// order, after the server has accepted it.
struct FrameRecorder {
  static uint16_t field16(const unsigned char* request, int offset, bool swapped) {
    const uint16_t v = static_cast<uint16_t>(request[offset] | request[offset + 1] << 8);
    return swapped ? static_cast<uint16_t>(v >> 8 | v << 8) : v;
  }

  static void onRequest(XPointer closure, XRecordInterceptData* data) {
    auto* counter = reinterpret_cast<FrameCounter*>(closure);
    if (data->category == XRecordFromClient && data->data_len >= 6) {
      const unsigned char* request = data->data;
      const bool swapped = data->client_swapped;
      // A request longer than 256 KB (BIG-REQUESTS) has 0 in its length
      // field and a 4-byte length after it, which moves every field along.
      const int shift = field16(request, 2, swapped) == 0 ? 4 : 0;
      // Sizes, then the destination's x and y, which are signed.
      int width = 0, height = 0, x = 0, y = 0;
      if (request[0] == X_PutImage) {
        width = field16(request, 12 + shift, swapped);
        height = field16(request, 14 + shift, swapped);
        x = static_cast<int16_t>(field16(request, 16 + shift, swapped));
        y = static_cast<int16_t>(field16(request, 18 + shift, swapped));
      } else if (request[0] == counter->shmOpcode_ && request[1] == X_ShmPutImage) {
        width = field16(request, 20, swapped);  // srcWidth, srcHeight
        height = field16(request, 22, swapped);
        x = static_cast<int16_t>(field16(request, 24, swapped));
        y = static_cast<int16_t>(field16(request, 26, swapped));
      }
      counter->addPut(x, y, width, height);
    }
    XRecordFreeData(data);
  }
};

FrameCounter::FrameCounter(const XSession& session, int frameWidth, int frameHeight)
    : frameWidth_(frameWidth),
      frameHeight_(frameHeight),
      frameArea_(int64_t{frameWidth} * frameHeight) {
  control_ = XOpenDisplay(session.displayName().c_str());
  data_ = XOpenDisplay(session.displayName().c_str());
  int major = 0, minor = 0;
  if (!control_ || !data_ || !XRecordQueryVersion(control_, &major, &minor)) {
    if (control_) XCloseDisplay(control_);
    if (data_) XCloseDisplay(data_);
    throw std::runtime_error("the X server cannot record requests");
  }
  int event = 0, error = 0;
  if (!XQueryExtension(control_, "MIT-SHM", &shmOpcode_, &event, &error)) shmOpcode_ = -1;

  XRecordRange* range = XRecordAllocRange();
  range->core_requests.first = range->core_requests.last = X_PutImage;
  if (shmOpcode_ > 0) {
    range->ext_requests.ext_major.first = range->ext_requests.ext_major.last =
        static_cast<unsigned char>(shmOpcode_);
    range->ext_requests.ext_minor.first = range->ext_requests.ext_minor.last = X_ShmPutImage;
  }
  XRecordClientSpec clients = XRecordAllClients;
  context_ = XRecordCreateContext(control_, 0, &clients, 1, &range, 1);
  XFree(range);
  XSync(control_, False);
  if (!context_ || !XRecordEnableContextAsync(data_, context_, FrameRecorder::onRequest,
                                              reinterpret_cast<XPointer>(this))) {
    XCloseDisplay(control_);
    XCloseDisplay(data_);
    throw std::runtime_error("cannot start recording requests");
  }
  // The data connection belongs to the watcher from here on.
  watcher_ = std::thread([this] { watch(); });
}

FrameCounter::~FrameCounter() {
  stopping_ = true;
  watcher_.join();
  XRecordDisableContext(control_, context_);
  XRecordFreeContext(control_, context_);
  XSync(control_, False);
  XCloseDisplay(data_);
  XCloseDisplay(control_);
}

void FrameCounter::watch() {
  pollfd fd{ConnectionNumber(data_), POLLIN, 0};
  while (!stopping_) {
    XRecordProcessReplies(data_);
    poll(&fd, 1, 20);
  }
}

void FrameCounter::addPut(int x, int y, int width, int height) {
  // Only what lands inside the frame counts: llvmpipe keeps its buffers in
  // whole 64-pixel tiles and puts all of a 1024-pixel buffer for a 1000-pixel
  // window, and the server clips the rest away.
  const int64_t w = std::min(x + width, frameWidth_) - std::max(x, 0);
  const int64_t h = std::min(y + height, frameHeight_) - std::max(y, 0);
  if (w <= 0 || h <= 0) return;
  const int64_t total = area_ += w * h;
  if (total >= frameArea_ && firstFrameNs_ == 0)
    firstFrameNs_ =
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
            .count();
}

long FrameCounter::frames() const { return static_cast<long>(area_ / frameArea_); }

FrameCounter::Clock::time_point FrameCounter::firstFrameAt() const {
  return Clock::time_point(std::chrono::nanoseconds(firstFrameNs_.load()));
}

bool FrameCounter::waitForFrames(long count, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (frames() < count) {
    if (Clock::now() > deadline) return false;
    sleepMs(5);
  }
  return true;
}
