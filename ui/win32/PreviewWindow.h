// SPDX-License-Identifier: MIT
// The editing dialog's preview on Win32: the window class of the template's preview
// control. It keeps 8-bit display copies of the source and of the repaired image, renders
// one of them into a 32-bit DIB section once per view change (through the host's
// displayPixels when there is one), keeps halved copies of it for reduced views, and
// paints the surface scaled by the zoom and shifted for panning. The zoom, fit and pan
// arithmetic is the shared PreviewGeometry's.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "PIFilter.h"
#include "ui/shared/ImageReduction.h"
#include "ui/shared/PreviewGeometry.h"

namespace nelvo {

// The template's class name of the preview control.
inline constexpr wchar_t kPreviewClassName[] = L"NelvoPreview";

class PreviewWindow {
  public:
    // Registers the window class in `module` (once per process; later calls do nothing).
    static void registerClass(HINSTANCE module);

    // Reads the filter rectangle, image mode and planes of `record`, which must outlive
    // this object. Buffers are sized for the whole rectangle.
    explicit PreviewWindow(const FilterRecord* record);
    ~PreviewWindow();
    PreviewWindow(const PreviewWindow&) = delete;
    PreviewWindow& operator=(const PreviewWindow&) = delete;

    // Takes over the template's control: its messages come here from now on.
    void attach(HWND window);
    HWND window() const { return window_; }

    // The host's inData as interleaved 8-bit samples into sourcePixels.
    void loadSource();
    // Renders a buffer laid out like sourcePixels and repaints.
    void showImage(const std::uint8_t* pixels);
    // showImage(sourcePixels), then the defects in the marker colour 0x00BBGGRR edged so
    // that they show on any background; with `handMarks`, the brush's and eraser's work
    // tinted first.
    void showDefects(const std::uint8_t* defectMap, std::uint32_t colour,
                     const std::uint8_t* handMarks);

    void fitToWindow();
    // The anchor (client point, default the centre) keeps its image point.
    void setZoom(double zoom, std::optional<IntPoint> anchor = std::nullopt);
    // Moves the picture by dx, dy client pixels (kept in view).
    void panBy(int dx, int dy);
    void keepInView();
    // Centres the picture on the image point at fractions fx, fy of its size.
    void centerOn(float fx, float fy);
    // The part of the picture in view, as fractions of its size.
    ViewFraction visibleArea() const;
    IntRect clientRect() const;
    // The smallest of the shown picture and its halvings that still covers width x
    // height (empty before the first picture); the navigator's thumbnail comes from it.
    PixelBuffer pictureCovering(int width, int height) const;

    // The stroke overlay: one word 0xAARRGGBB (premultiplied) per image pixel, rows
    // without padding, blended over the picture; null when it cannot be made.
    std::uint32_t* overlayWords();
    // Repaints the client area over image pixels `imageRect`.
    void invalidateImageArea(const IntRect& imageRect);
    // Empties the overlay inside `drawnArea` (image pixels), where all of it was drawn.
    void clearOverlay(const IntRect& drawnArea);

    // Mouse messages in client pixels, for the dialog's tools.
    std::function<void(IntPoint)> onButtonDown, onButtonUp, onMouseMove;
    std::function<void()> onMouseLeave;
    // Asked on WM_SETCURSOR; true when the callback set the cursor itself.
    std::function<bool()> onSetCursor;

    const FilterRecord* record;
    int imageWidth = 0;
    int imageHeight = 0;
    int channels = 0;
    int rowBytes = 0;
    int colBytes = 0;
    std::vector<std::uint8_t> sourcePixels;
    std::vector<std::uint8_t> optimizedPixels;
    double zoom = 1.0;
    IntRect displayRect;
    // Where the mouse is over the control; nothing when it is elsewhere.
    std::optional<IntPoint> mouse;

    // The colour around the image, 0x00RRGGBB.
    static constexpr std::uint32_t kWorkspaceColour = 0xABABAB;

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);
    void paint(HDC dc);
    bool ensureSurface();
    void renderAll(const std::uint8_t* pixels);
    void buildReductions();
    std::vector<PixelBuffer> halvingBuffers() const;

    HWND window_ = nullptr;
    // Top-down 32-bit DIB section of the image's size and its halvings.
    struct Surface {
        HBITMAP bitmap = nullptr;
        std::uint32_t* bits = nullptr;
        int width = 0, height = 0;
    };
    static Surface makeSurface(int width, int height);
    static void freeSurface(Surface& surface);
    Surface surface_;
    std::vector<Surface> reductions_;
    Surface overlay_;
    bool overlayEmpty_ = true;
    bool tracking_ = false;
};

}  // namespace nelvo
