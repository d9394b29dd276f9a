// SPDX-License-Identifier: MIT
// The editing dialog's keyboard, without any window: which command a key press or release
// stands for, given where the focus is and what the dialog is doing. Each window layer
// translates its own key events into DialogKey and carries out the command.
#pragma once

namespace nelvo {

// The keys the dialog gives a meaning to; every other key is Other.
enum class KeyName {
    Other,
    N,
    O,
    Backslash,
    Space,
    Return,  // the main Return key and the keypad's Enter
    BracketLeft,
    BracketRight,
    Tab,  // Tab and Shift+Tab (some toolkits call the latter Backtab)
    Z,
    Y,
    Delete,
    Backspace,
    Digit0,  // the main keyboard's digits only; the keypad's are Other
    Digit1,
    Plus,   // the keypad's plus, or the main keyboard's plus/equals key
    Minus,  // the keypad's minus, or the main keyboard's minus/underscore key
};

struct DialogKey {
    KeyName name = KeyName::Other;
    bool release = false;
    bool autoRepeat = false;
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
};

// Where the keyboard focus is and what the dialog is doing when the key arrives.
struct KeyContext {
    bool typingInTextBox = false;  // a number box or the zoom box's text holds the focus
    bool inZoomBox = false;
    bool comparing = false;  // the original is on show while the comparison key is held
    bool spaceHeld = false;  // the space bar turned the pointer into the hand
    bool panOrPointerOverPreview = false;  // a pan drag runs, or the pointer is over the preview
};

enum class KeyCommand {
    PassOn,   // not the dialog's: the focused control (or the dialog's default) takes it
    Swallow,  // the dialog's, with nothing to do (an auto-repeat of a held key)
    ShowNavigator,
    BeginComparison,
    EndComparison,
    SpaceDown,
    SpaceUp,
    ApplyTypedZoom,
    // Enter in a number box typed into since it was last written applies that value and
    // keeps the dialog open; when nothing was typed the key is passed on (OK).
    ConfirmTypedValue,
    SmallerTool,
    LargerTool,
    NextView,
    PreviousView,
    UndoMarks,
    RedoMarks,
    ClearMarks,
    ZoomToFit,
    ZoomToActualSize,
    ZoomIn,
    ZoomOut,
};

KeyCommand keyCommandFor(const DialogKey& key, const KeyContext& context);

}  // namespace nelvo
