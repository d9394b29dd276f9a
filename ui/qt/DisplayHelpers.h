// SPDX-License-Identifier: MIT
// Shared helpers of the plug-in's windows: the large-screen test and its metrics, the
// pictures in the module's resources, off-screen surfaces, and fonts and pictures for
// static controls. Failures throw std::runtime_error with fixed texts.
#pragma once

#include <QFont>
#include <QImage>
#include <optional>
#include <vector>

#include "ui/shared/ScreenFit.h"
#include "ui/shared/ScreenMetrics.h"

class QWidget;

namespace nelvo {

// The primary screen is wider than 1920 and taller than 1080 pixels. Tested anew on
// every call; false when there is no screen.
bool largeScreen();

// The metrics for the primary screen as it was at the first call, fixed from then on.
const ScreenMetrics& screenMetrics();

// The primary screen's logical dots per inch, for dialog-unit conversion.
double screenDpi();

// The work area (the screen less the desktop's panels) of every screen, in the global
// coordinates that window positions use.
std::vector<PixelRect> screenWorkAreas();

// `stored` fitted onto the screens as they are now (fitOntoScreens).
std::optional<PixelRect> fitOntoCurrentScreens(const StoredRect& stored);

// Bitmap `id` of the module's resources at its stored size; a null image when there is
// no such bitmap.
QImage resourceBitmap(int id);

// Bitmap `id` smoothly scaled to width x height. Throws "Failed to load bitmap".
QImage loadBitmapScaled(int id, int width, int height);

// A 32-bit surface, every byte 0: Format_RGB32 for images, Format_ARGB32_Premultiplied
// for overlays (the layouts blue, green, red, fourth byte, rows top-down). A surface
// without area is an empty image. Throws "Failed to create DIB section".
// When a surface's pages are faulted in: as it is made, or when prefaultSurface asks.
enum class SurfacePages { Now, Later };
QImage createDibSurface(int width, int height, QImage::Format format = QImage::Format_RGB32,
                        SurfacePages pages = SurfacePages::Now);
// Faults in the pages of a surface made with SurfacePages::Later, without changing a
// pixel; nothing where the platform cannot.
void prefaultSurface(const QImage& surface);

// A surface for drawing that is later copied onto `window`. Throws "Failed to create
// compatible bitmap".
QImage createMemorySurface(const QWidget* window, int width, int height);

// Gives `control` a copy of its font at `size` tenths of a point, bold when asked
// (otherwise of the current weight), kept in `font`. Throws "Failed to create font" for
// a size that is not positive.
void setControlFont(QWidget* control, int size, QFont& font, bool bold);

// Gives the picture control `controlId` of `dialog` bitmap `bitmapId` scaled to 1.5
// times the control's size (+ 0.5, truncated) and sizes the control to it. Throws
// "Failed to load bitmap".
void setStaticBitmapScaled(QWidget* dialog, int controlId, int bitmapId);

}  // namespace nelvo
