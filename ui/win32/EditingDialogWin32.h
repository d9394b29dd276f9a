// SPDX-License-Identifier: MIT
// The modal editing dialog on Win32, built from template 1000 of the module's resources:
// the preview, recomputed on a worker whenever a detection setting changes, the settings
// panel, and OK and Close. The rules between the controls, the worker's protocol, the
// keyboard and the layout are the shared units' (dialog/, ui/shared/); this class shows
// them with the system's controls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "PIFilter.h"
#include "dialog/DialogClosing.h"
#include "dialog/DialogControls.h"
#include "dialog/DialogLayout.h"
#include "dialog/HandMarking.h"
#include "dialog/KeyCommands.h"
#include "dialog/MarkingResult.h"
#include "dialog/MarkingTools.h"
#include "dialog/PreviewUpdater.h"
#include "dialog/ZoomNavigation.h"
#include "engine/FilterBase.h"
#include "settings/FilterParameters.h"

namespace nelvo {

class PreviewWindow;
class SplashWin32;
class NavigatorWindow;
class DialogPictures;
class NelvoPresetManager;

class EditingDialogWin32 {
  public:
    // Makes the host supply the whole filter rectangle through `fetchWholeImage` and
    // prepares the preview engine (plane memory from `allocator`, which must outlive the
    // dialog). Throws what the fetch or the engine throws.
    EditingDialogWin32(const FilterRecord* record, const std::function<void()>& fetchWholeImage,
                       PlaneAllocator& allocator);
    ~EditingDialogWin32();
    EditingDialogWin32(const EditingDialogWin32&) = delete;
    EditingDialogWin32& operator=(const EditingDialogWin32&) = delete;

    // Runs the modal loop over `owner` (may be null); true after OK. Rethrows what a
    // window handler threw.
    bool run(HWND owner);

    FilterParameters settings{};
    MarkingResult result;
    // Opens the about box (the about link on the product box).
    std::function<void()> onAbout;

  private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM w, LPARAM l);
    INT_PTR handle(UINT message, WPARAM w, LPARAM l);

    void initialise();
    void setTexts();
    void placeControls();
    void layoutControls();
    void applyValues(const ControlValues& values);
    ControlValues controlValues() const;
    ClosingControls closingControls() const;
    void finish(bool accepted);

    void onCommand(int id, int code, HWND control);
    void onSlider(HWND slider);
    void syncEditFromSlider(int editId);
    void syncSliderFromEdit(int editId);
    void followUp(int editId);
    bool confirmTypedValue();

    bool preTranslate(const MSG& message);
    void carryOut(KeyCommand command);

    void startUpdate(UpdateMode mode);
    void showFinishedView();
    void showView(int index);
    void beginComparison();
    void endComparison();
    int currentView() const;

    // The brush and the eraser on the preview.
    bool brushSelected() const;
    void createHandMarking();
    void stepToolSize(bool larger);

    // The preset commands (EditingDialogPresets.cpp).
    void openPresets();
    void updatePresetButtons();
    void showPresetError(const std::wstring& message);
    void showPresetMenu(int firstId, int lastId, int buttonId);
    // Carries out menu command `id`; false when it is no preset command.
    bool presetCommand(int id);
    bool confirmPresetDeletion(const std::wstring& name);
    void addPresetCommand();

    void showZoom();
    void panBy(int dx, int dy);
    void createNavigator();
    void updateNavigator();
    void showNavigator();
    void setZoomTo(double zoom);
    void fitPreview();
    void zoomStep(bool in);
    void applyTypedZoom();
    void chooseColour();
    void openHelp();
    bool clickedOnLink() const;
    void drawItem(const DRAWITEMSTRUCT& item);
    HBRUSH controlColour(HDC dc, HWND control);

    HWND item(int id) const { return GetDlgItem(window_, id); }
    bool checked(int id) const;
    int sliderValue(int id) const;

    // Shown from the start of the constructor to the end of initialise().
    std::unique_ptr<SplashWin32> splash_;
    const FilterRecord* record_;
    HWND window_ = nullptr;
    std::unique_ptr<PreviewWindow> preview_;
    // From the end of initialise() on.
    std::unique_ptr<NavigatorWindow> navigator_;
    NavigatorReopening navigatorReopening_;
    std::unique_ptr<DialogPictures> pictures_;
    std::unique_ptr<FilterBase> engine_;
    std::unique_ptr<PreviewUpdater> updater_;
    // Null when the presets folder cannot be used: the preset buttons stay disabled.
    std::unique_ptr<NelvoPresetManager> presets_;
    std::int32_t imageWidth_ = 0, imageHeight_ = 0;
    std::uint32_t defectColor_ = 255;
    bool comparing_ = false;
    // The brush, the eraser and panning on the preview, with the marks' undo history.
    std::unique_ptr<HandMarking> marks_;
    bool spaceHeld_ = false;
    // The zoom box's text was typed rather than chosen from its list.
    bool zoomTyped_ = false;
    bool initialised_ = false;
    bool done_ = false;
    bool accepted_ = false;
    // The program writes an edit box's text: its change notification is not the user's.
    bool writingEdit_ = false;
    // Edit boxes the user typed into since they were last written.
    std::map<int, bool> typed_;
    std::exception_ptr failure_;
    HBRUSH greyBrush_ = nullptr;
    HFONT productFont_ = nullptr;
    HFONT linkFont_ = nullptr;
    // Every control with its rectangle in pixels at the template's size and its anchor.
    struct Placement {
        HWND control;
        RECT base;
        Anchor anchor;
    };
    std::vector<Placement> placements_;
    SIZE baseClient_{};
    const std::map<int, int> editSliders_;
};

}  // namespace nelvo
