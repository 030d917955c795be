// Placeholder until the painter lands: one flat colour per picture.
#include <string>

#include "bmp_writer.h"

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : ".";
  const char* names[] = {"kest1", "kest2", "kest3", "kest4", "mirl1", "mirl2", "mirl3",
                         "mirl6", "toba1", "toba2", "toba3", "sun", "moon"};
  int i = 0;
  for (const char* n : names) {
    ++i;
    if (!writeSolidBmp(dir + "/" + n + ".bmp", 64, 64, Rgb{uint8_t(i * 19), uint8_t(255 - i * 17), 128}))
      return 1;
  }
  return 0;
}
