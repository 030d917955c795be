// The gallery: the real viewer started under a private Xvfb in a folder of
// the painted pictures, driven as a person would, one start per picture, and
// captured into PNG files for docs/controls.md; and one animated GIF for the
// README, of a drag that tilts the town and then the sun and moon circling.
//
//   gallery [--wine PREFIX] [--start-in-pictures] VIEWER PICTURES OUT_DIR [NAME_PART]
//   gallery [--wine PREFIX] --each PICTURES OUT_DIR PROGRAM=SHOT...
//
// With NAME_PART only the pictures whose file names contain it are taken:
// "png" takes the stills, "gif" the animation. The viewer starts in a fresh
// folder holding a copy of the pictures in PICTURES, or with
// --start-in-pictures in PICTURES itself, as a double-click starts a Windows
// program in its own folder. A Windows program (VIEWER ending in .exe) runs
// under Wine in the prefix PREFIX, which it must be given: the gallery never
// uses the user's own.
//
// With --each, every PROGRAM, a file in PICTURES, is started there in turn
// and its still SHOT ("tilted", say) is captured into OUT_DIR, named as the
// program without ".exe" (tidewick-fog.png). They run one after another in
// one X server and, under Wine, one Wine server: Wine starts a program in
// half a second once its server runs, and takes two seconds more when it
// must start the server too. A program that fails is named and the next
// starts in a fresh session; the exit status says whether any failed.
//
// Every state is reached by keys and drags alone and captured once the
// viewer has stopped drawing (see Stillness), so a rerun gives the same
// bytes, on a busy machine as on an idle one. The stills do not wait for the
// orbit: the sun and the moon are moved with the arrow keys, which turn the
// orbit by 0.125 degrees a press, and the tilt is dragged with the right
// button, which (until the left button is first released) tilts the scene
// without a release that starts the orbit. The animation does run the orbit,
// in stretches that each end when the left button is pressed again, and
// counts the frames drawn to stop it at exact angles (see Orbit).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "gif_animation.h"
#include "stillness.h"
#include "top_view.h"
#include "wine.h"
#include "x_session.h"

namespace {

constexpr int side = 1000;

// The program the gallery drives, and the Wine prefix it runs in if it is a
// Windows program.
struct Viewer {
  std::string program, winePrefix;
  bool windows() const { return isWindowsProgram(program); }
};

// Starts the viewer in dir; false if its window did not appear.
bool launch(XSession& x, const Viewer& viewer, const std::string& dir) {
  return x.launch(
      viewer.windows() ? writeLauncher(dir, viewer.program, viewer.winePrefix) : viewer.program,
      dir);
}

// Ends a Windows program's Wine, whichever way a take ends, before the X
// server that Wine's processes draw on goes: made after the session.
class WineEnd {
 public:
  explicit WineEnd(const Viewer& viewer) : prefix_(viewer.windows() ? viewer.winePrefix : "") {}
  ~WineEnd() {
    if (!prefix_.empty()) endWineServer(prefix_);
  }
  WineEnd(const WineEnd&) = delete;
  WineEnd& operator=(const WineEnd&) = delete;

