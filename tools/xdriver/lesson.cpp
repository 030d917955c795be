// The lesson's worksheet, done as a learner does it: the Windows program
// started under Wine on a screen of a school laptop's size, then every
// numbered step of the worksheet carried out through the X server (keys,
// the maximize, the drag, the click), and each checkpoint picture compared
// with the part of the window it shows.
//
//   lesson --wine PREFIX [--write | --screen] PROGRAM WORKSHEET
//
// PROGRAM is tidewick.exe in a folder with its pictures, as unpacked from
// the zip; it is started there, as a double-click starts it. WORKSHEET is
// the Markdown page; its checkpoint pictures lie beside it, where it links
// them. With --write the pictures are taken anew and written there instead
// of compared. With --screen only the first question's steps are done, and
// what the window shows on the small screen is judged (see judgeScreen).
//
// The page is the one place the steps live, so the driver reads it
// strictly: every item of a numbered list is a step, and a step it cannot
// read stops it. A checkpoint is a picture whose text starts "Checkpoint";
// its title, "crop W H DX DY", is the part of the window it shows: W x H
// pixels around the window's centre moved DX right and DY down. The steps
// and pictures are those of a screen of 1366 x 768 pixels.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "stillness.h"
#include "wine.h"
#include "x_session.h"

namespace {

constexpr int screenWidth = 1366, screenHeight = 768;
const std::string screenSize = "1366x768";

struct Step {
  enum class Kind { start, maximize, press, tilt, click, checkpoint };
  Kind kind = Kind::start;
  int line = 0;                               // in the worksheet, for messages
  std::string key;                            // a key's X name
  int times = 1;                              // presses of the key
  int pixels = 0;                             // how far the drag goes down
  std::string file;                           // a checkpoint's picture, as the page links it
  int width = 0, height = 0, dx = 0, dy = 0;  // a checkpoint's crop
};

// A picture made from a checkpoint's: part of it, each pixel drawn as a
// square of scale x scale pixels, so that texels and pixels show on paper.
struct CloseUp {
  int line = 0;
  std::string file, source;  // as the page links them; the source in its folder
  int width = 0, height = 0, dx = 0, dy = 0, scale = 1;
};

struct Worksheet {
  std::vector<Step> steps;
  std::vector<CloseUp> closeUps;
};

std::string where(const std::string& page, int line) {
  return page + ":" + std::to_string(line) + ": ";
}

// One numbered item, its continuation lines joined to it.
Step readStep(const std::string& text, const std::string& page, int line) {
  static const std::regex press(
      "Press (?:`([^`]+)`|the (left|right|up|down) arrow key|the space bar)"
      "(?: (once|twice|again|(\\d+) (?:more )?times))?\\..*");
  static const std::regex tilt(
      "Tilt the town:.*<!-- drag: right button, from the top-left corner, (\\d+) pixels down "
      "-->.*");
  std::smatch m;
  Step step;
  step.line = line;
  if (text.rfind("Start Tidewick", 0) == 0) return step;
  if (text.rfind("Maximize", 0) == 0) {
    step.kind = Step::Kind::maximize;
    return step;
  }
  if (text.rfind("Click once inside", 0) == 0) {
    step.kind = Step::Kind::click;
    return step;
  }
  if (std::regex_match(text, m, tilt)) {
    step.kind = Step::Kind::tilt;
    step.pixels = std::stoi(m[1]);
    return step;
  }
  if (std::regex_match(text, m, press)) {
    step.kind = Step::Kind::press;
    if (m[1].matched) {
      step.key = m[1];
    } else if (m[2].matched) {
      step.key = m[2];
      step.key[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(step.key[0])));
    } else {
      step.key = "space";
    }
    if (m[3] == "twice") step.times = 2;
    if (m[4].matched) step.times = std::stoi(m[4]);
    return step;
  }
  throw std::runtime_error(where(page, line) + "a step the lesson cannot do: " + text);
}

