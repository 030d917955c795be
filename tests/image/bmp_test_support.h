// What the reader's tests share: files in a private temporary folder, and a
// load that returns what the reader printed.
#pragma once

#include <string>
#include <vector>

#include "bmp_samples.h"
#include "image/bmp_image.h"

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Writes bytes to a new file in the folder and returns its path.
  std::string write(const std::string& name, const Bytes& bytes);
  std::string path(const std::string& name) const { return folder_ + "/" + name; }

 private:
  std::string folder_;
  std::vector<std::string> files_;
};

// Loads path into image and returns everything the reader printed.
std::string loadPrinting(const std::string& path, BmpImage* image);

// The record's pixels as bytes (width * height * 3 of them).
Bytes pixelsOf(const BmpImage& image);
