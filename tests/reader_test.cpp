// The BMP reader on hand-made files: one table row per way a file can be
// refused, and for the files it accepts, the exact bytes it must give.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "harness.h"
#include "image/bmp_image.h"

namespace {

// Where the reader finds each field.
constexpr size_t fieldDataOffset = 10, fieldHeaderSize = 14, fieldWidth = 18, fieldHeight = 22,
                 fieldBitsPerPixel = 28, fieldCompression = 30, headersEnd = 54;

// Every channel of every pixel differs from its neighbours', so a swapped
// channel, a shifted pixel or a flipped row shows. Bottom row first.
std::vector<Rgb> pattern(int width, int height) {
  std::vector<Rgb> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels.push_back(
          {uint8_t(1 + x + 16 * y), uint8_t(90 + 3 * x + y), uint8_t(250 - x - 32 * y)});
  return pixels;
}

std::vector<Rgb> palette(int colours) {
  std::vector<Rgb> p;
  for (int i = 0; i < colours; ++i) p.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i * 7 + 3)});
  return p;
}

std::vector<uint8_t> indices(int width, int height, int colours) {
  std::vector<uint8_t> out;
  for (int i = 0; i < width * height; ++i) out.push_back(uint8_t((i * 7) % colours));
  return out;
}

Bytes rgbBytes(const std::vector<Rgb>& pixels) {
  Bytes out;
  for (const Rgb& p : pixels) out.insert(out.end(), {p.r, p.g, p.b});
  return out;
}

// A picture as a file and as the bytes the reader must make of it.
struct Picture {
  Bytes file, rgb;
};

Picture rgb24(int width, int height) {
  return {encodeBmp24(width, height, pattern(width, height)), rgbBytes(pattern(width, height))};
}

Picture indexed8(int width, int height, int colours) {
  std::vector<Rgb> expanded;
  for (uint8_t i : indices(width, height, colours)) expanded.push_back(palette(colours)[i]);
  return {encodeBmp8(width, height, indices(width, height, colours), palette(colours)),
          rgbBytes(expanded)};
}

uint32_t get32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}

// Just the 54 header bytes, as an attacker would write them.
Bytes headersOnly(int32_t width, int32_t height, uint16_t bitsPerPixel, uint32_t compression = 0) {
  Bytes bmp = encodeBmp24(1, 1, {{0, 0, 0}});
  bmp.resize(headersEnd);
  put32(bmp, fieldWidth, static_cast<uint32_t>(width));
  put32(bmp, fieldHeight, static_cast<uint32_t>(height));
  put16(bmp, fieldBitsPerPixel, bitsPerPixel);
  put32(bmp, fieldCompression, compression);
  return bmp;
}

// count bytes of value inserted at a position, with the data offset moved
// past them as a writer would.
Bytes inserted(Bytes bmp, size_t at, size_t count, uint8_t value) {
  bmp.insert(bmp.begin() + at, count, value);
  put32(bmp, fieldDataOffset, get32(bmp, fieldDataOffset) + count);
  return bmp;
}

Bytes withHeaderSize(const Bytes& bmp, uint32_t size) {
  Bytes out = inserted(bmp, headersEnd, size - 40, 0);
  put32(out, fieldHeaderSize, size);
  return out;
}

Bytes truncated(Bytes bmp, size_t length) {
  bmp.resize(std::min(length, bmp.size()));
  return bmp;
}

class BmpReader : public testing::Test {
 protected:
  void TearDown() override { std::free(image.pixels); }

  // Loads bytes as a file; returns what was printed.
  std::string load(const Bytes& bytes) {
    const std::string path = folder + "/f.bmp";
    writeFile(path, bytes);
    return printedBy([&] { loadBmpImage(path.c_str(), &image); });
  }
  Bytes pixels() const {
    return image.pixels ? Bytes(image.pixels, image.pixels + size_t(image.width) * image.height * 3)
                        : Bytes{};
  }

  const std::string folder = makeTempDir();
  BmpImage image = {0, 0, nullptr};
};

