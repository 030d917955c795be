// RFC 1321, written out plainly: only the tests use it, on a few megabytes.
#include "md5.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

uint32_t rotateLeft(uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

}  // namespace

std::string md5Hex(const unsigned char* data, size_t size) {
  static const int shifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
  uint32_t sines[64];
  for (int i = 0; i < 64; ++i)
    sines[i] = static_cast<uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));

  std::vector<unsigned char> message(data, data + size);
  message.push_back(0x80);
  while (message.size() % 64 != 56) message.push_back(0);
  const uint64_t bits = static_cast<uint64_t>(size) * 8;
  for (int i = 0; i < 8; ++i) message.push_back(static_cast<unsigned char>(bits >> (8 * i)));

  uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  for (size_t block = 0; block < message.size(); block += 64) {
    uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
      const unsigned char* p = &message[block + 4 * i];
      words[i] = p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
      uint32_t f;
      int g;
      switch (i / 16) {
        case 0: f = (b & c) | (~b & d), g = i; break;
        case 1: f = (d & b) | (~d & c), g = (5 * i + 1) % 16; break;
        case 2: f = b ^ c ^ d, g = (3 * i + 5) % 16; break;
        default: f = c ^ (b | ~d), g = (7 * i) % 16; break;
      }
      f += a + sines[i] + words[g];
      a = d;
      d = c;
      c = b;
      b += rotateLeft(f, shifts[i / 16][i % 4]);
    }
    state[0] += a, state[1] += b, state[2] += c, state[3] += d;
  }

  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (uint32_t word : state)
    for (int i = 0; i < 4; ++i) {
      const unsigned char byte = static_cast<unsigned char>(word >> (8 * i));
      hex += digits[byte >> 4];
      hex += digits[byte & 15];
    }
  return hex;
}