Worksheet readWorksheet(const std::string& page) {
  std::ifstream in(page);
  if (!in) throw std::runtime_error("cannot read " + page);
  static const std::regex item("(\\d+)\\. (.*)");
  static const std::regex picture("!\\[([^\\]]*)\\]\\(([^ )]+)(?: \"([^\"]*)\")?\\)");
  static const std::regex crop("crop (\\d+) (\\d+) (-?\\d+) (-?\\d+)");
  static const std::regex closeUp(
      "from ([a-z0-9-]+\\.png): crop (\\d+) (\\d+) (-?\\d+) (-?\\d+), (\\d+) times");
  Worksheet sheet;
  std::vector<Step>& steps = sheet.steps;
  std::string text;  // the numbered item being read
  int itemLine = 0, number = 0;
  bool fenced = false;
  const auto endItem = [&] {
    if (!text.empty()) steps.push_back(readStep(text, page, itemLine));
    text.clear();
  };
  int lineNumber = 0;
  for (std::string line; std::getline(in, line);) {
    ++lineNumber;
    if (line.rfind("```", 0) == 0) fenced = !fenced;
    if (fenced) continue;
    std::smatch m;
    if (std::regex_match(line, m, item)) {
      endItem();
      text = m[2];
      itemLine = lineNumber;
      // Numbers run on within a question and start at 1 in the next, so a
      // step left out or put twice shows.
      const int n = std::stoi(m[1]);
      if (n != 1 && n != number + 1)
        throw std::runtime_error(where(page, lineNumber) + "step " + std::to_string(n) +
                                 " follows step " + std::to_string(number));
      number = n;
    } else if (!text.empty() && line.rfind("   ", 0) == 0) {
      text += " " + line.substr(line.find_first_not_of(' '));
    } else {
      endItem();
      // Every picture of the sheet, wherever it stands, is one the lesson
      // takes or one made from those.
      for (std::sregex_iterator p(line.begin(), line.end(), picture), end; p != end; ++p) {
        const std::string alt = (*p)[1], file = (*p)[2], title = (*p)[3];
        std::smatch c;
        if (alt.rfind("Close-up", 0) == 0) {
          if (!std::regex_match(title, c, closeUp))
            throw std::runtime_error(where(page, lineNumber) +
                                     "a close-up needs a title \"from FILE: crop W H DX DY, N "
                                     "times\"");
          CloseUp up;
          up.line = lineNumber;
          up.file = file;
          up.source = (std::filesystem::path(file).parent_path() / c[1].str()).string();
          up.width = std::stoi(c[2]);
          up.height = std::stoi(c[3]);
          up.dx = std::stoi(c[4]);
          up.dy = std::stoi(c[5]);
          up.scale = std::stoi(c[6]);
          sheet.closeUps.push_back(up);
        } else if (alt.rfind("Checkpoint", 0) == 0 && std::regex_match(title, c, crop)) {
          Step step;
          step.kind = Step::Kind::checkpoint;
          step.line = lineNumber;
          step.file = file;
          step.width = std::stoi(c[1]);
          step.height = std::stoi(c[2]);
          step.dx = std::stoi(c[3]);
          step.dy = std::stoi(c[4]);
          steps.push_back(step);
        } else {
          throw std::runtime_error(where(page, lineNumber) + file +
                                   ": a picture of the sheet is a checkpoint, titled \"crop W H "
                                   "DX DY\", or a close-up made from one");
        }
      }
    }
  }
  endItem();
  if (steps.empty() || steps.front().kind != Step::Kind::start)
    throw std::runtime_error(page + ": the first step must start Tidewick");
  for (const CloseUp& up : sheet.closeUps)
    if (std::none_of(steps.begin(), steps.end(),
                     [&](const Step& s) { return s.file == up.source; }))
      throw std::runtime_error(where(page, up.line) + "no checkpoint is " + up.source);
  return sheet;
}

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
};

// Tidewick's window inside a Wine desktop of the laptop screen's size, on a
// private X server of that size.
class Laptop {
 public:
  Laptop(std::string program, std::string prefix)
      : program_(std::move(program)), prefix_(std::move(prefix)) {}
  ~Laptop() { end(); }

  void start() {
    end();
    x_ = std::make_unique<XSession>(screenWidth, screenHeight);
    // A frame counts once a put covers 1000 x 700 pixels: the window's
    // picture before the maximize (the screen cuts it to 1000 x 753) and
    // after it (the screen's width, 749 high) each count as one frame.
    frames_ = std::make_unique<FrameCounter>(*x_, 1000, 700);
    const std::string folder = std::filesystem::path(program_).parent_path().string();
    const std::string launcher = writeLauncher(folder, program_, prefix_, "viewer\n", screenSize);
    if (!x_->launch(launcher, folder, "Tidewick - Wine desktop"))
      throw std::runtime_error("the Wine desktop did not appear");
    if (!x_->waitUntil([&] { return (window_ = x_->findWindowIn(x_->window(), "Tidewick")); },
                       startupTimeoutMs))
      throw std::runtime_error("Tidewick's window did not appear in the Wine desktop");
    still_ = std::make_unique<Stillness>(*frames_, prefix_);
    if (still_->wait() == 0) throw std::runtime_error("Tidewick drew nothing");
  }

  // Where the window's picture lies on the screen: the GL window Wine makes
  // inside Tidewick's window, below its title bar.
  Rect picture() {
    const std::vector<XWindowId> inside = x_->childWindows(window_);
    Rect r;
    if (inside.empty() || !x_->windowRect(inside.front(), &r.x, &r.y, &r.width, &r.height))
      throw std::runtime_error("Tidewick's picture cannot be found");
    return r;
  }

