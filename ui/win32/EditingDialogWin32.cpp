// SPDX-License-Identifier: MIT
#include "ui/win32/EditingDialogWin32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "dialog/DialogClosing.h"
#include "dialog/EditingDialogTemplate.h"
#include "dialog/PresetCommands.h"
#include "dialog/ZoomNavigation.h"
#include "host/ImageModes.h"
#include "presets/NelvoPresetManager.h"
#include "resources/DialogResources.h"
#include "resources/pictures/PictureResourceWin32.h"
#include "resources/strings/StringIds.h"
#include "ui/shared/HandlerGuard.h"
#include "ui/shared/NavigatorGeometry.h"
#include "ui/shared/SampleConversion.h"
#include "ui/shared/ScreenMetrics.h"
#include "ui/win32/DialogPictures.h"
#include "ui/win32/NavigatorWindow.h"
#include "ui/win32/PreviewWindow.h"
#include "ui/win32/SplashWin32.h"
#include "util/LoadString.h"

namespace nelvo {

namespace {

// Messages the preview worker posts to the dialog's window; it never touches a window.
constexpr UINT kPreviewDone = WM_APP + 1;
constexpr UINT kPreviewFailed = WM_APP + 2;  // lParam: a new std::string the window frees
// The timer that follows the worker's progress and the host's stop request.
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressInterval = 200;  // milliseconds

constexpr COLORREF kPanelGrey = RGB(184, 184, 184);
constexpr COLORREF kLinkColour = RGB(100, 155, 250);

std::wstring text(std::uint32_t stringId) {
    return loadString(stringId);
}

std::wstring widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());  // zoom texts are ASCII
}

std::string narrow(const std::wstring& s) {
    std::string out;
    out.reserve(s.size());
    for (const wchar_t c : s) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring s(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    GetWindowTextW(window, s.data(), length + 1);
    s.resize(static_cast<std::size_t>(std::max(length, 0)));
    return s;
}

const TemplateControl* templateEntry(int id) {
    for (const TemplateControl& c : kTemplate)
        if (c.id == id) return &c;
    return nullptr;
}

// A control whose template rectangle holds another control whole is a background (the
// header bars, the product box, the tool tabs): it goes below the others.
bool isBackground(const TemplateControl& c) {
    for (const TemplateControl& other : kTemplate) {
        if (other.id == c.id || !other.shown) continue;
        if (other.x >= c.x && other.y >= c.y && other.x + other.width <= c.x + c.width &&
            other.y + other.height <= c.y + c.height)
            return true;
    }
    return false;
}

// Labels drawn by the picture below them, so that they sit on it without a box of their
// own colour.
bool drawnByPicture(const TemplateControl& c) {
    return c.kind == ControlKind::CentredLabel || c.kind == ControlKind::Link;
}

// The module folder, from the address of this code.
std::wstring moduleFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(thisModule(), path, MAX_PATH);
    std::wstring s(path, length);
    const std::size_t slash = s.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : s.substr(0, slash);
}

KeyName keyName(WPARAM key) {
    switch (key) {
        case 'N':
            return KeyName::N;
        case 'O':
            return KeyName::O;
        case VK_OEM_5:  // the backslash on US and most other layouts
            return KeyName::Backslash;
        case VK_SPACE:
            return KeyName::Space;
        case VK_RETURN:
            return KeyName::Return;
        case VK_OEM_4:
            return KeyName::BracketLeft;
        case VK_OEM_6:
            return KeyName::BracketRight;
        case VK_TAB:
            return KeyName::Tab;
        case 'Z':
            return KeyName::Z;
        case 'Y':
            return KeyName::Y;
        case VK_DELETE:
            return KeyName::Delete;
        case VK_BACK:
            return KeyName::Backspace;
        case '0':
            return KeyName::Digit0;
        case '1':
            return KeyName::Digit1;
        case VK_ADD:
        case VK_OEM_PLUS:
            return KeyName::Plus;
        case VK_SUBTRACT:
        case VK_OEM_MINUS:
            return KeyName::Minus;
        default:
            return KeyName::Other;
    }
}

}  // namespace

