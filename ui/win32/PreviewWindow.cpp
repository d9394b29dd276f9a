// SPDX-License-Identifier: MIT
#include "ui/win32/PreviewWindow.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "host/ImageModes.h"
#include "ui/shared/HandlerGuard.h"
#include "ui/shared/ImageReduction.h"
#include "ui/shared/MarkOverlay.h"
#include "ui/shared/SampleConversion.h"
#include "ui/shared/ScreenPixels.h"
#include "ui/win32/DibSections.h"
#include "ui/win32/PaintWindow.h"

namespace nelvo {

namespace {

// The host's display routine is called for tiles of at most this many pixels a side.
constexpr int kMaxTile = 512;

VRect filterRectOf(const FilterRecord* record) {
    if (record == nullptr || record->bigDocumentData == nullptr) return {};
    return record->bigDocumentData->filterRect32;
}

}  // namespace

void PreviewWindow::registerClass(HINSTANCE module) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(module, kPreviewClassName, &existing) != 0) return;
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.style = CS_DBLCLKS;
    c.lpfnWndProc = &PreviewWindow::windowProc;
    c.hInstance = module;
    c.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    c.lpszClassName = kPreviewClassName;
    RegisterClassExW(&c);
}

PreviewWindow::PreviewWindow(const FilterRecord* hostRecord) : record(hostRecord) {
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

PreviewWindow::~PreviewWindow() {
    if (window_ != nullptr) SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    freeSurface(surface_);
    freeSurface(overlay_);
    for (Surface& s : reductions_) freeSurface(s);
}

std::uint32_t* PreviewWindow::overlayWords() {
    if (overlay_.bitmap == nullptr && imageWidth > 0 && imageHeight > 0)
        overlay_ = makeSurface(imageWidth, imageHeight);  // a fresh DIB section is zeroed
    if (overlay_.bitmap == nullptr) return nullptr;
    GdiFlush();
    overlayEmpty_ = false;
    return overlay_.bits;
}

void PreviewWindow::invalidateImageArea(const IntRect& r) {
    if (window_ == nullptr) return;
    const IntRect c = imageAreaToClient(displayRect, zoom, r.left, r.top, r.right, r.bottom);
    const RECT area{c.left, c.top, c.right, c.bottom};
    InvalidateRect(window_, &area, FALSE);
}

void PreviewWindow::clearOverlay(const IntRect& drawnArea) {
    if (overlay_.bitmap == nullptr) return;
    GdiFlush();
    const int left = std::clamp(drawnArea.left, 0, imageWidth);
    const int right = std::clamp(drawnArea.right, left, imageWidth);
    for (int y = std::max(0, drawnArea.top); y < std::min(drawnArea.bottom, imageHeight); ++y)
        std::fill_n(overlay_.bits + static_cast<std::ptrdiff_t>(y) * imageWidth + left,
                    right - left, 0u);
    overlayEmpty_ = true;
    invalidateImageArea(drawnArea);
}

void PreviewWindow::attach(HWND window) {
    window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

PreviewWindow::Surface PreviewWindow::makeSurface(int width, int height) {
    Surface s;
    s.bitmap = makeDibSection(width, height, &s.bits);
    if (s.bitmap == nullptr) return {};
    s.width = width;
    s.height = height;
    return s;
}

void PreviewWindow::freeSurface(Surface& surface) {
    if (surface.bitmap != nullptr) DeleteObject(surface.bitmap);
    surface = {};
}

void PreviewWindow::loadSource() {
    if (record == nullptr || record->inData == nullptr) return;
    nelvo::loadSource({record->inData, record->inRowBytes, record->inColumnBytes, record->depth,
                       channels, imageWidth, imageHeight},
                      sourcePixels.data());
}

bool PreviewWindow::ensureSurface() {
    if (surface_.bitmap != nullptr && surface_.width == imageWidth &&
        surface_.height == imageHeight)
        return true;
    freeSurface(surface_);
    if (imageWidth <= 0 || imageHeight <= 0) return false;
    surface_ = makeSurface(imageWidth, imageHeight);
    return surface_.bitmap != nullptr;
}

void PreviewWindow::renderAll(const std::uint8_t* pixels) {
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
    const int stride = imageWidth * 4;
    for (int y = 0; y < imageHeight; y += kMaxTile) {
        for (int x = 0; x < imageWidth; x += kMaxTile) {
            const VRect source{map.bounds.top + y, map.bounds.left + x,
                               map.bounds.top + std::min(imageHeight, y + kMaxTile),
                               map.bounds.left + std::min(imageWidth, x + kMaxTile)};
            PlatformDrawContext tile{
                kPlatformDrawContextVersion,
                surface_.bits + static_cast<std::ptrdiff_t>(y) * imageWidth + x, stride,
                source.right - source.left, source.bottom - source.top};
            // A host routine that fails leaves the tile to our own conversion.
            if (record->displayPixels == nullptr ||
                record->displayPixels(&map, &source, 0, 0, &tile) != noErr)
                drawPixelMap(&map, &source, 0, 0, &tile);
        }
    }
}

namespace {

template <typename Surface>
PixelBuffer pixelBuffer(const Surface& s) {
    return {reinterpret_cast<std::uint8_t*>(s.bits), s.width, s.height,
            std::ptrdiff_t{4} * s.width};
}

}  // namespace

std::vector<PixelBuffer> PreviewWindow::halvingBuffers() const {
    std::vector<PixelBuffer> buffers;
    for (const Surface& half : reductions_) buffers.push_back(pixelBuffer(half));
    return buffers;
}

void PreviewWindow::buildReductions() {
    const std::vector<PictureSize> sizes = surface_.bitmap == nullptr
                                               ? std::vector<PictureSize>{}
                                               : halvingSizes(surface_.width, surface_.height);
    std::size_t level = 0;
    for (; level < sizes.size(); ++level) {
        const PictureSize size = sizes[level];
        if (level < reductions_.size() && reductions_[level].width == size.width &&
            reductions_[level].height == size.height)
            continue;
        for (std::size_t i = level; i < reductions_.size(); ++i) freeSurface(reductions_[i]);
        reductions_.resize(level);
        Surface half = makeSurface(size.width, size.height);
        if (half.bitmap == nullptr) break;  // the larger pictures still serve
        reductions_.push_back(half);
    }
    for (std::size_t i = level; i < reductions_.size(); ++i) freeSurface(reductions_[i]);
    reductions_.resize(level);
    if (surface_.bitmap == nullptr) return;
    GdiFlush();  // GDI's pending drawing into the sections is done before they are read
    buildHalvings(pixelBuffer(surface_), halvingBuffers());
}

void PreviewWindow::showImage(const std::uint8_t* pixels) {
    if (!ensureSurface()) return;
    GdiFlush();
    if (pixels != nullptr && channels > 0) renderAll(pixels);
    buildReductions();
    if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
}

void PreviewWindow::showDefects(const std::uint8_t* defectMap, std::uint32_t colour,
                                const std::uint8_t* handMarks) {
    if (!ensureSurface()) return;
    GdiFlush();
    renderAll(sourcePixels.data());
    if (defectMap != nullptr) {
        const auto stride = static_cast<std::size_t>(imageWidth);
        if (handMarks != nullptr)
            tintHandMarks(surface_.bits, stride, handMarks, imageWidth, imageHeight);
        for (int y = 0; y < imageHeight; ++y)
            paintDefects(surface_.bits + static_cast<std::ptrdiff_t>(y) * imageWidth,
                         defectMap + static_cast<std::ptrdiff_t>(y) * imageWidth, stride, colour);
        paintDefectEdges(surface_.bits, stride, defectMap, imageWidth, imageHeight,
                         defectEdgeColour(colour));
    }
    buildReductions();
    if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
}

IntRect PreviewWindow::clientRect() const {
    RECT r{};
    if (window_ != nullptr) GetClientRect(window_, &r);
    return {r.left, r.top, r.right, r.bottom};
}

void PreviewWindow::fitToWindow() {
    const ZoomedView view = nelvo::fitToWindow(imageWidth, imageHeight, clientRect());
    zoom = view.zoom;
    displayRect = view.display;
    if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
}

void PreviewWindow::setZoom(double newZoom, std::optional<IntPoint> anchor) {
    if (!(newZoom > 0) || !std::isfinite(newZoom)) return;
    zoom = newZoom;
    const IntRect client = clientRect();
    displayRect = zoomAround(displayRect, imageWidth, imageHeight, zoom,
                             anchor.value_or(clientCentre(client)), client);
    if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
}

void PreviewWindow::panBy(int dx, int dy) {
    displayRect = nelvo::keepInView({displayRect.left + dx, displayRect.top + dy,
                                     displayRect.right + dx, displayRect.bottom + dy},
                                    clientRect());
    if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
}

void PreviewWindow::centerOn(float fx, float fy) {
    displayRect = nelvo::centerOn(displayRect, clientRect(), fx, fy);
    if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
}

ViewFraction PreviewWindow::visibleArea() const {
    const IntRect client = clientRect();
    return nelvo::visibleArea(displayRect, client.width(), client.height());
}

PixelBuffer PreviewWindow::pictureCovering(int width, int height) const {
    if (surface_.bitmap == nullptr) return {};
    GdiFlush();
    const std::size_t covering = halvingsCovering(halvingBuffers(), width, height);
    return covering == 0 ? pixelBuffer(surface_) : pixelBuffer(reductions_[covering - 1]);
}

void PreviewWindow::keepInView() {
    displayRect = nelvo::keepInView(displayRect, clientRect());
    if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
}

void PreviewWindow::paint(HDC dc) {
    const IntRect client = clientRect();
    // Drawn off screen first, so that the picture never flickers through the workspace.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP buffer =
        CreateCompatibleBitmap(dc, std::max(1, client.width()), std::max(1, client.height()));
    HGDIOBJ old = SelectObject(memory, buffer);
    const COLORREF workspace = RGB((kWorkspaceColour >> 16) & 0xFF, (kWorkspaceColour >> 8) & 0xFF,
                                   kWorkspaceColour & 0xFF);
    HBRUSH brush = CreateSolidBrush(workspace);
    const RECT all{0, 0, client.width(), client.height()};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    if (surface_.bitmap != nullptr && displayRect.width() > 0 && displayRect.height() > 0) {
        // The smallest reduction still at least as large as the view.
        const std::size_t covering =
            halvingsCovering(halvingBuffers(), displayRect.width(), displayRect.height());
        const Surface* picture = covering == 0 ? &surface_ : &reductions_[covering - 1];
        // Only the visible part of the picture is scaled: at a high zoom the display
        // rectangle is many times the client's size.
        const IntRect visible{std::max(displayRect.left, 0), std::max(displayRect.top, 0),
                              std::min(displayRect.right, client.width()),
                              std::min(displayRect.bottom, client.height())};
        if (visible.width() > 0 && visible.height() > 0) {
            const double sx = static_cast<double>(picture->width) / displayRect.width();
            const double sy = static_cast<double>(picture->height) / displayRect.height();
            const int x0 = static_cast<int>(std::floor((visible.left - displayRect.left) * sx));
            const int y0 = static_cast<int>(std::floor((visible.top - displayRect.top) * sy));
            const int x1 =
                std::min(picture->width,
                         static_cast<int>(std::ceil((visible.right - displayRect.left) * sx)));
            const int y1 =
                std::min(picture->height,
                         static_cast<int>(std::ceil((visible.bottom - displayRect.top) * sy)));
            // The destination of the whole source pixels chosen, which may reach a little
            // beyond the visible part; the buffer clips it.
            const int dx0 = displayRect.left + static_cast<int>(std::lround(x0 / sx));
            const int dy0 = displayRect.top + static_cast<int>(std::lround(y0 / sy));
            const int dx1 = displayRect.left + static_cast<int>(std::lround(x1 / sx));
            const int dy1 = displayRect.top + static_cast<int>(std::lround(y1 / sy));
            HDC source = CreateCompatibleDC(dc);
            HGDIOBJ oldSource = SelectObject(source, picture->bitmap);
            SetStretchBltMode(memory, sx > 1.0 || sy > 1.0 ? HALFTONE : COLORONCOLOR);
            SetBrushOrgEx(memory, 0, 0, nullptr);
            StretchBlt(memory, dx0, dy0, dx1 - dx0, dy1 - dy0, source, x0, y0, x1 - x0, y1 - y0,
                       SRCCOPY);
            // The stroke in progress, blended from the full-size overlay over the same
            // part of the picture.
            if (!overlayEmpty_ && overlay_.bitmap != nullptr) {
                const double ox = static_cast<double>(imageWidth) / displayRect.width();
                const double oy = static_cast<double>(imageHeight) / displayRect.height();
                const int ox0 =
                    static_cast<int>(std::floor((visible.left - displayRect.left) * ox));
                const int oy0 = static_cast<int>(std::floor((visible.top - displayRect.top) * oy));
                const int ox1 =
                    std::min(imageWidth,
                             static_cast<int>(std::ceil((visible.right - displayRect.left) * ox)));
                const int oy1 =
                    std::min(imageHeight,
                             static_cast<int>(std::ceil((visible.bottom - displayRect.top) * oy)));
                const int ex0 = displayRect.left + static_cast<int>(std::lround(ox0 / ox));
                const int ey0 = displayRect.top + static_cast<int>(std::lround(oy0 / oy));
                const int ex1 = displayRect.left + static_cast<int>(std::lround(ox1 / ox));
                const int ey1 = displayRect.top + static_cast<int>(std::lround(oy1 / oy));
                SelectObject(source, overlay_.bitmap);
                const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
                if (ox1 > ox0 && oy1 > oy0)
                    AlphaBlend(memory, ex0, ey0, ex1 - ex0, ey1 - ey0, source, ox0, oy0, ox1 - ox0,
                               oy1 - oy0, blend);
            }
            SelectObject(source, oldSource);
            DeleteDC(source);
        }
    }
    BitBlt(dc, 0, 0, client.width(), client.height(), memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(buffer);
    DeleteDC(memory);
}

LRESULT CALLBACK PreviewWindow::windowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<PreviewWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        if (message == WM_ERASEBKGND) return 1;
        return DefWindowProcW(window, message, w, l);
    }
    LRESULT result = 0;
    const bool handled = guardHandler(false, [&] {
        result = self->handle(message, w, l);
        return true;
    });
    return handled ? result : DefWindowProcW(window, message, w, l);
}

LRESULT PreviewWindow::handle(UINT message, WPARAM w, LPARAM l) {
    const IntPoint point{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            return paintWindow(window_, [this](HDC dc) { paint(dc); });
        case WM_SIZE:
            keepInView();
            return 0;
        case WM_LBUTTONDOWN:
            SetCapture(window_);
            if (onButtonDown) onButtonDown(point);
            return 0;
        case WM_LBUTTONUP:
            if (GetCapture() == window_) ReleaseCapture();
            if (onButtonUp) onButtonUp(point);
            return 0;
        case WM_MOUSEMOVE:
            if (!tracking_) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
                tracking_ = TrackMouseEvent(&track) != 0;
            }
            mouse = point;
            if (onMouseMove) onMouseMove(point);
            return 0;
        case WM_MOUSELEAVE:
            tracking_ = false;
            mouse.reset();
            if (onMouseLeave) onMouseLeave();
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(l) == HTCLIENT && onSetCursor && onSetCursor()) return TRUE;
            break;
        default:
            break;
    }
    return DefWindowProcW(window_, message, w, l);
}

}  // namespace nelvo