  // As a learner does it: a double-click on the title bar, just above the
  // picture.
  void maximize() {
    const Rect before = picture();
    x_->moveTo(before.x + before.width / 2, before.y - 10);
    for (int click = 0; click < 2; ++click) {
      x_->button(1, true);
      x_->button(1, false);
    }
    if (!x_->waitUntil([&] { return picture().width == screenWidth; }))
      throw std::runtime_error("the window was not maximized");
    pointAtPicture();
    still_->wait();
  }

  void press(const std::string& key, int times) {
    for (int i = 0; i < times; ++i) x_->key(key);
    still_->wait();
  }

  // From the picture's top-left corner straight down, in steps of ten
  // pixels, as a hand moves slowly.
  void tilt(int pixels) {
    const Rect r = picture();
    x_->drag(3, r.x, r.y, r.x, r.y + pixels, std::max(1, pixels / 10));
    pointAtPicture();
    still_->wait();
  }

  // A left click in the middle sets the orbit running: frames keep coming.
  void click() {
    pointAtPicture();
    x_->button(1, true);
    x_->button(1, false);
    const long from = frames_->frames();
    if (!frames_->waitForFrames(from + 30, 10000))
      throw std::runtime_error("a click did not set the sun and the moon circling");
  }

  Capture shoot(const Step& s) {
    still_->wait();
    const Rect r = picture();
    const int left = r.x + (r.width - s.width) / 2 + s.dx;
    const int top = r.y + (r.height - s.height) / 2 + s.dy;
    if (left < r.x || top < r.y || left + s.width > r.x + r.width ||
        top + s.height > r.y + r.height)
      throw std::runtime_error("checkpoint " + s.file + " reaches beyond the window's picture");
    return x_->capture(left, top, s.width, s.height);
  }

  Rect screen() const { return {0, 0, screenWidth, screenHeight}; }
  XSession& x() { return *x_; }

 private:
  void pointAtPicture() {
    const Rect r = picture();
    x_->moveTo(r.x + r.width / 2, r.y + r.height / 2);
  }

  void end() {
    still_.reset();
    frames_.reset();
    if (x_) {
      x_->stop();
      endWineServer(prefix_);
    }
    x_.reset();
  }

  const std::string program_, prefix_;
  std::unique_ptr<XSession> x_;
  std::unique_ptr<FrameCounter> frames_;
  std::unique_ptr<Stillness> still_;
  XWindowId window_ = 0;
};

// After the worksheet's first steps on the small screen, the window's
// picture must lie wholly on the screen, and everything drawn in it (every
// pixel not of the clear colour, black) must lie inside it with a margin of
// black on every side: then no part of the town is cut off by the screen's
// edge or the window's. A window whose foot runs off the screen fails the
// first rule, a town cut by the window's edge the second.
bool judgeScreen(Laptop& laptop) {
  const Rect r = laptop.picture(), s = laptop.screen();
  std::printf("the window's picture: %d x %d at (%d, %d) on a screen of %d x %d\n", r.width,
              r.height, r.x, r.y, s.width, s.height);
  if (r.x < 0 || r.y < 0 || r.x + r.width > s.width || r.y + r.height > s.height) {
    std::printf("part of the window's picture lies off the screen\n");
    return false;
  }
  const Capture c = laptop.x().capture(r.x, r.y, r.width, r.height);
  constexpr int margin = 8;
  int drawn = 0, nearEdge = 0, left = c.width, right = -1, top = c.height, bottom = -1;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      const Pixel p = c.at(x, y);
      if (p.r == 0 && p.g == 0 && p.b == 0) continue;
      ++drawn;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
      if (x < margin || y < margin || x >= c.width - margin || y >= c.height - margin) ++nearEdge;
    }
  std::printf(
      "drawn: %d pixels, from (%d, %d) to (%d, %d); %d of them within %d pixels of an "
      "edge\n",
      drawn, left, top, right, bottom, nearEdge, margin);
  // A picture with next to nothing drawn shows no town at all.
  return drawn > c.width * c.height / 100 && nearEdge == 0;
}

bool sameImage(const Capture& a, const Capture& b, std::string* why) {
  if (a.width != b.width || a.height != b.height) {
    *why = "it is " + std::to_string(b.width) + " x " + std::to_string(b.height) + ", the crop " +
           std::to_string(a.width) + " x " + std::to_string(a.height);
    return false;
  }
  int differing = 0, firstX = -1, firstY = -1;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x)
      if (!near(a.at(x, y), b.at(x, y), 0) && differing++ == 0) firstX = x, firstY = y;
  if (differing == 0) return true;
  *why = std::to_string(differing) + " pixels differ, the first at (" + std::to_string(firstX) +
         ", " + std::to_string(firstY) + "): drawn " + describe(a.at(firstX, firstY)) +
         ", on the page " + describe(b.at(firstX, firstY));
  return false;
}

