#include "bmp_test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

TempFolder::TempFolder() {
  std::string pattern = testing::TempDir() + "tidewick_bmp_XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  folder_ = pattern;
}

TempFolder::~TempFolder() {
  for (const std::string& file : files_) std::remove(file.c_str());
  rmdir(folder_.c_str());
}

std::string TempFolder::write(const std::string& name, const Bytes& bytes) {
  const std::string file = path(name);
  if (!writeFile(file, bytes)) ADD_FAILURE() << "cannot write " << file;
  files_.push_back(file);
  return file;
}

std::string loadPrinting(const std::string& path, BmpImage* image) {
  testing::internal::CaptureStdout();
  loadBmpImage(path.c_str(), image);
  return testing::internal::GetCapturedStdout();
}

Bytes pixelsOf(const BmpImage& image) {
  if (image.pixels == nullptr) return {};
  return Bytes(image.pixels, image.pixels + static_cast<size_t>(image.width) * image.height * 3);
}
