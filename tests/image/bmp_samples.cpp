#include "bmp_samples.h"

#include <algorithm>

void put16(Bytes& bytes, size_t at, uint16_t value) {
  bytes[at] = value & 0xff;
  bytes[at + 1] = value >> 8;
}

void put32(Bytes& bytes, size_t at, uint32_t value) {
  put16(bytes, at, value & 0xffff);
  put16(bytes, at + 2, value >> 16);
}

uint32_t get32(const Bytes& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24;
}

std::vector<Rgb> patternImage(int width, int height) {
  std::vector<Rgb> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels.push_back({static_cast<uint8_t>(1 + x + 16 * y), static_cast<uint8_t>(90 + 3 * x + y),
                        static_cast<uint8_t>(250 - x - 32 * y)});
  return pixels;
}

std::vector<Rgb> patternPalette(int colours) {
  std::vector<Rgb> palette;
  for (int i = 0; i < colours; ++i)
    palette.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                       static_cast<uint8_t>(i * 7 + 3)});
  return palette;
}

std::vector<uint8_t> patternIndices(int width, int height, int colours) {
  std::vector<uint8_t> indices;
  for (int i = 0; i < width * height; ++i) indices.push_back(static_cast<uint8_t>((i * 7) % colours));
  return indices;
}

Bytes rgbBytes(const std::vector<Rgb>& pixels) {
  Bytes out;
  for (const Rgb& p : pixels) out.insert(out.end(), {p.r, p.g, p.b});
  return out;
}

Bytes rgbBytes(const std::vector<uint8_t>& indices, const std::vector<Rgb>& palette) {
  std::vector<Rgb> pixels;
  for (uint8_t i : indices) pixels.push_back(palette[i]);
  return rgbBytes(pixels);
}

Bytes patternBmp24(int width, int height) {
  return encodeBmp24(width, height, patternImage(width, height));
}

Bytes patternBmp8(int width, int height, int colours) {
  return encodeBmp8(width, height, patternIndices(width, height, colours), patternPalette(colours));
}

Bytes headersOnly(int32_t width, int32_t height, uint16_t bitsPerPixel, uint32_t compression) {
  Bytes bmp = truncated(patternBmp24(1, 1), plainHeadersEnd);
  put32(bmp, fieldWidth, static_cast<uint32_t>(width));
  put32(bmp, fieldHeight, static_cast<uint32_t>(height));
  put16(bmp, fieldBitsPerPixel, bitsPerPixel);
  put32(bmp, fieldCompression, compression);
  return bmp;
}

Bytes withHeaderSize(const Bytes& bmp, uint32_t headerSize) {
  const size_t extra = headerSize - (get32(bmp, fieldHeaderSize));
  Bytes out = bmp;
  out.insert(out.begin() + plainHeadersEnd, extra, 0);
  put32(out, 2, static_cast<uint32_t>(out.size()));
  put32(out, fieldDataOffset, static_cast<uint32_t>(get32(bmp, fieldDataOffset) + extra));
  put32(out, fieldHeaderSize, headerSize);
  return out;
}

Bytes withGap(const Bytes& bmp, size_t gap) {
  const uint32_t offset = get32(bmp, fieldDataOffset);
  Bytes out = bmp;
  out.insert(out.begin() + offset, gap, 0xee);
  put32(out, 2, static_cast<uint32_t>(out.size()));
  put32(out, fieldDataOffset, static_cast<uint32_t>(offset + gap));
  return out;
}

Bytes withPadding(const Bytes& bmp, uint8_t value) {
  const size_t width = get32(bmp, fieldWidth), height = get32(bmp, fieldHeight);
  const size_t used = width * (bmp[fieldBitsPerPixel] / 8), padded = (used + 3) / 4 * 4;
  Bytes out = bmp;
  for (size_t y = 0; y < height; ++y) {
    const size_t row = get32(bmp, fieldDataOffset) + y * padded;
    std::fill(out.begin() + row + used, out.begin() + row + padded, value);
  }
  return out;
}

Bytes truncated(const Bytes& bmp, size_t length) {
  return Bytes(bmp.begin(), bmp.begin() + std::min(length, bmp.size()));
}

std::vector<std::pair<std::string, Bytes>> sampleFiles() {
  Bytes compressed = patternBmp24(3, 2);
  put32(compressed, fieldCompression, 1);
  Bytes depth16 = patternBmp24(3, 2);
  put16(depth16, fieldBitsPerPixel, 16);
  return {
      {"rgb24_5x3", withPadding(patternBmp24(5, 3), 0xab)},
      {"pal8_5x3", withPadding(patternBmp8(5, 3, 256), 0xab)},
      {"pal8_short_table", patternBmp8(6, 2, 3)},
      {"pal8_header124", withHeaderSize(patternBmp8(4, 2, 16), 124)},
      {"rgb24_header108_gap", withGap(withHeaderSize(patternBmp24(3, 2), 108), 20)},
      {"empty", {}},
      {"not_bmp", {'B', 'A', 0, 0}},
      {"short_file_header", truncated(patternBmp24(3, 2), 13)},
      {"short_info_header", truncated(patternBmp24(3, 2), 53)},
      {"compressed", compressed},
      {"depth16", depth16},
      {"top_down", headersOnly(4, -4, 24)},
      {"too_wide", headersOnly(1025, 1, 24)},
      {"no_table", truncated(patternBmp8(4, 4, 256), plainHeadersEnd)},
      {"short_pixels", truncated(patternBmp24(7, 5), plainHeadersEnd + 2 * 24 + 5)},
  };
}
