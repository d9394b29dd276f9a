// SPDX-License-Identifier: MIT
#include "dialog/DialogClosing.h"

namespace nelvo {

namespace {

// The profile's window state that reopens the dialog at its remembered frame.
constexpr std::int32_t kWindowShown = 2;

}  // namespace

void closeEditing(bool accepted, const ClosingControls& controls, HandMarking& marks,
                  PreviewUpdater& updater, FilterParameters& settings, MarkingResult& result) {
    if (accepted) {
        if (marks.strokeInProgress()) {
            marks.release();
            updater.requestCancel();
        }
        settings.zoom = static_cast<double>(controls.zoomSliderPosition);
        settings.windowFrame[0] = controls.frame.top;
        settings.windowFrame[1] = controls.frame.left;
        settings.windowFrame[2] = controls.frame.bottom;
        settings.windowFrame[3] = controls.frame.right;
        settings.windowState = kWindowShown;
        storeValues(controls.values, settings.engine);
        result.mapBytes = updater.markingMap.size();
        result.mapWidth = marks.imageWidth();
        result.map = updater.markingMap.data();
    } else {
        updater.requestCancel();
    }
    updater.join();
}

}  // namespace nelvo
