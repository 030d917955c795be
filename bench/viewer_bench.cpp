// The whole viewer against the floor (bench/floor.cpp, a window that only
// clears and swaps) and against the floor drawing one textured quad over the
// window, measured in the same run, each on an Xvfb of its own and taking
// turns, so all meet the same machine and the same noise.
//
//   viewer_bench --viewer PATH --floor PATH --pictures DIR [--runs N] [--seconds S]
//
// Per run and program:
//   start-up  from just before the fork to the first whole frame reaching the
//             X server (seen by FrameCounter, which records the put-image
//             requests that carry a swapped buffer);
//   rate      frames per second over S seconds with the idle callback running
//             (a left click, as a person starts the orbit), after a second's
//             warm-up;
//   peak RSS  VmHWM of the process at the end of the run.
// Prints every run, then the medians and their ratios as a Markdown table.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "x_session.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int windowSide = 1000;

struct Sample {
  double startupMs = 0;
  double framesPerSecond = 0;
  double peakRssMb = 0;
};

struct Options {
  std::string viewer, floor, pictures;
  int runs = 5;
  double seconds = 10;
};

Sample measure(const std::string& program, const std::vector<std::string>& env,
               const std::string& dir, double seconds) {
  XSession x;
  FrameCounter frames(x, windowSide, windowSide);
  Sample s;

  const Clock::time_point start = Clock::now();
  if (!x.launch(program, dir, "Tidewick", env))
    throw std::runtime_error(program + ": no window appeared");
  if (!frames.waitForFrames(1, 20000)) throw std::runtime_error(program + ": no frame shown");
  s.startupMs = std::chrono::duration<double, std::milli>(frames.firstFrameAt() - start).count();

  sleepMs(500);  // let the frames that placing the window caused go by
  x.moveTo(windowSide / 2, windowSide / 2);
  x.button(1, true);
  x.button(1, false);
  sleepMs(1000);

  const long before = frames.frames();
  const Clock::time_point from = Clock::now();
  sleepMs(static_cast<int>(seconds * 1000));
  const long after = frames.frames();
  const double elapsed = std::chrono::duration<double>(Clock::now() - from).count();
  s.framesPerSecond = (after - before) / elapsed;

  const long hwmKb = processStatusKb(x.pid(), "VmHWM");
  if (hwmKb < 0 || !x.running()) throw std::runtime_error(program + " stopped during the run");
  s.peakRssMb = hwmKb / 1024.0;
  x.stop();
  return s;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i], value = argv[i + 1];
    if (flag == "--viewer")
      o.viewer = value;
    else if (flag == "--floor")
      o.floor = value;
    else if (flag == "--pictures")
      o.pictures = value;
    else if (flag == "--runs")
      o.runs = std::atoi(value.c_str());
    else if (flag == "--seconds")
      o.seconds = std::atof(value.c_str());
    else
      throw std::runtime_error("unknown option " + flag);
  }
  if (o.viewer.empty() || o.floor.empty() || o.pictures.empty() || o.runs < 1 || o.seconds <= 0)
    throw std::runtime_error(
        "usage: viewer_bench --viewer PATH --floor PATH --pictures DIR [--runs N] [--seconds S]");
  return o;
}

struct Program {
  const char* name;
  std::string path;
  std::vector<std::string> env;
  std::vector<Sample> samples;

  template <typename F>
  double median(F field) const {
    std::vector<double> v;
    for (const Sample& s : samples) v.push_back(field(s));
    return ::median(v);
  }
  double startupMs() const {
    return median([](const Sample& s) { return s.startupMs; });
  }
  double framesPerSecond() const {
    return median([](const Sample& s) { return s.framesPerSecond; });
  }
  double peakRssMb() const {
    return median([](const Sample& s) { return s.peakRssMb; });
  }
};

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options o = parse(argc, argv);
    const std::string dir = copyTownPictures(o.pictures, "bench");
    Program viewer{"tidewick", o.viewer, {}, {}};
    Program floor{"floor", o.floor, {}, {}};
    Program quad{"quad", o.floor, {"TIDEWICK_FLOOR_QUAD=1"}, {}};
    Program* const programs[] = {&viewer, &floor, &quad};
    std::printf("run  program   start-up ms  frames/s  peak RSS MB\n");
    for (int run = 1; run <= o.runs; ++run) {
      // Each run starts with the next program, so a slow stretch of the
      // machine does not always land on the same one.
      for (int turn = 0; turn < 3; ++turn) {
        Program& p = *programs[(run - 1 + turn) % 3];
        const Sample s = measure(p.path, p.env, dir, o.seconds);
        p.samples.push_back(s);
        std::printf("%3d  %-8s  %11.1f  %8.1f  %11.1f\n", run, p.name, s.startupMs,
                    s.framesPerSecond, s.peakRssMb);
        std::fflush(stdout);
      }
    }

    const double vs = viewer.startupMs(), fs = floor.startupMs(), qs = quad.startupMs();
    const double vf = viewer.framesPerSecond(), ff = floor.framesPerSecond(),
                 qf = quad.framesPerSecond();
    const double vm = viewer.peakRssMb(), fm = floor.peakRssMb(), qm = quad.peakRssMb();
    std::printf("\nMedians of %d runs, %.0f s of frames each:\n\n", o.runs, o.seconds);
    std::printf(
        "| measure | tidewick | floor | against floor | goal | met | textured quad | "
        "against quad |\n");
    std::printf("| --- | ---: | ---: | ---: | --- | --- | ---: | ---: |\n");
    std::printf(
        "| start-up to first frame | %.0f ms | %.0f ms | %.2fx | <= 1.2x | %s | %.0f ms | "
        "%.2fx |\n",
        vs, fs, vs / fs, vs <= 1.2 * fs ? "yes" : "no", qs, vs / qs);
    std::printf(
        "| frames per second, orbit running | %.0f | %.0f | %.2f | >= 0.67 | %s | %.0f | "
        "%.2f |\n",
        vf, ff, vf / ff, vf >= ff * 2 / 3 ? "yes" : "no", qf, vf / qf);
    std::printf(
        "| peak resident size (VmHWM) | %.1f MB | %.1f MB | %+.1f MB | <= +8 MB | %s | "
        "%.1f MB | %+.1f MB |\n",
        vm, fm, vm - fm, vm - fm <= 8 ? "yes" : "no", qm, vm - qm);
    std::filesystem::remove_all(dir);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "viewer_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
