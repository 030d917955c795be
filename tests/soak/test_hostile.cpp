// Hostile picture files: each of the thirteen files in turn replaced by one
// that is empty, cut short, not a bitmap at all, of a size the reader refuses,
// or compressed. The viewer must still start and draw, say what went wrong in
// one line per read of the bad file, and every texture read from another file
// must still show its own picture.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/bmp_image.h"
#include "viewer.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Offsets in a file with the plain 40-byte information header.
constexpr size_t headersEnd = 54;
constexpr size_t widthField = 18, heightField = 22, depthField = 28, compressionField = 30;

void put16(Bytes& b, size_t at, uint16_t v) {
  b[at] = v & 0xff;
  b[at + 1] = v >> 8;
}

void put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xff;
}

struct Damage {
  const char* name;
  const char* message;  // what the reader prints for it
  Bytes (*make)(Bytes good);  // from the good file's bytes
};

const Damage damages[] = {
    {"Empty", bmpMessageNotBmp, [](Bytes) { return Bytes{}; }},
    {"NotABitmap", bmpMessageNotBmp,
     [](Bytes good) {
       // Noise from a fixed generator, starting with a GIF's signature.
       uint32_t state = 99;
       for (uint8_t& byte : good) byte = (state = state * 1664525u + 1013904223u) >> 24;
       std::memcpy(good.data(), "GIF89a", 6);
       return good;
     }},
    {"CutInThePixels", bmpMessagePixels,
     [](Bytes good) {
       good.resize(headersEnd + (good.size() - headersEnd) / 2);
       return good;
     }},
    {"TooWide", bmpMessageSize,
     [](Bytes good) {
       put32(good, widthField, 5000);  // rows of 15000 bytes
       return good;
     }},
    {"Compressed", bmpMessageCompressed,
     [](Bytes good) {
       put32(good, compressionField, 1);  // run-length coded
       return good;
     }},
};

// Rarer damage, each tried on one file only: the reader's own tests cover
// these paths byte by byte; here they only need to reach the viewer once.
const Damage rareDamages[] = {
    {"CutInTheFileHeader", bmpMessageFileHeader,
     [](Bytes good) {
       good.resize(8);
       return good;
     }},
    {"CutInTheInformationHeader", bmpMessageInfoHeader,
     [](Bytes good) {
       good.resize(30);
       return good;
     }},
    {"SixteenBitsAPixel", bmpMessageDepth,
     [](Bytes good) {
       put16(good, depthField, 16);
       return good;
     }},
    {"NoRows", bmpMessageSize,
     [](Bytes good) {
       put32(good, heightField, 0);
       return good;
     }},
};

// How many textures read each file: the large house's pictures serve both of
// its halves, and kest3 the road as well.
int readsOf(const std::string& file) {
  if (file == "kest1.bmp" || file == "kest2.bmp") return 2;
  if (file == "kest3.bmp") return 3;
  return 1;
}

struct Probe {
  const char* file;
  double x, y, z;
  const char* what;
};

// Faces that the starting camera sees squarely, one per picture that has one.
const Probe probes[] = {
    {"kest1.bmp", 0.5, 0.4, 1, "large house's gable"},
    {"toba1.bmp", -1, 0.4, 0.5, "west house's gable"},
    {"mirl1.bmp", 1.7, 0.4, 0.2, "east house's gable"},
    {"mirl2.bmp", 1.2, 0.3, -0.15, "east house's wall"},
    {"mirl6.bmp", 0.5, 2, -3, "backdrop"},
    {"sun.bmp", 3, 0.1, 0, "sun"},
    {"moon.bmp", -3, 0.1, 0, "moon"},
};

struct Case {
  std::string file;
  Damage damage;
};

std::vector<Case> allCases() {
  std::vector<Case> cases;
  for (const auto& [file, colour] : solidColours())
    for (const Damage& d : damages) cases.push_back({file, d});
  // The rare kinds go to files read once and to the thrice-read kest3.
  const char* rareFiles[] = {"kest3.bmp", "toba2.bmp", "sun.bmp", "mirl3.bmp"};
  for (size_t i = 0; i < std::size(rareDamages); ++i)
    cases.push_back({rareFiles[i % std::size(rareFiles)], rareDamages[i]});
  return cases;
}

void PrintTo(const Case& c, std::ostream* out) { *out << c.file << " " << c.damage.name; }

class HostilePicture : public ViewerTest, public ::testing::WithParamInterface<Case> {};

TEST_P(HostilePicture, ViewerDrawsAndReportsOneLinePerRead) {
  const Case& c = GetParam();
  const std::string folder = folderWithSolidPictures();
  const Rgb colour = solidColours().at(c.file);
  const Bytes good = encodeBmp24(8, 8, std::vector<Rgb>(64, colour));
  ASSERT_TRUE(writeFile(folder + "/" + c.file, c.damage.make(good)));

  start(folder);
  bool first = true;
  for (const Probe& p : probes) {
    if (c.file == p.file) continue;  // its faces show whatever the failure left
    // Once one face shows its picture the frame is on screen, and every other
    // probe is in that same frame: no need to wait long for them.
    const ::testing::AssertionResult shown =
        pixelBecomes(x, fromStartingCamera(p.x, p.y, p.z), pictureColour(p.file), first ? 5000 : 500);
    if (first) {
      ASSERT_TRUE(shown) << p.what << " should keep " << p.file << "; was a frame drawn at all?";
      first = false;
    } else {
      EXPECT_TRUE(shown) << p.what << " should keep " << p.file;
    }
  }
  EXPECT_TRUE(x.running());
  ASSERT_TRUE(closeViewer());

  std::string expected;
  for (int i = 0; i < readsOf(c.file); ++i) expected += c.damage.message;
  EXPECT_EQ(viewerOutput(dir), expected);
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
  std::string file = info.param.file.substr(0, info.param.file.find('.'));
  return file + "_" + info.param.damage.name;
}

INSTANTIATE_TEST_SUITE_P(EachFile, HostilePicture, ::testing::ValuesIn(allCases()), caseName);

}  // namespace
