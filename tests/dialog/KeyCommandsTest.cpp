// SPDX-License-Identifier: MIT
// The dialog's keyboard rules without a window: where a key is the dialog's and where the
// focused text box keeps it, the held keys' presses, repeats and releases, and the Ctrl
// shortcuts.
#include <gtest/gtest.h>

#include "dialog/KeyCommands.h"

namespace nelvo {
namespace {

DialogKey press(KeyName name) {
    return DialogKey{name, false, false, false, false, false};
}
DialogKey release(KeyName name) {
    return DialogKey{name, true, false, false, false, false};
}
DialogKey repeat(KeyName name) {
    return DialogKey{name, false, true, false, false, false};
}
DialogKey ctrl(KeyName name, bool shift = false) {
    return DialogKey{name, false, false, true, shift, false};
}

KeyContext typing() {
    KeyContext c;
    c.typingInTextBox = true;
    return c;
}
KeyContext zoomBox() {
    KeyContext c;
    c.typingInTextBox = true;
    c.inZoomBox = true;
    return c;
}
KeyContext comparing() {
    KeyContext c;
    c.comparing = true;
    return c;
}
KeyContext overPreview(bool spaceHeld = false) {
    KeyContext c;
    c.panOrPointerOverPreview = true;
    c.spaceHeld = spaceHeld;
    return c;
}

TEST(KeyCommands, EveryRule) {
    struct Case {
        const char* what;
        DialogKey key;
        KeyContext context;
        KeyCommand command;
    };
    const Case cases[] = {
        {"N shows the navigator", press(KeyName::N), {}, KeyCommand::ShowNavigator},
        {"N is a letter in a text box", press(KeyName::N), typing(), KeyCommand::PassOn},
        {"Ctrl+N is not the navigator", ctrl(KeyName::N), {}, KeyCommand::PassOn},
        {"backslash compares", press(KeyName::Backslash), {}, KeyCommand::BeginComparison},
        {"O compares", press(KeyName::O), {}, KeyCommand::BeginComparison},
        {"O is a letter in a text box", press(KeyName::O), typing(), KeyCommand::PassOn},
        {"a held comparison key repeats into nothing", repeat(KeyName::O), {}, KeyCommand::Swallow},
        {"its release ends the comparison", release(KeyName::O), comparing(),
         KeyCommand::EndComparison},
        // Released while a text box has the focus: the original must not stay on show.
        {"its release ends it from a text box too", release(KeyName::Backslash),
         [] {
             KeyContext c = comparing();
             c.typingInTextBox = true;
             return c;
         }(),
         KeyCommand::EndComparison},
        {"a release without a comparison is not the dialog's",
         release(KeyName::O),
         {},
         KeyCommand::PassOn},
        {"space over the preview holds the hand", press(KeyName::Space), overPreview(),
         KeyCommand::SpaceDown},
        {"space elsewhere presses the focused button",
         press(KeyName::Space),
         {},
         KeyCommand::PassOn},
        {"space repeats into nothing", repeat(KeyName::Space), overPreview(true),
         KeyCommand::Swallow},
        {"space released lets the hand go", release(KeyName::Space), overPreview(true),
         KeyCommand::SpaceUp},
        {"a repeat's release keeps the hand",
         DialogKey{KeyName::Space, true, true, false, false, false}, overPreview(true),
         KeyCommand::PassOn},
        {"Alt+space released keeps the hand",
         DialogKey{KeyName::Space, true, false, false, false, true}, overPreview(true),
         KeyCommand::PassOn},
        {"Return in the zoom box applies its text", press(KeyName::Return), zoomBox(),
         KeyCommand::ApplyTypedZoom},
        {"Return elsewhere may confirm a typed number", press(KeyName::Return), typing(),
         KeyCommand::ConfirmTypedValue},
        {"[ makes the tool smaller", press(KeyName::BracketLeft), typing(),
         KeyCommand::SmallerTool},
        {"] makes the tool larger", press(KeyName::BracketRight), {}, KeyCommand::LargerTool},
        {"brackets are text in the zoom box", press(KeyName::BracketRight), zoomBox(),
         KeyCommand::PassOn},
        {"Ctrl+Tab: the next view", ctrl(KeyName::Tab), {}, KeyCommand::NextView},
        {"Ctrl+Shift+Tab: the previous view",
         ctrl(KeyName::Tab, true),
         {},
         KeyCommand::PreviousView},
        {"Tab alone moves the focus", press(KeyName::Tab), {}, KeyCommand::PassOn},
        {"Ctrl+Z undoes", ctrl(KeyName::Z), typing(), KeyCommand::UndoMarks},
        {"Ctrl+Shift+Z redoes", ctrl(KeyName::Z, true), {}, KeyCommand::RedoMarks},
        {"Ctrl+Y redoes", ctrl(KeyName::Y), {}, KeyCommand::RedoMarks},
        {"Ctrl+Delete clears", ctrl(KeyName::Delete), {}, KeyCommand::ClearMarks},
        {"Ctrl+Backspace clears", ctrl(KeyName::Backspace), {}, KeyCommand::ClearMarks},
        {"the zoom box keeps its own undo", ctrl(KeyName::Z), zoomBox(), KeyCommand::PassOn},
        {"Ctrl+0 fits", ctrl(KeyName::Digit0), {}, KeyCommand::ZoomToFit},
        {"Ctrl+1: actual size", ctrl(KeyName::Digit1), zoomBox(), KeyCommand::ZoomToActualSize},
        {"Ctrl+plus zooms in", ctrl(KeyName::Plus), {}, KeyCommand::ZoomIn},
        {"Ctrl+minus zooms out", ctrl(KeyName::Minus), {}, KeyCommand::ZoomOut},
        {"a digit alone is a digit", press(KeyName::Digit1), {}, KeyCommand::PassOn},
        {"Ctrl with any other key", ctrl(KeyName::Other), {}, KeyCommand::PassOn},
    };
    for (const Case& c : cases) EXPECT_EQ(keyCommandFor(c.key, c.context), c.command) << c.what;
}

}  // namespace
}  // namespace nelvo
