// SPDX-License-Identifier: MIT
#include "engine/Dissolve.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "engine/AdaptiveDetection.h"
#include "engine/CleanUp.h"
#include "engine/Detection.h"
#include "engine/Repair.h"
#include "engine/opencl/OpenClDetect.h"

namespace nelvo {

template <typename T>
Dissolve<T>::Dissolve(int16_t colourModel, int16_t channels, PlaneAllocator& allocator)
    : colourModel_(colourModel), channels_(channels), allocator_(allocator) {
    if (channels < 1) {
        throw std::invalid_argument("an engine needs at least one channel");
    }
}

template <typename T>
void Dissolve<T>::setCallbacks(CancelHook isCancelled, PhaseHook beginPhase, AdvanceHook advance) {
    hooks_.set(std::move(isCancelled), std::move(beginPhase), std::move(advance));
}

template <typename T>
void Dissolve<T>::setTiled() {
    tiled_ = true;
}

template <typename T>
void Dissolve<T>::setSource(const void* data, int32_t rowBytes, int32_t columnBytes,
                            const VRect& region) {
    const PlaneSize extent{std::max(region.width(), 0), std::max(region.height(), 0)};
    // A region of the loaded extent reuses the planes. Otherwise all four new
    // planes are made before any old one is let go, so a failed allocation
    // leaves the engine as it was.
    if (!grey_ || grey_->width() != extent.width || grey_->height() != extent.height) {
        adaptive_.release();
        auto grey = std::make_unique<NelvoBuffer<T>>(extent, allocator_);
        auto contrast = std::make_unique<NelvoBuffer<float>>(extent, allocator_);
        auto median = std::make_unique<NelvoBuffer<T>>(extent, allocator_);
        auto defects = std::make_unique<NelvoBuffer<uint8_t>>(extent, allocator_);
        grey_ = std::move(grey);
        contrast_ = std::move(contrast);
        median_ = std::move(median);
        defects_ = std::move(defects);
    }
    loadGrey(ConstInterleaved<T>(data, rowBytes, columnBytes), channels_, colourModel_, *grey_,
             hooks_);
}

template <typename T>
void Dissolve<T>::dimUnselected(void* data, int32_t rowBytes, int32_t columnBytes,
                                const uint8_t* mask, int32_t maskRowBytes, const VRect& region) {
    if (mask == nullptr) {
        return;
    }
    dimImage(Interleaved<T>(data, rowBytes, columnBytes), channels_, mask, maskRowBytes,
             PlaneSize{region.width(), region.height()}, hooks_);
}

template <typename T>
void Dissolve<T>::detect(const EngineSettings& settings, const VRect& clip, int32_t mapWidth,
                         const VRect& tile, int64_t mapOffset) {
    if (!grey_) {
        return;
    }
    // the OpenCL backend rates only the standard way; adaptive recognition
    // runs on the CPU.
    adaptiveRated_ = settings.adaptiveRecognition;
    if (!settings.adaptiveRecognition && detectOnGpu(tile, settings)) {
        return;
    }
    const PlaneSize planes = withinPlanes({tile.width(), tile.height()});
    const DetectRegions regions =
        detectRegions(clip, mapWidth, tile, mapOffset, tiled_, settings.tileSize, planes);
    if (settings.adaptiveRecognition) {
        detectAdaptiveOnCpu(*grey_, *median_, *contrast_, regions, settings, adaptive_, allocator_,
                            hooks_);
        return;
    }
    detectOnCpu(*grey_, *median_, *contrast_, regions, settings, hooks_);
}

template <typename T>
bool Dissolve<T>::detectOnGpu(const VRect& region, const EngineSettings& settings) {
    return opencl::detectOnGpu(*grey_, *contrast_, region, settings, hooks_);
}

template <typename T>
void Dissolve<T>::markDefects(const uint8_t* selection, int32_t selectionRowBytes,
                              const PlaneSize& size, int64_t mapOffset, int32_t detectionIntensity,
                              const uint8_t* markingMap, int32_t mapWidth) {
    if (!defects_) {
        return;
    }
    MarkInputs inputs;
    inputs.selection = selection;
    inputs.selectionRowBytes = selectionRowBytes;
    inputs.mapOffset = mapOffset;
    // The contrast plane holds adaptive ratings if the last detection made
    // them; their intensity scale reads two steps higher.
    inputs.detectionIntensity =
        adaptiveRated_ ? adaptiveIntensity(detectionIntensity) : detectionIntensity;
    inputs.markingMap = markingMap;
    inputs.mapWidth = mapWidth;
    markDefectPlane(*contrast_, *defects_, withinPlanes(size), inputs, hooks_);
}

template <typename T>
void Dissolve<T>::removeSpecks(const PlaneSize& size, int32_t tileSize) {
    if (!defects_) {
        return;
    }
    nelvo::removeSpecks(*defects_, withinPlanes(size), tileSize, allocator_);
}

template <typename T>
void Dissolve<T>::copySource(const void* in, int32_t inRowBytes, int32_t inColumnBytes, void* out,
                             int32_t outRowBytes, int32_t outColumnBytes, const PlaneSize& size) {
    copyImage(ConstInterleaved<T>(in, inRowBytes, inColumnBytes),
              Interleaved<T>(out, outRowBytes, outColumnBytes), channels_, size, hooks_);
}

template <typename T>
void Dissolve<T>::exportDefects(uint8_t* out, int32_t outStride, const PlaneSize& size) {
    if (!defects_) {
        return;
    }
    exportDefectPlane(*defects_, out, outStride, withinPlanes(size), hooks_);
}

template <typename T>
void Dissolve<T>::dissolveDefects(void* data, int32_t rowBytes, int32_t columnBytes,
                                  const PlaneSize& size) {
    if (!defects_) {
        return;
    }
    dissolveImage(*defects_, Interleaved<T>(data, rowBytes, columnBytes), channels_,
                  withinPlanes(size), hooks_);
}

template <typename T>
void Dissolve<T>::repairArea(const void* in, int32_t inRowBytes, int32_t inColumnBytes, void* out,
                             int32_t outRowBytes, int32_t outColumnBytes, const PlaneSize& size,
                             const VRect& area) {
    if (!defects_) {
        return;
    }
    // Pixels of the area depend on nothing beyond the repair's reach, so a repair of the
    // area grown by it, on a copy, gives them their whole-image values.
    nelvo::repairArea(FlagRows{defects_->row(0), defects_->rowBytes()},
                      ConstInterleaved<T>(in, inRowBytes, inColumnBytes),
                      Interleaved<T>(out, outRowBytes, outColumnBytes), channels_,
                      withinPlanes(size), area, hooks_);
}

template <typename T>
PlaneSize Dissolve<T>::withinPlanes(const PlaneSize& size) const {
    return {std::clamp(size.width, 0, grey_->width()), std::clamp(size.height, 0, grey_->height())};
}

template class Dissolve<unsigned char>;
template class Dissolve<unsigned short>;
template class Dissolve<float>;

std::unique_ptr<FilterBase> createFilter(int16_t colourModel, int16_t channels, int32_t depth,
                                         PlaneAllocator& allocator) {
    switch (depth) {
        case 16:
            return std::make_unique<Dissolve<unsigned short>>(colourModel, channels, allocator);
        case 32:
            return std::make_unique<Dissolve<float>>(colourModel, channels, allocator);
        default:
            return std::make_unique<Dissolve<unsigned char>>(colourModel, channels, allocator);
    }
}

}  // namespace nelvo
