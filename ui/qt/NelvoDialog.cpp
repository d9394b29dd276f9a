// SPDX-License-Identifier: MIT
#include "ui/qt/NelvoDialog.h"

#include <dlfcn.h>

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QTabBar>
#include <QUrl>
#include <QWindow>
#include <cmath>

#include "dialog/EditingDialogTemplate.h"
#include "dialog/PresetCommands.h"
#include "dialog/ZoomNavigation.h"
#include "presets/NelvoPresetManager.h"
#include "resources/DialogResources.h"
#include "resources/strings/StringIds.h"
#include "ui/qt/ControlId.h"
#include "ui/qt/DisplayHelpers.h"
#include "ui/qt/NelvoAboutDlg.h"
#include "ui/qt/NelvoButtonCtrl.h"
#include "ui/qt/NelvoCustomLink.h"
#include "ui/qt/NelvoImageCtrl.h"
#include "ui/qt/NelvoNavigatorWnd.h"
#include "ui/qt/NelvoSplashDlg.h"
#include "ui/qt/NelvoTabCtrl.h"
#include "ui/qt/QtApplication.h"
#include "ui/shared/HandlerGuard.h"
#include "util/LoadString.h"

namespace nelvo {

namespace {

constexpr QRgb kPanelGrey = 0xFFB8B8B8;   // RGB 184, 184, 184
constexpr QRgb kLinkColour = 0xFF649BFA;  // RGB 100, 155, 250

QString text(std::uint32_t stringId) {
    return QString::fromStdWString(loadString(stringId));
}

void shrinkToFit(QLabel* label) {
    QFont font = label->font();
    while (label->heightForWidth(label->width()) > label->height() && font.pointSizeF() > 6.0) {
        font.setPointSizeF(font.pointSizeF() * 0.95);
        label->setFont(font);
    }
}

void widenAroundCentre(QWidget* w) {
    const int needed = w->sizeHint().width();
    if (needed <= w->width()) return;
    const QRect g = w->geometry();
    w->setGeometry(g.x() - (needed - g.width()) / 2, g.y(), needed, g.height());
}

QString captionOf(const TemplateControl& c) {
    return c.stringId != 0 ? text(c.stringId) : QString::fromUtf8(c.text);
}

// On a large screen every metric of the plug-in's windows is 1.5 times larger: the
// template's dialog units and the fonts with them, so that the larger pictures fit.
double layoutScale() {
    return largeScreen() ? 1.5 : 1.0;
}

// The style draws a check box's box at its own size; on a large screen, where the text is
// 1.5 times larger, the box is made as much larger so that the two stay in proportion.
void scaleIndicator(QCheckBox* box) {
    const double scale = layoutScale();
    if (scale == 1.0) return;
    const int side = static_cast<int>(
        std::lround(box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) * scale));
    box->setStyleSheet(
        QStringLiteral("QCheckBox::indicator { width: %1px; height: %1px; }").arg(side));
}

void fillGrey(QWidget* w) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, QColor::fromRgb(kPanelGrey));
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

// The marker colour swatch: the colour over the whole control, outlined in the dark
// shadow colour; a click asks the owner to choose.
class ColourSwatch : public QWidget {
  public:
    explicit ColourSwatch(QWidget* parent, const std::uint32_t& colour)
        : QWidget(parent), colour_(colour) {}
    std::function<void()> onClick;

  protected:
    void paintEvent(QPaintEvent*) override {
        guardHandler([&] {
            QPainter painter(this);
            painter.setPen(palette().color(QPalette::Shadow));
            painter.setBrush(QColor(static_cast<int>(colour_ & 0xFFu),
                                    static_cast<int>((colour_ >> 8) & 0xFFu),
                                    static_cast<int>((colour_ >> 16) & 0xFFu)));
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        });
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        guardHandler([&] {
            if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) &&
                onClick)
                onClick();
        });
    }

  private:
    const std::uint32_t& colour_;
};

// Where this code was loaded from: the module, or the program it is linked into.
QString moduleFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&moduleFolder), &info) != 0 && info.dli_fname != nullptr)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    return QString();
}

}  // namespace

