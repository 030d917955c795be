// The gallery: the real viewer started under a private Xvfb in a folder of
// the painted pictures, driven as a person would, one start per picture, and
// captured into PNG files for docs/controls.md; and one animated GIF for the
// README, of a drag that tilts the town and then the sun and moon circling.
//
//   gallery VIEWER PICTURES OUT_DIR [NAME_PART]
//
// With NAME_PART only the pictures whose file names contain it are taken:
// "png" takes the stills, "gif" the animation.
//
// Every state is reached by keys and drags alone and captured once the
// viewer has stopped drawing, so a rerun gives the same bytes. The stills do
// not wait for the orbit: the sun and the moon are moved with the arrow keys,
// which turn the orbit by 0.125 degrees a press, and the tilt is dragged with
// the right button, which (until the left button is first released) tilts
// the scene without a release that starts the orbit. The animation does run the
// orbit, in stretches that each end when the left button is pressed again,
// and counts the frames drawn to stop it at exact angles (see Orbit).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "gif_animation.h"
#include "x_session.h"

namespace {

constexpr int side = 1000;

// Waits until no frame has arrived for 300 ms.
void waitForStill(const FrameCounter& frames) {
  long last = -1;
  for (int i = 0; i < 200 && frames.frames() != last; ++i) {
    last = frames.frames();
    sleepMs(300);
  }
}

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
};

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

Capture shoot(const std::string& viewer, const std::string& dir,
              const std::function<void(XSession&)>& act) {
  XSession x;
  FrameCounter frames(x, side, side);
  if (!x.launch(viewer, dir)) throw std::runtime_error("the viewer's window did not appear");
  waitForStill(frames);
  act(x);
  waitForStill(frames);
  Capture c = x.capture();
  if (x.close() != 0) throw std::runtime_error("the viewer did not close cleanly");
  if (c.width != side || c.height != side) throw std::runtime_error("capture failed");
  return c;
}

// --- The animation ---

constexpr const char* animationFile = "tilt-and-orbit";  // in OUT_DIR, without .gif
constexpr int animationSide = 400;  // small enough for the README page to load quickly
constexpr int dragSteps = 15;
constexpr int dragDx = 5, dragDy = 10;  // a step: 1 degree of turn and 2 of tilt
constexpr int orbitPictures = 60;
constexpr long stepsPerPicture = 30;  // 0.2 degrees a step: 6 degrees a picture

// Waits until no frame has arrived for quietMs and returns the count then.
long settle(const FrameCounter& frames, int quietMs) {
  long last = frames.frames();
  for (int i = 0; i < 100; ++i) {
    sleepMs(quietMs);
    const long now = frames.frames();
    if (now == last) return now;
    last = now;
  }
  throw std::runtime_error("the viewer did not stop drawing");
}

// The orbit run in stretches, each from a release of the left button to the
// press that stops it. The viewer draws one frame for the release and then
// turns the orbit by one step before each further frame until it reads the
// press, so a stretch of n frames turns it by n - 1 steps whenever the press
// arrives: how far it has turned is known exactly from the frames counted.
// The press goes out with the server held, which stops the viewer at its
// next request to the server, within the frame it is drawing; it reads the
// press one step later. A stretch is ended a few steps short of where the
// orbit should stop, and the rest is made up a step at a time.
class Orbit {
 public:
  // Thrown when the orbit has turned past the step wanted: the angle could
  // only come round again after a whole turn of rounding in the viewer's
  // angle, so the animation is taken again from the start instead.
  struct RanPast : std::runtime_error {
    using std::runtime_error::runtime_error;
  };

  // The left button is down and the viewer is still.
  Orbit(XSession& x, const FrameCounter& frames)
      : x_(x), frames_(frames), base_(settle(frames, quietMs)) {}

  long stretches() const { return stretches_; }

