// SPDX-License-Identifier: MIT
// The modal editing dialog: a large preview of the whole filter rectangle, recomputed on
// a worker whenever a detection setting changes, the settings panel, presets, and OK and
// Close. The filter run builds it, copies its parameters into `settings`, runs it with
// exec() and, after Accepted, reads `settings` and `result` back.
//
// The rules between the controls live in DialogControls, the worker protocol in
// PreviewUpdater, the preset commands in PresetCommands, the brush and eraser in
// MarkingTools and the zoom arithmetic in ZoomNavigation; this class only shows them.
#pragma once

#include <QDialog>
#include <QEvent>
#include <QFont>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "PIFilter.h"
#include "dialog/DialogClosing.h"
#include "dialog/DialogControls.h"
#include "dialog/DialogLayout.h"
#include "dialog/HandMarking.h"
#include "dialog/MarkingResult.h"
#include "dialog/MarkingTools.h"
#include "dialog/PreviewUpdater.h"
#include "dialog/ZoomNavigation.h"
#include "engine/FilterBase.h"
#include "resources/DialogResources.h"
#include "settings/FilterParameters.h"
#include "ui/shared/PluginCursor.h"

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLineEdit;
class QProgressBar;
class QSlider;
class QTabBar;

namespace nelvo {

class NelvoImageCtrl;
class NelvoNavigatorWnd;
class NelvoPresetManager;
class NelvoSplashDlg;
class NelvoTabCtrl;

class NelvoDialog : public QDialog {
  public:
    // Shows the splash, makes the host supply the whole filter rectangle through
    // `fetchWholeImage`, prepares the preview engine (plane memory from `allocator`, which
    // must outlive the dialog) and opens the preset folder. Throws what the fetch or the
    // engine throws; the splash is ended first.
    NelvoDialog(const FilterRecord* record, const std::function<void()>& fetchWholeImage,
                PlaneAllocator& allocator, QWidget* parent = nullptr);
    ~NelvoDialog() override;

    // Initialises (once) and runs the modal loop; returns Accepted or Rejected.
    int exec() override;
    // The initialisation: texts, pictures, fonts, ranges, the settings, the first
    // computation; ends the splash. exec() calls it; tests may call it before show().
    void initialise();

    FilterParameters settings{};
    MarkingResult result;

    // Opens the help page and web addresses; the system's default handler unless replaced.
    // False when the address could not be opened (a missing file, no handler, a handler
    // that would not start).
    std::function<bool(const QString&)> openAddress;
    // Where the navigator keeps its position between openings (the application profile
    // unless replaced before initialise()).
    QString navigatorProfile;

    // For the views and tests.
    NelvoImageCtrl& preview() { return *preview_; }
    PreviewUpdater& updater() { return *updater_; }
    ControlValues controlValues() const;
    std::uint32_t defectColor() const { return defectColor_; }
    NelvoPresetManager* presets() { return presets_.get(); }
    // Replaces the preset store (tests; the dialog opens the user's folder itself).
    void setPresets(std::unique_ptr<NelvoPresetManager> presets);
    // A preset menu command (10000..10999 apply, 11000..11999 delete).
    void presetCommand(int id);
    // The "+" command with the naming dialog's answer already given.
    void addPreset(const QString& name);
    // The file the help icon opens.
    static QString helpPagePath();

    // Marking and navigation state, for tests and the benchmark.
    DragMode dragMode() const { return marks_ ? marks_->mode() : DragMode::None; }
    bool spaceHeld() const { return spaceHeld_; }
    bool comparing() const { return comparing_; }
    // Exists from the end of initialise() on.
    NelvoNavigatorWnd* navigator() const { return navigator_; }

    // Why the modal run ended with an error: what an event handler threw while the dialog
    // was up (the run then ends as if cancelled). Null after OK or a plain cancel.
    std::exception_ptr failure() const { return failure_; }

    static constexpr QEvent::Type kPreviewDoneEvent = static_cast<QEvent::Type>(QEvent::User + 1);
    static constexpr QEvent::Type kPreviewErrorEvent = static_cast<QEvent::Type>(QEvent::User + 2);

    // Closing: after Accepted a stroke still being drawn is applied as a release would,
    // then the settings and marks are collected and a running computation may finish;
    // otherwise it is told to stop. Either way it is joined.
    void done(int r) override;

