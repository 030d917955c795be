// The real viewer as a person meets it: its window, its pictures, and every
// control sent through the X server, with the window's pixels read back.
#include <glob.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "image/bmp_image.h"
#include "stillness.h"
#include "viewer.h"

// After gtest: Xlib's macros (None, Bool) would break its headers.
#include <GL/glx.h>
#include <X11/Xutil.h>

namespace {

const Pixel black{0, 0, 0}, green{0, 255, 0}, yellow{255, 255, 0};
Pixel colourOf(const char* file) { return asPixel(pictureColour(file)); }

// Calls use with the visual the window was made with, on a connection of
// its own.
void withVisualOf(const std::string& display, XWindowId window,
                  const std::function<void(Display*, XVisualInfo*)>& use) {
  Display* dpy = XOpenDisplay(display.c_str());
  if (!dpy) return;
  XWindowAttributes a;
  XGetWindowAttributes(dpy, window, &a);
  XVisualInfo wanted;
  wanted.visualid = XVisualIDFromVisual(a.visual);
  int count = 0;
  XVisualInfo* info = XGetVisualInfo(dpy, VisualIDMask, &wanted, &count);
  if (info) use(dpy, info);
  XFree(info);
  XCloseDisplay(dpy);
}

int visualAttribute(const std::string& display, XWindowId window, int attribute) {
  int value = -1;
  withVisualOf(display, window, [&](Display* dpy, XVisualInfo* info) {
    glXGetConfig(dpy, info, attribute, &value);
  });
  return value;
}

// GL_RENDERER in a context of ours made current on the window (it draws
// nothing): the rasterizer this Mesa gives a program started with our
// environment, as the viewer was.
std::string rendererOn(const std::string& display, XWindowId window) {
  std::string name;
  withVisualOf(display, window, [&](Display* dpy, XVisualInfo* info) {
    GLXContext context = glXCreateContext(dpy, info, nullptr, True);
    if (context && glXMakeCurrent(dpy, window, context)) {
      if (const GLubyte* r = glGetString(GL_RENDERER)) name = reinterpret_cast<const char*>(r);
      glXMakeCurrent(dpy, None, nullptr);
    }
    if (context) glXDestroyContext(dpy, context);
  });
  return name;
}

// With no pictures every texture is empty and each face shows its colour.
TEST_F(ViewerTest, OneWindowOfAThousandPixelsSquareDrawsTheTownInFlatColours) {
  start(makeTempDir());
  const std::vector<XWindowId> windows = x.windowsTitled("Tidewick");
  ASSERT_EQ(windows.size(), 1u);
  int width = 0, height = 0;
  ASSERT_TRUE(x.windowSize(windows[0], &width, &height));
  EXPECT_EQ(width, 1000);
  EXPECT_EQ(height, 1000);
  EXPECT_TRUE(pixelBecomes(onScreen(0.5, 0.4, 1), green)) << "large house's gable";
  EXPECT_TRUE(pixelBecomes(onScreen(1.2, 0.3, -0.15), yellow)) << "east house's wall";
  EXPECT_TRUE(pixelBecomes(onScreen(3.2, 3.2, -3), black)) << "the sky beyond the backdrop";
}

TEST_F(ViewerTest, TheWindowIsDoubleBufferedWithADepthBuffer) {
  start(makeTempDir());
  EXPECT_EQ(visualAttribute(x.displayName(), x.window(), GLX_DOUBLEBUFFER), 1);
  EXPECT_GE(visualAttribute(x.displayName(), x.window(), GLX_DEPTH_SIZE), 16);
  // A run on another rasterizer proves nothing if Mesa quietly kept its own.
  if (const char* driver = std::getenv("GALLIUM_DRIVER")) {
    const std::string renderer = rendererOn(x.displayName(), x.window());
    EXPECT_NE(renderer.find(driver), std::string::npos) << "GL_RENDERER is " << renderer;
  }
}

// One row per kind of broken picture: the viewer goes on, says what is wrong
// in one line per read as it happens, even into a pipe, and the texture
// takes the picture read before it. A file declaring 2 GB of rows it does
// not hold costs nothing.
TEST_F(ViewerTest, BrokenPicturesAreReportedAtOnceAndTheirTexturesKeepThePreviousPicture) {
  // The moon's picture, read last, is missing too, so the last line is one
  // that no later line's flush would carry along.
  const std::string folder = solidPictureFolder({"toba1.bmp", "moon.bmp"});
  Bytes tooWide = encodeBmp24(8, 8, std::vector<Rgb>(64, {1, 2, 3})), noRows = tooWide;
  put32(tooWide, 18, 5000);
  noRows.resize(54);
  put32(noRows, 18, 1024);
  put32(noRows, 22, 699050);  // 2 GB of rows, just within the size rule
  writeFile(folder + "/mirl6.bmp", {});
  writeFile(folder + "/toba3.bmp", tooWide);
  writeFile(folder + "/mirl2.bmp", noRows);
  std::remove((folder + "/mirl1.bmp").c_str());
  std::remove((folder + "/kest2.bmp").c_str());
  ASSERT_EQ(mkdir((folder + "/mirl1.bmp").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo((folder + "/kest2.bmp").c_str(), 0644), 0);
  refusedCallsExpected = 1;  // mirl2's upload: no GL takes a picture 699050 rows high
  // The viewer's standard output is a pipe, drained into a file as it comes.
  start(folder, "mkfifo out.pipe\ncat out.pipe > piped.txt &\nviewer > out.pipe\n");

  const struct {
    const char* what;
    ScreenPoint at;
    Pixel shows;
  } probes[] = {
      {"large house's gable", onScreen(0.5, 0.4, 1), colourOf("kest1.bmp")},
      {"sun", onScreen(3, 0.1, 0), colourOf("sun.bmp")},
      {"west house's gable, toba1 missing", onScreen(-1, 0.4, 0.5), colourOf("mirl3.bmp")},
      {"backdrop, mirl6 empty", onScreen(0.5, 2, -3), colourOf("kest4.bmp")},
      {"east house's gable, mirl1 a folder", onScreen(1.7, 0.4, 0.2), colourOf("toba2.bmp")},
      {"east house's wall, mirl2 too big to upload", onScreen(1.2, 0.3, -0.15), yellow},
      {"moon, its file missing", onScreen(-3, 0.1, 0), colourOf("sun.bmp")},
  };
  for (const auto& p : probes) EXPECT_TRUE(pixelBecomes(p.at, p.shows)) << p.what;
  const long peakKb = processStatusKb(x.pid(), "VmHWM");
  EXPECT_GT(peakKb, 0) << "the viewer's peak resident size could not be read";
  EXPECT_LT(peakKb, 512 * 1024) << "peak resident size";
  const std::string expected =
      "Could not open file 'kest2.bmp'\nCould not open file 'kest2.bmp'\n" +
      std::string(bmpMessageNotBmp) + "Could not open file 'toba1.bmp'\n" + bmpMessageSize +
      "Could not open file 'mirl1.bmp'\n" + bmpMessagePixels + "Could not open file 'moon.bmp'\n";
  // Windows' C runtime ends each line of a text stream with CR LF, the
  // system's own line ending; the lines themselves are the same.
  const auto inLinuxLineEndings = [&] {
    std::string text = fileText(folder + "/piped.txt");
    if (isWindowsProgram(viewerProgram())) {
      for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    }
    return text;
  };
  EXPECT_TRUE(x.waitUntil([&] { return inLinuxLineEndings() == expected; }))
      << "while the window is open, the pipe brought:\n"
      << fileText(folder + "/piped.txt");
}

// Where pixels of one colour are in a frame.
struct Patch {
  int count = 0;
  double centreX = 0, centreY = 0;
};

Patch find(const Capture& frame, Pixel colour) {
  Patch p;
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x)
      if (near(frame.at(x, y), colour)) {
        ++p.count;
        p.centreX += x;
        p.centreY += y;
      }
  if (p.count) p.centreX /= p.count, p.centreY /= p.count;
  return p;
}

class ControlsTest : public ViewerTest {
 protected:
  const Pixel gable = colourOf("kest1.bmp"), backdrop = colourOf("mirl6.bmp"),
              sun = colourOf("sun.bmp");
  const ScreenPoint gableCentre = onScreen(0.5, 0.4, 1), sunCentre = onScreen(3, 0.1, 0);