EditingDialogWin32::EditingDialogWin32(const FilterRecord* record,
                                       const std::function<void()>& fetchWholeImage,
                                       PlaneAllocator& allocator)
    : splash_(std::make_unique<SplashWin32>()),
      record_(record),
      editSliders_{{editing::kIntensityEdit, editing::kIntensitySlider},
                   {editing::kTileSizeEdit, editing::kTileSizeSlider},
                   {editing::kBrushSizeEdit, editing::kBrushSizeSlider},
                   {editing::kBrushIntensityEdit, editing::kBrushIntensitySlider},
                   {editing::kEraserSizeEdit, editing::kEraserSizeSlider}} {
    const ::VRect& rect = record->bigDocumentData->filterRect32;
    imageWidth_ = std::max(0, rect.right - rect.left);
    imageHeight_ = std::max(0, rect.bottom - rect.top);
    preview_ = std::make_unique<PreviewWindow>(record);
    pictures_ = std::make_unique<DialogPictures>();
    fetchWholeImage();
    preview_->loadSource();
    engine_ = createFilter(colourModel(record->imageMode),
                           colourChannels(record->imageMode, record->planes), 8, allocator);
    const ::VRect in = record->bigDocumentData->inRect32;
    const VRect region{in.top, in.left, in.bottom, in.right};
    PreviewTarget target;
    target.engine = engine_.get();
    target.width = imageWidth_;
    target.height = imageHeight_;
    target.sourcePixels = preview_->sourcePixels.data();
    target.optimizedPixels = preview_->optimizedPixels.data();
    target.rowBytes = preview_->rowBytes;
    target.colBytes = preview_->colBytes;
    const bool masked = record->haveMask && record->maskData != nullptr;
    target.selection = masked ? static_cast<const std::uint8_t*>(record->maskData) : nullptr;
    target.selectionRowBytes = masked ? record->maskRowBytes : 0;
    // The grey plane is made from the undimmed picture, so with a selection the engine
    // takes the pixels before they are dimmed; otherwise the first computation does.
    if (!masked) target.sourceRegion = region;
    // The worker only posts; the window exists before the first computation starts.
    updater_ = std::make_unique<PreviewUpdater>(
        target, [this] { PostMessageW(window_, kPreviewDone, 0, 0); },
        [this](const std::string& message) {
            auto* copy = new std::string(message);
            if (PostMessageW(window_, kPreviewFailed, 0, reinterpret_cast<LPARAM>(copy)) == 0)
                delete copy;
        });
    createHandMarking();
    // Outside the selection the picture shows at half brightness in every view.
    if (masked) {
        engine_->setSource(preview_->sourcePixels.data(), preview_->rowBytes, preview_->colBytes,
                           region);
        engine_->dimUnselected(
            preview_->sourcePixels.data(), preview_->rowBytes, preview_->colBytes,
            static_cast<const std::uint8_t*>(record->maskData), record->maskRowBytes, region);
    }
}

EditingDialogWin32::~EditingDialogWin32() {
    if (updater_) {
        updater_->requestCancel();
        updater_->join();
    }
    if (window_ != nullptr) DestroyWindow(window_);
    if (greyBrush_ != nullptr) DeleteObject(greyBrush_);
    if (productFont_ != nullptr) DeleteObject(productFont_);
    if (linkFont_ != nullptr) DeleteObject(linkFont_);
}

bool EditingDialogWin32::run(HWND owner) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                                       ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES |
                                                       ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    PreviewWindow::registerClass(thisModule());
    NavigatorWindow::registerClass(thisModule());
    const HandlerFailureScope failures([this](std::exception_ptr failure) {
        if (!failure_) failure_ = std::move(failure);
        done_ = true;
    });
    window_ = CreateDialogParamW(thisModule(), MAKEINTRESOURCEW(templates::kEditingDialog), owner,
                                 &EditingDialogWin32::dialogProc, reinterpret_cast<LPARAM>(this));
    if (window_ == nullptr) throw std::runtime_error("the editing dialog could not be created");
    if (failure_) std::rethrow_exception(failure_);
    const bool ownerEnabled = owner != nullptr && IsWindowEnabled(owner) != 0;
    if (ownerEnabled) EnableWindow(owner, FALSE);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    MSG message;
    while (!done_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (preTranslate(message)) continue;
        if (IsDialogMessageW(window_, &message) != 0) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (ownerEnabled) EnableWindow(owner, TRUE);
    KillTimer(window_, kProgressTimer);
    // After a failure the worker may still run: it must be gone before its window is.
    if (!accepted_) updater_->requestCancel();
    updater_->join();
    MSG failed;
    while (PeekMessageW(&failed, window_, kPreviewFailed, kPreviewFailed, PM_REMOVE) != 0)
        delete reinterpret_cast<std::string*>(failed.lParam);
    DestroyWindow(window_);
    window_ = nullptr;
    if (failure_) std::rethrow_exception(failure_);
    return accepted_;
}

INT_PTR CALLBACK EditingDialogWin32::dialogProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, l);
        auto* self = reinterpret_cast<EditingDialogWin32*>(l);
        self->window_ = window;
    }
    auto* self = reinterpret_cast<EditingDialogWin32*>(GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) return FALSE;
    return guardHandler(INT_PTR{FALSE}, [&] { return self->handle(message, w, l); });
}