 private:
  const std::string prefix_;
};

// An X server for one program after another, and the Wine that they share
// if they are Windows programs.
struct Session {
  explicit Session(const Viewer& viewer) : wineEnd(viewer) {}
  XSession x;
  const WineEnd wineEnd;
};

void keys(XSession& x, const std::string& name, int times) {
  for (int i = 0; i < times; ++i) x.key(name);
}

// The scene turned 30 degrees about the x axis: the far side drops back and
// the ground, the road and the near strip come into view from above. A
// right-button press does not record where the pointer was, so the drag is
// measured from the last position recorded (a left press or a drag step), at
// first the window's corner: it starts there, or its first step would jump
// by hundreds of pixels. Each still starts a fresh viewer.
void tilt(XSession& x) { x.drag(3, 0, 0, 0, 150, 15); }

// Up against the large house's front gable, with its picture over the whole
// window at about ten pixels a texel: tilted 10 degrees so the gable stands
// across the eye's height, zoomed in, and walked along a slant to in front of
// the gable's middle.
void closeToTheGable(XSession& x) {
  x.drag(3, 0, 0, 0, 50, 5);
  keys(x, "z", 10);
  keys(x, "Right", 3);
  keys(x, "Up", 20);
  keys(x, "Left", 3);
  keys(x, "Up", 4);
}

// Tilted, zoomed in and walked forward, over the ground in front of the
// houses.
void overTheGround(XSession& x) {
  tilt(x);
  keys(x, "z", 3);
  keys(x, "Up", 12);
}

struct Shot {
  const char* file;  // in OUT_DIR, without .png
  std::function<void(XSession&)> act;
  std::function<void(Capture&)> mark = nullptr;  // drawn over the capture, if any
};

// The town from straight above: the scene tilted 90 degrees by a 450-pixel
// drag, orthographic, and zoomed five times, so that one unit of the town
// covers 500 * (zoom / 2) / 3 pixels of the box's 3 units a half-window.
constexpr double topViewZoom = 1.125 * 1.125 * 1.125 * 1.125 * 1.125;
void fromAbove(XSession& x) {
  x.drag(3, 0, 0, 0, 450, 45);
  x.key("p");
  keys(x, "z", 5);
}

const std::vector<Shot>& shots() {
  static const std::vector<Shot> list = {
      {"initial", [](XSession&) {}},
      {"tilted", tilt},
      {"zoomed-in", [](XSession& x) { keys(x, "z", 4); }},
      {"zoomed-out", [](XSession& x) { keys(x, "x", 4); }},
      {"orthographic", [](XSession& x) { x.key("p"); }},
      {"texturing-off", [](XSession& x) { x.key("t"); }},
      {"depth-test-off", [](XSession& x) { x.key("d"); }},
      {"gable-nearest", closeToTheGable},
      {"gable-linear",
       [](XSession& x) {
         closeToTheGable(x);
         x.key("m");
       }},
      {"ground-repeat", overTheGround},
      {"ground-clamp",
       [](XSession& x) {
         overTheGround(x);
         x.key("r");
       }},
      {"ground-clamp-linear",
       [](XSession& x) {
         overTheGround(x);
         x.key("r");
         x.key("m");
       }},
      {"top-view", fromAbove, [](Capture& c) { markTopView(c, 500 * (topViewZoom / 2) / 3); }},
      {"top-view-clamped",
       [](XSession& x) {
         fromAbove(x);
         x.key("r");
       }},
      {"inside-the-large-house",
       [](XSession& x) {
         // Zoomed so the house is about one unit wide, then along a slanted
         // line to its middle: the eye stays at the scene's x = 0 otherwise,
         // which is the plane of the house's west wall.
         x.drag(3, 0, 0, 0, 25, 5);
         keys(x, "z", 6);
         x.key("Right");
         keys(x, "Up", 32);
         x.key("Left");
         x.key("Up");
       }},
      // 352 presses turn the orbit by 44 degrees and the camera by 44
      // radians, seven whole turns and one degree; 754 presses the other way
      // turn the orbit by -94.25 degrees and the camera by a tenth of a
      // degree less than fifteen turns.
      {"orbit-44-degrees", [](XSession& x) { keys(x, "Right", 352); }},
      {"orbit-minus-94-degrees", [](XSession& x) { keys(x, "Left", 754); }},
  };
  return list;
}

// Keys whose change does not show: the picture is compared with the
// starting view instead of being saved.
struct Unchanged {
  const char* key;
  const char* why;
};
const std::vector<Unchanged> unchanged = {
    {"c", "GL_DECAL shows an RGB texture as GL_REPLACE does"},
    {"f", "the frame sets the front face again for each house half and flat piece"},
};

// Closes the viewer, which must exit cleanly having had no GL call refused:
// a refused call changes no pixel, so no picture would show that a change
// tried here (an experiment's, say) teaches a call that does nothing. Under
// Wine the GL calls pass through Wine's own, which are not judged.
void closeCleanly(XSession& x, const Viewer& viewer, const std::string& dir) {
  if (x.close() != 0) throw std::runtime_error("the viewer did not close cleanly");
  if (viewer.windows()) return;
  const std::vector<std::string> refused = refusedGlCalls(fileText(dir + "/stderr.txt"));
  if (refused.empty()) return;
  std::string message = "GL refused calls of the viewer's:";
  for (const std::string& line : refused) message += "\n  " + line;
  throw std::runtime_error(message);
}

Capture shoot(XSession& x, const Viewer& viewer, const std::string& dir,
              const std::function<void(XSession&)>& act) {
  FrameCounter frames(x, side, side);
  if (!launch(x, viewer, dir)) throw std::runtime_error("the viewer's window did not appear");
  const Stillness still(frames, viewer.winePrefix);
  if (still.wait() == 0) throw std::runtime_error("the viewer drew nothing");
  act(x);
  still.wait();
  Capture c = x.capture();
  closeCleanly(x, viewer, dir);
  if (c.width != side || c.height != side) throw std::runtime_error("capture failed");
  return c;
}

Capture shoot(const Viewer& viewer, const std::string& dir,
              const std::function<void(XSession&)>& act) {
  Session session(viewer);
  return shoot(session.x, viewer, dir, act);
}

void save(const Capture& c, const std::string& path) {
  if (!writePng(path, c)) throw std::runtime_error("cannot write " + path);
  std::printf("%s\n", path.c_str());
}

// The --each form: PROGRAM=SHOT words. Returns how many programs failed.
int takeEach(const std::string& winePrefix, const std::string& pictures, const std::string& out,
             const std::vector<std::string>& wanted) {
  int failed = 0;
  std::unique_ptr<Session> session;
  for (const std::string& word : wanted) {
    const std::string program = word.substr(0, word.find('='));
    const std::string shotName = word.substr(std::min(word.size(), program.size() + 1));
    const Viewer viewer{pictures + "/" + program, winePrefix};
    try {
      const auto shot = std::find_if(shots().begin(), shots().end(),
                                     [&](const Shot& s) { return shotName == s.file; });
      if (shot == shots().end()) throw std::runtime_error("no still is called " + shotName);
      if (!session) session = std::make_unique<Session>(viewer);
      Capture c = shoot(session->x, viewer, pictures, shot->act);
      if (shot->mark) shot->mark(c);
      std::string name = program;
      if (viewer.windows()) name.resize(name.size() - 4);
      save(c, out + "/" + name + ".png");
    } catch (const std::exception& e) {
      std::fprintf(stderr, "gallery: %s: %s\n", word.c_str(), e.what());
      ++failed;
      session.reset();
    }
  }
  return failed;
}

// --- The animation ---

constexpr const char* animationFile = "tilt-and-orbit";  // in OUT_DIR, without .gif
constexpr int animationSide = 400;  // small enough for the README page to load quickly
constexpr int dragSteps = 15;
constexpr int dragDx = 5, dragDy = 10;  // a step: 1 degree of turn and 2 of tilt
constexpr int orbitPictures = 60;
constexpr long stepsPerPicture = 30;  // 0.2 degrees a step: 6 degrees a picture

// The orbit run in stretches, each from a release of the left button to the
// press that stops it. The viewer draws one frame for the release and then
// turns the orbit by one step before each further frame until it reads the
// press, so a stretch of n frames turns it by n - 1 steps whenever the press
// arrives: how far it has turned is known exactly from the frames counted
// once the viewer is still.
// The press goes out with the server held, which stops the viewer at its
// next request to the server, within the frame it is drawing; it reads the
// press one step later. A stretch is ended a few steps short of where the
// orbit should stop, and the rest is made up a step at a time. How far short
// is learnt from how late the presses have arrived, and a retake starts from
// what the take before it learnt: the lateness that made it run past is the
// kind a busy machine shows again.
class Orbit {
 public:
  // Thrown when the orbit has turned past the step wanted: the angle could
  // only come round again after a whole turn of rounding in the viewer's
  // angle, so the animation is taken again from the start instead.
  struct RanPast : std::runtime_error {
    using std::runtime_error::runtime_error;
  };

