// Paints the town's thirteen pictures into the folder named on the command
// line. Every picture comes from fixed seeds and integer maths, so the files
// are the same byte for byte on every run and every machine.
//
// Some pictures are written as 8-bit palettised files and the rest as 24-bit,
// so that the viewer exercises both ways of reading a BMP each time it starts.
#include <cstdio>
#include <string>

#include "bmp_writer.h"
#include "paint_canvas.h"
#include "paint_houses.h"
#include "paint_nature.h"
#include "paint_palette.h"

namespace {

enum class Depth { Palettised8, True24 };

struct Picture {
  const char* name;
  Canvas (*paint)();
  Depth depth;
};

// The sun and moon are small on screen; 128 texels round is plenty.
constexpr int skySize = 256, groundSize = 256, orbSize = 128;

Canvas grass() { return paintGrass(groundSize); }
Canvas backdrop() { return paintSkyWithHills(skySize); }
Canvas sun() { return paintSun(orbSize); }
Canvas moon() { return paintMoon(orbSize); }

// Roofs, grass and the moon have few distinct hues and survive a 256-colour
// palette unharmed; walls, sky and sun keep their gradients at 24 bits.
const Picture pictures[] = {
    {"kest1", paintLargeGable, Depth::True24},
    {"kest2", paintLargeWall, Depth::True24},
    {"kest3", paintLargeRoof, Depth::Palettised8},
    {"kest4", grass, Depth::Palettised8},
    {"mirl1", paintEastGable, Depth::True24},
    {"mirl2", paintEastWall, Depth::True24},
    {"mirl3", paintEastRoof, Depth::Palettised8},
    {"mirl6", backdrop, Depth::True24},
    {"toba1", paintWestGable, Depth::True24},
    {"toba2", paintWestWall, Depth::True24},
    {"toba3", paintWestRoof, Depth::Palettised8},
    {"sun", sun, Depth::True24},
    {"moon", moon, Depth::Palettised8},
};

std::vector<uint8_t> encode(const Canvas& c, Depth depth) {
  if (depth == Depth::True24) return encodeBmp24(c.width(), c.height(), c.pixels());
  const IndexedImage indexed = quantise(c.pixels());
  return encodeBmp8(c.width(), c.height(), indexed.indices, indexed.palette);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: paint_town <output-folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  for (const Picture& p : pictures) {
    const std::string path = folder + "/" + p.name + ".bmp";
    if (!writeFile(path, encode(p.paint(), p.depth))) {
      std::fprintf(stderr, "paint_town: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
