// SPDX-License-Identifier: MIT
#include "ui/win32/NavigatorWindow.h"

#include <windowsx.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "resources/strings/StringIds.h"
#include "ui/shared/HandlerGuard.h"
#include "ui/shared/ScreenFit.h"
#include "ui/win32/DibSections.h"
#include "ui/win32/PaintWindow.h"
#include "util/LoadString.h"

namespace nelvo {

namespace {

constexpr wchar_t kClassName[] = L"NelvoNavigatorWnd";
constexpr COLORREF kFrameColour = RGB(255, 0, 0);
constexpr int kFrameWidth = 3;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;

// The application profile's section as a key of the user's registry hive.
std::wstring profileKey() {
    const std::string section(kNavigatorProfileSection);
    return L"Software\\Nelvo\\" + std::wstring(section.begin(), section.end());
}

std::wstring profileValue() {
    const std::string entry(kNavigatorProfileEntry);
    return std::wstring(entry.begin(), entry.end());
}

std::vector<PixelRect> screenWorkAreas() {
    std::vector<PixelRect> areas;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoW(monitor, &info) != 0) {
                const RECT& r = info.rcWork;
                reinterpret_cast<std::vector<PixelRect>*>(data)->push_back(
                    {r.left, r.top, r.right - r.left, r.bottom - r.top});
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&areas));
    return areas;
}

}  // namespace

void NavigatorWindow::registerClass(HINSTANCE instance) {
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.style = CS_OWNDC;
    c.lpfnWndProc = &NavigatorWindow::windowProc;
    c.hInstance = instance;
    c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    c.lpszClassName = kClassName;
    if (RegisterClassExW(&c) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error("Failed to register window class");
}

NavigatorWindow::NavigatorWindow() {
    PlacementRecord record{};
    DWORD size = sizeof record;
    if (RegGetValueW(HKEY_CURRENT_USER, profileKey().c_str(), profileValue().c_str(),
                     RRF_RT_REG_BINARY, nullptr, record.data(), &size) != ERROR_SUCCESS)
        return;
    if (const auto corner = decodePlacementCorner(record.data(), size)) {
        savedLeft_ = corner->x;
        savedTop_ = corner->y;
    }
}

NavigatorWindow::~NavigatorWindow() {
    if (window_ != nullptr) {
        savePlacement();
        DestroyWindow(window_);
    }
    if (thumbnail_ != nullptr) DeleteObject(thumbnail_);
}

void NavigatorWindow::create(HWND owner, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) throw std::runtime_error("Failed to create navigator window");
    width_ = width;
    height_ = height;
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    const int outerWidth = frame.right - frame.left;
    const int outerHeight = frame.bottom - frame.top;
    // The remembered place may lie off every screen (another screen setup, an edited
    // profile): the window comes back onto one, where it can be seen and dragged.
    const IntPoint corner{savedLeft_ >= 0 ? savedLeft_ : x, savedTop_ >= 0 ? savedTop_ : y};
    const std::vector<PixelRect> screens = screenWorkAreas();
    const auto fitted = fitOntoScreens({corner.x, corner.y, outerWidth, outerHeight}, screens);
    window_ = CreateWindowExW(kExStyle, kClassName, loadString(strings::navigatorTitle).c_str(),
                              kStyle, fitted ? fitted->x : corner.x, fitted ? fitted->y : corner.y,
                              outerWidth, outerHeight, owner, nullptr,
                              reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)),
                              this);
    if (window_ == nullptr) throw std::runtime_error("Failed to create navigator window");
    thumbnail_ = makeDibSection(width, height);
    if (thumbnail_ == nullptr) throw std::runtime_error("Failed to create navigator window");
    view_ = {0, 0, width, height};
    saved_ = false;
    ShowWindow(window_, SW_SHOWNOACTIVATE);
}

void NavigatorWindow::setImage(const PixelBuffer& picture) {
    stretchPicture(thumbnail_, width_, height_, picture);
    if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
}

void NavigatorWindow::setViewArea(const ViewFraction& f) {
    view_ = viewRectFor(f, width_, height_);
    if (window_ != nullptr) InvalidateRect(window_, nullptr, TRUE);
}

void NavigatorWindow::reopen() {
    if (window_ == nullptr) return;
    saved_ = false;
    ShowWindow(window_, SW_SHOWNOACTIVATE);
}

void NavigatorWindow::close() {
    if (window_ == nullptr) return;
    savePlacement();
    ShowWindow(window_, SW_HIDE);
}

void NavigatorWindow::paint(HDC dc) {
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ oldBitmap = SelectObject(memory, thumbnail_);
    BitBlt(dc, 0, 0, width_, height_, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteDC(memory);
    HPEN pen = CreatePen(PS_SOLID, kFrameWidth, kFrameColour);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, view_.left, view_.top, view_.right, view_.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

void NavigatorWindow::report(const NavigatorRequest& request) const {
    if (request.kind == NavigatorRequest::Kind::Jump && onJump)
        onJump(request.fractions.x, request.fractions.y);
    else if (request.kind == NavigatorRequest::Kind::Drag && onDrag)
        onDrag(request.fractions.x, request.fractions.y);
}

void NavigatorWindow::savePlacement() {
    // A registry that cannot be written just means the place is not remembered.
    if (saved_ || window_ == nullptr) return;
    saved_ = true;
    RECT r{};
    GetWindowRect(window_, &r);
    const PlacementRecord record = encodePlacement({r.left, r.top, r.right, r.bottom});
    RegSetKeyValueW(HKEY_CURRENT_USER, profileKey().c_str(), profileValue().c_str(), REG_BINARY,
                    record.data(), static_cast<DWORD>(record.size()));
}

LRESULT NavigatorWindow::handle(UINT message, WPARAM w, LPARAM l) {
    const IntPoint p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
    switch (message) {
        case WM_PAINT:
            return paintWindow(window_, [this](HDC dc) { paint(dc); });
        case WM_ERASEBKGND:
            return 1;  // the thumbnail covers the whole client area
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_LBUTTONDOWN: {
            const NavigatorRequest request =
                pointer_.press(p, view_, width_, height_, static_cast<bool>(onDrag));
            if (pointer_.dragging()) SetCapture(window_);
            report(request);
            return 0;
        }
        case WM_MOUSEMOVE:
            report(pointer_.move(p, view_, width_, height_));
            return 0;
        case WM_LBUTTONUP:
            if (pointer_.release()) ReleaseCapture();
            return 0;
        case WM_CAPTURECHANGED:
            pointer_.release();
            return 0;
        case WM_CLOSE:
            close();  // the N key shows it again
            return 0;
        case WM_DESTROY:
            // With its owner, when the dialog goes.
            savePlacement();
            window_ = nullptr;
            return 0;
        default:
            return DefWindowProcW(window_, message, w, l);
    }
}

LRESULT CALLBACK NavigatorWindow::windowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<NavigatorWindow*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    auto* self = reinterpret_cast<NavigatorWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, w, l);
    return guardHandler(LRESULT{0}, [&] { return self->handle(message, w, l); });
}

}  // namespace nelvo