Capture enlarged(const Capture& from, const CloseUp& up) {
  const int left = (from.width - up.width) / 2 + up.dx, top = (from.height - up.height) / 2 + up.dy;
  if (left < 0 || top < 0 || left + up.width > from.width || top + up.height > from.height)
    throw std::runtime_error("close-up " + up.file + " reaches beyond " + up.source);
  Capture c;
  c.width = up.width * up.scale;
  c.height = up.height * up.scale;
  c.rgb.resize(static_cast<size_t>(c.width) * c.height * 3);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      const size_t to = (static_cast<size_t>(y) * c.width + x) * 3;
      const size_t at =
          ((static_cast<size_t>(top + y / up.scale) * from.width) + left + x / up.scale) * 3;
      std::copy_n(&from.rgb[at], 3, &c.rgb[to]);
    }
  return c;
}

enum class Mode { check, write, screen };

int run(Mode mode, const std::string& program, const std::string& prefix, const std::string& page) {
  const Worksheet sheet = readWorksheet(page);
  const std::vector<Step>& steps = sheet.steps;
  const std::filesystem::path pictures = std::filesystem::path(page).parent_path();
  if (!prepareWinePrefix(prefix)) throw std::runtime_error("could not make the Wine prefix");
  Laptop laptop(program, prefix);
  int checked = 0, failed = 0;
  for (const Step& step : steps) {
    switch (step.kind) {
      case Step::Kind::start: laptop.start(); break;
      case Step::Kind::maximize: laptop.maximize(); break;
      case Step::Kind::press: laptop.press(step.key, step.times); break;
      case Step::Kind::tilt: laptop.tilt(step.pixels); break;
      case Step::Kind::click: laptop.click(); break;
      case Step::Kind::checkpoint: {
        if (mode == Mode::screen) return judgeScreen(laptop) ? 0 : 1;
        const Capture drawn = laptop.shoot(step);
        const std::string file = (pictures / step.file).string();
        ++checked;
        if (mode == Mode::write) {
          std::filesystem::create_directories(std::filesystem::path(file).parent_path());
          if (!writePng(file, drawn)) throw std::runtime_error("cannot write " + file);
          std::printf("%s\n", file.c_str());
          break;
        }
        Capture shown;
        std::string why = "the page's picture cannot be read";
        if (readPng(file, &shown) && sameImage(drawn, shown, &why)) {
          std::printf("checkpoint %s: as the worksheet shows it\n", step.file.c_str());
        } else {
          ++failed;
          std::printf(
              "%scheckpoint %s is not what the window shows after the steps before it: "
              "%s\n",
              where(page, step.line).c_str(), step.file.c_str(), why.c_str());
        }
        break;
      }
    }
  }
  if (mode == Mode::screen) throw std::runtime_error(page + " has no checkpoint");
  std::printf("lesson: %d checkpoints, %d of them as the worksheet shows them\n", checked,
              checked - failed);
  // The close-ups, from the checkpoints' pictures as they are now.
  int closeUpsFailed = 0;
  for (const CloseUp& up : sheet.closeUps) {
    Capture source, shown;
    const std::string file = (pictures / up.file).string();
    if (!readPng((pictures / up.source).string(), &source))
      throw std::runtime_error("cannot read " + up.source);
    const Capture made = enlarged(source, up);
    if (mode == Mode::write) {
      if (!writePng(file, made)) throw std::runtime_error("cannot write " + file);
      std::printf("%s\n", file.c_str());
      continue;
    }
    std::string why = "the page's picture cannot be read";
    if (!readPng(file, &shown) || !sameImage(made, shown, &why)) {
      ++closeUpsFailed;
      std::printf("%sclose-up %s is not made from %s as its title says: %s\n",
                  where(page, up.line).c_str(), up.file.c_str(), up.source.c_str(), why.c_str());
    }
  }
  std::printf("lesson: %zu close-ups, %zu of them made from their checkpoints\n",
              sheet.closeUps.size(), sheet.closeUps.size() - closeUpsFailed);
  return failed == 0 && closeUpsFailed == 0 && checked > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Mode mode = Mode::check;
  std::string prefix;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--wine" && i + 1 < argc)
      prefix = std::filesystem::absolute(argv[++i]).string();
    else if (arg == "--write")
      mode = Mode::write;
    else if (arg == "--screen")
      mode = Mode::screen;
    else
      args.push_back(arg);
  }
  if (args.size() != 2 || prefix.empty() || !isWindowsProgram(args[0])) {
    std::fprintf(stderr,
                 "usage: lesson --wine PREFIX [--write | --screen] PROGRAM.exe WORKSHEET\n");
    return 2;
  }
  try {
    return run(mode, std::filesystem::absolute(args[0]).string(), prefix, args[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lesson: %s\n", e.what());
    return 1;
  }
}
