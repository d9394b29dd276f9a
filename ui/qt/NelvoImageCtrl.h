// SPDX-License-Identifier: MIT
// The editing dialog's large preview. It keeps 8-bit display copies of the source and of
// the repaired image, renders one of them into an image surface once per view change
// (through the host's displayPixels when there is one), and paints that surface scaled
// by the zoom and shifted for panning, with a semi-transparent overlay of brush strokes
// blended over it. Mouse, wheel and cursor events go to callbacks the dialog installs.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "PIFilter.h"
#include "ui/shared/ImageReduction.h"
#include "ui/shared/PluginCursor.h"
#include "ui/shared/PreviewGeometry.h"
#include "util/FreshPagesAllocator.h"

class QPainter;

namespace nelvo {

// Key-state flags of mouse callbacks.
enum MouseKeyFlags : unsigned {
    kMouseLeft = 0x0001,
    kMouseRight = 0x0002,
    kMouseShift = 0x0004,
    kMouseControl = 0x0008,
    kMouseMiddle = 0x0010,
    kMouseAlt = 0x1000,  // the Alt key is held (wheel events)
};

// Arguments of onSetCursor.
inline constexpr unsigned kHitClient = 1;
inline constexpr unsigned kMessageMouseMove = 0x0200;

class NelvoImageCtrl : public QWidget {
  public:
    // Reads the filter rectangle, image mode and planes of `record`, which must outlive
    // the control. Buffers are sized for the whole rectangle; surfaces wait for showImage.
    explicit NelvoImageCtrl(const FilterRecord* record, QWidget* parent = nullptr);
    ~NelvoImageCtrl() override;

    // The host's inData as interleaved 8-bit samples (16-bit: v * 2 / 257; 32-bit float:
    // clamped to 0..1, times 255, rounded).
    void loadSource(std::uint8_t* destination) const;

    // Renders a buffer laid out like sourcePixels; the overlay starts empty again unless
    // `keepOverlay` (a stroke in progress keeps its trace).
    void showImage(const std::uint8_t* pixels, bool keepOverlay = false);
    // Renders only `areas` (image pixels, not overlapping) of a buffer whose earlier
    // contents the surface shows, the overlay as showImage; showImage when the surface
    // shows something else.
    void updateImageAreas(const std::uint8_t* pixels, const std::vector<IntRect>& areas,
                          bool keepOverlay = false);
    // showImage(sourcePixels), then every pixel whose map byte is not 0 in the marker
    // colour 0x00BBGGRR, edged in black or white so that it shows on any background
    // (MarkOverlay). With `handMarks` (a marking map), the pixels the brush or the eraser
    // changed are tinted first.
    void showDefects(const std::uint8_t* defectMap, std::uint32_t colour, bool keepOverlay = false,
                     const std::uint8_t* handMarks = nullptr);

    // Throws std::invalid_argument "Invalid zoom level" for zooms that are not positive
    // numbers. The anchor (client point, default the centre) keeps its image point.
    void setZoom(double zoom, std::optional<IntPoint> anchor = std::nullopt);
    void fitToWindow();
    void centerOn(float fx, float fy);
    ViewFraction visibleArea() const;
    // Repaints the client area over image pixels {x0, y0, x1, y1}.
    void invalidateImageArea(const IntRect& imageRect);
    void clearOverlay();
    // clearOverlay for an overlay drawn on only inside `drawnArea` (image pixels): empties
    // and repaints just that area.
    void clearOverlay(const IntRect& drawnArea);
    void keepInView();

    // A painter on the overlay (premultiplied colour, alpha in the fourth byte); painting
    // ends when it is destroyed. Null while there is no overlay.
    std::unique_ptr<QPainter> overlayDC();
    std::uint8_t* overlayBits();
    // The overlay as one word 0xAARRGGBB per image pixel, rows without padding.
    std::uint32_t* overlayWords();
    const QImage& imageSurface() const { return imageSurface_; }
    const QImage& overlaySurface() const { return overlaySurface_; }

    // The tool cursor: the system cursor is hidden over the control and the shape's
    // outline is drawn inverting what it covers, centred on the hot spot. Null clears it.
    void setToolCursor(CursorHandle cursor);
    const CursorHandle& toolCursor() const { return toolCursor_; }
    // Where the mouse is over the control; nothing when it is elsewhere.
    const std::optional<QPoint>& mousePosition() const { return mouse_; }

    // Paints the part `area` of the client (image, overlay and the workspace colour
    // around them) into `target` at (0, 0). The paint event's work, usable off screen.
    void render(QImage& target, const QRect& area);

    const FilterRecord* record;
    int imageWidth = 0;
    int imageHeight = 0;
    int channels = 0;
    // Written in full before they are shown (by the source's copy and by the first
    // computation): sized without touching their pages, off the way to the first picture.
    FreshPagesBytes sourcePixels;
    FreshPagesBytes optimizedPixels;
    int rowBytes = 0;
    int colBytes = 0;
    double zoom = 1.0;
    IntRect displayRect;

    std::function<void(unsigned, IntPoint)> onLButtonDown, onLButtonUp, onMouseMove;
    std::function<bool(unsigned, short, IntPoint)> onMouseWheel;  // screen point
    std::function<bool(unsigned, unsigned)> onSetCursor;

    // The colour around the image.
    static constexpr QRgb kWorkspaceColour = 0xFFABABAB;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    IntRect clientRect() const;
    void renderArea(const std::uint8_t* pixels, const IntRect& area);
    void buildReductions();
    void updateReductions(std::vector<IntRect> changed);
    std::vector<PixelBuffer> halvingBuffers();
    void requestCursor();
    QRect cursorArea() const;

    QImage imageSurface_;
    QImage overlaySurface_;
    // The buffer the surface shows, null after showDefects; whether the overlay is
    // known to be empty.
    const std::uint8_t* shownPixels_ = nullptr;
    bool overlayEmpty_ = false;
    // The overlay was made with its pages untouched; the first paint has them faulted in.
    bool overlayPagesDue_ = false;
    // imageSurface_ halved again and again, so that a reduced view is sampled from a
    // picture no more than twice its size and keeps fine detail instead of aliasing.
    std::vector<QImage> reductions_;
    QImage paintBuffer_;
    CursorHandle toolCursor_;
    QImage cursorImage_;
    std::optional<QPoint> mouse_;
};

}  // namespace nelvo