  void SetUp() override {
    start(solidPictureFolder());
    ASSERT_TRUE(pixelBecomes(gableCentre, gable));
  }

  // Polls whole frames until wanted holds for the patch of colour.
  ::testing::AssertionResult patchBecomes(Pixel colour,
                                          const std::function<bool(const Patch&)>& wanted,
                                          const std::string& what) {
    Patch last;
    if (x.waitUntil([&] { return wanted(last = find(x.capture(), colour)); }))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << what << ": " << last.count << " pixels centred at ("
                                         << last.centreX << ", " << last.centreY << ")";
  }

  // Presses key and waits for the frame it brings, the frame'th counted:
  // keys that arrive together share a redraw.
  bool press(const char* key, FrameCounter& frames, long frame) {
    x.key(key);
    return frames.waitForFrames(frame, 5000);
  }
};

TEST_F(ControlsTest, ArrowsWalkOneFrameAKey) {
  const Patch start = find(x.capture(), gable);
  ASSERT_GT(start.count, 1000);
  FrameCounter frames(x, 1000, 1000);
  for (int i = 1; i <= 8; ++i) ASSERT_TRUE(press("Up", frames, i));
  EXPECT_TRUE(patchBecomes(
      gable, [&](const Patch& p) { return p.count > start.count * 1.4; },
      "one unit closer, the gable looks bigger"));
  x.key("F1");  // no callback, no frame
  for (int i = 9; i <= 16; ++i) ASSERT_TRUE(press("Down", frames, i));
  EXPECT_TRUE(patchBecomes(
      gable, [&](const Patch& p) { return p.count == start.count; },
      "walking back restores the view"));
  EXPECT_EQ(frames.frames(), 16) << "one frame per arrow, none for F1";
}

// Each key changes what a point shows, and the keys after it undo that.
TEST_F(ControlsTest, LetterKeysChangeWhatTheWindowShows) {
  const struct {
    std::vector<const char*> keys;
    ScreenPoint at;
    Pixel before, after;
    std::vector<const char*> undo;
  } rows[] = {
      {{"d"}, gableCentre, gable, backdrop, {"d"}},
      {{"t"}, gableCentre, gable, green, {"q"}},  // one flat frame; any letter redraws
      // Upper case does nothing, so only the lower-case z after them shows.
      {{"D", "T", "P", "X", "z", "z"}, onScreen(0.5, 1.05, 1), backdrop, gable, {"x", "x"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.keys.front());
    EXPECT_TRUE(pixelBecomes(row.at, row.before)) << "before";
    for (const char* key : row.keys) x.key(key, std::isupper(key[0]));
    EXPECT_TRUE(pixelBecomes(row.at, row.after)) << "after";
    if (near(row.after, green)) {
      EXPECT_TRUE(pixelBecomes(sunCentre, sun)) << "the sun stays textured";
    }
    for (const char* key : row.undo) x.key(key);
  }
  EXPECT_TRUE(pixelBecomes(gableCentre, gable));
}

TEST_F(ControlsTest, DraggingDownTiltsTheTownTowardTheViewer) {
  const Patch start = find(x.capture(), gable);
  x.drag(1, 500, 300, 500, 450, 15);  // 150 pixels down: 30 degrees
  x.button(1, true);                  // held, so that the orbit stops
  EXPECT_TRUE(patchBecomes(
      gable, [&](const Patch& p) { return p.centreY > start.centreY + 30; },
      "the gable sinks as its top tips toward the viewer"));
  x.button(1, false);
}

// A flat frame drawn after the press lasts only while nothing redraws: the
// orbit would replace it within a frame and move the sun.
TEST_F(ControlsTest, ReleasingTheLeftButtonStartsTheOrbitAndPressingItStopsIt) {
  const Patch resting = find(x.capture(), sun);
  ASSERT_GT(resting.count, 100);
  x.moveTo(100, 900);  // an empty corner: the presses below drag nothing
  x.button(1, true);
  x.button(1, false);
  EXPECT_TRUE(patchBecomes(
      sun, [&](const Patch& p) { return p.centreY < resting.centreY - 20; },
      "the sun climbs as the orbit turns counter-clockwise"));
  x.button(1, true);
  x.key("t");
  ASSERT_TRUE(pixelBecomes(gableCentre, green)) << "the flat frame did not stay";
  const Patch held = find(x.capture(), sun);
  x.key("q");
  ASSERT_TRUE(pixelBecomes(gableCentre, gable));
  EXPECT_NEAR(find(x.capture(), sun).centreY, held.centreY, 0.01) << "the sun moved while held";
  x.button(1, false);
  EXPECT_TRUE(patchBecomes(
      sun, [&](const Patch& p) { return p.centreY < held.centreY - 20; },
      "releasing resumes the orbit"));
}

// The orbit's angle is also the camera's heading: degrees for the orbit,
// radians for the arrows. Once the sun has gone round, the heading has gone
// round 57 times and 1.86 radians more, and the arrows must turn and walk
// from there. The orbit cannot be stopped at a chosen step, so the test
// counts the steps it turned (after the press, one frame for the release,
// then a step before each further frame), works out the heading as the
// viewer adds it up, and turns by the presses that face the town again.
TEST_F(ControlsTest, AfterAWholeOrbitTheArrowsTurnAndWalkFromTheHeadingItLeft) {
  const Patch start = find(x.capture(), gable);
  x.moveTo(100, 900);  // an empty corner: the presses below drag nothing
  FrameCounter frames(x, 1000, 1000);
  const Stillness still(frames);
  x.button(1, true);
  const long pressed = still.wait();
  x.button(1, false);
  // A whole turn is 1800 steps of 0.2 degrees.
  ASSERT_TRUE(frames.waitForFrames(pressed + 1 + 1830, 240000)) << "the orbit did not go round";
  x.button(1, true);
  const long steps = still.wait() - pressed - 1;
  float angle = 0.0f;
  for (long i = 0; i < steps; ++i) angle += 0.2;  // as the viewer adds it, in double
  // Each Right adds 0.125 radians: at most 51 face the town again.
  int turns = 0;
  for (; std::fabs(std::remainder(angle, 2 * M_PI)) > 0.0626; ++turns) angle += 0.125f;
  long drawn = still.wait();
  for (int i = 0; i < turns; ++i) ASSERT_TRUE(press("Right", frames, ++drawn));
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(press("Up", frames, ++drawn));
  // The eye has walked one unit along heading h from (0, 0, 5). The gable's
  // point (0.5, 0.4, 1) lies at (0.25, 0.2, 0.5) there: the town is drawn
  // at half size.
  const double h = std::remainder(angle, 2 * M_PI), dx = 0.25 - std::sin(h), dz = std::cos(h) - 4.5;
  const double across = dx * std::cos(h) + dz * std::sin(h);
  const double along = dx * std::sin(h) - dz * std::cos(h);
  const double expectedX =
      start.centreX - onScreen(0.5, 0.4, 1).x + 500 + 500 / std::tan(M_PI / 6) * across / along;
  EXPECT_TRUE(patchBecomes(
      gable,
      [&](const Patch& p) {
        return p.count > start.count * 1.3 && std::fabs(p.centreX - expectedX) < 15;
      },
      "after " + std::to_string(steps) + " steps and " + std::to_string(turns) +
          " turns, the gable near x = " + std::to_string(std::lround(expectedX))));
}

// The folder the zip of the Windows program was unpacked into, when the
// tests were given a zip; the program there starts in it.
std::string unpackedFolder;

// Wine hands GL to the same Mesa, so the Windows program, reading the same
// pictures, must draw exactly the Linux viewer's first frame. A picture
// opened in text mode, for one, would not: the C runtime would drop every
// CR before an LF and end the file at the first 0x1A byte. Nor would a
// program unpacked from a zip that lacks a picture: it starts in its own
// folder, as a double-click starts it, with the pictures that came with it.
TEST_F(ViewerTest, TheWindowsProgramDrawsTheLinuxViewersFirstFrameExactly) {
  const std::string folder = copyTownPictures(TIDEWICK_PICTURES, "same-frame");
  const auto firstFrame = [&](const std::string& where, const std::string& program) {
    start(where, "viewer\n", program);
    return x.capture();
  };
  const Capture linuxFrame = firstFrame(folder, TIDEWICK_BINARY);
  ASSERT_EQ(x.close(), 0);
  const Capture windowsFrame =
      firstFrame(unpackedFolder.empty() ? folder : unpackedFolder, viewerProgram());
  ASSERT_EQ(linuxFrame.width, 1000);
  ASSERT_EQ(windowsFrame.rgb.size(), linuxFrame.rgb.size());
  int differing = 0, firstX = -1, firstY = -1;
  for (int py = 0; py < linuxFrame.height; ++py)
    for (int px = 0; px < linuxFrame.width; ++px)
      if (!near(windowsFrame.at(px, py), linuxFrame.at(px, py), 0) && differing++ == 0)
        firstX = px, firstY = py;
  EXPECT_EQ(differing, 0) << "pixels differ; the first at (" << firstX << ", " << firstY
                          << "): Linux " << describe(linuxFrame.at(firstX, firstY)) << ", Windows "
                          << describe(windowsFrame.at(firstX, firstY));
  std::printf("%d of the %d x %d pixels of the first frames differ\n", differing, linuxFrame.width,
              linuxFrame.height);
}

// The experiments of docs/experiments.txt, as CMake read them with
// tools/blocks.sh: each one's name and the gallery picture it is seen in.
struct Experiment {
  std::string name, shot;
};
void PrintTo(const Experiment& e, std::ostream* out) { *out << e.name << " (" << e.shot << ")"; }
std::vector<Experiment> experiments() {
  std::vector<Experiment> list;
  std::istringstream words(TIDEWICK_EXPERIMENTS);  // NAME=SHOT NAME=SHOT ...
  for (std::string word; words >> word;)
    list.push_back({word.substr(0, word.find('=')), word.substr(word.find('=') + 1)});
  return list;
}

// Each experiment's program, unpacked from the zip beside tidewick.exe, is
// started there under Wine and driven by the gallery to its picture's state,
// as tools/experiments.sh drives the Linux viewer with the change. Wine hands
// GL to the same Mesa, so it must draw its picture in docs/gallery/experiments
// exactly; a program built without its change, or with another's, does not.
// One run of the gallery takes them all, in one Wine that starts each
// program in a fraction of the time it takes to start itself.
class ExperimentProgramTest : public ::testing::TestWithParam<Experiment> {
 protected:
  static void SetUpTestSuite() {
    taken = makeTempDir();
    // The folder's name has spaces but no quote.
    std::string gallery = "'" TIDEWICK_GALLERY "' --wine '" TIDEWICK_WINE_PREFIX "' --each '" +
                          unpackedFolder + "' '" + taken + "'";
    for (const Experiment& e : experiments()) gallery += " tidewick-" + e.name + ".exe=" + e.shot;
    galleryStatus = std::system((gallery + " >'" + taken + "/gallery.txt' 2>&1").c_str());
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(taken); }
  static std::string taken;
  static int galleryStatus;
};
std::string ExperimentProgramTest::taken;
int ExperimentProgramTest::galleryStatus = -1;

TEST_P(ExperimentProgramTest, DrawsItsPictureExactly) {
  const Experiment& e = GetParam();
  const std::string program = "tidewick-" + e.name + ".exe";
  const std::string documented = "docs/gallery/experiments/" + e.name + ".png";
  Capture drawn, expected;
  ASSERT_TRUE(readPng(taken + "/tidewick-" + e.name + ".png", &drawn))
      << "experiment " << e.name << ": the gallery could not take " << program << "'s picture ("
      << e.shot << "), status " << galleryStatus << ":\n"
      << fileText(taken + "/gallery.txt");
  ASSERT_TRUE(readPng(TIDEWICK_SOURCE "/" + documented, &expected)) << "cannot read " << documented;
  ASSERT_EQ(drawn.rgb.size(), expected.rgb.size()) << "experiment " << e.name << ": sizes differ";
  int differing = 0, firstX = 0, firstY = 0;
  for (int py = 0; py < expected.height; ++py)
    for (int px = 0; px < expected.width; ++px)
      if (!near(drawn.at(px, py), expected.at(px, py), 0) && differing++ == 0)
        firstX = px, firstY = py;
  EXPECT_EQ(differing, 0) << "experiment " << e.name << ": " << differing << " pixels of what "
                          << program << " draws differ from " << documented << "; the first at ("
                          << firstX << ", " << firstY << "): " << describe(drawn.at(firstX, firstY))
                          << ", documented " << describe(expected.at(firstX, firstY));
  std::printf("experiment %s: %s, driven to %s, differs from %s in %d of %d x %d pixels\n",
              e.name.c_str(), program.c_str(), e.shot.c_str(), documented.c_str(), differing,
              expected.width, expected.height);
}

INSTANTIATE_TEST_SUITE_P(Experiments, ExperimentProgramTest, ::testing::ValuesIn(experiments()),
                         [](const ::testing::TestParamInfo<Experiment>& info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

// Tests that cannot hold for one of the two programs, by name, with why.
struct LeftOut {
  const char* test;
  bool forWindowsProgram;  // left out when testing the Windows program, else the Linux one
  const char* why;
};
const LeftOut leftOut[] = {
    {"ViewerTest.TheWindowIsDoubleBufferedWithADepthBuffer", true,
     "Wine picks the X visual of its window itself; the pixel format that freeglut asks "
     "Windows for lives inside Wine and never reaches the X server"},
    {"ViewerTest.TheWindowsProgramDrawsTheLinuxViewersFirstFrameExactly", false,
     "it compares the Windows program with the Linux viewer"},
};

// A Wine server that the user runs in a prefix of their own, named by the
// WINEPREFIX the tests inherit, must outlive the tests: they start and end
// only their own prefix's.
class UsersOwnWine : public ::testing::Environment {
 public:
  void SetUp() override {
    prefix_ = TIDEWICK_WINE_PREFIX "-users-own";
    mkdir(prefix_.c_str(), 0755);
    setenv("WINEPREFIX", prefix_.c_str(), 1);
    server_ = fork();
    if (server_ == 0) {
      execlp("wineserver", "wineserver", "--foreground", "--persistent",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    // Up once its socket is there, in the folder Wine names after the
    // prefix's device and inode: under /tmp/.wine-UID, or under a
    // /tmp/wine-XXXXXX of its own as Debian's Wine makes it.
    struct stat about;
    const bool up = stat(prefix_.c_str(), &about) == 0 && waitFor([&] {
                      const std::string server =
                          "/server-" + hex(about.st_dev) + "-" + hex(about.st_ino) + "/socket";
                      glob_t found{};
                      const bool any =
                          glob(("/tmp/wine-*" + server).c_str(), 0, nullptr, &found) == 0 ||
                          glob(("/tmp/.wine-" + std::to_string(getuid()) + server).c_str(), 0,
                               nullptr, &found) == 0;
                      globfree(&found);
                      return any;
                    });
    ASSERT_TRUE(up && stillRunning()) << "could not start a Wine server in " << prefix_;
  }
  void TearDown() override {
    EXPECT_TRUE(stillRunning()) << "the tests ended the Wine server of another prefix";
    std::system(
        ("WINEPREFIX='" + prefix_ + "' wineserver -k; WINEPREFIX='" + prefix_ + "' wineserver -w")
            .c_str());
    if (server_ > 0) waitpid(server_, nullptr, 0);
  }

 private:
  static std::string hex(unsigned long long n) {
    char text[32];
    std::snprintf(text, sizeof text, "%llx", n);
    return text;
  }
  static bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < startupTimeoutMs / 20; ++i, sleepMs(20))
      if (done()) return true;
    return false;
  }
  bool stillRunning() { return server_ > 0 && waitpid(server_, nullptr, WNOHANG) == 0; }

  std::string prefix_;
  pid_t server_ = -1;
};

// Unpacks the zip a class is handed into a new folder whose path has spaces
// and letters beyond ASCII (some beyond any Western code page), as a learner
// might name it, and makes the program there the one under test. It must
// hold the program, the thirteen pictures, the text for its users and the
// licence, the guide (guide.html and the folder guide), and nothing else.
// Beside them lies tidewick-NAME.exe for each experiment of
// docs/experiments.txt.
bool unpackZip(const std::string& zip) {
  std::string top = "/tmp/tidewick-zip-XXXXXX";
  if (!mkdtemp(top.data())) return false;
  unpackedFolder = top + "/Unterricht für Třída 3b";
  if (mkdir(unpackedFolder.c_str(), 0755) != 0 ||
      std::system(("cd '" + unpackedFolder + "' && '" TIDEWICK_CMAKE "' -E tar xf '" + zip + "'")
                      .c_str()) != 0) {
    std::printf("could not unpack %s into %s\n", zip.c_str(), unpackedFolder.c_str());
    return false;
  }
  std::set<std::string> wanted(std::begin(townPictureFiles), std::end(townPictureFiles)), found;
  wanted.insert({"tidewick.exe", "README.txt", "LICENSE.txt", "guide.html", "guide"});
  for (const Experiment& e : experiments()) wanted.insert("tidewick-" + e.name + ".exe");
  for (const auto& entry : std::filesystem::directory_iterator(unpackedFolder))
    found.insert(entry.path().filename().string());
  std::printf("Unpacked %s into %s:", zip.c_str(), unpackedFolder.c_str());
  for (const std::string& name : found) std::printf(" %s", name.c_str());
  std::printf("\n");
  if (found != wanted) {
    std::printf("the zip must hold the program, its texts and the pictures, nothing else\n");
    return false;
  }
  setenv("TIDEWICK_VIEWER", (unpackedFolder + "/tidewick.exe").c_str(), 1);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const std::string given = viewerProgram();
  if (given.size() > 4 && given.compare(given.size() - 4, 4, ".zip") == 0 && !unpackZip(given))
    return 1;
  const bool windows = isWindowsProgram(viewerProgram());
  std::printf("Testing %s\n", viewerProgram().c_str());
  std::string filter = GTEST_FLAG_GET(filter);
  for (const LeftOut& l : leftOut) {
    if (l.forWindowsProgram != windows) continue;
    std::printf("Left out: %s, because %s.\n", l.test, l.why);
    filter += (filter.find('-') == std::string::npos ? "-" : ":") + std::string(l.test);
  }
  if (unpackedFolder.empty()) {
    std::printf(
        "Left out: the experiment programs, because they are tested as the zip holds them.\n");
    filter += (filter.find('-') == std::string::npos ? "-" : ":") + std::string("Experiments/*");
  }
  GTEST_FLAG_SET(filter, filter);
  if (windows) {
    // A new prefix is made once, before any window has to appear in time.
    std::printf("Preparing the Wine prefix %s\n", TIDEWICK_WINE_PREFIX);
    std::fflush(stdout);
    if (!prepareWinePrefix(TIDEWICK_WINE_PREFIX)) {
      std::printf("could not prepare the Wine prefix %s\n", TIDEWICK_WINE_PREFIX);
      return 1;
    }
    ::testing::AddGlobalTestEnvironment(new UsersOwnWine);
  }
  return RUN_ALL_TESTS();
}