INT_PTR EditingDialogWin32::handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_INITDIALOG:
            initialise();
            return FALSE;  // the focus was set
        case WM_COMMAND:
            onCommand(LOWORD(w), HIWORD(w), reinterpret_cast<HWND>(l));
            return TRUE;
        case WM_HSCROLL:
            if (l != 0) onSlider(reinterpret_cast<HWND>(l));
            return TRUE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(l);
            if (header->code == TCN_SELCHANGE && header->idFrom == editing::kViewTabs) {
                showView(currentView());
            } else if (header->code == TCN_SELCHANGE && header->idFrom == editing::kToolTabs) {
                const bool brush = SendMessageW(item(editing::kToolTabs), TCM_GETCURSEL, 0, 0) == 0;
                for (int id : {editing::kBrushSizeLabel, editing::kBrushIntensityLabel,
                               editing::kBrushSizeEdit, editing::kBrushIntensityEdit,
                               editing::kBrushSizeSlider, editing::kBrushIntensitySlider,
                               editing::kIntensityMinusMark, editing::kIntensityZeroMark,
                               editing::kIntensityPlusMark})
                    ShowWindow(item(id), brush ? SW_SHOW : SW_HIDE);
                for (int id : {editing::kEraserSizeLabel, editing::kEraserSizeEdit,
                               editing::kEraserSizeSlider})
                    ShowWindow(item(id), brush ? SW_HIDE : SW_SHOW);
                SetWindowTextW(
                    item(editing::kToolTitle),
                    text(brush ? strings::defectMarkingTitle : strings::rubberToolTitle).c_str());
            }
            return TRUE;
        }
        case WM_DRAWITEM:
            drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(l));
            return TRUE;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return reinterpret_cast<INT_PTR>(
                controlColour(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l)));
        case WM_SIZE:
            layoutControls();
            preview_->keepInView();
            updateNavigator();
            return TRUE;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(l);
            RECT r{0, 0, baseClient_.cx, baseClient_.cy};
            AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE)), FALSE,
                               static_cast<DWORD>(GetWindowLongW(window_, GWL_EXSTYLE)));
            if (baseClient_.cx > 0) {
                info->ptMinTrackSize.x = r.right - r.left;
                info->ptMinTrackSize.y = r.bottom - r.top;
            }
            return TRUE;
        }
        case kPreviewDone:
            showFinishedView();
            return TRUE;
        case kPreviewFailed: {
            std::unique_ptr<std::string> what(reinterpret_cast<std::string*>(l));
            ShowWindow(item(editing::kProgress), SW_HIDE);
            // The dialog stays usable: the next change starts a fresh computation.
            std::wstring shown = text(strings::previewFailed);
            const std::size_t at = shown.find(L"%s");
            if (at != std::wstring::npos) shown.replace(at, 2, widen(*what));
            MessageBoxW(window_, shown.c_str(), text(strings::dialogTitle).c_str(),
                        MB_OK | MB_ICONERROR);
            return TRUE;
        }
        case WM_TIMER:
            if (w == kProgressTimer) {
                // A stop the host was asked for closes the dialog as if cancelled.
                if (record_->abortProc != nullptr && record_->abortProc() != 0) {
                    finish(false);
                    return TRUE;
                }
                if (IsWindowVisible(item(editing::kProgress)) != 0)
                    SendMessageW(item(editing::kProgress), PBM_SETPOS,
                                 static_cast<WPARAM>(updater_->progress()), 0);
            }
            return TRUE;
        case WM_ACTIVATE:
            // A release that goes to another window must not leave the original on show.
            if (LOWORD(w) == WA_INACTIVE) endComparison();
            return FALSE;
        case WM_CLOSE:
            finish(false);
            return TRUE;
        default:
            return FALSE;
    }
}

void EditingDialogWin32::initialise() {
    setTexts();
    placeControls();
    preview_->attach(item(editing::kPreview));
    preview_->onButtonDown = [this](IntPoint p) { marks_->press(p, spaceHeld_, brushSelected()); };
    preview_->onMouseMove = [this](IntPoint p) { marks_->move(p); };
    preview_->onButtonUp = [this](IntPoint) { marks_->release(); };
    for (const double level : kZoomLevels)
        SendMessageW(item(editing::kZoomBox), CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(widen(zoomText(level)).c_str()));
    const SliderRanges& r = sliderRanges();
    const std::pair<int, ParameterRange> ranges[] = {
        {editing::kZoomSlider, r.zoom},
        {editing::kIntensitySlider, r.detectionIntensity},
        {editing::kTileSizeSlider, r.tileSize},
        {editing::kBrushSizeSlider, r.brushSize},
        {editing::kBrushIntensitySlider, r.brushIntensity},
        {editing::kEraserSizeSlider, r.eraserSize}};
    for (const auto& [id, range] : ranges) {
        SendMessageW(item(id), TBM_SETRANGEMIN, FALSE, range.low);
        SendMessageW(item(id), TBM_SETRANGEMAX, TRUE, range.high);
    }
    applyValues(valuesFromSettings(settings.engine));
    SendMessageW(item(editing::kShowMarks), BM_SETCHECK, BST_CHECKED, 0);
    for (int id : {editing::kMaskButton2, editing::kMaskButton1, editing::kMaskButton4,
                   editing::kMaskButton3})
        EnableWindow(item(id), FALSE);
    openPresets();
    // The first computation starts with the engine's planes, beside the first picture.
    initialised_ = true;
    startUpdate(UpdateMode::Initial);
    preview_->showImage(preview_->sourcePixels.data());
    fitPreview();
    // The splash goes before the navigator comes: when the splash's window is destroyed
    // the system activates another window, and the navigator must not be taken for it.
    splash_->end();
    createNavigator();
    SetTimer(window_, kProgressTimer, kProgressInterval, nullptr);
    SetFocus(item(editing::kOk));
}

