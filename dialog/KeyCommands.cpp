// SPDX-License-Identifier: MIT
#include "dialog/KeyCommands.h"

namespace nelvo {

namespace {

bool isComparisonKey(KeyName name) {
    // The backslash, or O for keyboards where the backslash needs AltGr.
    return name == KeyName::Backslash || name == KeyName::O;
}

bool unmodified(const DialogKey& key) {
    return !key.ctrl && !key.shift && !key.alt;
}

KeyCommand withCtrl(const DialogKey& key, const KeyContext& context) {
    // Ctrl+Tab and Ctrl+Shift+Tab step through the views, as through a window's tabs.
    if (key.name == KeyName::Tab)
        return key.shift ? KeyCommand::PreviousView : KeyCommand::NextView;
    // Undo and clearing act on the marks, also from a number box (its text is rewritten
    // from its slider anyway); only the zoom box's text keeps its own editing keys.
    if (!context.inZoomBox) {
        switch (key.name) {
            case KeyName::Z:
                return key.shift ? KeyCommand::RedoMarks : KeyCommand::UndoMarks;
            case KeyName::Y:
                return KeyCommand::RedoMarks;
            case KeyName::Delete:
            case KeyName::Backspace:
                return KeyCommand::ClearMarks;
            default:
                break;
        }
    }
    switch (key.name) {
        case KeyName::Digit0:
            return KeyCommand::ZoomToFit;
        case KeyName::Digit1:
            return KeyCommand::ZoomToActualSize;
        case KeyName::Plus:
            return KeyCommand::ZoomIn;
        case KeyName::Minus:
            return KeyCommand::ZoomOut;
        default:
            return KeyCommand::PassOn;
    }
}

}  // namespace

KeyCommand keyCommandFor(const DialogKey& key, const KeyContext& context) {
    // Text boxes keep their letters; the comparison key works everywhere else.
    if (key.name == KeyName::N && !key.release && !context.typingInTextBox && unmodified(key))
        return KeyCommand::ShowNavigator;
    if (isComparisonKey(key.name) && key.release && context.comparing)
        return key.autoRepeat ? KeyCommand::Swallow : KeyCommand::EndComparison;
    if (isComparisonKey(key.name) && !key.release && !context.typingInTextBox && unmodified(key))
        return key.autoRepeat ? KeyCommand::Swallow : KeyCommand::BeginComparison;
    if (key.release) {
        // Only the real release, not the platform's auto-repeat, and not with Alt.
        if (key.name != KeyName::Space || key.autoRepeat || key.alt || !context.spaceHeld)
            return KeyCommand::PassOn;
        return KeyCommand::SpaceUp;
    }
    if (key.name == KeyName::Space && context.panOrPointerOverPreview)
        return key.autoRepeat ? KeyCommand::Swallow : KeyCommand::SpaceDown;
    if (key.name == KeyName::Return)
        return context.inZoomBox ? KeyCommand::ApplyTypedZoom : KeyCommand::ConfirmTypedValue;
    // Brackets size the tool; the number boxes take nothing but digits, so only the zoom
    // box's text keeps them.
    if ((key.name == KeyName::BracketLeft || key.name == KeyName::BracketRight) &&
        !context.inZoomBox)
        return key.name == KeyName::BracketRight ? KeyCommand::LargerTool : KeyCommand::SmallerTool;
    if (!key.ctrl) return KeyCommand::PassOn;
    return withCtrl(key, context);
}

}  // namespace nelvo