  protected:
    bool event(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    // Ends the modal run from outside the user's hands (the host asks to stop, or a
    // handler failed): any window opened over the dialog closes first, then the dialog
    // closes as if cancelled.
    void cancelRun();
    void onHandlerFailure(std::exception_ptr failure);
    bool hostAsksToStop() const;

    void buildControls();
    void layoutControls();
    void setTexts();
    void setArtworkAndFonts();
    void applySettings();
    ClosingControls closingControls() const;
    void applyValues(const ControlValues& values);
    void connectSliders();
    void syncEditFromSlider(int editId);
    void syncSliderFromEdit(int editId);
    void followUp(int editId);
    // Enter in a number box the user typed into since it was last written: the value is
    // applied and the box rewritten, and the dialog stays open so that the preview of
    // that value is seen before OK. False (Enter means OK) when nothing is pending.
    bool confirmTypedValue();
    void onDefectTypeClicked(QCheckBox* clicked, QCheckBox* other);
    void chooseColour();
    // Opens the manual; when that fails, says so with the manual's path, so that it can be
    // opened by hand.
    void openHelp();
    void onToolTabChanged();

    // Marking tools (NelvoDialogMarking.cpp).
    void installPreviewCallbacks();
    bool brushSelected() const;
    int toolSize() const;
    // `[` and `]`: the selected tool's size one step smaller or larger.
    void stepToolSize(bool larger);
    bool resizeCursor();
    void updateCursor();
    void createHandMarking();
    void onPreviewButtonDown(IntPoint p);
    void onPreviewMouseMove(IntPoint p);
    void onPreviewButtonUp();
    // Ctrl+Z, Ctrl+Shift+Z or Ctrl+Y, and Ctrl+Delete: the last stroke (or clearing) of
    // the hand marks undone or redone, every hand mark cleared. Each recomputes as a
    // stroke does; none acts while a stroke is being drawn.
    void undoMarks();
    void redoMarks();
    void clearMarks();
    bool strokeInProgress() const { return marks_ && marks_->strokeInProgress(); }

    // Zoom and navigation (NelvoDialogZoom.cpp).
    void connectZoomControls();
    void showZoom(double zoom);
    void setZoomTo(double zoom, std::optional<IntPoint> anchor);
    void fitPreview();
    void zoomIn(std::optional<IntPoint> anchor);
    void zoomOut(std::optional<IntPoint> anchor);
    void applyTypedZoom();
    // Also shows a closed navigator again when a zoom or a smaller window stops showing
    // the whole picture.
    void updateNavigator();
    // Shows the navigator again if the user closed it (the N key).
    void showNavigator();
    void createNavigator();
    void panBy(int dx, int dy);
    // Keyboard handling before the controls see the key; true when consumed.
    bool preTranslateKey(QKeyEvent* key);
    QComboBox* zoomBox() const;

    // Preview updating.
    void setUpEngine(PlaneAllocator& allocator);
    void startUpdate(UpdateMode mode);
    void showFinishedView();
    // The repaired image of the last finished computation; `keepOverlay` keeps the trace
    // of a stroke in progress.
    void showOptimized(bool keepOverlay);
    void onViewTabChanged(int index);
    // Before and after: while the comparison key is held, the preview shows the original
    // picture; on release the selected view comes back (or, while a computation runs, its
    // result when it arrives).
    void beginComparison();
    void endComparison();
    // The next (or previous) of the three views, wrapping around.
    void cycleView(bool backwards);
    // "Mark Defects": the defects of the last finished computation, and where the brush
    // and the eraser were applied when "Show hand marks" is checked.
    void showMarkedDefects(bool keepOverlay);

    // Preset commands.
    void showPresetMenu(int firstId, int lastId, QWidget* button);
    void addPresetCommand();
    void updatePresetButtons();
    void showPresetError(const std::wstring& text);
    // Asks before preset `name` is deleted; true when the user chose to delete it.
    bool confirmPresetDeletion(const std::wstring& name);

    QWidget* control(int id) const;
    QSlider* slider(int id) const;
    QLineEdit* edit(int id) const;
    QCheckBox* check(int id) const;

    std::unique_ptr<NelvoSplashDlg> splash_;
    const FilterRecord* record_;
    std::unique_ptr<FilterBase> engine_;
    std::unique_ptr<PreviewUpdater> updater_;
    // The finished computation whose repaired image the preview's surface shows, -1 for
    // none: a result that follows it needs only its changed tiles rendered.
    int shownResult_ = -1;
    std::int32_t imageWidth_ = 0, imageHeight_ = 0;
    std::uint32_t defectColor_ = 255;
    std::unique_ptr<NelvoPresetManager> presets_;
    NelvoImageCtrl* preview_ = nullptr;
    QTabBar* viewTabs_ = nullptr;
    NelvoTabCtrl* toolTabs_ = nullptr;
    QProgressBar* progress_ = nullptr;
    PluginCursor brushCursor_;
    bool spaceHeld_ = false;
    bool comparing_ = false;
    NavigatorReopening navigatorReopening_;
    // The brush, the eraser and panning on the preview, with the marks' undo history;
    // made with the preview's callbacks.
    std::unique_ptr<HandMarking> marks_;
    // The zoom box's text was typed rather than chosen from its list.
    bool zoomTyped_ = false;
    NelvoNavigatorWnd* navigator_ = nullptr;  // owned by the dialog as a child window
    QFont maskEditFont_, productFont_, linkFont_;
    // Edit box id to slider id.
    const std::map<int, int> editSliders_{
        {editing::kIntensityEdit, editing::kIntensitySlider},
        {editing::kTileSizeEdit, editing::kTileSizeSlider},
        {editing::kBrushSizeEdit, editing::kBrushSizeSlider},
        {editing::kBrushIntensityEdit, editing::kBrushIntensitySlider},
        {editing::kEraserSizeEdit, editing::kEraserSizeSlider}};
    bool syncingFromEdit_ = false;
    bool initialised_ = false;
    std::exception_ptr failure_;
    int timerId_ = 0;
    // Every control with its template rectangle in pixels and its anchor.
    struct Placement {
        QWidget* widget;
        PixelRect base;
        Anchor anchor;
    };
    std::vector<Placement> placements_;
    QSize baseSize_;
};

}  // namespace nelvo