  void turnTo(long target) {
    long now = turned(quietMs);
    for (int tries = 0; tries < 2000; ++tries) {
      if (now == target) {
        now = turned(stillMs);  // once more, waiting longer for a late frame
        if (now == target) return;
      }
      if (now > target)
        throw RanPast("the orbit ran past step " + std::to_string(target) + " to " +
                      std::to_string(now));
      const long remaining = target - now;
      if (remaining > margin_) {
        const long ahead = remaining - margin_;
        stretch(ahead);
        const long after = turned(quietMs);
        // Stay further short than the press has ever arrived late.
        margin_ = std::max(margin_, after - now - ahead + 2);
        now = after;
      } else {
        step();
        const long after = turned(quietMs);
        // Release and press read together turn nothing: wait longer
        // between them next time.
        if (after == now) readMs_ = std::min(readMs_ + 2, 50);
        now = after;
      }
    }
    throw std::runtime_error("the orbit could not be stopped at step " + std::to_string(target));
  }

 private:
  static constexpr int quietMs = 150, stillMs = 300;

  long turned(int quiet) const { return settle(frames_, quiet) - base_ - stretches_; }

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
  const long base_;
  long stretches_ = 0;
  long margin_ = 4;
  int readMs_ = 4;
};

// From the starting view, a left drag down and to the right in steps that
// tilts the town by 30 degrees and turns it by 15, then the release that
// starts the orbit and one whole turn of the sun and the moon.
std::vector<AnimationFrame> takeAnimation(const std::string& viewer, const std::string& dir) {
  XSession x;
  FrameCounter frames(x, side, side);
  if (!x.launch(viewer, dir)) throw std::runtime_error("the viewer's window did not appear");
  waitForStill(frames);
  std::vector<AnimationFrame> out;
  const auto take = [&](int delayCs) {
    const Capture c = x.capture();
    if (c.width != side || c.height != side) throw std::runtime_error("capture failed");
    out.push_back({shrink(c, animationSide, animationSide), delayCs});
  };
  take(100);

  // The pointer starts over the window's centre.
  x.button(1, true);
  for (int i = 1; i <= dragSteps; ++i) {
    x.moveTo(side / 2 + i * dragDx, side / 2 + i * dragDy);
    settle(frames, 150);
    take(i == dragSteps ? 50 : 7);
  }

  Orbit orbit(x, frames);
  for (int i = 1; i <= orbitPictures; ++i) {
    orbit.turnTo(i * stepsPerPicture);
    take(i == orbitPictures ? 50 : 7);
  }
  std::printf("  %zu pictures; the orbit ran in %ld stretches\n", out.size(), orbit.stretches());
  x.button(1, false);
  if (x.close() != 0) throw std::runtime_error("the viewer did not close cleanly");
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: gallery VIEWER PICTURES OUT_DIR [NAME_PART]\n");
    return 2;
  }
  try {
    const std::string viewer = argv[1], pictures = argv[2], out = argv[3];
    const std::string only = argc == 5 ? argv[4] : "";
    const std::string dir = copyTownPictures(pictures, "gallery");
    std::filesystem::create_directories(out);

    Capture initial;
    for (const Shot& shot : shots()) {
      if ((std::string(shot.file) + ".png").find(only) == std::string::npos) continue;
      const Capture c = shoot(viewer, dir, shot.act);
      if (std::string(shot.file) == "initial") initial = c;
      const std::string path = out + "/" + shot.file + ".png";
      if (!writePng(path, c)) throw std::runtime_error("cannot write " + path);
      std::printf("%s\n", path.c_str());
    }
    if ((std::string(animationFile) + ".gif").find(only) != std::string::npos) {
      const std::string path = out + "/" + animationFile + ".gif";
      std::string error;
      std::vector<AnimationFrame> animation;
      for (int attempt = 1; animation.empty(); ++attempt) {
        try {
          animation = takeAnimation(viewer, dir);
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
    std::filesystem::remove_all(dir);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gallery: %s\n", e.what());
    return 1;
  }
  return 0;
}
