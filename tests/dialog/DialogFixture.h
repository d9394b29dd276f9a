// SPDX-License-Identifier: MIT
// The editing dialog on a real host record: the sample picture served by our host's
// session, as the filter run would hand it to the dialog.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <functional>
#include <mutex>

#include "dialog/RefusingAllocator.h"
#include "host/CallContext.h"
#include "host/FilterRun.h"
#include "imageio/ImageFiles.h"
#include "module/PluginModule.h"
#include "session/HostSession.h"
#include "support/ModalCloser.h"
#include "ui/qt/ControlId.h"
#include "ui/qt/NelvoDialog.h"
#include "ui/qt/NelvoImageCtrl.h"

namespace nelvo::test {

// Spins the event loop until `done` holds or `seconds` pass.
inline bool waitUntil(const std::function<bool()>& done, int seconds = 60) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QTest::qWait(5);
    }
    return true;
}

class DialogFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        module = filterhost::PluginModule::load(NELVO_MODULE_PATH);
        image = filterhost::readImage(NELVO_SAMPLE_IMAGE);
        serve(image.document);
        setDefaults(parameters);
    }

    // A fresh host session serving `document` to the dialogs opened next.
    void serve(filterhost::Document& document) {
        session = std::make_unique<filterhost::HostSession>(*module, services);
        session->begin(document);
        // What a call of the module would find: the big-document record, claimed for
        // 32-bit coordinates as the entry point does, and the tile server's procedures.
        session->record().bigDocumentData = &session->bigDocument();
        session->bigDocument().PluginUsing32BitCoordinates = 1;
        session->server().attach(session->record());
        context.record = &session->record();
    }

    // A dialog made and initialised as the filter run does, shown.
    std::unique_ptr<NelvoDialog> open() {
        auto dialog = std::make_unique<NelvoDialog>(
            &session->record(),
            [this] {
                filterhost::TileServer::Activation serving(session->server());
                nelvo::fetchWholeImage(context);
            },
            allocator);
        dialog->settings = parameters;
        // Each test keeps the navigator's position to itself.
        dialog->navigatorProfile = profile.filePath(QStringLiteral("Nelvo.ini"));
        dialog->initialise();
        dialog->show();
        return dialog;
    }

    // Holds the preview worker before its marking stage until the lock is released, so
    // a test sees a computation under way however fast the machine finishes it.
    [[nodiscard]] static std::unique_lock<std::mutex> holdWorker(NelvoDialog& d) {
        return std::unique_lock<std::mutex>(d.updater().mapLock);
    }

    static bool idle(NelvoDialog& d) {
        return !d.updater().isBusy() && !findControl(&d, editing::kProgress)->isVisible();
    }
    static QWidget* control(NelvoDialog& d, int id) { return findControl(&d, id); }
    static QSlider* slider(NelvoDialog& d, int id) { return findControl<QSlider>(&d, id); }
    static QLineEdit* edit(NelvoDialog& d, int id) { return findControl<QLineEdit>(&d, id); }
    static QCheckBox* check(NelvoDialog& d, int id) { return findControl<QCheckBox>(&d, id); }

    std::unique_ptr<filterhost::PluginModule> module;
    filterhost::HostServices services;
    filterhost::ImageFile image;
    std::unique_ptr<filterhost::HostSession> session;
    CallContext context;
    RefusingAllocator allocator;
    FilterParameters parameters{};
    QTemporaryDir profile;
};

}  // namespace nelvo::test
