// SPDX-License-Identifier: MIT
#include "ui/qt/NelvoImageCtrl.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "PIPlatformContext.h"
#include "host/ImageModes.h"
#include "resources/DialogResources.h"
#include "ui/qt/ControlId.h"
#include "ui/qt/DisplayHelpers.h"
#include "ui/shared/HandlerGuard.h"
#include "ui/shared/ImageReduction.h"
#include "ui/shared/MarkOverlay.h"
#include "ui/shared/SampleConversion.h"
#include "ui/shared/ScreenPixels.h"

namespace nelvo {

namespace {

constexpr int kMaxTile = 512;

VRect filterRectOf(const FilterRecord* record) {
    if (record == nullptr || record->bigDocumentData == nullptr) return {};
    return record->bigDocumentData->filterRect32;
}

unsigned keyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    unsigned flags = 0;
    if (buttons & Qt::LeftButton) flags |= kMouseLeft;
    if (buttons & Qt::RightButton) flags |= kMouseRight;
    if (buttons & Qt::MiddleButton) flags |= kMouseMiddle;
    if (modifiers & Qt::ShiftModifier) flags |= kMouseShift;
    if (modifiers & Qt::ControlModifier) flags |= kMouseControl;
    if (modifiers & Qt::AltModifier) flags |= kMouseAlt;
    return flags;
}

IntPoint toPoint(const QPointF& p) {
    return {static_cast<int>(p.x()), static_cast<int>(p.y())};
}

QImage cursorPicture(const CursorShape& shape) {
    QImage picture(shape.size, shape.size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(0);
    for (int y = 0; y < shape.size; ++y)
        for (int x = 0; x < shape.size; ++x)
            if (shape.xorBit(x, y)) picture.setPixel(x, y, 0xFFFFFFFFu);
    return picture;
}

}  // namespace

NelvoImageCtrl::NelvoImageCtrl(const FilterRecord* hostRecord, QWidget* parent)
    : QWidget(parent), record(hostRecord) {
    setControlId(this, editing::kPreview);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    const VRect r = filterRectOf(record);
    imageWidth = std::max(0, r.right - r.left);
    imageHeight = std::max(0, r.bottom - r.top);
    channels = record != nullptr ? colourChannels(record->imageMode, record->planes) : 0;
    rowBytes = channels * imageWidth;
    colBytes = channels;
    const auto bytes = static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(imageHeight);
    sourcePixels.resize(bytes);
    optimizedPixels.resize(bytes);
}

NelvoImageCtrl::~NelvoImageCtrl() = default;

IntRect NelvoImageCtrl::clientRect() const {
    return {0, 0, width(), height()};
}

void NelvoImageCtrl::loadSource(std::uint8_t* destination) const {
    if (record == nullptr || record->inData == nullptr) return;
    nelvo::loadSource({record->inData, record->inRowBytes, record->inColumnBytes, record->depth,
                       channels, imageWidth, imageHeight},
                      destination);
}

void NelvoImageCtrl::showImage(const std::uint8_t* pixels, bool keepOverlay) {
    // Surfaces of the right size are kept and cleared rather than made anew: the result is
    // the same, and touching 200 MB of fresh pages for a 24-megapixel image costs more than
    // rendering it.
    if (imageSurface_.size() != QSize(imageWidth, imageHeight) || imageSurface_.isNull()) {
        imageSurface_ = QImage();
        overlaySurface_ = QImage();
        imageSurface_ = createDibSurface(imageWidth, imageHeight, QImage::Format_RGB32);
        // The overlay is blank until marks are drawn: its pages are faulted in after the
        // first picture is on the screen (about 0.2 s for 24 megapixels on a loaded machine).
        overlaySurface_ = createDibSurface(
            imageWidth, imageHeight, QImage::Format_ARGB32_Premultiplied, SurfacePages::Later);
        overlayPagesDue_ = true;
    } else if (!keepOverlay && !overlayEmpty_) {
        overlaySurface_.fill(0);
    }
    if (!keepOverlay) overlayEmpty_ = true;
    shownPixels_ = nullptr;
    if (!imageSurface_.isNull() && pixels != nullptr && channels > 0) {
        renderArea(pixels, IntRect{0, 0, imageWidth, imageHeight});
        shownPixels_ = pixels;
    }
    buildReductions();
    update();
}

void NelvoImageCtrl::updateImageAreas(const std::uint8_t* pixels, const std::vector<IntRect>& areas,
                                      bool keepOverlay) {
    if (pixels == nullptr || pixels != shownPixels_ || imageSurface_.isNull()) {
        showImage(pixels, keepOverlay);
        return;
    }
    if (!keepOverlay && !overlayEmpty_) overlaySurface_.fill(0);
    if (!keepOverlay) overlayEmpty_ = true;
    std::vector<IntRect> changed;
    changed.reserve(areas.size());
    for (const IntRect& area : areas) {
        const IntRect clipped{
            std::clamp(area.left, 0, imageWidth), std::clamp(area.top, 0, imageHeight),
            std::clamp(area.right, 0, imageWidth), std::clamp(area.bottom, 0, imageHeight)};
        if (clipped.width() <= 0 || clipped.height() <= 0) continue;
        renderArea(pixels, clipped);
        changed.push_back(clipped);
    }
    updateReductions(std::move(changed));
    update();
}

void NelvoImageCtrl::renderArea(const std::uint8_t* pixels, const IntRect& area) {
    if (record == nullptr || record->bigDocumentData == nullptr) return;
    const VRect filterRect = filterRectOf(record);
    const VRect inRect = record->bigDocumentData->inRect32;
    PSPixelMap map{};
    map.version = 1;
    map.imageMode = displayModeFor(record->imageMode);
    map.rowBytes = rowBytes;
    map.colBytes = colBytes;
    map.planeBytes = 1;
    map.baseAddr = const_cast<std::uint8_t*>(pixels);
    // The host describes the pixels by inRect32; before any request it is empty, and the
    // buffers always cover the filter rectangle.
    const bool inRectCovers =
        inRect.right - inRect.left == imageWidth && inRect.bottom - inRect.top == imageHeight;
    map.bounds = inRectCovers ? inRect : filterRect;

    // Each tile of the host's work is a window onto the image surface, so the tiles need
    // no copying afterwards.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize desktop = screen != nullptr ? screen->size() : QSize(kMaxTile, kMaxTile);
    const int tileWidth = std::clamp(desktop.width(), 1, kMaxTile);
    const int tileHeight = std::clamp(desktop.height(), 1, kMaxTile);
    const auto stride = static_cast<int32>(imageSurface_.bytesPerLine());
    for (int y = area.top; y < area.bottom; y += tileHeight) {
        for (int x = area.left; x < area.right; x += tileWidth) {
            const VRect source{map.bounds.top + y, map.bounds.left + x,
                               map.bounds.top + std::min(area.bottom, y + tileHeight),
                               map.bounds.left + std::min(area.right, x + tileWidth)};
            PlatformDrawContext tile{kPlatformDrawContextVersion, imageSurface_.scanLine(y) + 4 * x,
                                     stride, source.right - source.left,
                                     source.bottom - source.top};
            // A host routine that fails leaves the tile to our own conversion.
            if (record->displayPixels == nullptr ||
                record->displayPixels(&map, &source, 0, 0, &tile) != noErr)
                drawPixelMap(&map, &source, 0, 0, &tile);
        }
    }
}

namespace {

PixelBuffer pixelBuffer(QImage& image) {
    return {image.bits(), image.width(), image.height(), image.bytesPerLine()};
}

}  // namespace

std::vector<PixelBuffer> NelvoImageCtrl::halvingBuffers() {
    std::vector<PixelBuffer> buffers;
    for (QImage& half : reductions_) buffers.push_back(pixelBuffer(half));
    return buffers;
}

void NelvoImageCtrl::buildReductions() {
    const std::vector<PictureSize> sizes =
        imageSurface_.isNull() ? std::vector<PictureSize>{}
                               : halvingSizes(imageSurface_.width(), imageSurface_.height());
    std::size_t level = 0;
    for (; level < sizes.size(); ++level) {
        const QSize size(sizes[level].width, sizes[level].height);
        if (level < reductions_.size() && reductions_[level].size() == size) continue;
        reductions_.resize(level);
        reductions_.emplace_back(size, QImage::Format_RGB32);
        if (reductions_.back().isNull()) break;  // the larger pictures still serve
    }
    reductions_.resize(level);
    if (!imageSurface_.isNull()) buildHalvings(pixelBuffer(imageSurface_), halvingBuffers());
}

void NelvoImageCtrl::updateReductions(std::vector<IntRect> changed) {
    updateHalvings(pixelBuffer(imageSurface_), halvingBuffers(), std::move(changed));
}

void NelvoImageCtrl::showDefects(const std::uint8_t* defectMap, std::uint32_t colour,
                                 bool keepOverlay, const std::uint8_t* handMarks) {
    showImage(sourcePixels.data(), keepOverlay);
    shownPixels_ = nullptr;
    if (imageSurface_.isNull() || defectMap == nullptr) return;
    auto* surface = reinterpret_cast<std::uint32_t*>(imageSurface_.bits());
    const auto stride = static_cast<std::size_t>(imageSurface_.bytesPerLine()) / 4;
    if (handMarks != nullptr) tintHandMarks(surface, stride, handMarks, imageWidth, imageHeight);
    for (int y = 0; y < imageHeight; ++y)
        paintDefects(reinterpret_cast<std::uint32_t*>(imageSurface_.scanLine(y)),
                     defectMap + static_cast<std::ptrdiff_t>(y) * imageWidth,
                     static_cast<std::size_t>(imageWidth), colour);
    paintDefectEdges(surface, stride, defectMap, imageWidth, imageHeight, defectEdgeColour(colour));
    buildReductions();
}

void NelvoImageCtrl::setZoom(double newZoom, std::optional<IntPoint> anchor) {
    if (!(newZoom > 0) || !std::isfinite(newZoom))
        throw std::invalid_argument("Invalid zoom level");
    zoom = newZoom;
    const IntRect client = clientRect();
    displayRect = zoomAround(displayRect, imageWidth, imageHeight, zoom,
                             anchor.value_or(clientCentre(client)), client);
    update();
}

void NelvoImageCtrl::fitToWindow() {
    const ZoomedView view = nelvo::fitToWindow(imageWidth, imageHeight, clientRect());
    zoom = view.zoom;
    displayRect = view.display;
    update();
}

void NelvoImageCtrl::centerOn(float fx, float fy) {
    displayRect = nelvo::centerOn(displayRect, clientRect(), fx, fy);
    update();
}

ViewFraction NelvoImageCtrl::visibleArea() const {
    return nelvo::visibleArea(displayRect, width(), height());
}

void NelvoImageCtrl::invalidateImageArea(const IntRect& r) {
    const IntRect c = imageAreaToClient(displayRect, zoom, r.left, r.top, r.right, r.bottom);
    update(QRect(QPoint(c.left, c.top), QPoint(c.right - 1, c.bottom - 1)));
}

void NelvoImageCtrl::clearOverlay() {
    if (!overlaySurface_.isNull()) overlaySurface_.fill(0);
    overlayEmpty_ = true;
    update();
}

void NelvoImageCtrl::clearOverlay(const IntRect& drawnArea) {
    if (overlaySurface_.isNull()) return;
    const int left = std::clamp(drawnArea.left, 0, imageWidth);
    const int right = std::clamp(drawnArea.right, left, imageWidth);
    for (int y = std::max(0, drawnArea.top); y < std::min(drawnArea.bottom, imageHeight); ++y)
        std::fill_n(reinterpret_cast<std::uint32_t*>(overlaySurface_.scanLine(y)) + left,
                    right - left, 0u);
    // Nothing is left on it: the next picture need not clear it again, nor paints blend it.
    overlayEmpty_ = true;
    invalidateImageArea(drawnArea);
}

void NelvoImageCtrl::keepInView() {
    displayRect = nelvo::keepInView(displayRect, clientRect());
}

std::unique_ptr<QPainter> NelvoImageCtrl::overlayDC() {
    if (overlaySurface_.isNull()) return nullptr;
    overlayEmpty_ = false;
    return std::make_unique<QPainter>(&overlaySurface_);
}

std::uint8_t* NelvoImageCtrl::overlayBits() {
    overlayEmpty_ = false;
    return overlaySurface_.isNull() ? nullptr : overlaySurface_.bits();
}

std::uint32_t* NelvoImageCtrl::overlayWords() {
    return reinterpret_cast<std::uint32_t*>(overlayBits());
}

void NelvoImageCtrl::render(QImage& target, const QRect& area) {
    QPainter painter(&target);
    // The target may be larger than the area (the paint event's buffer is kept at the
    // control's size): drawing only the area keeps small repaints small.
    painter.setClipRect(QRect(QPoint(0, 0), area.size()));
    painter.fillRect(QRect(QPoint(0, 0), area.size()), QColor::fromRgb(kWorkspaceColour));
    if (imageSurface_.isNull() || displayRect.width() <= 0 || displayRect.height() <= 0) return;
    const QRectF placed(displayRect.left - area.left(), displayRect.top - area.top(),
                        displayRect.width(), displayRect.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The smallest reduction still at least as large as the view.
    const std::size_t covering =
        halvingsCovering(halvingBuffers(), displayRect.width(), displayRect.height());
    const QImage* picture = covering == 0 ? &imageSurface_ : &reductions_[covering - 1];
    painter.drawImage(placed, *picture, QRectF(picture->rect()));
    // An empty overlay would still be scaled from full size over the whole view.
    if (!overlayEmpty_) painter.drawImage(placed, overlaySurface_, QRectF(overlaySurface_.rect()));
}

void NelvoImageCtrl::paintEvent(QPaintEvent* event) {
    guardHandler([&] {
        const QRect area = event->rect().isEmpty() ? rect() : event->rect();
        if (paintBuffer_.width() < area.width() || paintBuffer_.height() < area.height())
            paintBuffer_ = createMemorySurface(nullptr, std::max(area.width(), width()),
                                               std::max(area.height(), height()));
        render(paintBuffer_, area);
        QPainter painter(this);
        painter.drawImage(area.topLeft(), paintBuffer_, QRect(QPoint(0, 0), area.size()));
        if (overlayPagesDue_) {
            overlayPagesDue_ = false;
            QTimer::singleShot(0, this, [this] { prefaultSurface(overlaySurface_); });
        }
        if (toolCursor_ && mouse_) {
            painter.setCompositionMode(QPainter::CompositionMode_Difference);
            painter.drawImage(*mouse_ - QPoint(toolCursor_->hotX, toolCursor_->hotY), cursorImage_);
        }
    });
}

void NelvoImageCtrl::resizeEvent(QResizeEvent* event) {
    guardHandler([&] {
        QWidget::resizeEvent(event);
        keepInView();
    });
}

void NelvoImageCtrl::mousePressEvent(QMouseEvent* event) {
    guardHandler([&] {
        if (event->button() == Qt::LeftButton && onLButtonDown)
            onLButtonDown(keyFlags(event->buttons(), event->modifiers()),
                          toPoint(event->position()));
        QWidget::mousePressEvent(event);
    });
}

void NelvoImageCtrl::mouseReleaseEvent(QMouseEvent* event) {
    guardHandler([&] {
        if (event->button() == Qt::LeftButton && onLButtonUp)
            onLButtonUp(keyFlags(event->buttons(), event->modifiers()), toPoint(event->position()));
        QWidget::mouseReleaseEvent(event);
    });
}

void NelvoImageCtrl::mouseMoveEvent(QMouseEvent* event) {
    guardHandler([&] {
        const QRect before = cursorArea();
        mouse_ = event->position().toPoint();
        if (toolCursor_) update(before.united(cursorArea()));
        requestCursor();
        if (onMouseMove)
            onMouseMove(keyFlags(event->buttons(), event->modifiers()), toPoint(event->position()));
        QWidget::mouseMoveEvent(event);
    });
}

void NelvoImageCtrl::wheelEvent(QWheelEvent* event) {
    guardHandler([&] {
        if (onMouseWheel) {
            unsigned flags = keyFlags(event->buttons(), event->modifiers());
            // With Alt held some platforms turn the wheel into a horizontal one.
            const QPoint angle = event->angleDelta();
            const int turn = angle.y() != 0 ? angle.y() : angle.x();
            const auto delta = static_cast<short>(std::clamp(turn, -32768, 32767));
            if (onMouseWheel(flags, delta, toPoint(event->globalPosition()))) {
                event->accept();
                return;
            }
        }
        QWidget::wheelEvent(event);
    });
}

void NelvoImageCtrl::enterEvent(QEnterEvent* event) {
    guardHandler([&] {
        mouse_ = event->position().toPoint();
        requestCursor();
        QWidget::enterEvent(event);
    });
}

void NelvoImageCtrl::leaveEvent(QEvent* event) {
    guardHandler([&] {
        const QRect before = cursorArea();
        mouse_.reset();
        if (toolCursor_) update(before);
        QWidget::leaveEvent(event);
    });
}

void NelvoImageCtrl::requestCursor() {
    // Without a handler (or when it declines) the control shows the ordinary arrow.
    if (!onSetCursor || !onSetCursor(kHitClient, kMessageMouseMove)) setToolCursor(nullptr);
}

void NelvoImageCtrl::setToolCursor(CursorHandle shape) {
    if (shape == toolCursor_) return;
    const QRect before = cursorArea();
    toolCursor_ = std::move(shape);
    cursorImage_ = toolCursor_ ? cursorPicture(*toolCursor_) : QImage();
    if (toolCursor_)
        setCursor(Qt::BlankCursor);
    else if (cursor().shape() == Qt::BlankCursor)
        unsetCursor();
    update(before.united(cursorArea()));
}

QRect NelvoImageCtrl::cursorArea() const {
    if (!toolCursor_ || !mouse_) return {};
    return QRect(*mouse_ - QPoint(toolCursor_->hotX, toolCursor_->hotY),
                 QSize(toolCursor_->size, toolCursor_->size));
}

}  // namespace nelvo
