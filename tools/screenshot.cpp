// Starts the viewer under a private Xvfb in a given folder, does what the
// command line says as a person would, and saves the window as a PNG.
//   screenshot VIEWER FOLDER OUT.png [ACTION ...]
// Actions: key:NAME (an X key name, e.g. Left or t), drag:X0,Y0,X1,Y1 (left
// button; its release starts the orbit), mdrag:X0,Y0,X1,Y1 (middle button,
// which tilts the scene without starting the orbit as long as the left
// button has not been used), press / release (left button, pointer at the
// centre), wait:MS.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "x_session.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: screenshot VIEWER FOLDER OUT.png [ACTION ...]\n");
    return 2;
  }
  try {
    XSession x;
    if (!x.launch(argv[1], argv[2])) {
      std::fprintf(stderr, "screenshot: the viewer's window did not appear\n");
      return 1;
    }
    // Let the first frames land before acting.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (int i = 4; i < argc; ++i) {
      const std::string action = argv[i];
      int a, b, c, d;
      if (action.rfind("key:", 0) == 0) {
        x.key(action.substr(4));
      } else if (std::sscanf(action.c_str(), "drag:%d,%d,%d,%d", &a, &b, &c, &d) == 4) {
        x.drag(1, a, b, c, d, 20);
      } else if (std::sscanf(action.c_str(), "mdrag:%d,%d,%d,%d", &a, &b, &c, &d) == 4) {
        x.drag(2, a, b, c, d, 20);
      } else if (action == "press" || action == "release") {
        x.moveTo(500, 500);
        x.button(1, action == "press");
      } else if (std::sscanf(action.c_str(), "wait:%d", &a) == 1) {
        std::this_thread::sleep_for(std::chrono::milliseconds(a));
      } else {
        std::fprintf(stderr, "screenshot: unknown action '%s'\n", action.c_str());
        return 2;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (!writePng(argv[3], x.capture())) {
      std::fprintf(stderr, "screenshot: cannot write %s\n", argv[3]);
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "screenshot: %s\n", e.what());
    return 1;
  }
  return 0;
}