NelvoDialog::NelvoDialog(const FilterRecord* record, const std::function<void()>& fetchWholeImage,
                         PlaneAllocator& allocator, QWidget* parent)
    : QDialog((ensureApplication(), parent)), record_(record) {
    setTemplateId(this, templates::kEditingDialog);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    openAddress = [](const QString& address) {
        const QUrl url = QUrl::fromUserInput(address);
        // A browser would open on an error page of its own, or not at all.
        if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) return false;
        return QDesktopServices::openUrl(url);
    };
    navigatorProfile = defaultProfilePath();
    splash_ = std::make_unique<NelvoSplashDlg>();
    splash_->start();
    // The splash must be gone before an error leaves the constructor.
    struct SplashGuard {
        NelvoSplashDlg* splash;
        ~SplashGuard() {
            if (splash != nullptr) splash->end();
        }
    } guard{splash_.get()};

    const ::VRect& rect = record->bigDocumentData->filterRect32;
    imageWidth_ = std::max(0, rect.right - rect.left);
    imageHeight_ = std::max(0, rect.bottom - rect.top);
    buildControls();
    fetchWholeImage();
    setUpEngine(allocator);
    createHandMarking();
    try {
        presets_ = std::make_unique<NelvoPresetManager>(presetsFolder());
    } catch (const std::exception&) {
        presets_.reset();  // no presets then; the buttons stay disabled
    }
    guard.splash = nullptr;
}

NelvoDialog::~NelvoDialog() {
    QCoreApplication::instance()->removeEventFilter(this);
    // The controls outlive this part of the object: a focus change while they are torn
    // down (the zoom box reports a listed text on leaving) must not reach it.
    for (QWidget* child : findChildren<QWidget*>()) child->disconnect(this);
    if (updater_) {
        updater_->requestCancel();
        updater_->join();
    }
    if (splash_) splash_->end();
}

QWidget* NelvoDialog::control(int id) const {
    return findControl(this, id);
}
QSlider* NelvoDialog::slider(int id) const {
    return findControl<QSlider>(this, id);
}
QLineEdit* NelvoDialog::edit(int id) const {
    return findControl<QLineEdit>(this, id);
}
QCheckBox* NelvoDialog::check(int id) const {
    return findControl<QCheckBox>(this, id);
}

