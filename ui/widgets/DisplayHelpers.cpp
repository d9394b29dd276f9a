// SPDX-License-Identifier: MIT
#include "ui/widgets/DisplayHelpers.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include "ui/widgets/ControlId.h"

namespace nelvo {

bool largeScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return false;
    const QSize size = screen->size();
    return isLargeScreen(size.width(), size.height());
}

const ScreenMetrics& screenMetrics() {
    static const ScreenMetrics& fixed = metricsFor(largeScreen());
    return fixed;
}

double screenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
}

QImage resourceBitmap(int id) {
    QImage image(QStringLiteral(":/nelvo/bitmaps/%1.png").arg(id));
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage loadBitmapScaled(int id, int width, int height) {
    const QImage image = resourceBitmap(id);
    if (image.isNull() || width <= 0 || height <= 0)
        throw std::runtime_error("Failed to load bitmap");
    if (image.width() == width && image.height() == height) return image;
    return image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage createDibSurface(int width, int height, QImage::Format format) {
    if (width < 0 || height < 0) throw std::runtime_error("Failed to create DIB section");
    if (width == 0 || height == 0) return QImage();
    // Zeroed by the allocator: large blocks come as untouched zero pages, so a 24-megapixel
    // overlay costs nothing until something is drawn on it.
    const auto rowBytes = static_cast<std::size_t>(width) * 4;
    if (rowBytes > static_cast<std::size_t>(std::numeric_limits<qsizetype>::max()) /
                       static_cast<std::size_t>(height))
        throw std::runtime_error("Failed to create DIB section");
    void* bits = std::calloc(static_cast<std::size_t>(height), rowBytes);
    if (bits == nullptr) throw std::runtime_error("Failed to create DIB section");
    QImage surface(static_cast<uchar*>(bits), width, height, static_cast<qsizetype>(rowBytes),
                   format, std::free, bits);
    if (surface.isNull()) {
        std::free(bits);
        throw std::runtime_error("Failed to create DIB section");
    }
    return surface;
}

QImage createMemorySurface(const QWidget* window, int width, int height) {
    if (width <= 0 || height <= 0) throw std::runtime_error("Failed to create compatible bitmap");
    QImage surface(width, height, QImage::Format_RGB32);
    if (surface.isNull()) throw std::runtime_error("Failed to create compatible bitmap");
    if (window != nullptr) surface.setDevicePixelRatio(window->devicePixelRatioF());
    return surface;
}

void setControlFont(QWidget* control, int size, QFont& font, bool bold) {
    if (control == nullptr || size <= 0) throw std::runtime_error("Failed to create font");
    font = control->font();
    font.setPointSizeF(size / 10.0);
    if (bold) font.setWeight(QFont::Bold);
    control->setFont(font);
    control->update();
}

void setStaticBitmapScaled(QWidget* dialog, int controlId, int bitmapId) {
    auto* label = findControl<QLabel>(dialog, controlId);
    if (label == nullptr) throw std::runtime_error("Failed to load bitmap");
    const int width = static_cast<int>(label->width() * 1.5 + 0.5);
    const int height = static_cast<int>(label->height() * 1.5 + 0.5);
    const QImage picture = loadBitmapScaled(bitmapId, width, height);
    label->setPixmap(QPixmap::fromImage(picture));
    label->resize(width, height);
}

}  // namespace nelvo
