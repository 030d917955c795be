// Hand-made BMP files for the reader's tests and the fuzzer's seeds: valid
// files from the project's writer, and the ways of spoiling them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "bmp_writer.h"

using Bytes = std::vector<uint8_t>;

// Where the reader finds each field.
constexpr size_t fieldDataOffset = 10;
constexpr size_t fieldHeaderSize = 14;
constexpr size_t fieldWidth = 18;
constexpr size_t fieldHeight = 22;
constexpr size_t fieldBitsPerPixel = 28;
constexpr size_t fieldCompression = 30;
constexpr size_t plainHeadersEnd = 54;

void put16(Bytes& bytes, size_t at, uint16_t value);
void put32(Bytes& bytes, size_t at, uint32_t value);
uint32_t get32(const Bytes& bytes, size_t at);

// Every channel of every pixel differs from its neighbours', so a swapped
// channel, a shifted pixel or a flipped row shows. Bottom row first.
std::vector<Rgb> patternImage(int width, int height);
std::vector<Rgb> patternPalette(int colours);
std::vector<uint8_t> patternIndices(int width, int height, int colours);

// R, G, B bytes as the reader must produce them.
Bytes rgbBytes(const std::vector<Rgb>& pixels);
// 8-bit: the palette colours the indices stand for.
Bytes rgbBytes(const std::vector<uint8_t>& indices, const std::vector<Rgb>& palette);

Bytes patternBmp24(int width, int height);
Bytes patternBmp8(int width, int height, int colours);

// Just the 54 header bytes with the given fields, as an attacker would write
// them: for the rules that must fire before any pixel is read.
Bytes headersOnly(int32_t width, int32_t height, uint16_t bitsPerPixel, uint32_t compression = 0);

// The information header grown to headerSize bytes (the extra ones zero),
// with the colour table and pixels moved behind it as a writer would.
Bytes withHeaderSize(const Bytes& bmp, uint32_t headerSize);
// gap bytes of 0xee between the headers (and table) and the pixels.
Bytes withGap(const Bytes& bmp, size_t gap);
// Every row's padding set to value, which must never reach the output.
Bytes withPadding(const Bytes& bmp, uint8_t value);
Bytes truncated(const Bytes& bmp, size_t length);

// One small file for each path through the reader, named after it: the
// fuzzer's seed corpus.
std::vector<std::pair<std::string, Bytes>> sampleFiles();