void NelvoDialog::buildControls() {
    const double dpi = screenDpi() * layoutScale();
    QFont base = font();
    base.setPointSizeF(8.0 * layoutScale());
    setFont(base);
    baseSize_ = QSize(dialogUnitsToPixelsX(kTemplateWidthDu, dpi),
                      dialogUnitsToPixelsY(kTemplateHeightDu, dpi));
    resize(baseSize_);
    for (const TemplateControl& c : kTemplate) {
        QWidget* w = nullptr;
        switch (c.kind) {
            case ControlKind::ViewTabs: {
                viewTabs_ = new QTabBar(this);
                viewTabs_->setExpanding(true);
                viewTabs_->setDrawBase(false);
                w = viewTabs_;
                break;
            }
            case ControlKind::Preview:
                preview_ = new NelvoImageCtrl(record_, this);
                w = preview_;
                break;
            case ControlKind::Combo: {
                auto* combo = new QComboBox(this);
                combo->setEditable(true);
                w = combo;
                break;
            }
            case ControlKind::BitmapButton:
                w = new NelvoButtonCtrl(this);
                break;
            case ControlKind::Slider: {
                auto* s = new QSlider(Qt::Horizontal, this);
                s->setTickPosition(QSlider::NoTicks);
                if (c.id == editing::kBrushSizeSlider || c.id == editing::kEraserSizeSlider ||
                    c.id == editing::kBrushIntensitySlider)
                    fillGrey(s);
                w = s;
                break;
            }
            case ControlKind::Button:
            case ControlKind::DefaultButton: {
                auto* b = new QPushButton(captionOf(c), this);
                b->setAutoDefault(false);
                b->setDefault(c.kind == ControlKind::DefaultButton);
                w = b;
                break;
            }
            case ControlKind::Progress: {
                progress_ = new QProgressBar(this);
                progress_->setTextVisible(false);
                w = progress_;
                break;
            }
            case ControlKind::Picture: {
                auto* label = new QLabel(this);
                const QImage picture = resourceBitmap(c.bitmap);
                if (!picture.isNull()) label->setPixmap(QPixmap::fromImage(picture));
                label->setScaledContents(true);
                w = label;
                break;
            }
            case ControlKind::Label:
            case ControlKind::CentredLabel:
            case ControlKind::GreyLabel: {
                auto* label = new QLabel(captionOf(c), this);
                label->setAlignment(c.kind == ControlKind::Label ? Qt::AlignLeft | Qt::AlignVCenter
                                                                 : Qt::AlignCenter);
                if (c.kind == ControlKind::GreyLabel) fillGrey(label);
                label->setWordWrap(c.height > 12);
                w = label;
                break;
            }
            case ControlKind::Check: {
                auto* box = new QCheckBox(captionOf(c), this);
                scaleIndicator(box);
                w = box;
                break;
            }
            case ControlKind::Edit:
            case ControlKind::PlainEdit: {
                auto* e = new QLineEdit(captionOf(c), this);
                e->setAlignment(c.kind == ControlKind::Edit ? Qt::AlignCenter : Qt::AlignLeft);
                e->setFrame(c.kind == ControlKind::Edit);
                e->setTextMargins(0, 0, 0, 0);
                w = e;
                break;
            }
            case ControlKind::Swatch: {
                auto* swatch = new ColourSwatch(this, defectColor_);
                swatch->onClick = [this] { chooseColour(); };
                w = swatch;
                break;
            }
            case ControlKind::ToolTabs:
                toolTabs_ = new NelvoTabCtrl(this);
                w = toolTabs_;
                break;
            case ControlKind::Link: {
                auto* link = new NelvoCustomLink(this);
                link->setText(captionOf(c));
                link->setAlignment(Qt::AlignCenter);
                QPalette p = link->palette();
                p.setColor(QPalette::WindowText, QColor::fromRgb(kLinkColour));
                link->setPalette(p);
                link->onClick = [this] {  // called inside the link's guarded handler
                    NelvoAboutDlg box(this);
                    box.openAddress = [this](const QString& address) { openAddress(address); };
                    box.exec();
                };
                w = link;
                break;
            }
            case ControlKind::GreyBox: {
                auto* box = new QLabel(this);
                fillGrey(box);
                w = box;
                break;
            }
        }
        setControlId(w, c.id);
        PixelRect r = dialogRectToPixels(c.x, c.y, c.width, c.height, dpi);
        // A drop-down combo box's template height includes its list.
        if (c.kind == ControlKind::Combo) r.height = w->sizeHint().height();
        // Texts in the platform's font may run wider than the template's; a label or
        // check box takes the room its text needs (the panel has it to their right).
        if (c.kind == ControlKind::Label || c.kind == ControlKind::GreyLabel ||
            c.kind == ControlKind::Check)
            r.width = std::max(r.width, w->sizeHint().width());
        w->setGeometry(r.x, r.y, r.width, r.height);
        w->setVisible(c.shown);
        placements_.push_back({w, r, c.anchor});
    }
    control(editing::kHelpIcon)->installEventFilter(this);
    control(editing::kHelpIcon)->setCursor(Qt::PointingHandCursor);

    connect(findControl<QPushButton>(this, editing::kOk), &QPushButton::clicked, this,
            &QDialog::accept);
    connect(findControl<QPushButton>(this, editing::kClose), &QPushButton::clicked, this,
            &QDialog::reject);
    connect(findControl<QPushButton>(this, editing::kPresetsMenu), &QPushButton::clicked, this,
            guarded([this] {
                showPresetMenu(kApplyPresetFirst, kApplyPresetLast, control(editing::kPresetsMenu));
            }));
    connect(findControl<QPushButton>(this, editing::kDeletePreset), &QPushButton::clicked, this,
            guarded([this] {
                showPresetMenu(kDeletePresetFirst, kDeletePresetLast,
                               control(editing::kDeletePreset));
            }));
    connect(findControl<QPushButton>(this, editing::kAddPreset), &QPushButton::clicked, this,
            guarded([this] { addPresetCommand(); }));
    QCheckBox* dark = check(editing::kDarkDefects);
    QCheckBox* bright = check(editing::kBrightDefects);
    connect(dark, &QCheckBox::clicked, this,
            guarded([this, dark, bright] { onDefectTypeClicked(dark, bright); }));
    connect(bright, &QCheckBox::clicked, this,
            guarded([this, dark, bright] { onDefectTypeClicked(bright, dark); }));
    // A change of detection mode needs a new detection, as a defect type does.
    connect(check(editing::kAdaptiveDetection), &QCheckBox::clicked, this,
            guarded([this] { startUpdate(UpdateMode::DefectType); }));
    check(editing::kShowMarks)->setChecked(true);
    connect(check(editing::kShowMarks), &QCheckBox::toggled, this, guarded([this] {
                if (viewTabs_->currentIndex() == 1 && !updater_->isBusy())
                    showMarkedDefects(strokeInProgress());
            }));
    connect(findControl<QPushButton>(this, editing::kClearMarks), &QPushButton::clicked, this,
            guarded([this] { clearMarks(); }));
    connect(viewTabs_, &QTabBar::currentChanged, this,
            guarded([this](int i) { onViewTabChanged(i); }));
    connectSliders();
    connectZoomControls();
}

