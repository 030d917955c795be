// What the tests share: temporary folders of pictures, the town's picture
// list, little-endian writes, and, for tests that call the program's
// functions, one real GLUT window and ways to look at what GL did in it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bmp_writer.h"
#include "pixel.h"
#include "platform/gl.h"

using Bytes = std::vector<uint8_t>;

// The picture each texture is loaded from, as the viewer must load them
// (index 0 unused), and the thirteen picture files.
extern const char* const fileOfTexture[18];
std::vector<std::string> pictureFiles();

// One colour per picture file, far from black, green, yellow and each other.
Rgb pictureColour(const std::string& file);
Pixel asPixel(Rgb c);

// A fresh empty folder under the system's temporary folder.
std::string makeTempDir();
// A fresh folder holding every picture file as one solid 8 x 8 colour, but
// those named in without.
std::string solidPictureFolder(const std::vector<std::string>& without = {});

// Changes the working folder for as long as the object lives.
class WorkingDir {
 public:
  explicit WorkingDir(const std::string& dir);
  ~WorkingDir();

 private:
  std::string previous_;
};

// What body printed on standard output.
std::string printedBy(const std::function<void()>& body);

// Opens the process's one 1000 x 1000 single-buffered window, so that
// glReadPixels sees a finished frame; a no-op once open.
void openTestWindow();
// How many redisplays body asks for, once earlier ones have been delivered.
int redisplaysDuring(const std::function<void()>& body);
// Runs the real glutMainLoop just long enough to see whether an idle
// callback is installed: two timers in a row, and an idle callback always
// runs between them. Returns how much angle moved. freeglut tears the window
// down when its loop returns; the next openTestWindow opens another.
float angleMovedByIdleCalls();

// GL window coordinates, origin bottom-left; (-1, -1, -1), which matches no
// colour, if GL could not read it.
Pixel readPixel(int x, int y);
std::vector<GLenum> glErrors();  // drains the GL error queue
