// SPDX-License-Identifier: MIT
// The navigator on Win32: a small tool window owned by the editing dialog that shows the
// whole picture reduced, with a red frame around the part the preview shows. A click
// outside the frame asks the dialog to centre the preview there (onJump), dragging the
// frame asks it to pan (onDrag), both as fractions of the window's size (the shared
// NavigatorPointer); the dialog pans and sets the new frame. It never takes the keyboard
// from the dialog. Its place is kept in the user's part of the registry from one dialog
// to the next.
#pragma once

#include <windows.h>

#include <functional>

#include "ui/shared/ImageReduction.h"
#include "ui/shared/NavigatorPointer.h"

namespace nelvo {

class NavigatorWindow {
  public:
    static void registerClass(HINSTANCE instance);

    // Reads the stored place; none, or a damaged one, leaves savedLeft and savedTop at -1.
    NavigatorWindow();
    // Saves the place of a window not yet destroyed with its owner, and destroys it.
    ~NavigatorWindow();
    NavigatorWindow(const NavigatorWindow&) = delete;
    NavigatorWindow& operator=(const NavigatorWindow&) = delete;

    // Makes the window, owned by `owner`, with a client area of width x height, at the
    // stored place where there is one (each coordinate on its own, ignoring negative
    // ones), else at (x, y), moved onto a screen where it lies off them all. Throws
    // std::runtime_error "Failed to create navigator window".
    void create(HWND owner, int x, int y, int width, int height);

    // The thumbnail: `picture` scaled to the client size with half-tone stretching.
    void setImage(const PixelBuffer& picture);
    // The frame: each edge of f times the client size, + 0.5, truncated.
    void setViewArea(const ViewFraction& f);
    // Shows the window again after the user closed it, where it was, without activating it.
    void reopen();
    // Hides it, keeping its place for the next dialog.
    void close();

    bool visible() const { return window_ != nullptr && IsWindowVisible(window_) != 0; }
    HWND window() const { return window_; }
    const IntRect& viewRect() const { return view_; }
    int savedLeft() const { return savedLeft_; }
    int savedTop() const { return savedTop_; }

    std::function<void(float, float)> onJump;
    std::function<void(float, float)> onDrag;

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);
    void paint(HDC dc);
    void report(const NavigatorRequest& request) const;
    void savePlacement();

    HWND window_ = nullptr;
    int width_ = 0, height_ = 0;
    int savedLeft_ = -1, savedTop_ = -1;
    HBITMAP thumbnail_ = nullptr;
    IntRect view_;
    NavigatorPointer pointer_;
    // The place was saved since the window was last shown.
    bool saved_ = false;
};

}  // namespace nelvo