void NelvoDialog::connectSliders() {
    for (const auto& [editId, sliderId] : editSliders_) {
        QSlider* s = slider(sliderId);
        QLineEdit* e = edit(editId);
        const int id = editId;
        connect(s, &QSlider::valueChanged, this, guarded([this, id] {
                    if (syncingFromEdit_) return;
                    syncEditFromSlider(id);
                    followUp(id);
                }));
        connect(e, &QLineEdit::textEdited, this, guarded([this, id] {
                    syncSliderFromEdit(id);
                    followUp(id);
                }));
        connect(e, &QLineEdit::editingFinished, this,
                guarded([this, id] { syncEditFromSlider(id); }));
    }
}

void NelvoDialog::syncEditFromSlider(int editId) {
    const auto found = editSliders_.find(editId);
    if (found == editSliders_.end()) return;
    edit(editId)->setText(QString::number(slider(found->second)->value()));
}

void NelvoDialog::syncSliderFromEdit(int editId) {
    QSlider* s = slider(editSliders_.at(editId));
    const std::int32_t value = leadingInteger(edit(editId)->text().toStdString());
    if (value == s->value()) return;
    // The box keeps what was typed until it loses the focus.
    syncingFromEdit_ = true;
    s->setValue(value);
    syncingFromEdit_ = false;
}

bool NelvoDialog::confirmTypedValue() {
    for (const auto& entry : editSliders_) {
        QLineEdit* box = edit(entry.first);
        // setText() clears isModified(), so only typing since the last rewrite counts.
        if (box != focusWidget() || !box->isModified()) continue;
        syncSliderFromEdit(entry.first);
        followUp(entry.first);
        syncEditFromSlider(entry.first);
        return true;
    }
    return false;
}

void NelvoDialog::followUp(int editId) {
    switch (editId) {
        case editing::kIntensityEdit:
            startUpdate(UpdateMode::Intensity);
            break;
        case editing::kTileSizeEdit:
            startUpdate(UpdateMode::TileSize);
            break;
        case editing::kBrushSizeEdit:
        case editing::kEraserSizeEdit:
            if (resizeCursor()) updateCursor();
            break;
        default:
            break;
    }
}

void NelvoDialog::onDefectTypeClicked(QCheckBox* clicked, QCheckBox* other) {
    other->setChecked(otherBoxAfterClick(clicked->isChecked(), other->isChecked()));
    startUpdate(UpdateMode::DefectType);
}

void NelvoDialog::chooseColour() {
    QColorDialog chooser(QColor(static_cast<int>(defectColor_ & 0xFFu),
                                static_cast<int>((defectColor_ >> 8) & 0xFFu),
                                static_cast<int>((defectColor_ >> 16) & 0xFFu)),
                         this);
    chooser.setOption(QColorDialog::DontUseNativeDialog);
    if (chooser.exec() != QDialog::Accepted) return;
    const QColor chosen = chooser.selectedColor();
    defectColor_ = static_cast<std::uint32_t>(chosen.red()) |
                   (static_cast<std::uint32_t>(chosen.green()) << 8) |
                   (static_cast<std::uint32_t>(chosen.blue()) << 16);
    control(editing::kColourSwatch)->update();
    // Redraws the "Mark Defects" view in the new colour; nothing is recomputed.
    QCoreApplication::postEvent(this, new QEvent(kPreviewDoneEvent));
}

