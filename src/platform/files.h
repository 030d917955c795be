// Opening a picture file, the one thing the program asks of the operating
// system beyond standard C++ and GL.
#pragma once

#include <cstdint>
#include <cstdio>

// Opens path for reading in binary mode if it is a regular file, never
// waiting for a writer (a FIFO under a picture's name would otherwise hold
// start-up for ever), and stores its size in bytes. Returns null, with
// nothing left open, for anything else: a missing path, a folder, a FIFO or
// a device.
std::FILE* openRegularFile(const char* path, uint64_t* size);
