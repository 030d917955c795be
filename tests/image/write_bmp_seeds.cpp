// Writes the tests' hand-made files into a folder, as the fuzzer's seeds.
#include <cstdio>
#include <string>

#include "bmp_samples.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  for (const auto& [name, bytes] : sampleFiles())
    if (!writeFile(std::string(argv[1]) + "/" + name + ".bmp", bytes)) {
      std::fprintf(stderr, "cannot write %s/%s.bmp\n", argv[1], name.c_str());
      return 1;
    }
  return 0;
}