QString NelvoDialog::helpPagePath() {
    return moduleFolder() + QLatin1Char('/') + text(strings::helpAddress);
}

bool NelvoDialog::eventFilter(QObject* watched, QEvent* e) {
    return guardHandler(true, [&] {
        const bool key = e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease;
        if (key && watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this)
            return preTranslateKey(static_cast<QKeyEvent*>(e));
        // Should the navigator get the keyboard after all (a window manager that ignores
        // its wish), its keys are the dialog's: Esc, the zoom keys, the space bar.
        if (key && navigator_ != nullptr && watched == navigator_) {
            const auto* k = static_cast<QKeyEvent*>(e);
            QKeyEvent forwarded(k->type(), k->key(), k->modifiers(), k->text(), k->isAutoRepeat(),
                                static_cast<quint16>(k->count()));
            QCoreApplication::sendEvent(this, &forwarded);
            return true;
        }
        if (watched == control(editing::kHelpIcon) && e->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
            openHelp();
            return true;
        }
        return QDialog::eventFilter(watched, e);
    });
}

void NelvoDialog::openHelp() {
    const QString path = helpPagePath();
    if (openAddress(QUrl::fromLocalFile(path).toString())) return;
    QString message = text(strings::helpOpenFailed);
    message.replace(QStringLiteral("%s"), QDir::toNativeSeparators(path));
    QMessageBox box(QMessageBox::Information, windowTitle(), message, QMessageBox::Ok, this);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);  // the path can be copied
    box.exec();
}

void NelvoDialog::setTexts() {
    setWindowTitle(text(strings::dialogTitle));
    {
        // The first tab becomes the current one; initialise() shows its picture once,
        // rather than rendering all 24 megapixels here and again there.
        const QSignalBlocker quiet(viewTabs_);
        for (const std::uint32_t view :
             {strings::viewOriginal, strings::viewMarkDefects, strings::viewOptimized})
            viewTabs_->addTab(text(view));
    }
    for (const auto& [id, tip] : kToolTips) control(id)->setToolTip(text(tip));
}

void NelvoDialog::setArtworkAndFonts() {
    // The layout is already 1.5 times larger on a large screen; its pictures take the
    // large artwork at their controls' size.
    if (largeScreen()) {
        const std::pair<int, int> pictures[] = {{editing::kSettingsHeaderBar, bitmaps::kHeaderBar},
                                                {editing::kAdvancedHeaderBar, bitmaps::kHeaderBar},
                                                {editing::kProductLogo, bitmaps::kLargeLogo},
                                                {editing::kHelpIcon, bitmaps::kLargeHelp}};
        for (const auto& [id, bitmap] : pictures) {
            auto* label = findControl<QLabel>(this, id);
            label->setPixmap(
                QPixmap::fromImage(loadBitmapScaled(bitmap, label->width(), label->height())));
        }
    }
    const bool large = largeScreen();
    findControl<NelvoButtonCtrl>(this, editing::kMaskPathTool)->setBitmap(bitmaps::kMaskPath);
    findControl<NelvoButtonCtrl>(this, editing::kMaskPolygonTool)->setBitmap(bitmaps::kMaskPolygon);
    findControl<NelvoButtonCtrl>(this, editing::kZoomIn)
        ->setBitmap(large ? bitmaps::kLargeZoomIn : bitmaps::kZoomIn);
    findControl<NelvoButtonCtrl>(this, editing::kZoomOut)
        ->setBitmap(large ? bitmaps::kLargeZoomOut : bitmaps::kZoomOut);
    const auto tenths = [](int size) {
        return static_cast<int>(std::lround(size * layoutScale()));
    };
    setControlFont(control(editing::kMaskNameEdit), tenths(116), maskEditFont_, false);
    setControlFont(control(editing::kProductLine), tenths(100), productFont_, false);
    setControlFont(control(editing::kAboutLink), tenths(100), linkFont_, true);
    // Translations run longer than the template's English, and the platform's
    // font is wider than the template's: the product line shrinks until it fits
    // its box, and the centred link grows to both sides under it.
    shrinkToFit(findControl<QLabel>(this, editing::kProductLine));
    widenAroundCentre(control(editing::kAboutLink));
    // The pictures were resized: keep their new sizes as the layout's base.
    for (Placement& p : placements_) {
        const QRect g = p.widget->geometry();
        p.base = {g.x(), g.y(), g.width(), g.height()};
    }
}