void EditingDialogWin32::setTexts() {
    SetWindowTextW(window_, text(strings::dialogTitle).c_str());
    for (const TemplateControl& c : kTemplate)
        if (c.stringId != 0) SetWindowTextW(item(c.id), text(c.stringId).c_str());
    HWND views = item(editing::kViewTabs);
    int index = 0;
    for (const std::uint32_t view :
         {strings::viewOriginal, strings::viewMarkDefects, strings::viewOptimized}) {
        std::wstring caption = text(view);
        TCITEMW tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = caption.data();
        SendMessageW(views, TCM_INSERTITEMW, static_cast<WPARAM>(index++),
                     reinterpret_cast<LPARAM>(&tab));
    }
    HWND tools = item(editing::kToolTabs);
    for (int i = 0; i < 2; ++i) {
        TCITEMW tab{};
        tab.mask = TCIF_PARAM;
        tab.lParam = i == 0 ? bitmaps::kBrush : bitmaps::kEraser;
        SendMessageW(tools, TCM_INSERTITEMW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&tab));
    }
    // The tooltips, one tool per control.
    HWND tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                                nullptr, thisModule(), nullptr);
    if (tips != nullptr) {
        for (const auto& [id, tip] : kToolTips) {
            std::wstring caption = text(tip);
            TOOLINFOW info{};
            info.cbSize = sizeof info;
            info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            info.hwnd = window_;
            info.uId = reinterpret_cast<UINT_PTR>(item(id));
            info.lpszText = caption.data();
            SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
        }
        SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, 400);
    }
    // The product line and the link in their own sizes; 10 points each.
    HDC dc = GetDC(window_);
    const int height = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(window_, dc);
    productFont_ = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                               DEFAULT_PITCH, L"MS Shell Dlg");
    linkFont_ = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                            DEFAULT_PITCH, L"MS Shell Dlg");
}

