// SPDX-License-Identifier: MIT
// The engine for one pixel type (unsigned char, unsigned short or float). It
// owns the planes of the loaded region and runs each stage's algorithm on
// them; the algorithms themselves are in Detection, CleanUp and Repair.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/AdaptiveDetection.h"
#include "engine/FilterBase.h"
#include "engine/NelvoBuffer.h"

namespace nelvo {

template <typename T>
class Dissolve final : public FilterBase {
  public:
    // `allocator` provides the plane memory and must outlive the engine.
    Dissolve(int16_t colourModel, int16_t channels, PlaneAllocator& allocator);

    void setCallbacks(CancelHook isCancelled, PhaseHook beginPhase, AdvanceHook advance) override;
    void setTiled() override;
    void setSource(const void* data, int32_t rowBytes, int32_t columnBytes,
                   const VRect& region) override;
    void dimUnselected(void* data, int32_t rowBytes, int32_t columnBytes, const uint8_t* mask,
                       int32_t maskRowBytes, const VRect& region) override;
    void detect(const EngineSettings& settings, const VRect& clip, int32_t mapWidth,
                const VRect& tile, int64_t mapOffset) override;
    void markDefects(const uint8_t* selection, int32_t selectionRowBytes, const PlaneSize& size,
                     int64_t mapOffset, int32_t detectionIntensity, const uint8_t* markingMap,
                     int32_t mapWidth) override;
    void removeSpecks(const PlaneSize& size, int32_t tileSize) override;
    void copySource(const void* in, int32_t inRowBytes, int32_t inColumnBytes, void* out,
                    int32_t outRowBytes, int32_t outColumnBytes, const PlaneSize& size) override;
    void exportDefects(uint8_t* out, int32_t outStride, const PlaneSize& size) override;
    void dissolveDefects(void* data, int32_t rowBytes, int32_t columnBytes,
                         const PlaneSize& size) override;
    void repairArea(const void* in, int32_t inRowBytes, int32_t inColumnBytes, void* out,
                    int32_t outRowBytes, int32_t outColumnBytes, const PlaneSize& size,
                    const VRect& area) override;

    int16_t colourModel() const { return colourModel_; }
    int16_t channels() const { return channels_; }
    bool tiled() const { return tiled_; }

    // Planes of the loaded region; null before the first setSource.
    const NelvoBuffer<T>* grey() const { return grey_.get(); }
    const NelvoBuffer<T>* median() const { return median_.get(); }
    const NelvoBuffer<float>* contrast() const { return contrast_.get(); }
    const NelvoBuffer<uint8_t>* defects() const { return defects_.get(); }

  private:
    bool detectOnGpu(const VRect& region, const EngineSettings& settings);
    // The part of `size` that the planes cover.
    PlaneSize withinPlanes(const PlaneSize& size) const;

    int16_t colourModel_;
    int16_t channels_;
    bool tiled_ = false;
    StageHooks hooks_;
    PlaneAllocator& allocator_;
    std::unique_ptr<NelvoBuffer<T>> grey_;
    std::unique_ptr<NelvoBuffer<T>> median_;
    std::unique_ptr<NelvoBuffer<float>> contrast_;
    std::unique_ptr<NelvoBuffer<uint8_t>> defects_;
    AdaptiveScratch<T> adaptive_;
    bool adaptiveRated_ = false;  // whether the last detect rated adaptively
};

extern template class Dissolve<unsigned char>;
extern template class Dissolve<unsigned short>;
extern template class Dissolve<float>;

}  // namespace nelvo