void NelvoDialog::initialise() {
    if (initialised_) return;
    initialised_ = true;
    const ScreenMetrics& metrics = screenMetrics();
    setMinimumSize(metrics.dialogMinWidth, metrics.dialogMinHeight);
    resize(std::max(width(), metrics.dialogMinWidth), std::max(height(), metrics.dialogMinHeight));
    setTexts();
    setArtworkAndFonts();
    for (const double level : kZoomLevels)
        zoomBox()->addItem(QString::fromStdString(zoomText(level)));
    const SliderRanges& r = sliderRanges();
    const std::pair<int, ParameterRange> ranges[] = {
        {editing::kZoomSlider, r.zoom},
        {editing::kIntensitySlider, r.detectionIntensity},
        {editing::kTileSizeSlider, r.tileSize},
        {editing::kBrushSizeSlider, r.brushSize},
        {editing::kBrushIntensitySlider, r.brushIntensity},
        {editing::kEraserSizeSlider, r.eraserSize}};
    for (const auto& [id, range] : ranges) {
        slider(id)->blockSignals(true);
        slider(id)->setRange(range.low, range.high);
        slider(id)->blockSignals(false);
    }
    applySettings();
    for (const auto& entry : editSliders_) syncEditFromSlider(entry.first);
    toolTabs_->addTab(bitmaps::kBrush);
    toolTabs_->addTab(bitmaps::kEraser);
    toolTabs_->onSelChange = [this] { onToolTabChanged(); };
    // A hidden window gets its resize events only when shown; the preview must have
    // its size before it is fitted.
    layoutControls();
    // The first computation starts with the engine's planes, beside the first picture.
    startUpdate(UpdateMode::Initial);
    preview_->showImage(preview_->sourcePixels.data());
    installPreviewCallbacks();
    fitPreview();
    // The navigator is placed beside the dialog: the dialog takes its place on the screen
    // now rather than when it is shown.
    if (!testAttribute(Qt::WA_Moved)) adjustPosition(parentWidget());
    createNavigator();
    for (int id : {editing::kMaskButton2, editing::kMaskButton1, editing::kMaskButton4,
                   editing::kMaskButton3})
        control(id)->setEnabled(false);
    updatePresetButtons();
    if (resizeCursor()) updateCursor();
    // Keys reach the dialog before its controls: the space bar, Enter in the zoom box
    // and the zoom shortcuts.
    QCoreApplication::instance()->installEventFilter(this);
    setFocus();
    splash_->end();
    timerId_ = startTimer(200);
}

int NelvoDialog::exec() {
    initialise();
    const HandlerFailureScope failures(
        [this](std::exception_ptr failure) { onHandlerFailure(std::move(failure)); });
    return QDialog::exec();
}

void NelvoDialog::onHandlerFailure(std::exception_ptr failure) {
    if (!failure_) failure_ = std::move(failure);
    // Not from within the failed handler: the window system is still in its dispatch.
    QMetaObject::invokeMethod(this, guarded([this] { cancelRun(); }), Qt::QueuedConnection);
}

bool NelvoDialog::hostAsksToStop() const {
    return record_->abortProc != nullptr && record_->abortProc() != 0;
}

void NelvoDialog::cancelRun() {
    if (!isVisible()) return;
    // A menu, message box, colour chooser or naming dialog runs its own loop over ours.
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* nested = qobject_cast<QDialog*>(window);
        if (nested != nullptr && nested != this && nested->isVisible()) nested->reject();
    }
    done(QDialog::Rejected);
}

