// Soak: the real viewer under a private Xvfb with the sun and moon orbiting
// for many frames while a restless user presses every key and works every
// mouse button in a seeded random order. It passes when the viewer is still
// up at the end, closes cleanly with status 0, has written no sanitizer
// report to its standard error nor had any GL call refused (every key and
// button reaches GL here), and its resident size stayed flat from a
// given frame (--rss-from; by default frame 1000, or two fifths of the way
// through a shorter run) to the end.
//
//   soak --viewer PATH --pictures DIR [--frames N] [--seed S] [--rss-from F]
//        [--max-growth-kb K] [--no-rss] [--time-limit SECONDS] [--env NAME=VALUE]...
//
// PATH may be a script that execs the viewer under valgrind (the pid stays
// the viewer's); --no-rss then skips the size check, which means nothing
// there. Frames are counted by FrameCounter, from the pictures the viewer
// sends to the X server, so keys and drags that redraw count as well.
//
// AddressSanitizer parks freed blocks in a quarantine, 256 MB by default,
// before it reuses them; the viewer (Mesa, mostly) frees some tens of kB a
// frame, so its resident size climbs for thousands of frames without any
// leak. The viewer is therefore given a 4 MB quarantine, full long before the
// size is first sampled, so that only real growth shows. Freed memory is
// still poisoned and recent frees are still caught.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "x_session.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int side = 1000;

struct Options {
  std::string viewer, pictures;
  long frames = 10000;
  unsigned seed = 1;
  long rssFrom = -1;  // unless given: frame 1000, or two fifths of a shorter run
  long maxGrowthKb = 1024;
  bool checkRss = true;
  double timeLimit = 1800;
  std::vector<std::string> env;
};

// What the sanitizers print when they find something. Mesa and freeglut may
// print harmless notes, so only these markers count. Valgrind's findings
// show in the exit status instead (--error-exitcode).
bool hasReport(const std::string& errors) {
  return errors.find("Sanitizer") != std::string::npos ||
         errors.find("runtime error") != std::string::npos;
}

// The user. Every action leaves the left button up, so the orbit runs
// between actions, except while a held press lasts.
class User {
 public:
  User(XSession& x, unsigned seed) : x_(x), rng_(seed) {}

  void act() {
    static const char* const keys[] = {"Up", "Down", "Left", "Right", "c", "d", "f",
                                       "m",  "p",    "r",    "t",     "x", "z"};
    const int keyCount = sizeof keys / sizeof *keys;
    const int choice = pick(keyCount + 7);
    if (choice < keyCount) {
      key(keys[choice]);
      return;
    }
    switch (choice - keyCount) {
      case 0: {  // an upper-case letter, which the viewer ignores but redraws for
        const std::string letter(1, static_cast<char>('a' + pick(26)));
        x_.key(letter, true);
        ++done_["shifted letter"];
        break;
      }
      case 1:  // a click, which stops and restarts the orbit
        x_.moveTo(point(), point());
        x_.button(1, true);
        x_.button(1, false);
        ++done_["left click"];
        break;
      case 2:
        x_.drag(1, point(), point(), point(), point(), 2 + pick(15));
        ++done_["left drag"];
        break;
      case 3: click(2, "middle click"); break;
      case 4: click(3, "right click"); break;
      case 5:  // right and middle drags turn the scene only before the first left press
        x_.drag(pick(2) ? 2 : 3, point(), point(), point(), point(), 2 + pick(10));
        ++done_["middle or right drag"];
        break;
      case 6: {  // hold the left button down over a few keys: the orbit rests meanwhile
        x_.moveTo(point(), point());
        x_.button(1, true);
        for (int i = pick(4); i >= 0; --i) key(keys[pick(keyCount)]);
        x_.button(1, false);
        ++done_["held left press"];
        break;
      }
    }
  }

  int pause() { return pick(25); }  // ms between actions
  const std::map<std::string, long>& done() const { return done_; }

 private:
  int pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
  int point() { return 10 + pick(side - 20); }

  void key(const char* name) {
    x_.key(name);
    ++done_[std::string("key ") + name];
  }

  void click(int button, const char* what) {
    x_.moveTo(point(), point());
    x_.button(button, true);
    x_.button(button, false);
    ++done_[what];
  }

  XSession& x_;
  std::mt19937 rng_;  // fixed algorithm, so a seed means the same sequence everywhere
  std::map<std::string, long> done_;
};

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--no-rss") {
      o.checkRss = false;
      continue;
    }
    if (i + 1 >= argc) throw std::runtime_error("missing value after " + flag);
    const std::string value = argv[++i];
    if (flag == "--viewer")
      o.viewer = value;
    else if (flag == "--pictures")
      o.pictures = value;
    else if (flag == "--frames")
      o.frames = std::atol(value.c_str());
    else if (flag == "--seed")
      o.seed = static_cast<unsigned>(std::atol(value.c_str()));
    else if (flag == "--rss-from")
      o.rssFrom = std::atol(value.c_str());
    else if (flag == "--max-growth-kb")
      o.maxGrowthKb = std::atol(value.c_str());
    else if (flag == "--time-limit")
      o.timeLimit = std::atof(value.c_str());
    else if (flag == "--env")
      o.env.push_back(value);
    else
      throw std::runtime_error("unknown option " + flag);
  }
  if (o.rssFrom < 0) o.rssFrom = std::min(1000L, o.frames * 2 / 5);
  if (o.viewer.empty() || o.pictures.empty() || o.frames < 1 ||
      (o.checkRss && o.rssFrom >= o.frames))
    throw std::runtime_error(
        "usage: soak --viewer PATH --pictures DIR [--frames N] [--seed S] [--rss-from F] "
        "[--max-growth-kb K] [--no-rss] [--time-limit SECONDS] [--env NAME=VALUE]...");
  return o;
}

