// SPDX-License-Identifier: MIT
#include "SampleRecord.h"

#include <stdexcept>

namespace nelvo {

SampleRecord::SampleRecord(const QString& path) {
    const QImage image = QImage(path).convertToFormat(QImage::Format_RGB888);
    if (image.isNull()) throw std::runtime_error("cannot read " + path.toStdString());
    const auto rowBytes = static_cast<std::size_t>(image.width()) * 3;
    pixels_.resize(rowBytes * static_cast<std::size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
        std::copy_n(image.constScanLine(y), rowBytes,
                    pixels_.begin() + static_cast<std::ptrdiff_t>(rowBytes) * y);
    describe(image.width(), image.height());
}

SampleRecord::SampleRecord(int width, int height) {
    pixels_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    std::size_t i = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool grid = x % 64 == 0 || y % 64 == 0;
            pixels_[i++] = static_cast<unsigned char>(grid ? 255 : x * 255 / width);
            pixels_[i++] = static_cast<unsigned char>(grid ? 255 : y * 255 / height);
            pixels_[i++] = static_cast<unsigned char>((x + y) % 256);
        }
    describe(width, height);
}

void SampleRecord::describe(int width, int height) {
    big.filterRect32 = VRect{0, 0, height, width};
    big.inRect32 = big.filterRect32;
    big.imageSize32 = VPoint{height, width};
    record.bigDocumentData = &big;
    record.imageMode = plugInModeRGBColor;
    record.planes = 3;
    record.depth = 8;
    record.inData = pixels_.data();
    record.inRowBytes = width * 3;
    record.inColumnBytes = 3;
}

}  // namespace nelvo