  // The left button is down and the viewer is still. margin is how many
  // steps short of the target a stretch ends, which grows as presses arrive
  // late.
  Orbit(XSession& x, const FrameCounter& frames, const Stillness& still, long& margin)
      : x_(x), frames_(frames), still_(still), base_(still.wait()), margin_(margin) {}

  long stretches() const { return stretches_; }

  void turnTo(long target) {
    long now = turned();
    for (int tries = 0; tries < 2000; ++tries) {
      if (now == target) return;
      if (now > target)
        throw RanPast("the orbit ran past step " + std::to_string(target) + " to " +
                      std::to_string(now));
      const long remaining = target - now;
      if (remaining > margin_) {
        const long ahead = remaining - margin_;
        stretch(ahead);
        const long after = turned();
        // Stay further short than the press has ever arrived late.
        margin_ = std::max(margin_, after - now - ahead + 2);
        now = after;
      } else {
        step();
        const long after = turned();
        // Release and press read together turn nothing: wait longer
        // between them next time.
        if (after == now) readMs_ = std::min(readMs_ + 2, 50);
        now = after;
      }
    }
    throw std::runtime_error("the orbit could not be stopped at step " + std::to_string(target));
  }

 private:
  // Only once the viewer is still: a stretch may end with frames to come.
  long turned() const { return still_.wait() - base_ - stretches_; }