TEST_F(BmpReader, RefusedFilesPrintOneLineAndKeepTheRecord) {
  Bytes compressed = rgb24(3, 2).file, otherSignature = rgb24(3, 2).file;
  put32(compressed, fieldCompression, 1);
  otherSignature[1] = 'A';
  const struct {
    const char* what;
    Bytes file;
    const char* line;
  } cases[] = {
      {"empty file", {}, bmpMessageNotBmp},
      {"one byte", {'B'}, bmpMessageNotBmp},
      {"other signature", otherSignature, bmpMessageNotBmp},
      {"13 bytes", truncated(rgb24(3, 2).file, 13), bmpMessageFileHeader},
      {"53 bytes", truncated(rgb24(3, 2).file, 53), bmpMessageInfoHeader},
      {"compressed 24-bit", compressed, bmpMessageCompressed},
      // Compression is looked at before depth and size.
      {"16-bit bitfields", headersOnly(3, 2, 16, 3), bmpMessageCompressed},
      {"16-bit", headersOnly(3, 2, 16), bmpMessageDepth},
      {"32-bit", headersOnly(3, 2, 32), bmpMessageDepth},
      {"top-down", headersOnly(3, -2, 24), bmpMessageSize},
      {"zero height", headersOnly(3, 0, 8), bmpMessageSize},
      {"negative width", headersOnly(-3, 2, 8), bmpMessageSize},
      // Before the colour table, or its absence would be reported first.
      {"8-bit, 3073 wide", headersOnly(3073, 1, 8), bmpMessageSize},
      {"24-bit, 1025 wide", headersOnly(1025, 1, 24), bmpMessageSize},
      {"INT_MAX x INT_MAX", headersOnly(INT_MAX, INT_MAX, 24), bmpMessageSize},
      {"INT_MIN x INT_MAX", headersOnly(INT_MIN, INT_MAX, 24), bmpMessageSize},
      {"byte count just over INT_MAX", headersOnly(2, 357913942, 24), bmpMessageSize},
      {"byte count wrapping 32 bits", headersOnly(1024, 1398102, 24), bmpMessageSize},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    image = {7, 9, static_cast<unsigned char*>(std::malloc(7 * 9 * 3))};
    std::memset(image.pixels, 0x5a, 7 * 9 * 3);
    const unsigned char* earlier = image.pixels;
    EXPECT_EQ(load(c.file), c.line);
    EXPECT_EQ(image.width, 7);
    EXPECT_EQ(image.height, 9);
    EXPECT_EQ(image.pixels, earlier);
    EXPECT_EQ(pixels(), Bytes(7 * 9 * 3, 0x5a));
    std::free(image.pixels);
  }
  image = {0, 0, nullptr};
  const std::string missing = folder + "/no such.bmp";
  EXPECT_EQ(printedBy([&] { loadBmpImage(missing.c_str(), &image); }),
            "Could not open file '" + missing + "'\n");
}

long openDescriptors() {
  const std::filesystem::directory_iterator fds("/proc/self/fd");
  return std::distance(begin(fds), end(fds));
}

