// The painter's output as the viewer meets it: thirteen files our own reader
// accepts, both bit depths present, real pictures rather than flat colours,
// and the same bytes on every run.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "image/bmp_image.h"

namespace {

namespace fs = std::filesystem;

const char* const pictureNames[] = {"kest1", "kest2", "kest3", "kest4", "mirl1", "mirl2", "mirl3",
                                    "mirl6", "toba1", "toba2", "toba3", "sun",   "moon"};

std::string freshFolder() {
  std::string pattern = (fs::temp_directory_path() / "paint_town_XXXXXX").string();
  return mkdtemp(pattern.data()) ? pattern : std::string();
}

// The painter's exit status; its standard error goes to errorFile.
int runPainter(const std::string& folder, const std::string& errorFile) {
  const std::string command = std::string("'") + PAINT_TOWN + "' '" + folder + "' 2>'" + errorFile + "'";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<uint8_t> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

struct Rgb3 {
  long r = 0, g = 0, b = 0;
};

// Sums of a row of the decoded picture, row 0 being the bottom.
Rgb3 rowSum(const BmpImage& image, int row) {
  Rgb3 sum;
  const unsigned char* p = image.pixels + size_t(row) * image.width * 3;
  for (int x = 0; x < image.width; ++x, p += 3) sum.r += p[0], sum.g += p[1], sum.b += p[2];
  return sum;
}

class PaintTown : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = new std::string(freshFolder());
    status = runPainter(*folder, *folder + "/stderr.txt");
  }
  static void TearDownTestSuite() {
    fs::remove_all(*folder);
    delete folder;
  }
  void SetUp() override { ASSERT_EQ(status, 0) << "paint_town failed; see " << *folder; }
  void TearDown() override { std::free(image.pixels); }

  void load(const char* name) {
    std::free(image.pixels);
    image = BmpImage{0, 0, nullptr};
    loadBmpImage((*folder + "/" + name + ".bmp").c_str(), &image);
  }

  static std::string* folder;
  static int status;
  BmpImage image{0, 0, nullptr};
};

std::string* PaintTown::folder = nullptr;
int PaintTown::status = -1;

TEST_F(PaintTown, EveryPictureIsReadWithPowerOfTwoSidesAndIsNoFlatColour) {
  EXPECT_EQ(readBytes(*folder + "/stderr.txt").size(), 0u) << "success should print nothing";
  for (const char* name : pictureNames) {
    SCOPED_TRACE(name);
    load(name);
    ASSERT_NE(image.pixels, nullptr);
    EXPECT_TRUE(isPowerOfTwo(image.width)) << image.width;
    EXPECT_TRUE(isPowerOfTwo(image.height)) << image.height;
    std::set<uint32_t> colours;
    for (size_t i = 0; i < size_t(image.width) * image.height * 3; i += 3)
      colours.insert(uint32_t(image.pixels[i]) << 16 | uint32_t(image.pixels[i + 1]) << 8 | image.pixels[i + 2]);
    EXPECT_GE(colours.size(), 64u) << "looks like a placeholder, not a picture";
  }
}

TEST_F(PaintTown, BothBitDepthsAreWrittenSoBothDecodersRun) {
  std::multiset<int> depths;
  for (const char* name : pictureNames) {
    const std::vector<uint8_t> bytes = readBytes(*folder + "/" + name + ".bmp");
    ASSERT_GE(bytes.size(), 54u) << name;
    depths.insert(bytes[28] | bytes[29] << 8);
  }
  EXPECT_GE(depths.count(8), 1u);
  EXPECT_GE(depths.count(24), 1u);
  EXPECT_EQ(depths.count(8) + depths.count(24), depths.size()) << "only 8- and 24-bit files are expected";
}

// Pictures are painted bottom row first, as t runs: an upside-down painter
// would put the hills in the sky.
TEST_F(PaintTown, BackdropHasSkyAboveAndHillsBelow) {
  load("mirl6");
  ASSERT_NE(image.pixels, nullptr);
  const Rgb3 top = rowSum(image, image.height - 1), bottom = rowSum(image, 0);
  EXPECT_GT(top.b, top.g);
  EXPECT_GT(bottom.g, bottom.b);
}

TEST_F(PaintTown, SecondRunWritesIdenticalBytes) {
  const std::string again = freshFolder();
  ASSERT_EQ(runPainter(again, again + "/stderr.txt"), 0);
  for (const char* name : pictureNames) {
    const std::string file = std::string(name) + ".bmp";
    EXPECT_EQ(readBytes(*folder + "/" + file), readBytes(again + "/" + file)) << file;
  }
  fs::remove_all(again);
}

TEST(PaintTownFailure, UnwritableFolderFailsWithOneLine) {
  const std::string scratch = freshFolder();
  const std::string errors = scratch + "/stderr.txt";
  EXPECT_NE(runPainter(scratch + "/no/such/folder", errors), 0);
  std::ifstream in(errors);
  const std::string message((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(message.find('\n'), message.size() - 1) << message;
  fs::remove_all(scratch);
}

}  // namespace
