// Starting a Windows program under Wine, in a Wine prefix the caller names
// (the tests' own, never the user's), for the end-to-end tests and the
// gallery. Every Wine command runs with that prefix set here rather than
// inherited, so that nothing reaches the user's own Wine; Mono and Gecko,
// which a fresh prefix may offer to install, are turned off.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A program named *.exe is a Windows program: it runs under Wine.
bool isWindowsProgram(const std::string& program);

// Writes folder/viewer.sh, a shell script whose body is script, in which the
// command viewer replaces the shell with program, under Wine in winePrefix
// for a Windows program, so that the script's process is the program's.
// Returns the script's path; throws std::runtime_error if it cannot write it.
// With desktop ("1366x768", say), a Windows program runs inside a Wine
// desktop window of that size, titled "Tidewick - Wine desktop" ("Wine
// Desktop" from Wine 10), as on a screen of that size; it must then lie in
// folder.
std::string writeLauncher(const std::string& folder, const std::string& program,
                          const std::string& winePrefix, const std::string& script = "viewer\n",
                          const std::string& desktop = "");

// Makes the prefix ready for programs and waits until Wine has finished, so
// that a program's window then appears in time: a new prefix takes seconds.
// Its Wine is kept from polling for game controllers, which would keep one
// of its threads awake (see wine.cpp); a prefix made earlier, without that
// setting, gets it too. A prefix that has it already is left as it is.
// False if the setting cannot be read back from the prefix's registry.
// First it waits until no other run uses the prefix, and from then on the
// prefix is this process's, and its children's, until it ends (see
// wine.cpp); every run calls this before it starts anything in a prefix.
bool prepareWinePrefix(const std::string& prefix);

// Ends the prefix's Wine server, and with it every Wine process of the
// prefix, and waits until they are gone. Wine's processes outlive a program
// on its X server; the next program, on another server, must start afresh.
bool endWineServer(const std::string& prefix);

// The running processes of the prefix: its Wine server, its programs and
// Wine's own services, all of which carry the prefix in their environment.
std::vector<pid_t> wineProcesses(const std::string& prefix);
