// Reading uncompressed 8-bit (palettised) and 24-bit Windows BMP files into
// tightly packed RGB bytes, ready for a GL_RGB / GL_UNSIGNED_BYTE upload.
#pragma once

#include <cstdint>

// width * height * 3 bytes of R, G, B, bottom row first (as the file stores
// them, which is also GL's texture origin), rows without padding.
struct BmpImage {
  int width;
  int height;
  unsigned char* pixels;
};

// Loads path into image. Failures are reported on standard output, never to
// the caller: the record then keeps what it held, or what the failure point
// left in it. Each failure is one line, and most stop the load; a colour
// table with no entry at all is reported and the load goes on, so a file
// that ends there prints a second line, for its pixels.
// pixels must be null or hold an earlier load's buffer: a load that gets as
// far as allocating frees it, so one record can be loaded again and again.
void loadBmpImage(const char* path, BmpImage* image);

extern int bigEndianHost;  // 1 on a big-endian host, set by detectByteOrder

void detectByteOrder();
void swapBytes32(uint32_t* value);
void swapBytes16(uint16_t* value);

// The lines loadBmpImage prints, exactly as printed, kept here so that
// callers and tests compare against the same text. bmpMessageCannotOpen is a
// printf format taking the path.
constexpr const char* bmpMessageCannotOpen = "Could not open file '%s'\n";
constexpr const char* bmpMessageNotBmp = "Error reading BMP file, file type incorrect\n";
constexpr const char* bmpMessageFileHeader = "Error reading BMP file header\n";
constexpr const char* bmpMessageInfoHeader = "Error reading BMP Information record\n";
constexpr const char* bmpMessageCompressed =
    "Sorry, this code cannot read compressed image files\n";
constexpr const char* bmpMessageDepth =
    "Sorry, this code can only read 8 bit or 24 bit image files\n";
constexpr const char* bmpMessageSize = "Sorry, this code cannot read images of this size\n";
constexpr const char* bmpMessageColorTable = "Error reading BMP Color Table\n";
constexpr const char* bmpMessageAllocation = "Error allocating pixel memory\n";
constexpr const char* bmpMessagePixels = "Error reading BMP pixels\n";
