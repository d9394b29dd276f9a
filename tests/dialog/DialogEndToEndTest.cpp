// SPDX-License-Identifier: MIT
// The interactive filter run through the module's entry point: the dialog opens on the
// sample picture, the intensity is changed, OK applies it; the written image is the
// "Optimized" preview pixel for pixel, and the confirmed settings are recorded. Hand
// marks made in the dialog reach the written image and a replay in the same session.
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <functional>

#include "dialog/DialogFixture.h"

namespace nelvo::test {
namespace {

QWidget* shownEditingDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == templateObjectName(templates::kEditingDialog) && w->isVisible())
            return w;
    return nullptr;
}

// Calls `drive` once, from the dialog's own event loop, as soon as the editing dialog is
// on screen; tells afterwards whether it ran.
class WhenShown {
  public:
    explicit WhenShown(std::function<void(QWidget*)> drive) : drive_(std::move(drive)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* d = shownEditingDialog();
            if (d == nullptr || driven_) return;
            driven_ = true;
            timer_.stop();
            drive_(d);
        });
        timer_.start();
    }
    bool driven() const { return driven_; }

  private:
    std::function<void(QWidget*)> drive_;
    QTimer timer_;
    bool driven_ = false;
};

class DialogRun : public DialogFixture {
  protected:
    void SetUp() override {
        DialogFixture::SetUp();
        // The host's default: the whole filter rectangle as one tile.
        session->beforeCall = [](FilterRecord& record) {
            record.outTileWidth = 600;
            record.outTileHeight = 400;
        };
    }
};

TEST_F(DialogRun, OkWritesTheOptimizedPreview) {
    const nelvo::FreshPagesBytes before = image.document.pixels;
    std::vector<std::uint8_t> preview;
    WhenShown shown([&](QWidget* d) {
        auto* progress = findControl(d, editing::kProgress);
        auto* intensity = findControl<QSlider>(d, editing::kIntensitySlider);
        EXPECT_TRUE(waitUntil([&] { return !progress->isVisible(); }));
        intensity->setValue(14);
        findControl<QTabBar>(d, editing::kViewTabs)->setCurrentIndex(2);
        EXPECT_TRUE(waitUntil([&] { return !progress->isVisible(); }));
        // The preview lives in the module; its layout is this build's.
        const auto* ctrl = static_cast<const NelvoImageCtrl*>(findControl(d, editing::kPreview));
        preview.assign(ctrl->optimizedPixels.begin(), ctrl->optimizedPixels.end());
        findControl<QPushButton>(d, 1)->click();
    });
    session->giveDescriptor(filterhost::Descriptor{}, plugInDialogDisplay);
    ASSERT_EQ(session->run(image.document), noErr);
    ASSERT_TRUE(shown.driven());
    ASSERT_EQ(preview.size(), image.document.pixels.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < preview.size(); ++i)
        differing += preview[i] != image.document.pixels[i];
    EXPECT_EQ(differing, 0u);
    EXPECT_NE(image.document.pixels, before);

    const auto recorded = session->recordedDescriptor();
    ASSERT_TRUE(recorded);
    const filterhost::DescriptorValue* detI = recorded->find(PIFourCC('d', 'e', 't', 'I'));
    ASSERT_NE(detI, nullptr);
    EXPECT_EQ(std::get<int32_t>(*detI), 14);
}

TEST_F(DialogRun, CloseChangesNothing) {
    const nelvo::FreshPagesBytes before = image.document.pixels;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (QWidget* d = shownEditingDialog()) {
            timer.stop();
            findControl<QSlider>(d, editing::kIntensitySlider)->setValue(3);
            findControl<QPushButton>(d, 2)->click();
        }
    });
    timer.start();
    session->giveDescriptor(filterhost::Descriptor{}, plugInDialogDisplay);
    EXPECT_EQ(session->run(image.document), userCanceledErr);
    EXPECT_EQ(image.document.pixels, before);
    const auto recorded = session->recordedDescriptor();
    EXPECT_FALSE(recorded && recorded->find(PIFourCC('d', 'e', 't', 'I')) != nullptr &&
                 std::get<int32_t>(*recorded->find(PIFourCC('d', 'e', 't', 'I'))) == 3);
}

