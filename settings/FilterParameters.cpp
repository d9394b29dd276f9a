// SPDX-License-Identifier: MIT
#include "settings/FilterParameters.h"

namespace nelvo {

void setDefaults(EngineSettings& s) {
    s.darkDefects = true;
    s.brightDefects = false;
    s.detectionIntensity = 8;
    s.tileSize = 8;
    s.defectColor[0] = 255;
    s.defectColor[1] = 0;
    s.defectColor[2] = 0;
    s.defectColor[3] = 255;
    s.adaptiveRecognition = false;
    s.brushSize = 20;
    s.brushIntensity = 10;
    s.eraserSize = 10;
}

void setDefaults(FilterParameters& p) {
    p.previewPrecision = false;
    p.zoom = 1.0;
    for (int32_t& side : p.windowFrame) side = 0;
    p.windowState = 1;
    p.ignoreSelection = false;
    setDefaults(p.engine);
}

}  // namespace nelvo
