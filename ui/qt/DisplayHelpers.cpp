// SPDX-License-Identifier: MIT
#include "ui/qt/DisplayHelpers.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "resources/pictures/PictureResources.h"
#include "ui/qt/ControlId.h"

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

std::vector<PixelRect> screenWorkAreas() {
    std::vector<PixelRect> areas;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect a = screen->availableGeometry();
        areas.push_back({a.x(), a.y(), a.width(), a.height()});
    }
    return areas;
}

std::optional<PixelRect> fitOntoCurrentScreens(const StoredRect& stored) {
    return fitOntoScreens(stored, screenWorkAreas());
}

double screenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
}

QImage resourceBitmap(int id) {
    QImage image(pictureResourcePath(id));
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage loadBitmapScaled(int id, int width, int height) {
    const QImage image = resourceBitmap(id);
    if (image.isNull() || width <= 0 || height <= 0)
        throw std::runtime_error("Failed to load bitmap");
    if (image.width() == width && image.height() == height) return image;
    return image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

namespace {

// Pixel memory for a surface, zero-filled. On Linux it is mapped directly and asked for
// huge pages: the kernel then hands out zeroed 2 MB pages, and rendering a 24-megapixel
// image takes a few dozen page faults instead of 24,000 (measured with preview-bench under
// load: the first showImage of a new 24-megapixel preview 80-117 ms instead of 104-130 ms).
// Elsewhere calloc, whose large blocks are untouched zero pages too. The preview keeps its
// surfaces from one showImage to the next: mapping and unmapping huge pages again and
// again made the kernel compact memory and tripled the time.
struct SurfaceMemory {
    static void* allocate(std::size_t bytes, SurfacePages pages) {
#ifdef __linux__
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return nullptr;
        madvise(p, bytes, MADV_HUGEPAGE);  // advice only: a refusal changes nothing
        // Pages are faulted in before the first brush stroke: clearing the overlay's
        // untouched pages as a stroke crossed them held a mouse move up for up to 55 ms.
        // Older kernels refuse; the faults then come later.
        if (pages == SurfacePages::Now) prefault(p, bytes);
        const std::lock_guard<std::mutex> lock(mutex());
        sizes().emplace(p, bytes);
        return p;
#else
        static_cast<void>(pages);
        return std::calloc(bytes, 1);
#endif
    }
#ifdef __linux__
    static void prefault(void* p, std::size_t bytes) {
        madvise(p, bytes, MADV_POPULATE_WRITE);
    }
#endif
    static void release(void* p) {
#ifdef __linux__
        const std::lock_guard<std::mutex> lock(mutex());
        const auto it = sizes().find(p);
        munmap(p, it->second);
        sizes().erase(it);
#else
        std::free(p);
#endif
    }
#ifdef __linux__
    // The mapping sizes, for munmap; surfaces may be released on any thread.
    static std::unordered_map<void*, std::size_t>& sizes() {
        static std::unordered_map<void*, std::size_t> table;
        return table;
    }
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
#endif
};

}  // namespace

QImage createDibSurface(int width, int height, QImage::Format format, SurfacePages pages) {
    if (width < 0 || height < 0) throw std::runtime_error("Failed to create DIB section");
    if (width == 0 || height == 0) return QImage();
    const auto rowBytes = static_cast<std::size_t>(width) * 4;
    if (rowBytes > static_cast<std::size_t>(std::numeric_limits<qsizetype>::max()) /
                       static_cast<std::size_t>(height))
        throw std::runtime_error("Failed to create DIB section");
    void* bits = SurfaceMemory::allocate(rowBytes * static_cast<std::size_t>(height), pages);
    if (bits == nullptr) throw std::runtime_error("Failed to create DIB section");
    QImage surface(static_cast<uchar*>(bits), width, height, static_cast<qsizetype>(rowBytes),
                   format, SurfaceMemory::release, bits);
    if (surface.isNull()) {
        SurfaceMemory::release(bits);
        throw std::runtime_error("Failed to create DIB section");
    }
    return surface;
}

void prefaultSurface(const QImage& surface) {
#ifdef __linux__
    // The surface's memory starts at its mapping; the advice writes no pixel.
    if (surface.isNull()) return;
    SurfaceMemory::prefault(const_cast<uchar*>(surface.constBits()),
                            static_cast<std::size_t>(surface.sizeInBytes()));
#else
    static_cast<void>(surface);
#endif
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
