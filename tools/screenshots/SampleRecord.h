// SPDX-License-Identifier: MIT
// A filter record over an image file, as a host would hand it to the preview: 8-bit
// interleaved RGB, the whole image as filter and input rectangle.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

#include "PIFilter.h"

namespace nelvo {

class SampleRecord {
  public:
    // Throws std::runtime_error when the file cannot be read.
    explicit SampleRecord(const QString& path);
    // A synthetic picture of width x height: gradients with a grid, for benchmarks.
    SampleRecord(int width, int height);
    SampleRecord(const SampleRecord&) = delete;
    SampleRecord& operator=(const SampleRecord&) = delete;

    FilterRecord record{};
    BigDocumentStruct big{};

  private:
    void describe(int width, int height);
    std::vector<unsigned char> pixels_;
};

}  // namespace nelvo
