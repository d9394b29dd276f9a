// SPDX-License-Identifier: MIT
// The interactive filter run through the module's entry point: the dialog opens on the
// sample picture, the intensity is changed, OK applies it; the written image is the
// "Optimized" preview pixel for pixel, and the confirmed settings are recorded.
#include <QPushButton>
#include <QTabBar>
#include <QTimer>

#include "dialog/DialogFixture.h"

namespace nelvo::test {
namespace {

QWidget* shownEditingDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("template1000") && w->isVisible()) return w;
    return nullptr;
}

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
    const std::vector<std::uint8_t> before = image.document.pixels;
    std::vector<std::uint8_t> preview;
    bool driven = false;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* d = shownEditingDialog();
        if (d == nullptr || driven) return;
        driven = true;
        timer.stop();
        auto* progress = findControl(d, 1081);
        auto* intensity = findControl<QSlider>(d, 1029);
        EXPECT_TRUE(waitUntil([&] { return !progress->isVisible(); }));
        intensity->setValue(14);
        findControl<QTabBar>(d, 1018)->setCurrentIndex(2);
        EXPECT_TRUE(waitUntil([&] { return !progress->isVisible(); }));
        // The preview lives in the module; its layout is this build's.
        const auto* ctrl = static_cast<const NelvoImageCtrl*>(findControl(d, 1001));
        preview = ctrl->optimizedPixels;
        findControl<QPushButton>(d, 1)->click();
    });
    timer.start();
    session->giveDescriptor(filterhost::Descriptor{}, plugInDialogDisplay);
    ASSERT_EQ(session->run(image.document), noErr);
    ASSERT_TRUE(driven);
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
    const std::vector<std::uint8_t> before = image.document.pixels;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (QWidget* d = shownEditingDialog()) {
            timer.stop();
            findControl<QSlider>(d, 1029)->setValue(3);
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

}  // namespace
}  // namespace nelvo::test
