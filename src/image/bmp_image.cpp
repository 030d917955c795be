// The BMP reader. Every check but one is a line that reports and returns
// from readBmp, so that loadBmpImage closes the file in exactly one place;
// a colour table without entries is reported and the load goes on. Sizes
// are validated before anything is read into or allocated for them.
#include "image/bmp_image.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"

// The byte-shuffle path needs GCC's or clang's target attribute and CPU
// check; other compilers take the plain loop.
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define TIDEWICK_BMP_SSSE3 1
#endif

int bigEndianHost = 0;

void detectByteOrder() {
  const uint16_t one = 1;
  unsigned char firstByte;
  std::memcpy(&firstByte, &one, 1);
  bigEndianHost = firstByte == 0 ? 1 : 0;
}

void swapBytes32(uint32_t* value) {
  const uint32_t v = *value;
  *value = (v >> 24) | ((v >> 8) & 0xff00u) | ((v << 8) & 0xff0000u) | (v << 24);
}

void swapBytes16(uint16_t* value) { *value = static_cast<uint16_t>((*value >> 8) | (*value << 8)); }

namespace {

// File layout: a 2-byte signature, the 12 further bytes of the file header,
// then an information header of which the first 40 bytes are common to every
// Windows variant.
constexpr int fileHeaderRestBytes = 12;
constexpr int infoHeaderBytes = 40;
constexpr long infoHeaderStart = 2 + fileHeaderRestBytes;
constexpr long plainTableStart = infoHeaderStart + infoHeaderBytes;

constexpr int colourTableEntries = 256;
constexpr int colourEntryBytes = 4;   // blue, green, red, unused
constexpr int rowBufferBytes = 3072;  // the widest padded row we accept
constexpr int outputBytesPerPixel = 3;
constexpr size_t stdioBufferBytes = 64 * 1024;

// Each line leaves at once, so a log or a pipe shows a broken picture while
// the window is open, on every system and whatever stdout is connected to.
void report(const char* line, const char* path = "") {
  std::printf(line, path);  // only bmpMessageCannotOpen has a place for the path
  std::fflush(stdout);
}

// The file is little-endian whatever the host is.
uint32_t littleEndian32(const unsigned char* bytes) {
  uint32_t value;
  std::memcpy(&value, bytes, sizeof value);
  if (bigEndianHost) swapBytes32(&value);
  return value;
}

uint16_t littleEndian16(const unsigned char* bytes) {
  uint16_t value;
  std::memcpy(&value, bytes, sizeof value);
  if (bigEndianHost) swapBytes16(&value);
  return value;
}

bool seekTo(FILE* file, uint64_t offset) {
  return offset <= static_cast<uint64_t>(LONG_MAX) &&
         std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
}

// Fills rgbx (see expandIndexedRow) from the colour table. Longer headers
// (64, 108 and 124 bytes are all in use) put the table right after
// themselves; a header-size field under 40 cannot be the truth, since 40 bytes
// were just read as the header, so the table is then taken from where the
// plain header ends.
void readColourTable(FILE* file, uint32_t headerSize, uint32_t* rgbx) {
  const uint64_t tableStart =
      headerSize >= infoHeaderBytes ? infoHeaderStart + uint64_t{headerSize} : plainTableStart;
  unsigned char table[colourTableEntries * colourEntryBytes];
  size_t entries = 0;
  if (seekTo(file, tableStart))
    entries = std::fread(table, colourEntryBytes, colourTableEntries, file);
  // Many files hold fewer than 256 entries; the ones they lack must not be
  // left as whatever a partial read put there.
  const size_t heldBytes = entries * colourEntryBytes;
  std::memset(table + heldBytes, 0, sizeof table - heldBytes);
  if (entries == 0) report(bmpMessageColorTable);

  for (int i = 0; i < colourTableEntries; ++i) {
    const unsigned char* entry = table + colourEntryBytes * i;
    const unsigned char rgb0[4] = {entry[2], entry[1], entry[0], 0};
    std::memcpy(&rgbx[i], rgb0, sizeof rgb0);
  }
}

void convertBgrRow(const unsigned char* __restrict in, unsigned char* __restrict out, int width) {
  for (int x = 0; x < width; ++x, in += 3, out += 3) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
  }
}

#if TIDEWICK_BMP_SSSE3
// Five pixels per step: one 16-byte load, one byte shuffle, one 16-byte store.
// Only 15 bytes of each store are meant; the 16th is rewritten by the next
// step, so the loop stops while at least six pixels remain and the scalar
// loop finishes the row without touching a byte past it, in or out.
__attribute__((target("ssse3"))) void convertBgrRowSsse3(const unsigned char* __restrict in,
                                                         unsigned char* __restrict out, int width) {
  const __m128i swapBlueRed = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  int x = 0;
  for (; x + 6 <= width; x += 5, in += 15, out += 15) {
    const __m128i bgr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(bgr, swapBlueRed));
  }
  convertBgrRow(in, out, width - x);
}
#endif

// The BGR to RGB swap is most of a 24-bit load; processors without SSSE3
// take the plain loop.
void convertBgrRowFast(const unsigned char* __restrict in, unsigned char* __restrict out,
                       int width) {
#if TIDEWICK_BMP_SSSE3
  static const bool ssse3 = __builtin_cpu_supports("ssse3");
  if (ssse3) return convertBgrRowSsse3(in, out, width);
#endif
  convertBgrRow(in, out, width);
}

