// SPDX-License-Identifier: MIT
#include "ui/win32/SplashWin32.h"

#include <optional>
#include <vector>

#include "resources/DialogResources.h"
#include "resources/pictures/PictureResourceWin32.h"
#include "resources/strings/StringIds.h"
#include "ui/shared/ImageReduction.h"
#include "ui/shared/ScreenMetrics.h"
#include "ui/win32/DibSections.h"
#include "ui/win32/ModalDialog.h"
#include "util/LoadString.h"

namespace nelvo {

namespace {

constexpr COLORREF kNoticeColour = RGB(108, 108, 108);

struct SplashState {
    std::atomic<HWND>* window;
    std::atomic<bool>* ended;
    // The picture at the window's size.
    HBITMAP picture = nullptr;
    int width = 0, height = 0;

    SplashState(std::atomic<HWND>* w, std::atomic<bool>* e) : window(w), ended(e) {}
    SplashState(const SplashState&) = delete;
    SplashState& operator=(const SplashState&) = delete;
    ~SplashState() {
        if (picture != nullptr) DeleteObject(picture);
    }
};

// The splash picture at width x height: halved while a halving still covers the window
// (the stored picture is three times as large), then stretched with half-tone sampling.
HBITMAP scaledPicture(int width, int height) {
    std::optional<DecodedPicture> decoded = decodePictureResource(thisModule(), bitmaps::kSplash);
    if (!decoded || decoded->width == 0 || decoded->height == 0) return nullptr;
    const int w = static_cast<int>(decoded->width), h = static_cast<int>(decoded->height);
    const PixelBuffer whole{decoded->pixels.data(), w, h, std::ptrdiff_t{4} * w};
    std::vector<std::vector<std::uint8_t>> store;
    std::vector<PixelBuffer> halvings;
    for (const PictureSize& s : halvingSizes(w, h)) {
        if (s.width < width || s.height < height) break;
        store.emplace_back(static_cast<std::size_t>(4 * s.width * s.height));
        halvings.push_back({store.back().data(), s.width, s.height, std::ptrdiff_t{4} * s.width});
    }
    buildHalvings(whole, halvings);
    const PixelBuffer& source = halvings.empty() ? whole : halvings.back();

    HBITMAP target = makeDibSection(width, height);
    stretchPicture(target, width, height, source);
    return target;
}

void initialise(HWND window, SplashState& state) {
    // Not shown (the splash has no caption), but named for the task list.
    SetWindowTextW(window, L"Nelvo");
    const bool large = isLargeScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    const ScreenMetrics& m = metricsFor(large);
    state.width = m.splashWidth;
    state.height = m.splashHeight;
    state.picture = scaledPicture(state.width, state.height);
    RECT frame{0, 0, state.width, state.height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    const int outerWidth = frame.right - frame.left, outerHeight = frame.bottom - frame.top;
    SetWindowPos(window, HWND_TOP, (GetSystemMetrics(SM_CXSCREEN) - outerWidth) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - outerHeight) / 2, outerWidth, outerHeight,
                 SWP_NOACTIVATE);
    HWND notice = GetDlgItem(window, splash::kNotice);
    SetWindowTextW(notice, loadString(strings::legalNotice).c_str());
    if (large)
        MoveWindow(notice, 27, 663, 768, 72, FALSE);
    else
        MoveWindow(notice, 18, 442, 512, 48, FALSE);
}

void paint(HDC dc, const SplashState& state) {
    if (state.picture == nullptr) return;
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, state.picture);
    BitBlt(dc, 0, 0, state.width, state.height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

INT_PTR handle(HWND window, UINT message, WPARAM w, LPARAM, SplashState& state) {
    switch (message) {
        case WM_INITDIALOG:
            initialise(window, state);
            // An end that came before the window existed closes it at once; one that
            // comes later finds the window and posts its command.
            state.window->store(window);
            if (state.ended->load()) EndDialog(window, IDCANCEL);
            return FALSE;
        case WM_ERASEBKGND:  // the picture is the whole background
            paint(reinterpret_cast<HDC>(w), state);
            SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
            return TRUE;
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(w);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, kNoticeColour);
            return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        }
        case WM_COMMAND:
            if (LOWORD(w) == IDCANCEL) EndDialog(window, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

SplashWin32::SplashWin32() : thread_([this] { run(); }) {}

SplashWin32::~SplashWin32() {
    end();
}

void SplashWin32::run() {
    SplashState state(&window_, &ended_);
    runModalDialog(templates::kSplash, nullptr, state, &handle);
    window_.store(nullptr);
}

void SplashWin32::end() {
    ended_.store(true);
    if (HWND window = window_.load(); window != nullptr)
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    if (thread_.joinable()) thread_.join();
}

}  // namespace nelvo
