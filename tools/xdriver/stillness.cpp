#include "stillness.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "wine.h"

Stillness::Stillness(const FrameCounter& frames, const std::string& winePrefix)
    : frames_(frames), winePrefix_(winePrefix) {
  const std::string parent = std::to_string(getpid());
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    // pid (name) state ppid: the name may hold spaces and parentheses.
    std::ifstream in(entry.path() / "stat");
    std::string line;
    std::getline(in, line);
    const size_t end = line.rfind(')');
    if (end == std::string::npos) continue;
    std::istringstream fields(line.substr(end + 1));
    std::string state, ppid;
    fields >> state >> ppid;
    if (ppid == parent) processes_.push_back(name);
  }
  if (processes_.size() != 2)
    throw std::runtime_error("expected the server and the viewer, found " +
                             std::to_string(processes_.size()) + " processes started");
  // The prefix's processes are known by their environment: the viewer
  // must be found among them, or none would be watched.
  if (!winePrefix_.empty()) {
    const std::vector<pid_t> wine = wineProcesses(winePrefix_);
    const auto started = [&](pid_t p) {
      return std::find(processes_.begin(), processes_.end(), std::to_string(p)) != processes_.end();
    };
    if (std::none_of(wine.begin(), wine.end(), started))
      throw std::runtime_error("the viewer does not run in the Wine prefix " + winePrefix_);
  }
}

long Stillness::wait() const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  std::vector<Sleeper> before, after;
  while (std::chrono::steady_clock::now() < deadline) {
    if (look(&before)) {
      const long counted = frames_.frames();
      if (look(&after) && after == before) return counted;
    }
    sleepMs(2);
  }
  throw std::runtime_error("the viewer did not stop drawing");
}

// Every thread watched, in order; false as soon as one is not asleep.
// Wine's processes come and go, so they are found at each look: a set
// that changed between two looks has other threads.
bool Stillness::look(std::vector<Sleeper>* out) const {
  out->clear();
  for (const std::string& process : processes_)
    if (!lookAt("/proc/" + process + "/task", "", true, out)) return false;
  if (!winePrefix_.empty())
    for (const pid_t wine : wineProcesses(winePrefix_)) {
      const std::string process = std::to_string(wine);
      if (std::find(processes_.begin(), processes_.end(), process) != processes_.end()) continue;
      if (!lookAt("/proc/" + process + "/task", "", false, out)) return false;
    }
  if (!lookAt("/proc/self/task", std::to_string(gettid()), false, out)) return false;
  std::sort(out->begin(), out->end());
  return true;
}

// started: the process is one the driver started, which must not end.
bool Stillness::lookAt(const std::string& tasks, const std::string& skip, bool started,
                       std::vector<Sleeper>* out) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(tasks, error)) {
    const std::string thread = entry.path().filename();
    if (thread == skip) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    std::getline(stat, line);
    const size_t end = line.rfind(')');
    if (end == std::string::npos || end + 2 >= line.size()) return false;  // gone meanwhile
    const char state = line[end + 2];
    // A thread that ends is gone at once, but a whole program that ends
    // stays behind, dead, until this one collects it.
    if ((state == 'Z' || state == 'X') && started &&
        tasks.find("/" + thread + "/") != std::string::npos)
      throw std::runtime_error("a program the driver started has ended");
    if (state != 'S') return false;
    std::ifstream status(entry.path() / "status");
    long switches = 0;
    int found = 0;
    while (std::getline(status, line))
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
          line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) {
        switches += std::stol(line.substr(line.find(':') + 1));
        ++found;
      }
    if (found != 2) return false;
    out->push_back({tasks + "/" + thread, switches});
  }
  return !error;
}
