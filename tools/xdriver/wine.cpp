#include "wine.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

// A word for the shell, whatever characters it holds.
std::string quoted(const std::string& word) {
  std::string out = "'";
  for (const char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string wineCommand(const std::string& prefix, const std::string& command) {
  return "WINEPREFIX=" + quoted(prefix) + " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' " +
         command;
}

// When Wine finds SDL's library, winebus.sys looks for game controllers
// through it: one thread of the winedevice.exe that hosts it then wakes
// about a thousand times a second, with no controller plugged in. A wait for every
// Wine thread to be asleep would never end, and the tests use no
// controller, so the SDL bus is turned off. Debian's Wine only recommends
// SDL, so whether it is there depends on what else the machine holds.
const std::string sdlBusKey = "HKLM\\System\\CurrentControlSet\\Services\\winebus";
const std::string sdlBusValue = "Enable SDL";

// Whether the prefix's registry, as the Wine server last wrote it, has the
// SDL bus turned off. system.reg names the key below HKLM, its backslashes
// doubled, and Windows' names are the same in any case. Wine 8 writes the
// key under CurrentControlSet; Wine 10 makes that a link to ControlSet001
// and writes it there.
bool sdlBusTurnedOff(const std::string& prefix) {
  std::ifstream registry(prefix + "/system.reg");
  const auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  const auto isSection = [](const std::string& line) {
    for (const char* set : {"currentcontrolset", "controlset001"})
      if (line.rfind(std::string("[system\\\\") + set + "\\\\services\\\\winebus]", 0) == 0)
        return true;
    return false;
  };
  const std::string setting = lower("\"" + sdlBusValue + "\"=dword:00000000");
  bool inSection = false;
  for (std::string line; std::getline(registry, line);) {
    line = lower(line);
    if (line.rfind('[', 0) == 0)
      inSection = isSection(line);
    else if (inSection && line == setting)
      return true;
  }
  return false;
}

// A prefix has one Wine server for all its programs, whatever display they
// draw on, and a run ends it after each program: a second run in the same
// prefix, a gallery started by hand beside the tests say, would end the
// first run's program just after its window appeared, and its own would be
// ended in turn. So a prefix serves one run at a time. The lock is held
// until this process ends (its descriptor is never closed, nor inherited by
// Wine's servers, which outlive it); the programs the run starts, such as
// the gallery under the tests, are told through the environment that the
// prefix is theirs already.
const char* const heldVariable = "TIDEWICK_WINE_PREFIX_HELD";

bool holdPrefix(const std::string& prefix) {
  const std::string name = std::filesystem::weakly_canonical(prefix).string();
  const char* held = std::getenv(heldVariable);
  if (held && name == held) return true;
  std::error_code ignored;  // a folder that cannot be made fails the open below
  std::filesystem::create_directories(std::filesystem::path(name).parent_path(), ignored);
  const int lock = open((name + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0) return false;
  if (flock(lock, LOCK_EX | LOCK_NB) != 0) {
    std::fprintf(stderr, "Waiting for another run to finish with the Wine prefix %s\n",
                 name.c_str());
    if (flock(lock, LOCK_EX) != 0) {
      close(lock);
      return false;
    }
  }
  return setenv(heldVariable, name.c_str(), 1) == 0;
}

}  // namespace

bool isWindowsProgram(const std::string& program) {
  return program.size() > 4 && program.compare(program.size() - 4, 4, ".exe") == 0;
}

std::string writeLauncher(const std::string& folder, const std::string& program,
                          const std::string& winePrefix, const std::string& script,
                          const std::string& desktop) {
  const std::string launcher = folder + "/viewer.sh";
  // Wine's explorer hands the program to Windows' own start, which takes a
  // Windows command line: the program is named from its folder, the script's.
  const std::string wine = desktop.empty()
                               ? "exec wine " + quoted(program)
                               : "exec wine explorer /desktop=Tidewick," + desktop + " " +
                                     quoted(std::filesystem::path(program).filename().string());
  std::ofstream out(launcher);
  out << "#!/bin/sh\nviewer() { "
      << (isWindowsProgram(program) ? wineCommand(winePrefix, wine) : "exec " + quoted(program))
      << "; }\n"
      << script;
  out.close();
  if (!out || chmod(launcher.c_str(), 0755) != 0)
    throw std::runtime_error("cannot write " + launcher);
  return launcher;
}

bool prepareWinePrefix(const std::string& prefix) {
  if (!holdPrefix(prefix)) return false;
  if (sdlBusTurnedOff(prefix)) return true;
  // The setting is read when winebus.sys starts, so the services that
  // wineboot starts still poll; waiting for the server to end ends them too,
  // and writes the registry out to system.reg.
  std::system(
      (wineCommand(prefix, "wineboot -i >/dev/null 2>&1; ") +
       wineCommand(prefix, "wine reg add " + quoted(sdlBusKey) + " /v " + quoted(sdlBusValue) +
                               " /t REG_DWORD /d 0 /f >/dev/null 2>&1; ") +
       wineCommand(prefix, "wineserver -w"))
          .c_str());
  return sdlBusTurnedOff(prefix);
}

bool endWineServer(const std::string& prefix) {
  return std::system((wineCommand(prefix, "wineserver -k; ") + wineCommand(prefix, "wineserver -w"))
                         .c_str()) == 0;
}

std::vector<pid_t> wineProcesses(const std::string& prefix) {
  const std::string wanted = "WINEPREFIX=" + prefix;
  std::vector<pid_t> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    // NAME=VALUE entries, each ended by a NUL; unreadable for another
    // user's process.
    std::ifstream environment(entry.path() / "environ", std::ios::binary);
    for (std::string variable; std::getline(environment, variable, '\0');)
      if (variable == wanted) {
        found.push_back(std::stoi(name));
        break;
      }
  }
  return found;
}