  // Releases the button and presses it again once the orbit has turned
  // ahead steps.
  void stretch(long ahead) {
    const long from = frames_.frames();
    x_.button(1, false);
    ++stretches_;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (frames_.frames() < from + 1 + ahead) {
      if (std::chrono::steady_clock::now() > deadline)
        throw std::runtime_error("the orbit did not run");
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    x_.holdServer(true);
    x_.button(1, true);
    x_.holdServer(false);
  }

  // One step, or none if the viewer reads the release and the press
  // together: with the server held it reads the release, draws and stops
  // within its frame, and the press waits for it.
  void step() {
    x_.holdServer(true);
    x_.button(1, false);
    ++stretches_;
    sleepMs(readMs_);
    x_.button(1, true);
    x_.holdServer(false);
  }

  XSession& x_;
  const FrameCounter& frames_;
  const Stillness& still_;
  const long base_;
  long stretches_ = 0;
  long& margin_;
  int readMs_ = 4;
};

// From the starting view, a left drag down and to the right in steps that
// tilts the town by 30 degrees and turns it by 15, then the release that
// starts the orbit and one whole turn of the sun and the moon.
std::vector<AnimationFrame> takeAnimation(const Viewer& viewer, const std::string& dir,
                                          long& margin) {
  XSession x;
  const WineEnd wineEnd(viewer);
  FrameCounter frames(x, side, side);
  if (!launch(x, viewer, dir)) throw std::runtime_error("the viewer's window did not appear");
  const Stillness still(frames, viewer.winePrefix);
  long drawn = still.wait();
  if (drawn == 0) throw std::runtime_error("the viewer drew nothing");
  std::vector<AnimationFrame> out;
  const auto take = [&](int delayCs) {
    const Capture c = x.capture();
    if (c.width != side || c.height != side) throw std::runtime_error("capture failed");
    out.push_back({shrink(c, animationSide, animationSide), delayCs});
  };
  take(100);

  // The pointer starts over the window's centre. The press draws a frame of
  // its own, so that each step draws exactly one: a step that drew none or
  // two would leave a picture other than the step's to be taken.
  x.button(1, true);
  drawn = still.wait();
  for (int i = 1; i <= dragSteps; ++i) {
    x.moveTo(side / 2 + i * dragDx, side / 2 + i * dragDy);
    const long now = still.wait();
    if (now != drawn + 1)
      throw std::runtime_error("drag step " + std::to_string(i) + " drew " +
                               std::to_string(now - drawn) + " frames");
    drawn = now;
    take(i == dragSteps ? 50 : 7);
  }

  Orbit orbit(x, frames, still, margin);
  for (int i = 1; i <= orbitPictures; ++i) {
    orbit.turnTo(i * stepsPerPicture);
    take(i == orbitPictures ? 50 : 7);
  }
  std::printf("  %zu pictures; the orbit ran in %ld stretches\n", out.size(), orbit.stretches());
  x.button(1, false);
  closeCleanly(x, viewer, dir);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  Viewer viewer;
  bool inPictures = false, each = false;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--wine" && i + 1 < argc)
      viewer.winePrefix = std::filesystem::absolute(argv[++i]).string();
    else if (arg == "--start-in-pictures")
      inPictures = true;
    else if (arg == "--each")
      each = true;
    else
      args.push_back(arg);
  }
  if (each ? args.size() < 3 : args.size() != 3 && args.size() != 4) {
    std::fprintf(stderr,
                 "usage: gallery [--wine PREFIX] [--start-in-pictures] VIEWER PICTURES OUT_DIR "
                 "[NAME_PART]\n"
                 "       gallery [--wine PREFIX] --each PICTURES OUT_DIR PROGRAM=SHOT...\n");
    return 2;
  }
  // PROGRAM=SHOT words, or the one VIEWER.
  const std::vector<std::string> programs(args.begin() + (each ? 2 : 0),
                                          each ? args.end() : args.begin() + 1);
  const bool windows = std::any_of(programs.begin(), programs.end(), [](const std::string& p) {
    return isWindowsProgram(p.substr(0, p.find('=')));
  });
  if (windows && viewer.winePrefix.empty()) {
    std::fprintf(stderr,
                 "gallery: a Windows program runs only in a Wine prefix given with --wine\n");
    return 2;
  }
  try {
    // A new prefix is made before any window has to appear in time; one
    // made already, by the end-to-end tests say, is only checked, since
    // Stillness waits in vain in a prefix whose Wine polls for controllers.
    if (windows && !prepareWinePrefix(viewer.winePrefix))
      throw std::runtime_error("could not make the Wine prefix " + viewer.winePrefix);
    if (each) {
      std::filesystem::create_directories(args[1]);
      return takeEach(viewer.winePrefix, args[0], args[1], programs) == 0 ? 0 : 1;
    }
    viewer.program = args[0];
    const std::string pictures = args[1], out = args[2], only = args.size() == 4 ? args[3] : "";
    const std::string dir = inPictures ? pictures : copyTownPictures(pictures, "gallery");
    std::filesystem::create_directories(out);

    Capture initial;
    for (const Shot& shot : shots()) {
      if ((std::string(shot.file) + ".png").find(only) == std::string::npos) continue;
      Capture c = shoot(viewer, dir, shot.act);
      if (shot.mark) shot.mark(c);
      if (std::string(shot.file) == "initial") initial = c;
      save(c, out + "/" + shot.file + ".png");
    }
    if ((std::string(animationFile) + ".gif").find(only) != std::string::npos) {
      const std::string path = out + "/" + animationFile + ".gif";
      std::string error;
      std::vector<AnimationFrame> animation;
      long margin = 4;
      for (int attempt = 1; animation.empty(); ++attempt) {
        try {
          animation = takeAnimation(viewer, dir, margin);
        } catch (const Orbit::RanPast& e) {
          if (attempt == 3) throw;
          std::printf("  %s; taking the animation again\n", e.what());
        }
      }
      if (!writeGifAnimation(path, animation, &error))
        throw std::runtime_error("cannot write " + path + ": " + error);
      std::printf("%s\n", path.c_str());
    }
    for (const Unchanged& u : only.empty() ? unchanged : std::vector<Unchanged>{}) {
      const Capture c = shoot(viewer, dir, [&](XSession& x) { x.key(u.key); });
      std::printf("key %s: %s the starting view (%s)\n", u.key,
                  c.rgb == initial.rgb ? "same pixels as" : "DIFFERENT from", u.why);
    }
    if (!inPictures) std::filesystem::remove_all(dir);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gallery: %s\n", e.what());
    return 1;
  }
  return 0;
}
