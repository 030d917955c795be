#include "gif_animation.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

// Both passes of shrink: out[i] gathers the old samples j whose span
// [j * outCount, (j + 1) * outCount) overlaps [i * inCount, (i + 1) * inCount),
// each weighted by the overlap, so every new sample's weights add up to
// inCount and no division happens until the end.
struct Span {
  int first, last;  // old samples, inclusive
};

Span spanOf(int i, int inCount, int outCount) {
  return {i * inCount / outCount, ((i + 1) * inCount - 1) / outCount};
}

int64_t overlap(int j, int i, int inCount, int outCount) {
  const int64_t lo = std::max<int64_t>(int64_t(j) * outCount, int64_t(i) * inCount);
  const int64_t hi = std::min<int64_t>(int64_t(j + 1) * outCount, int64_t(i + 1) * inCount);
  return std::max<int64_t>(0, hi - lo);
}

constexpr int paletteColours = 255;  // and one index more for "unchanged"
constexpr int transparentIndex = 255;

struct Rect {
  int x0, y0, x1, y1;  // x1, y1 exclusive
};

// The smallest rectangle holding every pixel where now differs from before;
// empty (x1 <= x0) when nothing does.
Rect changedArea(const GifByteType* before, const GifByteType* now, int width, int height) {
  Rect r{width, height, 0, 0};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (before[size_t(y) * width + x] != now[size_t(y) * width + x]) {
        r.x0 = std::min(r.x0, x);
        r.y0 = std::min(r.y0, y);
        r.x1 = std::max(r.x1, x + 1);
        r.y1 = std::max(r.y1, y + 1);
      }
  return r;
}

struct Shown {
  const GifByteType* indices;
  const GifByteType* before;  // what the screen holds under it; null for the first
  int delayCs;
};

bool fail(GifFileType* gif, std::string* error) {
  *error = GifErrorString(gif->Error);
  int ignored = 0;
  EGifCloseFile(gif, &ignored);
  return false;
}

}  // namespace

Capture shrink(const Capture& image, int width, int height) {
  const int inW = image.width, inH = image.height;
  // Across first: inH rows of width samples, each the sum of inW weights.
  std::vector<uint32_t> across(size_t(inH) * width * 3);
  for (int y = 0; y < inH; ++y)
    for (int x = 0; x < width; ++x) {
      const Span s = spanOf(x, inW, width);
      for (int j = s.first; j <= s.last; ++j) {
        const uint32_t w = uint32_t(overlap(j, x, inW, width));
        for (int c = 0; c < 3; ++c)
          across[(size_t(y) * width + x) * 3 + c] += w * image.rgb[(size_t(y) * inW + j) * 3 + c];
      }
    }
  Capture out;
  out.width = width;
  out.height = height;
  out.rgb.resize(size_t(width) * height * 3);
  const uint64_t total = uint64_t(inW) * inH;
  for (int y = 0; y < height; ++y) {
    const Span s = spanOf(y, inH, height);
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) {
        uint64_t sum = 0;
        for (int j = s.first; j <= s.last; ++j)
          sum += uint64_t(overlap(j, y, inH, height)) * across[(size_t(j) * width + x) * 3 + c];
        out.rgb[(size_t(y) * width + x) * 3 + c] = uint8_t((sum + total / 2) / total);
      }
  }
  return out;
}

bool writeGifAnimation(const std::string& path, const std::vector<AnimationFrame>& frames,
                       std::string* error) {
  if (frames.empty()) {
    *error = "no frames";
    return false;
  }
  const int width = frames[0].picture.width, height = frames[0].picture.height;
  const size_t area = size_t(width) * height;
  for (const AnimationFrame& f : frames)
    if (f.picture.width != width || f.picture.height != height) {
      *error = "frames of different sizes";
      return false;
    }

  // One palette for the whole animation: the frames are quantised together
  // as one tall picture, so a colour keeps its index from frame to frame and
  // the parts that do not move stay the same bytes.
  const size_t all = area * frames.size();
  std::vector<GifByteType> red(all), green(all), blue(all), indices(all);
  for (size_t f = 0; f < frames.size(); ++f)
    for (size_t i = 0; i < area; ++i) {
      red[f * area + i] = frames[f].picture.rgb[i * 3];
      green[f * area + i] = frames[f].picture.rgb[i * 3 + 1];
      blue[f * area + i] = frames[f].picture.rgb[i * 3 + 2];
    }
  int colours = paletteColours;
  GifColorType palette[256] = {};
  if (GifQuantizeBuffer(unsigned(width), unsigned(height * frames.size()), &colours, red.data(),
                        green.data(), blue.data(), indices.data(), palette) == GIF_ERROR) {
    *error = "the colours could not be reduced to a palette";
    return false;
  }

  std::vector<Shown> shown;
  for (size_t f = 0; f < frames.size(); ++f) {
    const GifByteType* now = &indices[f * area];
    if (!shown.empty() && std::equal(now, now + area, shown.back().indices)) {
      shown.back().delayCs += frames[f].delayCs;
      continue;
    }
    shown.push_back({now, shown.empty() ? nullptr : shown.back().indices, frames[f].delayCs});
  }

  // Opened here rather than by giflib, which would make the file readable by
  // its owner only.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    *error = std::strerror(errno);
    return false;
  }
  int status = 0;
  GifFileType* gif = EGifOpenFileHandle(fd, &status);  // closes fd when done
  if (!gif) {
    *error = GifErrorString(status);
    close(fd);
    return false;
  }
  EGifSetGifVersion(gif, true);  // delays and transparency need GIF89a
  ColorMapObject* map = GifMakeMapObject(256, palette);
  if (!map) {
    *error = "out of memory";
    EGifCloseFile(gif, &status);
    return false;
  }
  const int put = EGifPutScreenDesc(gif, width, height, 8, 0, map);  // copies map
  GifFreeMapObject(map);
  if (put == GIF_ERROR) return fail(gif, error);

  // The application block that browsers read as "loop for ever".
  const unsigned char loopForever[3] = {1, 0, 0};
  if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
      EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_ERROR ||
      EGifPutExtensionBlock(gif, 3, loopForever) == GIF_ERROR ||
      EGifPutExtensionTrailer(gif) == GIF_ERROR)
    return fail(gif, error);

  std::vector<GifPixelType> row(static_cast<size_t>(width));
  for (const Shown& s : shown) {
    Rect r{0, 0, width, height};
    if (s.before) r = changedArea(s.before, s.indices, width, height);
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;  // each frame paints over the last
    control.UserInputFlag = false;
    control.DelayTime = std::min(s.delayCs, 65535);
    control.TransparentColor = s.before ? transparentIndex : NO_TRANSPARENT_COLOR;
    GifByteType block[4];
    const size_t length = EGifGCBToExtension(&control, block);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), block) == GIF_ERROR ||
        EGifPutImageDesc(gif, r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0, false, nullptr) == GIF_ERROR)
      return fail(gif, error);
    for (int y = r.y0; y < r.y1; ++y) {
      for (int x = r.x0; x < r.x1; ++x) {
        const size_t i = size_t(y) * width + x;
        // Pixels that stay as they were go out as runs of one index, which
        // the compression shrinks to almost nothing.
        row[size_t(x - r.x0)] =
            s.before && s.before[i] == s.indices[i] ? transparentIndex : s.indices[i];
      }
      if (EGifPutLine(gif, row.data(), r.x1 - r.x0) == GIF_ERROR) return fail(gif, error);
    }
  }
  if (EGifCloseFile(gif, &status) == GIF_ERROR) {
    *error = GifErrorString(status);
    return false;
  }
  return true;
}
