// MD5 of a byte string as 32 lower-case hex digits: the corpus table gives
// the expected pixels as such digests.
#pragma once

#include <cstddef>
#include <string>

std::string md5Hex(const unsigned char* data, size_t size);
