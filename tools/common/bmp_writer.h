// A small writer of uncompressed BMP files, 24-bit or 8-bit with a colour
// table, with the plain 40-byte information header. The texture painter and
// the tests both use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
  uint8_t r, g, b;
};

// rgb holds width * height pixels, bottom row first.
std::vector<uint8_t> encodeBmp24(int width, int height, const std::vector<Rgb>& rgb);

// indices holds width * height palette indices, bottom row first; palette
// holds at most 256 colours, and only those are written to the file.
std::vector<uint8_t> encodeBmp8(int width, int height, const std::vector<uint8_t>& indices,
                                const std::vector<Rgb>& palette);

// Little-endian writes of a 16-bit or 32-bit field at byte at, as BMP
// files keep them.
void put16(std::vector<uint8_t>& out, size_t at, uint32_t v);
void put32(std::vector<uint8_t>& out, size_t at, uint32_t v);

// Returns false when the file cannot be written whole.
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// A one-colour 24-bit image, the tests' way to tell textures apart.
bool writeSolidBmp(const std::string& path, int width, int height, Rgb colour);