std::vector<std::string> viewerEnvironment(const Options& o) {
  std::vector<std::string> env;
  const char* asan = std::getenv("ASAN_OPTIONS");
  env.push_back(std::string("ASAN_OPTIONS=") + (asan && *asan ? std::string(asan) + ":" : "") +
                "quarantine_size_mb=4");
  // Mesa, LLVM, X and freeglut keep some blocks until exit; only those
  // libraries are named in the suppressions.
  if (!std::getenv("LSAN_OPTIONS"))
    env.push_back("LSAN_OPTIONS=suppressions=" TIDEWICK_LSAN_SUPPRESSIONS ":print_suppressions=0");
  env.insert(env.end(), o.env.begin(), o.env.end());
  return env;
}

long median(std::vector<long> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Returns the failures found; none means the soak passed.
std::vector<std::string> soak(const Options& o, const std::string& dir) {
  std::vector<std::string> failures;
  XSession x;
  FrameCounter frames(x, side, side);
  if (!x.launch(o.viewer, dir, "Tidewick", viewerEnvironment(o))) return {"no window appeared"};
  if (!frames.waitForFrames(1, 30000)) return {"the viewer showed no frame"};
  const pid_t pid = x.pid();
  x.moveTo(side / 2, side / 2);
  x.button(1, true);
  x.button(1, false);  // the release starts the orbit

  User user(x, o.seed);
  const Clock::time_point start = Clock::now();
  Clock::time_point nextSample = start;
  std::vector<long> sizesKb;  // VmRSS from frame rssFrom on, every 100 ms
  long nextReport = 1000;
  bool timedOut = false;
  while (frames.frames() < o.frames) {
    if (!x.running()) {
      failures.push_back("the viewer stopped after " + std::to_string(frames.frames()) + " frames");
      break;
    }
    if (std::chrono::duration<double>(Clock::now() - start).count() > o.timeLimit) {
      timedOut = true;
      break;
    }
    user.act();
    sleepMs(user.pause());
    if (Clock::now() >= nextSample) {
      nextSample += std::chrono::milliseconds(100);
      const long shown = frames.frames();
      const long kb = processStatusKb(pid, "VmRSS");
      if (kb > 0 && shown >= o.rssFrom) sizesKb.push_back(kb);
      if (shown >= nextReport) {
        std::printf("frames %6ld  %6.1f s  VmRSS %ld kB\n", shown,
                    std::chrono::duration<double>(Clock::now() - start).count(), kb);
        std::fflush(stdout);
        nextReport = (shown / 1000 + 1) * 1000;
      }
    }
  }
  const long shown = frames.frames();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (timedOut) failures.push_back("only " + std::to_string(shown) + " frames in the time limit");

  // The end of the run: one more sample, then close as a person would.
  if (x.running()) {
    const long kb = processStatusKb(pid, "VmRSS");
    if (kb > 0) sizesKb.push_back(kb);
    const int status = x.close(60000);
    if (status != 0)
      failures.push_back("closing the window ended the viewer with status " +
                         std::to_string(status));
  }
  const std::string errors = fileText(dir + "/stderr.txt");
  if (hasReport(errors)) failures.push_back("the viewer's standard error has a report:\n" + errors);
  // A call refused in every frame is named once.
  const std::vector<std::string> refused = refusedGlCalls(errors);
  for (const std::string& line : std::set<std::string>(refused.begin(), refused.end()))
    failures.push_back("GL refused a call: " + line);

  std::printf("\n%ld frames in %.1f s (%.0f per second), seed %u\n", shown, seconds,
              shown / seconds, o.seed);
  for (const auto& [what, count] : user.done()) std::printf("  %-22s %ld\n", what.c_str(), count);
  if (o.checkRss) {
    // The allocators breathe by several hundred kB from one sample to the
    // next, so the size at either end is the median of a window of samples
    // (up to ten, a second's worth) rather than one sample, which might
    // catch a trough at the start and a crest at the end.
    // A run too short for three samples a window says nothing either way
    // (a few hundred frames take a second or two), so it is not judged.
    const size_t window = std::min<size_t>(10, sizesKb.size() / 3);
    if (window < 3) {
      std::printf("VmRSS not judged: %zu samples after frame %ld, and 9 are needed\n",
                  sizesKb.size(), o.rssFrom);
    } else {
      const long first = median({sizesKb.begin(), sizesKb.begin() + window});
      const long last = median({sizesKb.end() - window, sizesKb.end()});
      std::printf(
          "VmRSS from frame %ld: %ld kB at first, %ld kB at the end (medians of %zu of "
          "%zu samples); lowest %ld kB, highest %ld kB\n",
          o.rssFrom, first, last, window, sizesKb.size(),
          *std::min_element(sizesKb.begin(), sizesKb.end()),
          *std::max_element(sizesKb.begin(), sizesKb.end()));
      if (last - first >= o.maxGrowthKb)
        failures.push_back("resident size grew by " + std::to_string(last - first) +
                           " kB after frame " + std::to_string(o.rssFrom));
    }
  }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options o = parse(argc, argv);
    const std::string dir = copyTownPictures(o.pictures, "soak");
    const std::vector<std::string> failures = soak(o, dir);
    if (failures.empty()) {
      std::printf("soak passed\n");
      std::filesystem::remove_all(dir);
      return 0;
    }
    for (const std::string& f : failures) std::printf("FAILED: %s\n", f.c_str());
    std::printf("the viewer's folder is kept: %s\n", dir.c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "soak: %s\n", e.what());
    return 2;
  }
}