// A dark speck of the dust that the detection at its defaults misses, and an undusted
// stretch of texture that it flags, found by comparing the dusty sample with the clean
// original.
struct Targets {
    IntPoint speck{-1, -1};
    IntPoint texture{-1, -1};
    int textureFlags = 0;
    int speckDarker = 0;
};

template <typename Bytes>
int grey(const Bytes& rgb, int width, int x, int y) {
    const std::size_t at = 3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(x));
    return (rgb[at] + rgb[at + 1] + rgb[at + 2]) / 3;
}

Targets findTargets(const nelvo::FreshPagesBytes& dusty, const nelvo::FreshPagesBytes& clean,
                    const std::vector<std::uint8_t>& defects, int width, int height) {
    const auto flaggedNear = [&](int cx, int cy, int r) {
        int n = 0;
        for (int y = std::max(0, cy - r); y <= std::min(height - 1, cy + r); ++y)
            for (int x = std::max(0, cx - r); x <= std::min(width - 1, cx + r); ++x)
                n += defects[static_cast<std::size_t>(y * width + x)] != 0;
        return n;
    };
    const auto dustNear = [&](int cx, int cy, int r) {
        for (int y = cy - r; y <= cy + r; ++y)
            for (int x = cx - r; x <= cx + r; ++x)
                for (int k = 0; k < 3; ++k) {
                    const std::size_t at =
                        3 * static_cast<std::size_t>(y * width + x) + static_cast<std::size_t>(k);
                    if (dusty[at] != clean[at]) return true;
                }
        return false;
    };
    Targets t;
    int darkest = 0;
    for (int y = 20; y < height - 20; ++y)
        for (int x = 20; x < width - 20; ++x) {
            const int darker = grey(clean, width, x, y) - grey(dusty, width, x, y);
            if (darker > darkest && flaggedNear(x, y, 4) == 0) {
                darkest = darker;
                t.speck = {x, y};
            }
        }
    for (int y = 20; y < height - 20; y += 4)
        for (int x = 20; x < width - 20; x += 4) {
            const int flags = flaggedNear(x, y, 8);
            if (flags > t.textureFlags && !dustNear(x, y, 14)) {
                t.textureFlags = flags;
                t.texture = {x, y};
            }
        }
    t.speckDarker = darkest;
    return t;
}

