// Decoding speed of loadBmpImage against stb_image and against plain reading
// and copying of the same files, which no decoder can beat. Throughput is in
// bytes of RGB output, so every method is measured on the same scale.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bmp_writer.h"
#include "image/bmp_image.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb/stb_image.h>

namespace {

struct Case {
  const char* name;
  int bits;
  int side;
  std::string path;
};

// Content that no decoder can shortcut: a gradient plus noise from a fixed
// linear congruential generator, so runs are comparable.
uint32_t noise(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 24;
}

std::vector<uint8_t> makeImage(int bits, int side) {
  uint32_t state = 12345;
  const size_t count = static_cast<size_t>(side) * side;
  if (bits == 24) {
    std::vector<Rgb> rgb(count);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t x = static_cast<uint8_t>(i % side), y = static_cast<uint8_t>(i / side);
      rgb[i] = {static_cast<uint8_t>(x ^ noise(state)), static_cast<uint8_t>(y + noise(state)),
                static_cast<uint8_t>(noise(state))};
    }
    return encodeBmp24(side, side, rgb);
  }
  std::vector<Rgb> palette(256);
  for (int i = 0; i < 256; ++i)
    palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                  static_cast<uint8_t>(noise(state))};
  std::vector<uint8_t> indices(count);
  for (uint8_t& index : indices) index = static_cast<uint8_t>(noise(state));
  return encodeBmp8(side, side, indices, palette);
}

int64_t outputBytes(const Case& c) { return int64_t{c.side} * c.side * 3; }

void decodeTidewick(benchmark::State& state, const Case& c) {
  BmpImage image = {0, 0, nullptr};
  for (auto _ : state) {
    loadBmpImage(c.path.c_str(), &image);
    benchmark::DoNotOptimize(image.pixels);
  }
  std::free(image.pixels);
  state.SetBytesProcessed(state.iterations() * outputBytes(c));
}

void decodeStb(benchmark::State& state, const Case& c) {
  for (auto _ : state) {
    int w, h, channels;
    unsigned char* pixels = stbi_load(c.path.c_str(), &w, &h, &channels, 3);
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
  state.SetBytesProcessed(state.iterations() * outputBytes(c));
}

// Open, read the whole file, and fill a fresh output buffer of the decoded
// size by copying the file's bytes into it (three times over for 8 bits):
// the work any decoder must at least do.
void readAndCopy(benchmark::State& state, const Case& c) {
  std::vector<unsigned char> file;
  for (auto _ : state) {
    FILE* f = std::fopen(c.path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    file.resize(static_cast<size_t>(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    const size_t got = std::fread(file.data(), 1, file.size(), f);
    std::fclose(f);
    const size_t size = static_cast<size_t>(outputBytes(c));
    auto* out = static_cast<unsigned char*>(std::malloc(size));
    for (size_t done = 0; got > 0 && done < size; done += got)
      std::memcpy(out + done, file.data(), got < size - done ? got : size - done);
    benchmark::DoNotOptimize(out);
    std::free(out);
  }
  state.SetBytesProcessed(state.iterations() * outputBytes(c));
}

// A benchmark of a decoder that decodes wrongly is worthless: before timing,
// both decoders must give the same picture (stb_image puts the top row first).
bool decodersAgree(const Case& c) {
  BmpImage image = {0, 0, nullptr};
  loadBmpImage(c.path.c_str(), &image);
  int w = 0, h = 0, channels = 0;
  unsigned char* stb = stbi_load(c.path.c_str(), &w, &h, &channels, 3);
  bool same = image.pixels && stb && w == image.width && h == image.height;
  const size_t rowBytes = static_cast<size_t>(w) * 3;
  for (int y = 0; same && y < h; ++y)
    same = std::memcmp(image.pixels + y * rowBytes, stb + (h - 1 - y) * rowBytes, rowBytes) == 0;
  std::free(image.pixels);
  stbi_image_free(stb);
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  char folder[] = "/tmp/bmp_bench_XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  std::vector<Case> cases = {{"24bit/1024", 24, 1024, ""},
                             {"24bit/256", 24, 256, ""},
                             {"8bit/1024", 8, 1024, ""},
                             {"8bit/256", 8, 256, ""}};
  int status = 0;
  for (Case& c : cases) {
    c.path =
        std::string(folder) + "/" + std::to_string(c.bits) + "_" + std::to_string(c.side) + ".bmp";
    if (!writeFile(c.path, makeImage(c.bits, c.side)) || !decodersAgree(c)) {
      std::fprintf(stderr, "bmp_bench: %s could not be set up or decodes differently\n", c.name);
      status = 1;
    }
  }
  if (status == 0) {
    for (const Case& c : cases) {
      benchmark::RegisterBenchmark((std::string("tidewick/") + c.name).c_str(), decodeTidewick, c);
      benchmark::RegisterBenchmark((std::string("stb_image/") + c.name).c_str(), decodeStb, c);
      benchmark::RegisterBenchmark((std::string("read_copy/") + c.name).c_str(), readAndCopy, c);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
  }
  for (const Case& c : cases) std::remove(c.path.c_str());
  rmdir(folder);
  return status;
}
