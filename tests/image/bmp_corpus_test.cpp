// The public BMP Suite, file by file, against the table in its EXPECTED.md:
// the message each rejected file prints, or the md5 of the exact pixels each
// loaded file must give. The folder is named by TIDEWICK_BMPSUITE_DIR.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "bmp_test_support.h"
#include "md5.h"

namespace {

namespace fs = std::filesystem;

struct Expectation {
  int width = 0, height = 0;
  std::string outcome, md5;
};

std::string suiteFolder() {
  const char* folder = std::getenv("TIDEWICK_BMPSUITE_DIR");
  return folder ? folder : "";
}

std::string trim(const std::string& s) {
  const size_t first = s.find_first_not_of(' '), last = s.find_last_not_of(' ');
  return first == std::string::npos ? "" : s.substr(first, last - first + 1);
}

// Rows of the per-file table: | file | bpp | compression | header size |
// width | height | data offset | expected outcome | why | md5 |
std::map<std::string, Expectation> readTable(const std::string& markdown) {
  std::map<std::string, Expectation> table;
  std::ifstream in(markdown);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> cells;
    std::stringstream row(line);
    for (std::string cell; std::getline(row, cell, '|');) cells.push_back(trim(cell));
    // A leading '|' gives an empty first cell, so the file name is cells[1].
    if (cells.size() != 11 || cells[1].size() < 5 || cells[1].substr(cells[1].size() - 4) != ".bmp")
      continue;
    table[cells[1]] = {std::atoi(cells[5].c_str()), std::atoi(cells[6].c_str()), cells[8], cells[10]};
  }
  return table;
}

std::string md5Of(const BmpImage& image) {
  const Bytes pixels = pixelsOf(image);
  return md5Hex(pixels.data(), pixels.size());
}

class BmpSuite : public testing::Test {
 protected:
  void SetUp() override {
    folder = suiteFolder();
    if (folder.empty() || !fs::exists(fs::path(folder) / "EXPECTED.md"))
      GTEST_SKIP() << "BMP Suite not found: set TIDEWICK_BMPSUITE_DIR (the CMake cache variable or "
                      "the environment variable) to the folder holding EXPECTED.md";
  }
  void TearDown() override { std::free(image.pixels); }

  Bytes fileBytes(const std::string& name) {
    std::ifstream in(fs::path(folder) / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string folder;
  BmpImage image = {0, 0, nullptr};
};

TEST_F(BmpSuite, EveryFileAsTheTableSays) {
  const std::map<std::string, Expectation> table = readTable(folder + "/EXPECTED.md");
  std::set<std::string> onDisk;
  for (const char* group : {"b", "g", "q", "x"})
    for (const fs::directory_entry& e : fs::directory_iterator(fs::path(folder) / group))
      if (e.path().extension() == ".bmp") onDisk.insert(std::string(group) + "/" + e.path().filename().string());
  std::set<std::string> listed;
  for (const auto& [name, expected] : table) listed.insert(name);
  ASSERT_FALSE(table.empty()) << "no per-file rows found in EXPECTED.md";
  EXPECT_EQ(onDisk, listed) << "the table and the folder disagree on which files exist";

  const std::string rejected = "rejected: ", sizeRule = "unsupported size";
  int loaded = 0, refused = 0;
  for (const auto& [name, expected] : table) {
    SCOPED_TRACE(name + ": " + expected.outcome);
    std::free(image.pixels);
    image = {-1, -1, nullptr};
    const std::string printed = loadPrinting(folder + "/" + name, &image);
    if (expected.outcome.rfind(rejected, 0) == 0) {
      const std::string reason = expected.outcome.substr(rejected.size());
      EXPECT_EQ(printed, reason == sizeRule ? std::string(bmpMessageSize) : reason + "\n");
      EXPECT_EQ(image.width, -1);
      EXPECT_EQ(image.pixels, nullptr);
      ++refused;
    } else if (expected.outcome.rfind("loads", 0) == 0) {
      EXPECT_EQ(printed, "");
      EXPECT_EQ(image.width, expected.width);
      EXPECT_EQ(image.height, expected.height);
      EXPECT_EQ(md5Of(image), expected.md5);
      ++loaded;
    } else if (expected.outcome.rfind("partial load", 0) == 0) {
      EXPECT_EQ(printed, bmpMessagePixels);
      EXPECT_EQ(md5Of(image), expected.md5);
      ++loaded;
    } else {
      ADD_FAILURE() << "outcome not understood";
    }
  }
  RecordProperty("loaded", loaded);
  RecordProperty("refused", refused);
}

// The cases the suite lacks, cut from two of its files.
TEST_F(BmpSuite, TruncatedCopies) {
  TempFolder cuts;
  const Bytes rgb24 = fileBytes("g/rgb24.bmp"), pal8 = fileBytes("g/pal8.bmp");
  ASSERT_EQ(rgb24.size(), 54u + 384 * 64);
  loadBmpImage((folder + "/g/rgb24.bmp").c_str(), &image);
  const Bytes whole = pixelsOf(image);
  const size_t rowBytes = 127 * 3;

  const struct {
    const char* what;
    Bytes file;
    std::string printed;
    size_t rowsKept;  // of rgb24's rows; the rest must be zero (pal8 is as large)
  } cases[] = {
      {"empty", {}, bmpMessageNotBmp, 0},
      {"1 byte", truncated(rgb24, 1), bmpMessageNotBmp, 0},
      {"13 bytes", truncated(rgb24, 13), bmpMessageFileHeader, 0},
      {"53 bytes", truncated(rgb24, 53), bmpMessageInfoHeader, 0},
      {"headers only", truncated(rgb24, 54), bmpMessagePixels, 0},
      {"10 rows and a bit", truncated(rgb24, 54 + 384 * 10 + 100), bmpMessagePixels, 10},
      {"last byte missing", truncated(rgb24, rgb24.size() - 1), bmpMessagePixels, 63},
      {"pal8 headers only", truncated(pal8, 54),
       std::string(bmpMessageColorTable) + bmpMessagePixels, 0},
      {"pal8 one table entry", truncated(pal8, 60), bmpMessagePixels, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::free(image.pixels);
    image = {-1, -1, nullptr};
    EXPECT_EQ(loadPrinting(cuts.write("cut.bmp", c.file), &image), c.printed);
    if (c.printed.find(bmpMessagePixels) == std::string::npos) {
      EXPECT_EQ(image.pixels, nullptr);
    } else {
      Bytes want(whole.begin(), whole.begin() + rowBytes * c.rowsKept);
      want.resize(whole.size(), 0);
      EXPECT_EQ(pixelsOf(image), want);
    }
  }
  const std::string missing = folder + "/no/such.bmp";
  EXPECT_EQ(loadPrinting(missing, &image), "Could not open file '" + missing + "'\n");
}

}  // namespace
