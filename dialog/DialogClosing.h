// SPDX-License-Identifier: MIT
// What the editing dialog does with its work when it closes, in every window layer:
// after OK what the user sees is applied (a stroke still being drawn is burnt in as a
// release would) and handed over with the settings, once the running computation has
// finished; after a cancel the computation is told to stop and nothing is handed over.
#pragma once

#include "dialog/DialogControls.h"
#include "dialog/HandMarking.h"
#include "dialog/MarkingResult.h"
#include "dialog/PreviewUpdater.h"
#include "settings/FilterParameters.h"

namespace nelvo {

// The dialog's window on the screen, in screen pixels.
struct WindowFrame {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The controls' state that OK records.
struct ClosingControls {
    ControlValues values;
    int zoomSliderPosition = 100;
    WindowFrame frame;
};

// Ends the preview work and, after OK (`accepted`), fills `settings` and `result`: the
// controls' values, the zoom, the window's frame (remembered as shown, "normal"), and the
// updater's marking map, which the dialog keeps. Returns with the worker joined. The
// recomputation a burnt-in stroke starts is stopped: its preview would never be seen.
void closeEditing(bool accepted, const ClosingControls& controls, HandMarking& marks,
                  PreviewUpdater& updater, FilterParameters& settings, MarkingResult& result);

}  // namespace nelvo