// rgbx holds each colour as the bytes R, G, B, 0 (built bytewise, so host
// byte order does not matter). Copying all four bytes and stepping by three
// is one load and one store per pixel; the stray fourth byte is overwritten
// by the next pixel, and the row's last pixel copies only three.
void expandIndexedRow(const unsigned char* __restrict in, unsigned char* __restrict out, int width,
                      const uint32_t* __restrict rgbx) {
  int x = 0;
  for (; x + 1 < width; ++x, out += 3) std::memcpy(out, &rgbx[in[x]], 4);
  std::memcpy(out, &rgbx[in[x]], 3);
}

void readBmp(FILE* file, uint64_t fileBytes, BmpImage* image) {
  unsigned char signature[2];
  if (std::fread(signature, sizeof signature, 1, file) != 1) return report(bmpMessageNotBmp);
  if (signature[0] != 'B' || signature[1] != 'M') return report(bmpMessageNotBmp);

  // File size (bytes 0..3) and the reserved words (4..7) are not needed.
  unsigned char fileHeader[fileHeaderRestBytes];
  if (std::fread(fileHeader, sizeof fileHeader, 1, file) != 1) return report(bmpMessageFileHeader);
  const uint32_t dataOffset = littleEndian32(fileHeader + 8);

  unsigned char info[infoHeaderBytes];
  if (std::fread(info, sizeof info, 1, file) != 1) return report(bmpMessageInfoHeader);
  const uint32_t headerSize = littleEndian32(info + 0);
  const int32_t width = static_cast<int32_t>(littleEndian32(info + 4));
  const int32_t height = static_cast<int32_t>(littleEndian32(info + 8));
  // info + 12: colour planes, always 1 and of no use here.
  const uint16_t bitsPerPixel = littleEndian16(info + 14);
  const uint32_t compression = littleEndian32(info + 16);
  // info + 20 .. 39: image size, resolutions and colour counts. They are read
  // with the rest but ignored: the size follows from width and height, and a
  // colour count is no reason to read fewer table entries than exist.

  if (compression != 0) return report(bmpMessageCompressed);
  const int bytesPerPixel = bitsPerPixel == 8 ? 1 : bitsPerPixel == 24 ? 3 : 0;
  if (bytesPerPixel == 0) return report(bmpMessageDepth);
  // Rows are padded to a multiple of 4 bytes. The sums are 64-bit and each
  // rule bounds the next one's operands, so no header value can overflow its
  // way past them.
  if (width <= 0 || height <= 0) return report(bmpMessageSize);
  const int64_t bytesPerRow = (int64_t{width} * bytesPerPixel + 3) / 4 * 4;
  if (bytesPerRow > rowBufferBytes) return report(bmpMessageSize);
  const int64_t outputBytes = int64_t{width} * height * outputBytesPerPixel;
  if (outputBytes > INT_MAX) return report(bmpMessageSize);

  uint32_t rgbx[colourTableEntries];
  if (bytesPerPixel == 1) readColourTable(file, headerSize, rgbx);

  std::free(image->pixels);
  image->width = width;
  image->height = height;
  // A file too short for the rows it declares gets its buffer zeroed by the
  // system, which hands out large blocks as untouched zero pages: the rows
  // the file lacks then cost neither memory nor time, however many it
  // promises. A file that holds every row has each byte written below.
  const bool holdsEveryRow = dataOffset + uint64_t(bytesPerRow) * uint64_t(height) <= fileBytes;
  const size_t outputSize = static_cast<size_t>(outputBytes);
  image->pixels = static_cast<unsigned char*>(holdsEveryRow ? std::malloc(outputSize)
                                                            : std::calloc(outputSize, 1));
  if (image->pixels == nullptr) return report(bmpMessageAllocation);

  // Rows stay in file order, bottom row first: GL puts a texture's first row
  // at the bottom too, so no flip is needed on either side.
  const bool atPixels = seekTo(file, dataOffset);
  const size_t outputRowBytes = size_t{static_cast<uint32_t>(width)} * outputBytesPerPixel;
  unsigned char row[rowBufferBytes];
  unsigned char* out = image->pixels;
  for (int y = 0; y < height; ++y, out += outputRowBytes) {
    if (!atPixels || std::fread(row, static_cast<size_t>(bytesPerRow), 1, file) != 1) {
      // Only a read error leaves rows of a whole file unread.
      if (holdsEveryRow) std::memset(out, 0, outputRowBytes * static_cast<size_t>(height - y));
      return report(bmpMessagePixels);
    }
    if (bytesPerPixel == 3)
      convertBgrRowFast(row, out, width);
    else
      expandIndexedRow(row, out, width, rgbx);
  }
}

}  // namespace

void loadBmpImage(const char* path, BmpImage* image) {
  detectByteOrder();
  // Refused unless it is a regular file: a directory or a device holds no
  // picture, and a FIFO would hold start-up in the open for ever.
  uint64_t fileBytes = 0;
  FILE* file = openRegularFile(path, &fileBytes);
  if (file == nullptr) {
    report(bmpMessageCannotOpen, path);
    return;
  }
  // stdio's own buffer is one 4 KB block, which costs a read call for
  // nearly every 3 KB row; a larger one cuts the calls sixteenfold and has
  // to outlive the file, hence here.
  char stdioBuffer[stdioBufferBytes];
  std::setvbuf(file, stdioBuffer, _IOFBF, sizeof stdioBuffer);
  readBmp(file, fileBytes, image);
  std::fclose(file);
}