ControlValues NelvoDialog::controlValues() const {
    ControlValues v;
    v.darkDefects = check(editing::kDarkDefects)->isChecked();
    v.brightDefects = check(editing::kBrightDefects)->isChecked();
    v.detectionIntensity = slider(editing::kIntensitySlider)->value();
    v.tileSize = slider(editing::kTileSizeSlider)->value();
    v.brushSize = slider(editing::kBrushSizeSlider)->value();
    v.brushIntensity = slider(editing::kBrushIntensitySlider)->value();
    v.eraserSize = slider(editing::kEraserSizeSlider)->value();
    v.defectColor = defectColor_;
    v.adaptiveRecognition = check(editing::kAdaptiveDetection)->isChecked();
    return v;
}

// Sets the controls without starting anything; the caller decides what to recompute.
void NelvoDialog::applyValues(const ControlValues& v) {
    check(editing::kDarkDefects)->setChecked(v.darkDefects);
    check(editing::kBrightDefects)->setChecked(v.brightDefects);
    check(editing::kAdaptiveDetection)->setChecked(v.adaptiveRecognition);
    const std::pair<int, std::int32_t> positions[] = {
        {editing::kIntensitySlider, v.detectionIntensity},
        {editing::kTileSizeSlider, v.tileSize},
        {editing::kBrushSizeSlider, v.brushSize},
        {editing::kBrushIntensitySlider, v.brushIntensity},
        {editing::kEraserSizeSlider, v.eraserSize}};
    for (const auto& [id, value] : positions) {
        slider(id)->blockSignals(true);
        slider(id)->setValue(value);
        slider(id)->blockSignals(false);
    }
    defectColor_ = v.defectColor;
    for (const auto& entry : editSliders_) syncEditFromSlider(entry.first);
}

void NelvoDialog::applySettings() {
    const ScreenMetrics& metrics = screenMetrics();
    const std::int32_t* frame = settings.windowFrame;  // top, left, bottom, right
    const std::int64_t frameWidth = std::int64_t{frame[3]} - frame[1];
    const std::int64_t frameHeight = std::int64_t{frame[2]} - frame[0];
    // A frame from another screen setup, or typed into an action, opens the dialog where
    // it can be seen and used, never larger than the screen.
    // The window system's frame around it must fit as well: the native window is made
    // now so that its margins are known.
    if (frameWidth >= metrics.dialogMinWidth && frameHeight >= metrics.dialogMinHeight) {
        winId();
        const QMargins m = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
        const StoredRect outer{std::int64_t{frame[1]} - m.left(), std::int64_t{frame[0]} - m.top(),
                               frameWidth + m.left() + m.right(),
                               frameHeight + m.top() + m.bottom()};
        if (const auto fitted = fitOntoCurrentScreens(outer))
            setGeometry(fitted->x + m.left(), fitted->y + m.top(),
                        fitted->width - m.left() - m.right(),
                        fitted->height - m.top() - m.bottom());
    }
    applyValues(valuesFromSettings(settings.engine));
}

ClosingControls NelvoDialog::closingControls() const {
    ClosingControls c;
    c.values = controlValues();
    c.zoomSliderPosition = slider(editing::kZoomSlider)->value();
    const QRect g = geometry();
    c.frame = WindowFrame{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    return c;
}

void NelvoDialog::done(int r) {
    // Reached from key presses inside the window system's dispatch; whatever fails here,
    // the modal loop still ends.
    guardHandler([&] {
        if (timerId_ != 0) {
            killTimer(timerId_);
            timerId_ = 0;
        }
        // The navigator keeps its place for the next opening.
        if (navigator_ != nullptr) navigator_->close();
        closeEditing(r == QDialog::Accepted, closingControls(), *marks_, *updater_, settings,
                     result);
    });
    QDialog::done(r);
}

void NelvoDialog::resizeEvent(QResizeEvent* e) {
    guardHandler([&] {
        QDialog::resizeEvent(e);
        layoutControls();
        // The preview keeps its picture in view itself, but only once it is shown.
        preview_->keepInView();
        updateNavigator();
    });
}

void NelvoDialog::layoutControls() {
    const int dx = width() - baseSize_.width();
    const int dy = height() - baseSize_.height();
    for (const Placement& p : placements_) {
        const PixelRect r = anchoredRect(p.base, p.anchor, dx, dy);
        p.widget->setGeometry(r.x, r.y, r.width, r.height);
    }
}

}  // namespace nelvo