TEST_F(DialogRun, MarksReachTheWrittenImage) {
    const nelvo::FreshPagesBytes dusty = image.document.pixels;
    const nelvo::FreshPagesBytes clean = filterhost::readImage(NELVO_CLEAN_IMAGE).document.pixels;
    const int width = image.document.width, height = image.document.height;
    Targets t;
    WhenShown shown([&](QWidget* d) {
        auto* progress = findControl(d, editing::kProgress);
        EXPECT_TRUE(waitUntil([&] { return !progress->isVisible(); }));
        // The dialog and its preview live in the module; their layout is this build's.
        auto& dialog = *static_cast<NelvoDialog*>(d);
        t = findTargets(dusty, clean, dialog.updater().defectMap, width, height);
        auto* preview = findControl(d, editing::kPreview);
        const auto& ctrl = *static_cast<const NelvoImageCtrl*>(preview);
        const auto clientOf = [&](IntPoint p) {
            return QPoint(ctrl.displayRect.left + static_cast<int>(std::lround(p.x * ctrl.zoom)),
                          ctrl.displayRect.top + static_cast<int>(std::lround(p.y * ctrl.zoom)));
        };
        findControl<QSlider>(d, editing::kBrushSizeSlider)->setValue(4);
        findControl<QSlider>(d, editing::kBrushIntensitySlider)->setValue(10);
        QTest::mouseClick(preview, Qt::LeftButton, {}, clientOf(t.speck));
        EXPECT_TRUE(waitUntil([&] { return !progress->isVisible(); }));
        findControl<QSlider>(d, editing::kEraserSizeSlider)->setValue(12);
        auto* tools = findControl(d, editing::kToolTabs);
        QTest::mouseClick(tools, Qt::LeftButton, {}, QPoint(10, 50));  // the eraser's tab
        QTest::mouseClick(preview, Qt::LeftButton, {}, clientOf(t.texture));
        EXPECT_TRUE(waitUntil([&] { return !progress->isVisible(); }));
        findControl<QPushButton>(d, 1)->click();
    });
    session->giveDescriptor(filterhost::Descriptor{}, plugInDialogDisplay);
    ASSERT_EQ(session->run(image.document), noErr);
    ASSERT_TRUE(shown.driven());
    const auto& written = image.document.pixels;

    // The speck's pixels come back near the clean picture.
    int dustError = 0, writtenError = 0;
    for (int y = t.speck.y - 4; y <= t.speck.y + 4; ++y)
        for (int x = t.speck.x - 4; x <= t.speck.x + 4; ++x) {
            dustError += std::abs(grey(dusty, width, x, y) - grey(clean, width, x, y));
            writtenError += std::abs(grey(written, width, x, y) - grey(clean, width, x, y));
        }
    ASSERT_GE(t.speckDarker, 40) << "the sample has no missed speck to paint";
    ASSERT_GE(t.textureFlags, 20) << "the sample has no over-marked texture to erase";
    EXPECT_LT(2 * writtenError, dustError) << "the painted speck was not repaired";
    // Inside the erased disc (radius 12.5 around the texture point) nothing changed.
    int changed = 0;
    for (int y = t.texture.y - 8; y <= t.texture.y + 8; ++y)
        for (int x = t.texture.x - 8; x <= t.texture.x + 8; ++x)
            for (int k = 0; k < 3; ++k) {
                const std::size_t at =
                    3 * static_cast<std::size_t>(y * width + x) + static_cast<std::size_t>(k);
                changed += written[at] != dusty[at];
            }
    EXPECT_EQ(changed, 0) << "the erased texture was repaired";

    // Replaying the recorded action in the same host session applies the same marks.
    const auto recorded = session->recordedDescriptor();
    ASSERT_TRUE(recorded);
    filterhost::Document again = image.document;
    again.pixels = dusty;
    session->giveDescriptor(*recorded, plugInDialogSilent);
    ASSERT_EQ(session->run(again), noErr);
    EXPECT_EQ(again.pixels, written);

    // On a picture of another size the saved marks do not fit: it gets neutral ones, as
    // in a session that never saw the dialog.
    filterhost::Document crop;
    crop.allocate(width / 2, height / 2, 3, image.document.imageMode, 8);
    for (int y = 0; y < crop.height; ++y)
        std::copy_n(dusty.begin() + static_cast<std::ptrdiff_t>(y) * width * 3, crop.width * 3,
                    crop.pixels.begin() + static_cast<std::ptrdiff_t>(y) * crop.width * 3);
    filterhost::Document unmarked = crop;
    ASSERT_EQ(session->run(crop), noErr);
    filterhost::HostSession fresh(*module, services);
    fresh.beforeCall = session->beforeCall;
    fresh.giveDescriptor(*recorded, plugInDialogSilent);
    ASSERT_EQ(fresh.run(unmarked), noErr);
    EXPECT_EQ(crop.pixels, unmarked.pixels);
}

// A frame remembered on a larger desk, or typed into an action, opens the dialog on a
// screen it fits; what OK records is that fitted frame.
TEST_F(DialogRun, AFrameLargerThanTheScreenOpensFittedToIt) {
    QRect opened;
    QMargins margins;
    WhenShown shown([&](QWidget* d) {
        opened = d->geometry();
        margins = d->windowHandle()->frameMargins();
        findControl<QPushButton>(d, 1)->click();
    });
    filterhost::Descriptor descriptor;
    descriptor.put(PIFourCC('w', 'i', 'n', 'F'), std::vector<int32_t>{0, 0, 100000, 100000});
    session->giveDescriptor(descriptor, plugInDialogDisplay);
    ASSERT_EQ(session->run(image.document), noErr);
    ASSERT_TRUE(shown.driven());
    EXPECT_EQ(opened, QRect(0, 0, 1920, 1080).marginsRemoved(margins));
    const auto recorded = session->recordedDescriptor();
    ASSERT_TRUE(recorded);
    const filterhost::DescriptorValue* frame = recorded->find(PIFourCC('w', 'i', 'n', 'F'));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(std::get<std::vector<int32_t>>(*frame),
              (std::vector<int32_t>{opened.top(), opened.left(), opened.bottom() + 1,
                                    opened.right() + 1}));
}

