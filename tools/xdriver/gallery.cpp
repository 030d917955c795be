// The gallery: the real viewer started under a private Xvfb in a folder of
// the painted pictures, driven as a person would, one start per picture, and
// captured into PNG files for docs/controls.md.
//
//   gallery VIEWER PICTURES OUT_DIR [NAME_PART]
//
// With NAME_PART only the pictures whose names contain it are taken.
//
// Every state is reached by keys and drags alone and captured once the
// viewer has stopped drawing, so a rerun gives the same bytes. Nothing here
// waits for the orbit: the sun and the moon are moved with the arrow keys,
// which turn the orbit by 0.125 degrees a press, and the tilt is dragged with
// the right button, which (before the left button is first used) tilts the
// scene without a release that starts the orbit.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

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
// measured from the last left press, or from the window's corner before
// any: it starts there, or its first step would jump by hundreds of pixels.
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
    {"f", "the frame sets the front face again before every face"},
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
      if (std::string(shot.file).find(only) == std::string::npos) continue;
      const Capture c = shoot(viewer, dir, shot.act);
      if (std::string(shot.file) == "initial") initial = c;
      const std::string path = out + "/" + shot.file + ".png";
      if (!writePng(path, c)) throw std::runtime_error("cannot write " + path);
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
