// The reader on hand-made files, grouped by what each group would catch.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "bmp_test_support.h"
#include "md5.h"

namespace {

class BmpReader : public testing::Test {
 protected:
  void TearDown() override { std::free(image.pixels); }

  // A record that already holds a picture, to see what a failure leaves.
  void holdEarlierPicture() {
    std::free(image.pixels);
    image = {7, 9, static_cast<unsigned char*>(std::malloc(7 * 9 * 3))};
    std::memset(image.pixels, 0x5a, 7 * 9 * 3);
  }
  void expectEarlierPictureKept(const unsigned char* earlier) {
    EXPECT_EQ(image.width, 7);
    EXPECT_EQ(image.height, 9);
    EXPECT_EQ(image.pixels, earlier);
    EXPECT_EQ(pixelsOf(image), Bytes(7 * 9 * 3, 0x5a));
  }

  // Loads bytes as a file; returns what was printed.
  std::string load(const Bytes& bytes) { return loadPrinting(folder.write("f.bmp", bytes), &image); }

  TempFolder folder;
  BmpImage image = {0, 0, nullptr};
};

TEST(ByteOrder, SwapsReverseTheBytes) {
  uint32_t word = 0x12345678;
  swapBytes32(&word);
  EXPECT_EQ(word, 0x78563412u);
  swapBytes32(&word);
  EXPECT_EQ(word, 0x12345678u);
  uint32_t high = 0xff000080;
  swapBytes32(&high);
  EXPECT_EQ(high, 0x800000ffu);
  uint16_t half = 0xa1b2;
  swapBytes16(&half);
  EXPECT_EQ(half, 0xb2a1);
}

TEST(ByteOrder, DetectionMatchesTheCompilersView) {
  bigEndianHost = 7;
  detectByteOrder();
  EXPECT_EQ(bigEndianHost, __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ ? 1 : 0);
}

// Failures that must leave the record as it was, one per message.
TEST_F(BmpReader, RejectionsPrintOneLineAndKeepTheRecord) {
  Bytes compressed = patternBmp24(3, 2);
  put32(compressed, fieldCompression, 1);
  Bytes otherSignature = patternBmp24(3, 2);
  otherSignature[1] = 'A';
  Bytes bitfields16 = headersOnly(3, 2, 16, 3);
  const struct {
    const char* what;
    Bytes file;
    const char* line;
  } cases[] = {
      {"empty file", {}, bmpMessageNotBmp},
      {"one byte", {'B'}, bmpMessageNotBmp},
      {"other signature", otherSignature, bmpMessageNotBmp},
      {"13 bytes", truncated(patternBmp24(3, 2), 13), bmpMessageFileHeader},
      {"2 bytes", truncated(patternBmp24(3, 2), 2), bmpMessageFileHeader},
      {"53 bytes", truncated(patternBmp24(3, 2), 53), bmpMessageInfoHeader},
      {"14 bytes", truncated(patternBmp24(3, 2), 14), bmpMessageInfoHeader},
      {"compressed 24-bit", compressed, bmpMessageCompressed},
      // Compression is looked at before depth and size.
      {"16-bit bitfields", bitfields16, bmpMessageCompressed},
      {"compressed top-down", headersOnly(3, -2, 8, 1), bmpMessageCompressed},
      {"16-bit", headersOnly(3, 2, 16), bmpMessageDepth},
      {"32-bit", headersOnly(3, 2, 32), bmpMessageDepth},
      {"1-bit", headersOnly(3, 2, 1), bmpMessageDepth},
      {"1-bit, negative width", headersOnly(-3, 2, 1), bmpMessageDepth},
      {"top-down", headersOnly(3, -2, 24), bmpMessageSize},
      {"zero width", headersOnly(0, 2, 24), bmpMessageSize},
      {"zero height", headersOnly(3, 0, 8), bmpMessageSize},
      {"negative width", headersOnly(-3, 2, 8), bmpMessageSize},
      {"24-bit, 1025 wide", headersOnly(1025, 1, 24), bmpMessageSize},
      {"8-bit, 3073 wide", headersOnly(3073, 1, 8), bmpMessageSize},
      {"3000000 x 2000000", headersOnly(3000000, 2000000, 24), bmpMessageSize},
      {"widest int width", headersOnly(INT_MAX, 1, 8), bmpMessageSize},
      // Products that would overflow even 64 bits if formed too early.
      {"INT_MAX x INT_MAX", headersOnly(INT_MAX, INT_MAX, 24), bmpMessageSize},
      {"INT_MIN x INT_MAX", headersOnly(INT_MIN, INT_MAX, 24), bmpMessageSize},
      // 1024 * 699051 * 3 is just over INT_MAX.
      {"byte count over INT_MAX", headersOnly(1024, 699051, 24), bmpMessageSize},
      // 1024 * 1398102 * 3 wraps to 2048 in 32 bits.
      {"byte count wrapping 32 bits", headersOnly(1024, 1398102, 24), bmpMessageSize},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    holdEarlierPicture();
    unsigned char* earlier = image.pixels;
    EXPECT_EQ(load(c.file), c.line);
    expectEarlierPictureKept(earlier);
  }
}

TEST_F(BmpReader, MissingFileIsNamedAndKeepsTheRecord) {
  holdEarlierPicture();
  unsigned char* earlier = image.pixels;
  const std::string missing = folder.path("no such.bmp");
  EXPECT_EQ(loadPrinting(missing, &image), "Could not open file '" + missing + "'\n");
  expectEarlierPictureKept(earlier);
}

// A size too large for 8 bits must be refused before the table is read, or
// the missing table would be reported first.
TEST_F(BmpReader, SizeIsCheckedBeforeTheColourTable) {
  EXPECT_EQ(load(headersOnly(3073, 1, 8)), bmpMessageSize);
}

// Short files that got as far as allocating: new size, missing rows zero.
TEST_F(BmpReader, ShortPixelDataLeavesMissingRowsZero) {
  const Bytes whole = patternBmp24(7, 5);  // rows of 21 bytes padded to 24
  const Bytes expected = rgbBytes(patternImage(7, 5));
  for (size_t rowsHeld : {0, 2, 4}) {
    SCOPED_TRACE(rowsHeld);
    // Dirty heap memory of the same size first, so that unwritten rows
    // would show rather than happen to be zero.
    load(withPadding(patternBmp24(7, 5), 0xff));
    const size_t length = plainHeadersEnd + 24 * rowsHeld + 23;  // one byte short of the next row
    EXPECT_EQ(load(truncated(whole, length)), bmpMessagePixels);
    ASSERT_EQ(image.width, 7);
    ASSERT_EQ(image.height, 5);
    Bytes want(expected.begin(), expected.begin() + 21 * rowsHeld);
    want.resize(expected.size(), 0);
    EXPECT_EQ(pixelsOf(image), want);
  }
}

TEST_F(BmpReader, DataOffsetPastTheEndReadsNoRow) {
  Bytes bmp = patternBmp24(2, 2);
  put32(bmp, fieldDataOffset, 0xfffffff0u);
  EXPECT_EQ(load(bmp), bmpMessagePixels);
  EXPECT_EQ(pixelsOf(image), Bytes(12, 0));
}

TEST_F(BmpReader, MissingColourTableIsReportedAndLoadingGoesOn) {
  EXPECT_EQ(load(truncated(patternBmp8(4, 4, 256), plainHeadersEnd)),
            std::string(bmpMessageColorTable) + bmpMessagePixels);
  EXPECT_EQ(image.width, 4);
  EXPECT_EQ(pixelsOf(image), Bytes(4 * 4 * 3, 0));
  // One entry readable: a partial table is silent.
  EXPECT_EQ(load(truncated(patternBmp8(4, 4, 256), plainHeadersEnd + 6)), bmpMessagePixels);
}

// glibc copies the bytes of a partial entry; they must not become colours.
// Here the pixels overlap the table: row "1 0 11 22" is also entry 0, and
// the file ends two bytes into entry 1.
TEST_F(BmpReader, EntriesTheFileLacksAreBlack) {
  Bytes bmp = truncated(patternBmp8(2, 1, 1), plainHeadersEnd);
  put32(bmp, fieldDataOffset, plainHeadersEnd);
  bmp.insert(bmp.end(), {1, 0, 0x11, 0x22, 0x77, 0x77});
  EXPECT_EQ(load(bmp), "");
  EXPECT_EQ(pixelsOf(image), (Bytes{0, 0, 0, 0x11, 0, 1}));
}

TEST_F(BmpReader, ShortColourTableLoadsItsColours) {
  // Three entries, then the pixels, which the 256-entry read takes in too.
  EXPECT_EQ(load(patternBmp8(6, 2, 3)), "");
  EXPECT_EQ(pixelsOf(image), rgbBytes(patternIndices(6, 2, 3), patternPalette(3)));
}

// Allocation failure needs a limit on the address space, which the
// sanitizers' own huge mappings would trip first.
#if defined(__SANITIZE_ADDRESS__)
#define TIDEWICK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TIDEWICK_ASAN 1
#endif
#endif

TEST_F(BmpReader, FailedAllocationKeepsTheNewSizeAndNoPixels) {
#ifdef TIDEWICK_ASAN
  GTEST_SKIP() << "needs an address-space limit, which AddressSanitizer cannot run under";
#else
  const std::string path = folder.write("big.bmp", headersOnly(1024, 699050, 24));
  fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const rlimit limit = {1u << 30, 1u << 30};  // far below the 2 GB wanted
    setrlimit(RLIMIT_AS, &limit);
    holdEarlierPicture();
    const std::string printed = loadPrinting(path, &image);
    _exit(printed == bmpMessageAllocation && image.width == 1024 && image.height == 699050 &&
                  image.pixels == nullptr
              ? 0
              : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
#endif
}

// The padded row must fit the 3072-byte buffer and the byte count an int;
// one step inside each limit still loads.
TEST_F(BmpReader, SizeLimitsAreInclusive) {
  EXPECT_EQ(load(patternBmp24(1024, 2)), "");
  EXPECT_EQ(pixelsOf(image), rgbBytes(patternImage(1024, 2)));
  EXPECT_EQ(load(patternBmp8(3072, 2, 256)), "");
  EXPECT_EQ(pixelsOf(image), rgbBytes(patternIndices(3072, 2, 256), patternPalette(256)));
}

// Slow: 2 GB are allocated and, as no row follows, zeroed.
TEST_F(BmpReader, ByteCountUpToIntMaxIsAccepted) {
  // 1024 * 699050 * 3 = INT_MAX - 2047.
  EXPECT_EQ(load(headersOnly(1024, 699050, 24)), bmpMessagePixels);
  EXPECT_EQ(image.height, 699050);
  EXPECT_EQ(image.pixels[0] | image.pixels[1024 * 699050 * 3 - 1], 0);
}

TEST_F(BmpReader, RowsAreUnpaddedAndChannelsTurnedToRgb) {
  for (int width : {1, 2, 3, 5}) {
    SCOPED_TRACE(width);
    EXPECT_EQ(load(withPadding(patternBmp24(width, 3), 0xab)), "");
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(pixelsOf(image), rgbBytes(patternImage(width, 3)));
    EXPECT_EQ(load(withPadding(patternBmp8(width, 3, 256), 0xab)), "");
    EXPECT_EQ(pixelsOf(image), rgbBytes(patternIndices(width, 3, 256), patternPalette(256)));
  }
  // Wide enough for the vector path and its scalar tail.
  for (int width : {6, 7, 16, 1023}) {
    SCOPED_TRACE(width);
    EXPECT_EQ(load(patternBmp24(width, 2)), "");
    EXPECT_EQ(pixelsOf(image), rgbBytes(patternImage(width, 2)));
  }
}

TEST_F(BmpReader, BottomRowStaysFirst) {
  const Rgb bottom = {10, 20, 30}, top = {200, 210, 220};
  EXPECT_EQ(load(encodeBmp24(1, 2, {bottom, top})), "");
  EXPECT_EQ(pixelsOf(image), (Bytes{10, 20, 30, 200, 210, 220}));
}

TEST_F(BmpReader, PixelsAreFoundThroughTheDataOffset) {
  EXPECT_EQ(load(withGap(patternBmp24(5, 3), 100)), "");
  EXPECT_EQ(pixelsOf(image), rgbBytes(patternImage(5, 3)));
  EXPECT_EQ(load(withGap(patternBmp8(5, 3, 256), 7)), "");
  EXPECT_EQ(pixelsOf(image), rgbBytes(patternIndices(5, 3, 256), patternPalette(256)));
}

TEST_F(BmpReader, LargerHeadersKeepTheirColours) {
  for (uint32_t size : {64u, 108u, 124u}) {
    SCOPED_TRACE(size);
    EXPECT_EQ(load(withHeaderSize(patternBmp24(5, 3), size)), "");
    EXPECT_EQ(pixelsOf(image), rgbBytes(patternImage(5, 3)));
    EXPECT_EQ(load(withHeaderSize(patternBmp8(5, 3, 200), size)), "");
    EXPECT_EQ(pixelsOf(image), rgbBytes(patternIndices(5, 3, 200), patternPalette(200)));
  }
}

// A header-size field under 40 is a lie: the table is taken from byte 54.
TEST_F(BmpReader, UndersizedHeaderFieldReadsTheTableAfter40Bytes) {
  Bytes bmp = patternBmp8(5, 3, 256);
  put32(bmp, fieldHeaderSize, 12);
  EXPECT_EQ(load(bmp), "");
  EXPECT_EQ(pixelsOf(image), rgbBytes(patternIndices(5, 3, 256), patternPalette(256)));
}

// The leak checker of a sanitized build is what fails this test if loads
// forget the buffer they replace.
TEST_F(BmpReader, ReloadingOneRecordReplacesItsPixels) {
  for (int side : {4, 9, 2}) {
    EXPECT_EQ(load(patternBmp24(side, side)), "");
    EXPECT_EQ(pixelsOf(image), rgbBytes(patternImage(side, side)));
  }
  load(headersOnly(4, 4, 24));  // allocates, then has no pixels
  EXPECT_EQ(pixelsOf(image), Bytes(48, 0));
}

TEST(Md5, MatchesTheRfcExamples) {
  const auto md5 = [](const std::string& s) {
    return md5Hex(reinterpret_cast<const unsigned char*>(s.data()), s.size());
  };
  EXPECT_EQ(md5(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(md5("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(md5("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(md5(std::string("1234567890") + "1234567890123456789012345678901234567890" +
                "123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

}  // namespace
