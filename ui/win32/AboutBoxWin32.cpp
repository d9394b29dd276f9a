// SPDX-License-Identifier: MIT
#include "ui/win32/AboutBoxWin32.h"

#include <shellapi.h>

#include <string>
#include <vector>

#include "resources/pictures/PictureResourceWin32.h"
#include "ui/shared/AboutBoxLayout.h"
#include "ui/shared/ScreenMetrics.h"
#include "ui/win32/DialogPictures.h"
#include "ui/win32/ModalDialog.h"
#include "util/LoadString.h"

namespace nelvo {

namespace {

constexpr COLORREF colourRef(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

struct AboutState {
    DialogPictures pictures;
    std::vector<HFONT> fonts;
    HBRUSH background = nullptr;
    RECT header{};

    AboutState() = default;
    AboutState(const AboutState&) = delete;
    AboutState& operator=(const AboutState&) = delete;
    ~AboutState() {
        for (HFONT f : fonts) DeleteObject(f);
        if (background != nullptr) DeleteObject(background);
    }
};

std::wstring textOf(const AboutTextControl& c) {
    if (c.stringId != 0) return loadString(c.stringId);
    const std::string s(c.text);
    return std::wstring(s.begin(), s.end());  // the fixed texts are ASCII
}

const AboutTextControl* entry(int id) {
    for (const AboutTextControl& c : kAboutTexts)
        if (c.id == id) return &c;
    return nullptr;
}

// A font `tenths` tenths of a point high (the dialog's own when 0), bold or not.
HFONT makeFont(HWND window, int tenths, bool bold) {
    LOGFONTW base{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof base, &base);
    if (tenths > 0) {
        HDC dc = GetDC(window);
        base.lfHeight = -MulDiv(tenths, GetDeviceCaps(dc, LOGPIXELSY), 720);
        ReleaseDC(window, dc);
    }
    base.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    base.lfQuality = CLEARTYPE_QUALITY;
    return CreateFontIndirectW(&base);
}

void initialise(HWND window, AboutState& state) {
    // Not shown (the box has no caption), but named for the task list and screen readers.
    SetWindowTextW(window, loadString(strings::aboutLink).c_str());
    state.background = CreateSolidBrush(colourRef(kAboutBackground));
    RECT origin{kAboutHeaderX, kAboutHeaderY, 0, 0};
    MapDialogRect(window, &origin);
    SIZE picture = state.pictures.size(bitmaps::kAboutHeader);
    if (isLargeScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))) {
        picture.cx = picture.cx * 3 / 2;
        picture.cy = picture.cy * 3 / 2;
    }
    state.header = {origin.left, origin.top, origin.left + picture.cx, origin.top + picture.cy};
    for (const AboutTextControl& c : kAboutTexts) {
        RECT r{c.x, c.y, c.x + c.width, c.y + c.height};
        MapDialogRect(window, &r);
        const bool link = c.id == about::kLink;
        // No prefix: "&" is a character of the texts, not a mnemonic.
        const DWORD style = WS_CHILD | WS_VISIBLE | SS_NOPREFIX |
                            (c.align == AboutAlign::Right ? SS_RIGHT : SS_LEFT) |
                            (link ? SS_NOTIFY : 0u);
        HWND control = CreateWindowExW(WS_EX_TRANSPARENT, L"STATIC", textOf(c).c_str(), style,
                                       r.left, r.top, r.right - r.left, r.bottom - r.top, window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                       thisModule(), nullptr);
        if (control == nullptr) continue;
        // The link looks like the other contact lines; only the hand cursor tells it.
        HFONT font = makeFont(window, c.fontSize, c.bold);
        if (font == nullptr) continue;
        state.fonts.push_back(font);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    for (const auto& [label, value] : kAboutContactLines) {
        if (GetWindowTextLengthW(GetDlgItem(window, value)) != 0) continue;
        ShowWindow(GetDlgItem(window, label), SW_HIDE);
        ShowWindow(GetDlgItem(window, value), SW_HIDE);
    }
}

void paintBackground(HWND window, HDC dc, AboutState& state) {
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, state.background);
    state.pictures.draw(dc, state.header, bitmaps::kAboutHeader);
}

void openAddress(HWND window) {
    const std::wstring address = loadString(strings::aboutAddress);
    ShellExecuteW(window, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

INT_PTR handle(HWND window, UINT message, WPARAM w, LPARAM l, AboutState& state) {
    switch (message) {
        case WM_INITDIALOG:
            initialise(window, state);
            return TRUE;
        case WM_ERASEBKGND:
            paintBackground(window, reinterpret_cast<HDC>(w), state);
            SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
            return TRUE;
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(w);
            const AboutTextControl* c = entry(GetDlgCtrlID(reinterpret_cast<HWND>(l)));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, colourRef(c != nullptr && c->title ? kAboutTitle : kAboutText));
            return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        }
        case WM_SETCURSOR:
            if (GetDlgCtrlID(reinterpret_cast<HWND>(w)) == about::kLink) {
                SetCursor(LoadCursorW(nullptr, IDC_HAND));
                SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        // The texts other than the link let clicks through to the box: any of them closes it.
        case WM_LBUTTONDOWN:
            EndDialog(window, IDOK);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(w) == about::kLink && HIWORD(w) == STN_CLICKED)
                openAddress(window);
            else if (LOWORD(w) == IDCANCEL || LOWORD(w) == IDOK)
                EndDialog(window, LOWORD(w));
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void showAboutBoxWin32(HWND owner) {
    AboutState state;
    runModalDialog(templates::kAboutBox, owner, state, &handle);
}

}  // namespace nelvo
