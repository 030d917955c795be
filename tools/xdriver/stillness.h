// Waiting until a viewer has finished drawing, for the drivers that capture
// what it shows (the gallery, the lesson).
#pragma once

#include <string>
#include <vector>

#include "x_session.h"

// The frame counter shows that the viewer draws, not that it has finished:
// a viewer kept off the processors by other work draws nothing for as long
// as it waits, and a quiet spell of any length can end with the frame for
// the last key or drag step still to come. So the drivers wait for a state
// of the processes instead. When every thread of the programs it started
// (the server and the viewer) is asleep, and so is every thread of its own
// but the waiting one (the counter's), the viewer waits for input: not for
// an answer, which a server with nothing left to do has sent, nor for its
// drawing threads, which sleep. The server has carried out every request and
// sent every report of a put, and the counter has read them all, since a
// report left unread would wake it. Two looks with no thread woken in between
// make sure all of that held at one moment; after it nothing changes until
// the next key or button, so the frames counted then are all there will be.
// Under Wine the viewer's input reaches it through the prefix's Wine server,
// and Wine's own processes (its services, the desktop's explorer.exe) run
// beside it: every thread of the prefix's processes must be asleep too.
class Stillness {
 public:
  // With the viewer started, so that the processes this one has started are
  // the server and the viewer; winePrefix is the viewer's, if it runs under
  // Wine. Throws std::runtime_error if they are not found.
  explicit Stillness(const FrameCounter& frames, const std::string& winePrefix = "");

  // Waits until everything is still and returns the frames counted then;
  // throws std::runtime_error after a minute of drawing.
  long wait() const;

 private:
  struct Sleeper {
    std::string thread;
    long switches;  // times it has left a processor, which it does only if woken
    bool operator==(const Sleeper& o) const { return thread == o.thread && switches == o.switches; }
    bool operator<(const Sleeper& o) const { return thread < o.thread; }
  };

  bool look(std::vector<Sleeper>* out) const;
  static bool lookAt(const std::string& tasks, const std::string& skip, bool started,
                     std::vector<Sleeper>* out);

  const FrameCounter& frames_;
  const std::string winePrefix_;
  std::vector<std::string> processes_;
};
