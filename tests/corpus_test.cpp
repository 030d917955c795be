// The public BMP Suite, file by file, against the table in its EXPECTED.md:
// the line each refused file prints, or the MD5 of the exact pixels each
// loaded file gives. The folder is named by TIDEWICK_BMPSUITE_DIR.
#include <gtest/gtest.h>
#include <md5.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "harness.h"
#include "image/bmp_image.h"

namespace {

namespace fs = std::filesystem;

struct Expectation {
  int width = 0, height = 0;
  std::string outcome, md5;
};

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
    if (cells.size() == 11 && fs::path(cells[1]).extension() == ".bmp")
      table[cells[1]] = {std::atoi(cells[5].c_str()), std::atoi(cells[6].c_str()), cells[8],
                         cells[10]};
  }
  return table;
}

TEST(BmpSuite, EveryFileAsTheTableSays) {
  const char* folder = std::getenv("TIDEWICK_BMPSUITE_DIR");
  ASSERT_TRUE(folder && fs::exists(fs::path(folder) / "EXPECTED.md"))
      << "set TIDEWICK_BMPSUITE_DIR to the BMP Suite's folder, the one holding EXPECTED.md";
  const std::map<std::string, Expectation> table = readTable(std::string(folder) + "/EXPECTED.md");
  std::set<std::string> onDisk, listed;
  for (const char* group : {"b", "g", "q", "x"})
    for (const fs::directory_entry& e : fs::directory_iterator(fs::path(folder) / group))
      if (e.path().extension() == ".bmp")
        onDisk.insert(group + ("/" + e.path().filename().string()));
  for (const auto& [name, expected] : table) listed.insert(name);
  ASSERT_FALSE(table.empty()) << "no per-file rows found in EXPECTED.md";
  EXPECT_EQ(onDisk, listed) << "the table and the folder disagree on which files exist";

  const std::string refused = "rejected: ";
  for (const auto& [name, expected] : table) {
    SCOPED_TRACE(name + ": " + expected.outcome);
    BmpImage image = {-1, -1, nullptr};
    const std::string path = std::string(folder) + "/" + name;
    const std::string printed = printedBy([&] { loadBmpImage(path.c_str(), &image); });
    char md5[MD5_DIGEST_STRING_LENGTH] = "";
    if (image.pixels) MD5Data(image.pixels, size_t(image.width) * image.height * 3, md5);
    std::free(image.pixels);
    if (expected.outcome.rfind(refused, 0) == 0) {
      const std::string reason = expected.outcome.substr(refused.size());
      EXPECT_EQ(printed, reason == "unsupported size" ? bmpMessageSize : reason + "\n");
      EXPECT_EQ(image.width, -1);
    } else if (expected.outcome.rfind("loads", 0) == 0) {
      EXPECT_EQ(printed, "");
      EXPECT_EQ(image.width, expected.width);
      EXPECT_EQ(image.height, expected.height);
      EXPECT_EQ(md5, expected.md5);
    } else if (expected.outcome.rfind("partial load", 0) == 0) {
      EXPECT_EQ(printed, bmpMessagePixels);
      EXPECT_EQ(md5, expected.md5);
    } else {
      ADD_FAILURE() << "outcome not understood";
    }
  }
}

}  // namespace
