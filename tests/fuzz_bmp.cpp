// libFuzzer entry point: the reader takes a path, so each input goes
// through a file in memory-backed /dev/shm first.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/bmp_image.h"

namespace {

struct InputFile {
  std::string path = "/dev/shm/tidewick_fuzz_" + std::to_string(getpid()) + ".bmp";
  ~InputFile() { std::remove(path.c_str()); }
} input;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* file = std::fopen(input.path.c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  BmpImage image = {0, 0, nullptr};
  loadBmpImage(input.path.c_str(), &image);
  std::free(image.pixels);
  return 0;
}
