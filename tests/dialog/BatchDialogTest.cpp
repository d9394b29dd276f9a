// SPDX-License-Identifier: MIT
// A batch that replays an action recorded with the dialog shows the dialog for each
// file; Close or Esc there ends the whole batch as cancelled, never as a success.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/BatchCommand.h"
#include "resources/DialogResources.h"
#include "support/ModalCloser.h"
#include "support/TempDir.h"
#include "ui/qt/ControlId.h"

namespace fs = std::filesystem;

namespace nelvo::test {
namespace {

TEST(BatchDialog, EscInTheDialogCancelsTheBatch) {
    testApplication();
    TempDir folder;
    fs::create_directories(folder / "scans");
    for (const char* name : {"a.png", "b.png", "c.png"})
        fs::copy_file(NELVO_SAMPLE_IMAGE, folder.path() / "scans" / name);
    std::ofstream(folder / "dialog.json") << "{\"playInfo\": \"display\", \"descriptor\": {}}";
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);

    filterhost::BatchOptions options;
    options.inputFolder = folder / "scans";
    options.outputFolder = folder / "cleaned";
    options.run.plugin = NELVO_MODULE_PATH;
    options.run.play = folder / "dialog.json";
    options.run.showProgress = false;
    // Esc in the first dialog that shows.
    int dialogs = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() != templateObjectName(templates::kEditingDialog) || !w->isVisible())
                continue;
            ++dialogs;
            QTest::keyClick(w, Qt::Key_Escape);
            return;
        }
    });
    timer.start();
    std::ostringstream out, err;
    EXPECT_EQ(filterhost::runBatch(options, out, err), 130) << err.str();
    EXPECT_EQ(dialogs, 1);
    EXPECT_NE(err.str().find("batch cancelled; 3 of 3 files not reached"), std::string::npos)
        << err.str();
    EXPECT_NE(out.str().find("0 done, 0 skipped, 0 failed"), std::string::npos) << out.str();
    EXPECT_FALSE(fs::exists(folder / "cleaned" / "a.png"));
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace nelvo::test