void EditingDialogWin32::placeControls() {
    RECT client{};
    GetClientRect(window_, &client);
    baseClient_ = {client.right, client.bottom};
    for (const TemplateControl& c : kTemplate) {
        HWND control = item(c.id);
        if (control == nullptr) continue;
        RECT r{c.x, c.y, c.x + c.width, c.y + c.height};
        MapDialogRect(window_, &r);
        // The labels a picture draws are the picture's business; their windows stay hidden
        // so that they cover nothing.
        if (drawnByPicture(c)) ShowWindow(control, SW_HIDE);
        // A background paints around what lies on it, never over it.
        if (isBackground(c)) {
            SetWindowLongPtrW(control, GWL_STYLE,
                              GetWindowLongPtrW(control, GWL_STYLE) | WS_CLIPSIBLINGS);
            SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
        // Texts in the system's font may run wider than the template's; a label or check
        // box takes the room its text needs (the panel has it to their right).
        if (c.kind == ControlKind::Label || c.kind == ControlKind::GreyLabel ||
            c.kind == ControlKind::Check) {
            const std::wstring caption = windowText(control);
            HDC dc = GetDC(control);
            HGDIOBJ old =
                SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
            SIZE extent{};
            GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
            SelectObject(dc, old);
            ReleaseDC(control, dc);
            const int box = c.kind == ControlKind::Check ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0;
            r.right = std::max(r.right, r.left + extent.cx + box + 2);
        }
        placements_.push_back({control, r, c.anchor});
    }
    layoutControls();
}

void EditingDialogWin32::layoutControls() {
    if (placements_.empty()) return;
    RECT client{};
    GetClientRect(window_, &client);
    const int dx = client.right - baseClient_.cx;
    const int dy = client.bottom - baseClient_.cy;
    HDWP batch = BeginDeferWindowPos(static_cast<int>(placements_.size()));
    for (const Placement& p : placements_) {
        const PixelRect r = anchoredRect(
            {p.base.left, p.base.top, p.base.right - p.base.left, p.base.bottom - p.base.top},
            p.anchor, dx, dy);
        if (batch != nullptr)
            batch = DeferWindowPos(batch, p.control, nullptr, r.x, r.y, r.width, r.height,
                                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch != nullptr) EndDeferWindowPos(batch);
    InvalidateRect(window_, nullptr, TRUE);
}

bool EditingDialogWin32::checked(int id) const {
    return SendMessageW(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int EditingDialogWin32::sliderValue(int id) const {
    return static_cast<int>(SendMessageW(item(id), TBM_GETPOS, 0, 0));
}

ControlValues EditingDialogWin32::controlValues() const {
    ControlValues v;
    v.darkDefects = checked(editing::kDarkDefects);
    v.brightDefects = checked(editing::kBrightDefects);
    v.detectionIntensity = sliderValue(editing::kIntensitySlider);
    v.tileSize = sliderValue(editing::kTileSizeSlider);
    v.brushSize = sliderValue(editing::kBrushSizeSlider);
    v.brushIntensity = sliderValue(editing::kBrushIntensitySlider);
    v.eraserSize = sliderValue(editing::kEraserSizeSlider);
    v.defectColor = defectColor_;
    v.adaptiveRecognition = checked(editing::kAdaptiveDetection);
    return v;
}

void EditingDialogWin32::applyValues(const ControlValues& v) {
    const auto check = [this](int id, bool on) {
        SendMessageW(item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    };
    check(editing::kDarkDefects, v.darkDefects);
    check(editing::kBrightDefects, v.brightDefects);
    check(editing::kAdaptiveDetection, v.adaptiveRecognition);
    const std::pair<int, std::int32_t> positions[] = {
        {editing::kIntensitySlider, v.detectionIntensity},
        {editing::kTileSizeSlider, v.tileSize},
        {editing::kBrushSizeSlider, v.brushSize},
        {editing::kBrushIntensitySlider, v.brushIntensity},
        {editing::kEraserSizeSlider, v.eraserSize}};
    for (const auto& [id, value] : positions) SendMessageW(item(id), TBM_SETPOS, TRUE, value);
    defectColor_ = v.defectColor;
    for (const auto& entry : editSliders_) syncEditFromSlider(entry.first);
}

ClosingControls EditingDialogWin32::closingControls() const {
    ClosingControls c;
    c.values = controlValues();
    c.zoomSliderPosition = sliderValue(editing::kZoomSlider);
    RECT frame{};
    GetWindowRect(window_, &frame);
    c.frame = WindowFrame{frame.left, frame.top, frame.right, frame.bottom};
    return c;
}

void EditingDialogWin32::finish(bool accepted) {
    if (done_) return;
    KillTimer(window_, kProgressTimer);
    // The navigator keeps its place for the next opening.
    if (navigator_) navigator_->close();
    closeEditing(accepted, closingControls(), *marks_, *updater_, settings, result);
    accepted_ = accepted;
    done_ = true;
    ShowWindow(window_, SW_HIDE);
    if (!comparing_) return;
    comparing_ = false;
    showView(currentView());
}

void EditingDialogWin32::onCommand(int id, int code, HWND control) {
    if (id == IDCANCEL || id == editing::kClose) {
        if (code == BN_CLICKED || control == nullptr) finish(false);
        return;
    }
    if (id == IDOK || id == editing::kOk) {
        if (code == BN_CLICKED || control == nullptr) finish(true);
        return;
    }
    if (editSliders_.count(id) != 0) {
        if (code == EN_CHANGE && !writingEdit_) {
            typed_[id] = true;
            syncSliderFromEdit(id);
            followUp(id);
        } else if (code == EN_KILLFOCUS) {
            syncEditFromSlider(id);
        }
        return;
    }
    if (code == CBN_SELCHANGE && id == editing::kZoomBox) {
        const auto index = SendMessageW(control, CB_GETCURSEL, 0, 0);
        if (index >= 0 && index < static_cast<LRESULT>(kZoomLevels.size()))
            setZoomTo(kZoomLevels[static_cast<std::size_t>(index)]);
        return;
    }
    if (code == CBN_EDITCHANGE && id == editing::kZoomBox) {
        zoomTyped_ = true;
        return;
    }
    // Leaving the box applies what was typed (Enter does so before the box sees it).
    if (code == CBN_KILLFOCUS && id == editing::kZoomBox) {
        if (zoomTyped_) applyTypedZoom();
        return;
    }
    if (code != BN_CLICKED && code != STN_CLICKED) return;
    if (control == nullptr && presetCommand(id)) return;
    switch (id) {
        case editing::kPresetsMenu:
            showPresetMenu(kApplyPresetFirst, kApplyPresetLast, editing::kPresetsMenu);
            break;
        case editing::kDeletePreset:
            showPresetMenu(kDeletePresetFirst, kDeletePresetLast, editing::kDeletePreset);
            break;
        case editing::kAddPreset:
            addPresetCommand();
            break;
        case editing::kDarkDefects:
        case editing::kBrightDefects: {
            const int other =
                id == editing::kDarkDefects ? editing::kBrightDefects : editing::kDarkDefects;
            SendMessageW(
                item(other), BM_SETCHECK,
                otherBoxAfterClick(checked(id), checked(other)) ? BST_CHECKED : BST_UNCHECKED, 0);
            startUpdate(UpdateMode::DefectType);
            break;
        }
        case editing::kAdaptiveDetection:
            // A change of detection mode needs a new detection, as a defect type does.
            startUpdate(UpdateMode::DefectType);
            break;
        case editing::kShowMarks:
            if (currentView() == 1 && !updater_->isBusy()) showView(1);
            break;
        case editing::kFitToWindow:
            fitPreview();
            break;
        case editing::kClearMarks:
            marks_->clear();
            break;
        case editing::kZoomIn:
            zoomStep(true);
            break;
        case editing::kZoomOut:
            zoomStep(false);
            break;
        case editing::kColourSwatch:
            chooseColour();
            break;
        case editing::kHelpIcon:
            openHelp();
            break;
        case editing::kProductLogo:
            // The about link is drawn on the logo: a click inside its rectangle opens the box.
            if (onAbout && clickedOnLink()) onAbout();
            break;
        default:
            break;
    }
}

void EditingDialogWin32::onSlider(HWND slider) {
    const int id = GetDlgCtrlID(slider);
    if (id == editing::kZoomSlider) {
        const double zoom = sliderValue(id) / 100.0;
        SetWindowTextW(item(editing::kZoomBox), widen(zoomText(zoom)).c_str());
        preview_->setZoom(zoom);
        return;
    }
    for (const auto& [editId, sliderId] : editSliders_) {
        if (sliderId != id) continue;
        syncEditFromSlider(editId);
        followUp(editId);
        return;
    }
}

void EditingDialogWin32::syncEditFromSlider(int editId) {
    const auto found = editSliders_.find(editId);
    if (found == editSliders_.end()) return;
    writingEdit_ = true;
    SetWindowTextW(item(editId), std::to_wstring(sliderValue(found->second)).c_str());
    writingEdit_ = false;
    typed_[editId] = false;
}

void EditingDialogWin32::syncSliderFromEdit(int editId) {
    const int sliderId = editSliders_.at(editId);
    const std::int32_t value = leadingInteger(narrow(windowText(item(editId))));
    // The box keeps what was typed until it loses the focus; the slider clamps.
    SendMessageW(item(sliderId), TBM_SETPOS, TRUE, value);
}

void EditingDialogWin32::followUp(int editId) {
    switch (editId) {
        case editing::kIntensityEdit:
            startUpdate(UpdateMode::Intensity);
            break;
        case editing::kTileSizeEdit:
            startUpdate(UpdateMode::TileSize);
            break;
        default:
            break;
    }
}

bool EditingDialogWin32::confirmTypedValue() {
    const HWND focus = GetFocus();
    for (const auto& entry : editSliders_) {
        if (item(entry.first) != focus || !typed_[entry.first]) continue;
        syncSliderFromEdit(entry.first);
        followUp(entry.first);
        syncEditFromSlider(entry.first);
        return true;
    }
    return false;
}

bool EditingDialogWin32::preTranslate(const MSG& message) {
    const bool press = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
    const bool release = message.message == WM_KEYUP || message.message == WM_SYSKEYUP;
    if (!press && !release) return false;
    if (message.hwnd != window_ && GetAncestor(message.hwnd, GA_ROOT) != window_) return false;
    wchar_t className[32] = {};
    const HWND focus = GetFocus();
    if (focus != nullptr) GetClassNameW(focus, className, 32);
    const HWND zoomBox = item(editing::kZoomBox);
    KeyContext context;
    context.typingInTextBox = lstrcmpiW(className, L"Edit") == 0;
    context.inZoomBox = focus != nullptr && (focus == zoomBox || GetParent(focus) == zoomBox);
    context.comparing = comparing_;
    context.spaceHeld = spaceHeld_;
    context.panOrPointerOverPreview = preview_->mouse.has_value();
    DialogKey key;
    key.name = keyName(message.wParam);
    key.release = release;
    // Bit 30 of a key-down message: the key was down already.
    key.autoRepeat = press && (message.lParam & (1 << 30)) != 0;
    key.ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    key.shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    key.alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
    const KeyCommand command = keyCommandFor(key, context);
    if (command == KeyCommand::PassOn) return false;
    if (command == KeyCommand::ConfirmTypedValue) return confirmTypedValue();
    carryOut(command);
    return true;
}

void EditingDialogWin32::carryOut(KeyCommand command) {
    switch (command) {
        case KeyCommand::BeginComparison:
            beginComparison();
            break;
        case KeyCommand::EndComparison:
            endComparison();
            break;
        case KeyCommand::SpaceDown:
            spaceHeld_ = true;
            break;
        case KeyCommand::SpaceUp:
            spaceHeld_ = false;
            break;
        case KeyCommand::ApplyTypedZoom:
            applyTypedZoom();
            break;
        case KeyCommand::NextView:
        case KeyCommand::PreviousView: {
            constexpr int kViews = 3;
            const int next =
                (currentView() + (command == KeyCommand::PreviousView ? kViews - 1 : 1)) % kViews;
            SendMessageW(item(editing::kViewTabs), TCM_SETCURSEL, static_cast<WPARAM>(next), 0);
            showView(next);
            break;
        }
        case KeyCommand::ZoomToFit:
            fitPreview();
            break;
        case KeyCommand::ZoomToActualSize:
            setZoomTo(1.0);
            break;
        case KeyCommand::ZoomIn:
            zoomStep(true);
            break;
        case KeyCommand::ZoomOut:
            zoomStep(false);
            break;
        case KeyCommand::SmallerTool:
        case KeyCommand::LargerTool:
            stepToolSize(command == KeyCommand::LargerTool);
            break;
        case KeyCommand::UndoMarks:
            marks_->undo();
            break;
        case KeyCommand::RedoMarks:
            marks_->redo();
            break;
        case KeyCommand::ClearMarks:
            marks_->clear();
            break;
        case KeyCommand::ShowNavigator:
            showNavigator();
            break;
        default:
            break;
    }
}

int EditingDialogWin32::currentView() const {
    return static_cast<int>(SendMessageW(item(editing::kViewTabs), TCM_GETCURSEL, 0, 0));
}

void EditingDialogWin32::startUpdate(UpdateMode mode) {
    if (!initialised_) return;  // initialise starts the first computation
    const std::optional<std::int32_t> range =
        updater_->startUpdate(updateParams(controlValues(), mode));
    if (!range) return;
    HWND progress = item(editing::kProgress);
    SendMessageW(progress, PBM_SETRANGE32, 0, *range);
    SendMessageW(progress, PBM_SETPOS, 0, 0);
    ShowWindow(progress, SW_SHOW);
}

void EditingDialogWin32::showFinishedView() {
    if (updater_->isBusy()) return;  // a newer computation posts its own message
    ShowWindow(item(editing::kProgress), SW_HIDE);
    if (comparing_) return;  // the release of the comparison key shows it
    const int view = currentView();
    if (view != 0) showView(view);
}

void EditingDialogWin32::showView(int index) {
    if (comparing_) return;  // the original stays until the key is released
    if (index == 0) {
        preview_->showImage(preview_->sourcePixels.data());
        return;
    }
    // While busy the view changes when the computation's result arrives.
    if (updater_->isBusy()) return;
    if (index == 1)
        preview_->showDefects(updater_->defectMap.data(), defectColor_,
                              checked(editing::kShowMarks) ? updater_->markingMap.data() : nullptr);
    if (index == 2) preview_->showImage(preview_->optimizedPixels.data());
}

void EditingDialogWin32::beginComparison() {
    if (comparing_) return;
    comparing_ = true;
    preview_->showImage(preview_->sourcePixels.data());
}

void EditingDialogWin32::endComparison() {
    if (!comparing_) return;
    comparing_ = false;
    showView(currentView());
}

bool EditingDialogWin32::brushSelected() const {
    return SendMessageW(item(editing::kToolTabs), TCM_GETCURSEL, 0, 0) == 0;
}

// The drag itself is the shared HandMarking's; the dialog shows its overlay, pans the
// preview and recomputes.
void EditingDialogWin32::createHandMarking() {
    MarkingCanvas canvas = previewCanvas(*preview_, *updater_);
    canvas.toolSize = [this](bool brush) {
        return sliderValue(brush ? editing::kBrushSizeSlider : editing::kEraserSizeSlider);
    };
    canvas.brushIntensity = [this] { return sliderValue(editing::kBrushIntensitySlider); };
    canvas.panBy = [this](int dx, int dy) { panBy(dx, dy); };
    canvas.marksChanged = [this] { startUpdate(UpdateMode::Marks); };
    marks_ = std::make_unique<HandMarking>(std::move(canvas), imageWidth_, imageHeight_);
}

void EditingDialogWin32::stepToolSize(bool larger) {
    const bool brush = brushSelected();
    const int sliderId = brush ? editing::kBrushSizeSlider : editing::kEraserSizeSlider;
    HWND size = item(sliderId);
    const int low = static_cast<int>(SendMessageW(size, TBM_GETRANGEMIN, 0, 0));
    const int high = static_cast<int>(SendMessageW(size, TBM_GETRANGEMAX, 0, 0));
    SendMessageW(size, TBM_SETPOS, TRUE, steppedToolSize(sliderValue(sliderId), larger, low, high));
    // A position set by the program sends no notification: the box follows here.
    syncEditFromSlider(brush ? editing::kBrushSizeEdit : editing::kEraserSizeEdit);
}

// Every zoom change ends here: the box, the slider and the navigator's frame follow.
void EditingDialogWin32::showZoom() {
    updateNavigator();
    zoomTyped_ = false;
    SetWindowTextW(item(editing::kZoomBox), widen(zoomText(preview_->zoom)).c_str());
    SendMessageW(item(editing::kZoomSlider), TBM_SETPOS, TRUE, zoomSliderPosition(preview_->zoom));
}

void EditingDialogWin32::setZoomTo(double zoom) {
    preview_->setZoom(zoom);
    showZoom();
}

void EditingDialogWin32::fitPreview() {
    preview_->fitToWindow();
    showZoom();
}

void EditingDialogWin32::zoomStep(bool in) {
    const std::optional<double> level =
        in ? zoomLevelAbove(preview_->zoom) : zoomLevelBelow(preview_->zoom);
    if (level) setZoomTo(*level);
}

void EditingDialogWin32::applyTypedZoom() {
    setZoomTo(typedZoom(narrow(windowText(item(editing::kZoomBox)))));
}

void EditingDialogWin32::panBy(int dx, int dy) {
    preview_->panBy(dx, dy);
    updateNavigator();
}

// A tool window to the left of the dialog, or where the user left it last time, with the
// source picture reduced and the visible part framed.
void EditingDialogWin32::createNavigator() {
    RECT frame{};
    GetWindowRect(window_, &frame);
    const NavigatorPlace place = navigatorPlace(
        imageWidth_, imageHeight_, frame.left, frame.top,
        metricsFor(isLargeScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))));
    navigator_ = std::make_unique<NavigatorWindow>();
    navigator_->create(window_, place.corner.x, place.corner.y, place.size.width,
                       place.size.height);
    navigator_->setImage(preview_->pictureCovering(place.size.width, place.size.height));
    connectNavigator(
        *navigator_, *preview_, [this](int dx, int dy) { panBy(dx, dy); },
        [this] { updateNavigator(); });
    updateNavigator();
}

void EditingDialogWin32::updateNavigator() {
    if (!navigator_) return;
    const ViewFraction area = preview_->visibleArea();
    navigator_->setViewArea(area);
    if (navigatorReopening_.follow(area) && IsWindowVisible(window_) != 0) showNavigator();
}

// Shows the navigator again if the user closed it (the N key).
void EditingDialogWin32::showNavigator() {
    if (!navigator_ || navigator_->visible()) return;
    navigator_->reopen();
    navigator_->setViewArea(preview_->visibleArea());
}

void EditingDialogWin32::chooseColour() {
    static COLORREF custom[16] = {};
    CHOOSECOLORW chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = window_;
    chooser.rgbResult = defectColor_;  // both are 0x00BBGGRR
    chooser.lpCustColors = custom;
    chooser.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (ChooseColorW(&chooser) == 0) return;
    defectColor_ = chooser.rgbResult & 0xFFFFFFu;
    InvalidateRect(item(editing::kColourSwatch), nullptr, TRUE);
    // Redraws the "Mark Defects" view in the new colour; nothing is recomputed.
    PostMessageW(window_, kPreviewDone, 0, 0);
}

void EditingDialogWin32::openHelp() {
    const std::wstring path = moduleFolder() + L"\\" + text(strings::helpAddress);
    const auto status = reinterpret_cast<INT_PTR>(
        ShellExecuteW(window_, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (status <= 32)
        MessageBoxW(window_, path.c_str(), text(strings::dialogTitle).c_str(),
                    MB_OK | MB_ICONWARNING);
}

bool EditingDialogWin32::clickedOnLink() const {
    POINT at{};
    GetCursorPos(&at);
    RECT link{};
    GetWindowRect(item(editing::kAboutLink), &link);
    return PtInRect(&link, at) != 0;
}

void EditingDialogWin32::drawItem(const DRAWITEMSTRUCT& d) {
    const int id = static_cast<int>(d.CtlID);
    if (d.CtlType == ODT_TAB) {
        TCITEMW tab{};
        tab.mask = TCIF_PARAM;
        SendMessageW(d.hwndItem, TCM_GETITEMW, d.itemID, reinterpret_cast<LPARAM>(&tab));
        FillRect(d.hDC, &d.rcItem, GetSysColorBrush(COLOR_BTNFACE));
        const int side =
            std::min(d.rcItem.right - d.rcItem.left, d.rcItem.bottom - d.rcItem.top) - 4;
        const int x = (d.rcItem.left + d.rcItem.right - side) / 2;
        const int y = (d.rcItem.top + d.rcItem.bottom - side) / 2;
        pictures_->draw(d.hDC, RECT{x, y, x + side, y + side}, static_cast<int>(tab.lParam));
        return;
    }
    if (id == editing::kColourSwatch) {
        HBRUSH fill = CreateSolidBrush(defectColor_);
        HGDIOBJ oldBrush = SelectObject(d.hDC, fill);
        HGDIOBJ oldPen = SelectObject(d.hDC, GetStockObject(DC_PEN));
        SetDCPenColor(d.hDC, GetSysColor(COLOR_3DDKSHADOW));
        Rectangle(d.hDC, d.rcItem.left, d.rcItem.top, d.rcItem.right, d.rcItem.bottom);
        SelectObject(d.hDC, oldPen);
        SelectObject(d.hDC, oldBrush);
        DeleteObject(fill);
        return;
    }
    if (id == editing::kZoomIn || id == editing::kZoomOut) {
        const bool down = (d.itemState & ODS_SELECTED) != 0;
        FillRect(d.hDC, &d.rcItem, GetSysColorBrush(COLOR_BTNFACE));
        RECT r = d.rcItem;
        if (down) OffsetRect(&r, 1, 1);
        pictures_->draw(d.hDC, r, id == editing::kZoomIn ? bitmaps::kZoomIn : bitmaps::kZoomOut);
        return;
    }
    const TemplateControl* entry = templateEntry(id);
    if (entry == nullptr || entry->bitmap == 0) return;
    FillRect(d.hDC, &d.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    pictures_->draw(d.hDC, d.rcItem, entry->bitmap);
    // The labels that lie on this picture, in the picture's coordinates.
    RECT pictureRect{};
    GetWindowRect(d.hwndItem, &pictureRect);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&pictureRect), 2);
    SetBkMode(d.hDC, TRANSPARENT);
    for (const Placement& p : placements_) {
        const int labelId = GetDlgCtrlID(p.control);
        const TemplateControl* label = templateEntry(labelId);
        if (label == nullptr || !drawnByPicture(*label) || !label->shown) continue;
        RECT r{};
        GetWindowRect(p.control, &r);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
        if (r.left < pictureRect.left || r.top < pictureRect.top || r.right > pictureRect.right ||
            r.bottom > pictureRect.bottom)
            continue;
        OffsetRect(&r, -pictureRect.left, -pictureRect.top);
        const bool link = label->kind == ControlKind::Link;
        const bool product = labelId == editing::kProductLine;
        HFONT font = link      ? linkFont_
                     : product ? productFont_
                               : reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0));
        HGDIOBJ oldFont = SelectObject(d.hDC, font);
        SetTextColor(d.hDC, link ? kLinkColour : GetSysColor(COLOR_BTNTEXT));
        const std::wstring caption = windowText(p.control);
        const UINT format =
            DT_CENTER | DT_WORDBREAK | (label->height > 12 ? 0u : DT_SINGLELINE | DT_VCENTER);
        DrawTextW(d.hDC, caption.c_str(), -1, &r, format);
        SelectObject(d.hDC, oldFont);
    }
}

HBRUSH EditingDialogWin32::controlColour(HDC dc, HWND control) {
    const TemplateControl* entry = templateEntry(GetDlgCtrlID(control));
    const bool grey =
        entry != nullptr &&
        (entry->kind == ControlKind::GreyLabel || entry->kind == ControlKind::GreyBox ||
         entry->id == editing::kBrushSizeSlider || entry->id == editing::kEraserSizeSlider ||
         entry->id == editing::kBrushIntensitySlider);
    if (!grey) return nullptr;  // the dialog manager's colours
    if (greyBrush_ == nullptr) greyBrush_ = CreateSolidBrush(kPanelGrey);
    SetBkColor(dc, kPanelGrey);
    return greyBrush_;
}

}  // namespace nelvo
