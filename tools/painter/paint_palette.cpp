#include "paint_palette.h"

#include <algorithm>

#include "paint_canvas.h"

namespace {

struct ColourCount {
  uint32_t key;  // 0xRRGGBB
  int count;
};

int channel(uint32_t key, int c) { return int(key >> (16 - 8 * c)) & 255; }

uint32_t keyOf(Rgb p) { return uint32_t(p.r) << 16 | uint32_t(p.g) << 8 | p.b; }

// The distinct colours with how often each occurs, in key order.
std::vector<ColourCount> histogram(const std::vector<Rgb>& pixels) {
  std::vector<uint32_t> keys;
  keys.reserve(pixels.size());
  for (Rgb p : pixels) keys.push_back(keyOf(p));
  std::sort(keys.begin(), keys.end());
  std::vector<ColourCount> colours;
  for (uint32_t k : keys) {
    if (colours.empty() || colours.back().key != k) colours.push_back({k, 0});
    ++colours.back().count;
  }
  return colours;
}

struct Box {
  size_t begin, end;  // a range of the histogram
  int widestChannel = 0;
  int span = 0;
  int population = 0;
};

Box measure(const std::vector<ColourCount>& colours, size_t begin, size_t end) {
  Box box{begin, end};
  int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
  for (size_t i = begin; i < end; ++i) {
    box.population += colours[i].count;
    for (int c = 0; c < 3; ++c) {
      lo[c] = std::min(lo[c], channel(colours[i].key, c));
      hi[c] = std::max(hi[c], channel(colours[i].key, c));
    }
  }
  for (int c = 0; c < 3; ++c)
    if (hi[c] - lo[c] > box.span) {
      box.span = hi[c] - lo[c];
      box.widestChannel = c;
    }
  return box;
}

// Span alone would spend the palette on lone stray pixels; population alone
// would lose small but distinct details. The square root sits between.
int64_t priority(const Box& b) {
  return b.end - b.begin < 2 ? -1 : int64_t(b.span) * isqrt(b.population);
}

// Splits box at the median pixel along its widest channel. Keys break ties,
// so the sort has one possible result whatever the library's algorithm.
std::pair<Box, Box> split(std::vector<ColourCount>& colours, const Box& box) {
  const int c = box.widestChannel;
  std::sort(colours.begin() + box.begin, colours.begin() + box.end,
            [c](const ColourCount& a, const ColourCount& b) {
              const int ca = channel(a.key, c), cb = channel(b.key, c);
              return ca != cb ? ca < cb : a.key < b.key;
            });
  size_t cut = box.begin + 1;
  for (int seen = colours[box.begin].count; cut + 1 < box.end && 2 * seen < box.population; ++cut)
    seen += colours[cut].count;
  return {measure(colours, box.begin, cut), measure(colours, cut, box.end)};
}

Rgb meanColour(const std::vector<ColourCount>& colours, const Box& box) {
  int64_t sum[3] = {0, 0, 0};
  for (size_t i = box.begin; i < box.end; ++i)
    for (int c = 0; c < 3; ++c) sum[c] += int64_t(channel(colours[i].key, c)) * colours[i].count;
  const int64_t n = box.population, half = n / 2;
  return Rgb{uint8_t((sum[0] + half) / n), uint8_t((sum[1] + half) / n),
             uint8_t((sum[2] + half) / n)};
}

int nearest(const std::vector<Rgb>& palette, uint32_t key) {
  int best = 0, bestDistance = 1 << 30;
  for (size_t i = 0; i < palette.size(); ++i) {
    const int dr = palette[i].r - channel(key, 0), dg = palette[i].g - channel(key, 1),
              db = palette[i].b - channel(key, 2);
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = int(i);
    }
  }
  return best;
}

}  // namespace

IndexedImage quantise(const std::vector<Rgb>& pixels, int maxColours) {
  IndexedImage out;
  if (pixels.empty()) return out;
  maxColours = std::clamp(maxColours, 1, 256);
  std::vector<ColourCount> colours = histogram(pixels);

  std::vector<Box> boxes{measure(colours, 0, colours.size())};
  while (int(boxes.size()) < maxColours) {
    auto widest = std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) {
      return priority(a) < priority(b);
    });
    if (priority(*widest) < 0) break;  // every box is down to one colour
    const auto halves = split(colours, *widest);
    *widest = halves.first;
    boxes.push_back(halves.second);
  }
  for (const Box& b : boxes) out.palette.push_back(meanColour(colours, b));

  // Each pixel takes the nearest palette colour, found once per distinct
  // colour: a box's mean can sit nearer to a neighbouring box's members.
  std::vector<ColourCount> distinct = histogram(pixels);
  std::vector<uint8_t> indexOf(distinct.size());
  for (size_t i = 0; i < distinct.size(); ++i)
    indexOf[i] = uint8_t(nearest(out.palette, distinct[i].key));
  out.indices.reserve(pixels.size());
  for (Rgb p : pixels) {
    const uint32_t k = keyOf(p);
    const auto it =
        std::lower_bound(distinct.begin(), distinct.end(), k,
                         [](const ColourCount& c, uint32_t key) { return c.key < key; });
    out.indices.push_back(indexOf[size_t(it - distinct.begin())]);
  }
  return out;
}
