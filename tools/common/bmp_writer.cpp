#include "bmp_writer.h"

#include <cstdio>

void put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = v & 0xff;
  out[at + 1] = (v >> 8) & 0xff;
}

void put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  put16(out, at, v & 0xffff);
  put16(out, at + 2, v >> 16);
}

namespace {

constexpr int fileHeaderSize = 14;
constexpr int infoHeaderSize = 40;

int paddedRow(int bytes) { return (bytes + 3) / 4 * 4; }

// Lays out both headers and a zeroed body; the caller fills in the pixels.
std::vector<uint8_t> headers(int width, int height, int bitsPerPixel, int paletteEntries) {
  const uint32_t dataOffset = fileHeaderSize + infoHeaderSize + 4 * paletteEntries;
  const uint32_t imageSize = paddedRow(width * bitsPerPixel / 8) * height;
  std::vector<uint8_t> out(dataOffset + imageSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  put32(out, 2, dataOffset + imageSize);
  put32(out, 10, dataOffset);
  put32(out, 14, infoHeaderSize);
  put32(out, 18, width);
  put32(out, 22, height);
  put16(out, 26, 1);  // colour planes
  put16(out, 28, bitsPerPixel);
  put32(out, 34, imageSize);
  put32(out, 38, 2835);  // 72 dots per inch, in dots per metre
  put32(out, 42, 2835);
  put32(out, 46, paletteEntries);
  return out;
}

}  // namespace

std::vector<uint8_t> encodeBmp24(int width, int height, const std::vector<Rgb>& rgb) {
  std::vector<uint8_t> out = headers(width, height, 24, 0);
  const size_t rowBytes = paddedRow(width * 3);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = &out[fileHeaderSize + infoHeaderSize + y * rowBytes];
    for (int x = 0; x < width; ++x) {
      const Rgb& p = rgb[static_cast<size_t>(y) * width + x];
      row[3 * x] = p.b;
      row[3 * x + 1] = p.g;
      row[3 * x + 2] = p.r;
    }
  }
  return out;
}

std::vector<uint8_t> encodeBmp8(int width, int height, const std::vector<uint8_t>& indices,
                                const std::vector<Rgb>& palette) {
  const int entries = static_cast<int>(palette.size());
  std::vector<uint8_t> out = headers(width, height, 8, entries);
  for (int i = 0; i < entries; ++i) {
    uint8_t* e = &out[fileHeaderSize + infoHeaderSize + 4 * i];
    e[0] = palette[i].b;
    e[1] = palette[i].g;
    e[2] = palette[i].r;
  }
  const size_t rowBytes = paddedRow(width);
  const size_t data = fileHeaderSize + infoHeaderSize + 4 * entries;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      out[data + y * rowBytes + x] = indices[static_cast<size_t>(y) * width + x];
  return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool whole = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && whole;
}

bool writeSolidBmp(const std::string& path, int width, int height, Rgb colour) {
  return writeFile(
      path,
      encodeBmp24(width, height, std::vector<Rgb>(static_cast<size_t>(width) * height, colour)));
}