// Each kind of path a picture's name can lead to, refused or read, leaves no
// file descriptor open behind it; a FIFO is refused at once, not waited on,
// and a device is no picture. A picture is only read: a running program's
// file, which not even root may open for writing, is read (and is no BMP).
TEST_F(BmpReader, EveryKindOfPathLeavesNothingOpen) {
  const std::string running = "/proc/self/exe";
  ASSERT_LT(open(running.c_str(), O_WRONLY), 0) << running << " can be written to";
  const std::string dir = folder + "/dir.bmp", fifo = folder + "/fifo.bmp",
                    shortFile = folder + "/short.bmp", whole = folder + "/whole.bmp";
  ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  writeFile(shortFile, truncated(rgb24(3, 2).file, 30));
  writeFile(whole, rgb24(3, 2).file);
  const struct {
    std::string path, printed;
  } cases[] = {
      {folder + "/missing.bmp", "Could not open file '" + folder + "/missing.bmp'\n"},
      {dir, "Could not open file '" + dir + "'\n"},
      {fifo, "Could not open file '" + fifo + "'\n"},
      {"/dev/null", "Could not open file '/dev/null'\n"},
      {running, bmpMessageNotBmp},
      {shortFile, bmpMessageInfoHeader},
      {whole, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const long before = openDescriptors();
    EXPECT_EQ(printedBy([&] { loadBmpImage(c.path.c_str(), &image); }), c.printed);
    EXPECT_EQ(openDescriptors(), before);
  }
  EXPECT_EQ(pixels(), rgb24(3, 2).rgb);
}

// Loaded silently: rows unpadded, channels as R G B, the bottom row first,
// the pixels found through the data offset and the colour table after
// whatever header the file has.
TEST_F(BmpReader, AcceptedFilesGiveTheirExactPixels) {
  Bytes undersizedHeaderField = indexed8(5, 3, 256).file;
  put32(undersizedHeaderField, fieldHeaderSize, 12);  // a lie: the table follows 40 bytes
  std::vector<std::pair<std::string, Picture>> cases = {
      {"bottom row first",
       {encodeBmp24(1, 2, {{10, 20, 30}, {200, 210, 220}}), {10, 20, 30, 200, 210, 220}}},
      {"short colour table", indexed8(6, 2, 3)},
      {"header size field 12", {undersizedHeaderField, indexed8(5, 3, 256).rgb}},
      {"gap before 24-bit pixels",
       {inserted(rgb24(5, 3).file, headersEnd, 100, 0xee), rgb24(5, 3).rgb}},
      {"gap before 8-bit pixels",
       {inserted(indexed8(5, 3, 256).file, headersEnd + 1024, 7, 0xee), indexed8(5, 3, 256).rgb}},
      {"widest 24-bit", rgb24(1024, 2)},
      {"widest 8-bit", indexed8(3072, 2, 256)},
  };
  for (int width : {1, 2, 3, 5, 6, 7, 16, 1023}) {
    cases.push_back({"24-bit, " + std::to_string(width) + " wide", rgb24(width, 3)});
    cases.push_back({"8-bit, " + std::to_string(width) + " wide", indexed8(width, 3, 256)});
  }
  for (uint32_t size : {64u, 108u, 124u}) {
    cases.push_back({"24-bit header of " + std::to_string(size),
                     {withHeaderSize(rgb24(5, 3).file, size), rgb24(5, 3).rgb}});
    cases.push_back({"8-bit header of " + std::to_string(size),
                     {withHeaderSize(indexed8(5, 3, 200).file, size), indexed8(5, 3, 200).rgb}});
  }
  // Loading one record again and again frees what it replaces: the leak
  // checker fails this test otherwise.
  for (const auto& [what, picture] : cases) {
    SCOPED_TRACE(what);
    EXPECT_EQ(load(picture.file), "");
    EXPECT_EQ(pixels(), picture.rgb);
  }
}

// Short files that got as far as allocating: the new size, and the rows the
// file lacks all zero.
TEST_F(BmpReader, MissingRowsAreZero) {
  const Picture whole = rgb24(7, 5);  // rows of 21 bytes padded to 24
  for (size_t rowsHeld : {0, 2, 4}) {
    SCOPED_TRACE(rowsHeld);
    EXPECT_EQ(load(truncated(whole.file, headersEnd + 24 * rowsHeld + 23)), bmpMessagePixels);
    Bytes want(whole.rgb.begin(), whole.rgb.begin() + 21 * rowsHeld);
    want.resize(whole.rgb.size(), 0);
    EXPECT_EQ(pixels(), want);
  }
  Bytes farOffset = rgb24(2, 2).file;
  put32(farOffset, fieldDataOffset, 0xfffffff0u);
  EXPECT_EQ(load(farOffset), bmpMessagePixels);
  EXPECT_EQ(pixels(), Bytes(12, 0));
}

TEST_F(BmpReader, MissingColourTableEntriesAreBlack) {
  EXPECT_EQ(load(truncated(indexed8(4, 4, 256).file, headersEnd)),
            std::string(bmpMessageColorTable) + bmpMessagePixels);
  EXPECT_EQ(image.width, 4);
  EXPECT_EQ(pixels(), Bytes(4 * 4 * 3, 0));
  // The pixels overlap the table: the row "1 0 17 34" is also entry 0, and
  // the file ends two bytes into entry 1, which must not become a colour.
  Bytes bmp = truncated(indexed8(2, 1, 1).file, headersEnd);
  put32(bmp, fieldDataOffset, headersEnd);
  bmp.insert(bmp.end(), {1, 0, 0x11, 0x22, 0x77, 0x77});
  EXPECT_EQ(load(bmp), "");
  EXPECT_EQ(pixels(), (Bytes{0, 0, 0, 0x11, 0, 1}));
}

// The largest byte count an int holds is accepted, and then 2 GB are asked
// for: above the allocation limit the test command sets, so the allocation
// fails, and the record keeps the new size with no pixels.
TEST_F(BmpReader, LargestPictureIsAcceptedButItsAllocationMayFail) {
#ifndef TIDEWICK_SANITIZED  // the sanitizers' shadow memory needs far more address space
  const rlimit limit = {1u << 30, RLIM_INFINITY};
  ASSERT_EQ(setrlimit(RLIMIT_AS, &limit), 0);
#endif
  EXPECT_EQ(load(headersOnly(2, 357913941, 24)), bmpMessageAllocation);
  EXPECT_EQ(image.height, 357913941);
  EXPECT_EQ(image.pixels, nullptr);
}

TEST(ByteOrder, SwapsReverseTheBytesAndTheHostIsLittleEndian) {
  uint32_t word = 0x12345680;
  swapBytes32(&word);
  EXPECT_EQ(word, 0x80563412u);
  uint16_t half = 0xa1b2;
  swapBytes16(&half);
  EXPECT_EQ(half, 0xb2a1);
  bigEndianHost = 7;
  detectByteOrder();
  EXPECT_EQ(bigEndianHost, __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ ? 1 : 0);
}

}  // namespace
