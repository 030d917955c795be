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

// Loads path into image. Failures are reported as one line on standard
// output, never to the caller: the record then keeps what it held, or what
// the failure point left in it.
void loadBmpImage(const char* path, BmpImage* image);

extern int bigEndianHost;  // 1 on a big-endian host, set by detectByteOrder

void detectByteOrder();
void swapBytes32(uint32_t* value);
void swapBytes16(uint16_t* value);