// What a handler of the dialog throws ends the run with the module's error for it,
// instead of unwinding through the window system; the image is left alone.
TEST_F(DialogRun, AFailingHandlerEndsTheRunWithItsError) {
    const nelvo::FreshPagesBytes before = image.document.pixels;
    WhenShown shown([&](QWidget* d) {
        auto& preview = static_cast<NelvoImageCtrl&>(*findControl(d, editing::kPreview));
        preview.onLButtonDown = [](unsigned, IntPoint) { throw std::bad_alloc(); };
        QTest::mousePress(&preview, Qt::LeftButton, {}, preview.rect().center());
    });
    session->giveDescriptor(filterhost::Descriptor{}, plugInDialogDisplay);
    EXPECT_EQ(session->run(image.document), memFullErr);
    ASSERT_TRUE(shown.driven());
    EXPECT_EQ(image.document.pixels, before);
    EXPECT_EQ(shownEditingDialog(), nullptr);
}

// A stop the host was asked for (a signal to the program) closes the open dialog as
// Cancel would, over a window opened on top of it too.
TEST_F(DialogRun, TheHostsStopClosesTheDialogAsCancel) {
    const nelvo::FreshPagesBytes before = image.document.pixels;
    bool stop = false;
    session->hooks.abortRequested = [&stop] { return stop; };
    WhenShown shown([&](QWidget* d) {
        findControl<QSlider>(d, editing::kIntensitySlider)->setValue(3);
        stop = true;
        // The naming dialog of "+" runs its own loop over the dialog's.
        findControl<QPushButton>(d, editing::kAddPreset)->click();
    });
    session->giveDescriptor(filterhost::Descriptor{}, plugInDialogDisplay);
    EXPECT_EQ(session->run(image.document), userCanceledErr);
    ASSERT_TRUE(shown.driven());
    EXPECT_EQ(image.document.pixels, before);
    EXPECT_EQ(shownModalDialog(), nullptr);
}

// OK (here Enter) with the mouse button still down applies the stroke the user sees.
TEST_F(DialogRun, EnterDuringAStrokeAppliesIt) {
    const nelvo::FreshPagesBytes dusty = image.document.pixels;
    const nelvo::FreshPagesBytes clean = filterhost::readImage(NELVO_CLEAN_IMAGE).document.pixels;
    const int width = image.document.width, height = image.document.height;
    Targets t;
    WhenShown shown([&](QWidget* d) {
        auto* progress = findControl(d, editing::kProgress);
        EXPECT_TRUE(waitUntil([&] { return !progress->isVisible(); }));
        auto& dialog = *static_cast<NelvoDialog*>(d);
        t = findTargets(dusty, clean, dialog.updater().defectMap, width, height);
        auto* preview = findControl(d, editing::kPreview);
        const auto& ctrl = *static_cast<const NelvoImageCtrl*>(preview);
        const QPoint at(
            ctrl.displayRect.left + static_cast<int>(std::lround(t.speck.x * ctrl.zoom)),
            ctrl.displayRect.top + static_cast<int>(std::lround(t.speck.y * ctrl.zoom)));
        findControl<QSlider>(d, editing::kBrushSizeSlider)->setValue(4);
        findControl<QSlider>(d, editing::kBrushIntensitySlider)->setValue(10);
        QTest::mousePress(preview, Qt::LeftButton, {}, at);
        QTest::keyClick(d, Qt::Key_Return);
    });
    session->giveDescriptor(filterhost::Descriptor{}, plugInDialogDisplay);
    ASSERT_EQ(session->run(image.document), noErr);
    ASSERT_TRUE(shown.driven());
    ASSERT_GE(t.speckDarker, 40) << "the sample has no missed speck to paint";
    int dustError = 0, writtenError = 0;
    for (int y = t.speck.y - 4; y <= t.speck.y + 4; ++y)
        for (int x = t.speck.x - 4; x <= t.speck.x + 4; ++x) {
            dustError += std::abs(grey(dusty, width, x, y) - grey(clean, width, x, y));
            writtenError +=
                std::abs(grey(image.document.pixels, width, x, y) - grey(clean, width, x, y));
        }
    EXPECT_LT(2 * writtenError, dustError) << "the stroke under way at OK was dropped";
}

}  // namespace
}  // namespace nelvo::test
