// Placeholder until the reader lands.
#include "image/bmp_image.h"

int bigEndianHost = 0;
void detectByteOrder() {}
void swapBytes32(uint32_t*) {}
void swapBytes16(uint16_t*) {}
void loadBmpImage(const char*, BmpImage*) {}
