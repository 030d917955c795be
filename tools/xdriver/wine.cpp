#include "wine.h"

#include <sys/stat.h>

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

}  // namespace

bool isWindowsProgram(const std::string& program) {
  return program.size() > 4 && program.compare(program.size() - 4, 4, ".exe") == 0;
}

std::string writeLauncher(const std::string& folder, const std::string& program,
                          const std::string& winePrefix, const std::string& script) {
  const std::string launcher = folder + "/viewer.sh";
  std::ofstream out(launcher);
  out << "#!/bin/sh\nviewer() { "
      << (isWindowsProgram(program) ? wineCommand(winePrefix, "exec wine " + quoted(program))
                                    : "exec " + quoted(program))
      << "; }\n"
      << script;
  out.close();
  if (!out || chmod(launcher.c_str(), 0755) != 0)
    throw std::runtime_error("cannot write " + launcher);
  return launcher;
}

bool prepareWinePrefix(const std::string& prefix) {
  return std::system((wineCommand(prefix, "wineboot -i >/dev/null 2>&1; ") +
                      wineCommand(prefix, "wineserver -w"))
                         .c_str()) == 0;
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
