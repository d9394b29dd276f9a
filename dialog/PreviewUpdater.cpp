// SPDX-License-Identifier: MIT
#include "dialog/PreviewUpdater.h"

#include "dialog/DialogControls.h"
#include "dialog/RepairTiles.h"
#include "engine/Repair.h"

#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <exception>
#include <utility>

namespace nelvo {

UpdateImagesParams updateParams(const ControlValues& controls, UpdateMode mode) {
    UpdateImagesParams p;
    p.mode = static_cast<std::int32_t>(mode);
    p.darkDefects = controls.darkDefects;
    p.brightDefects = controls.brightDefects;
    p.detectionIntensity = controls.detectionIntensity;
    p.tileSize = controls.tileSize;
    p.defectColor = controls.defectColor;
    p.adaptiveRecognition = controls.adaptiveRecognition;
    return p;
}

bool runsDetect(UpdateMode mode) {
    return mode == UpdateMode::Initial || mode == UpdateMode::TileSize ||
           mode == UpdateMode::DefectType;
}

std::int32_t progressRange(bool withDetect, std::int32_t imageHeight) {
    return (withDetect ? 4 : 3) * imageHeight;
}

PreviewUpdater::PreviewUpdater(const PreviewTarget& target, std::function<void()> onDone,
                               std::function<void(const std::string&)> onError)
    : markingMap(static_cast<std::size_t>(target.width) * static_cast<std::size_t>(target.height),
                 128),
      defectMap(markingMap.size(), 0),
      target_(target),
      onDone_(std::move(onDone)),
      onError_(std::move(onError)),
      sourceLoaded_(!target.sourceRegion) {
    target_.engine->setCallbacks([this] { return stopped(); },
                                 [this](std::int32_t) { progressCount.exchange(0); },
                                 [this](std::int32_t n) { progressCount.fetch_add(n); });
}

PreviewUpdater::~PreviewUpdater() {
    requestCancel();
    join();
}

bool PreviewUpdater::isBusy() const {
    std::lock_guard<std::mutex> lock(stateLock);
    return running;
}

void PreviewUpdater::join() {
    if (worker.joinable()) worker.join();
}

std::optional<std::int32_t> PreviewUpdater::startUpdate(const UpdateImagesParams& p) {
    const auto mode = static_cast<UpdateMode>(p.mode);
    if (mode != UpdateMode::Initial && mode != UpdateMode::Marks && p == lastParams_)
        return std::nullopt;
    lastParams_ = p;

    if (worker.joinable()) {
        {
            std::lock_guard<std::mutex> lock(stateLock);
            if (running) cancelRequested.exchange(true);
        }
        worker.join();
    }
    // A detect that was stopped midway left its planes partly written; a change that
    // would skip detect runs it again, so the preview always matches the settings.
    // The new settings make the planes stale until their detect has run to its end.
    const bool withDetect = runsDetect(mode) || detectStale_.load();
    if (withDetect) detectStale_.store(true);
    progressCount.exchange(0);
    cancelRequested.exchange(false);
    running = true;  // no other thread runs now
    worker = std::thread([this, p, withDetect] { updateImages(p, withDetect); });
    return progressRange(withDetect, target_.height);
}

void PreviewUpdater::updateImages(UpdateImagesParams p, bool withDetect) {
    struct ExitGuard {
        PreviewUpdater& self;
        ~ExitGuard() {
            std::lock_guard<std::mutex> lock(self.stateLock);
            self.running = false;
        }
    };
    bool finished = false;
    try {
        ExitGuard guard{*this};
        if (stopped()) return;
        FilterBase& engine = *target_.engine;
        if (!sourceLoaded_) {
            // Each core has its part: the window's thread is drawing the first picture.
            tbb::task_arena oneCore(1);
            oneCore.execute([&] {
                engine.setSource(target_.sourcePixels, target_.rowBytes, target_.colBytes,
                                 *target_.sourceRegion);
            });
            sourceLoaded_ = true;
        }
        const PlaneSize size{target_.width, target_.height};
        if (withDetect) {
            EngineSettings settings{};
            settings.darkDefects = p.darkDefects;
            settings.brightDefects = p.brightDefects;
            settings.detectionIntensity = p.detectionIntensity;
            settings.tileSize = p.tileSize;
            settings.adaptiveRecognition = p.adaptiveRecognition;
            storeColourWord(p.defectColor, settings.defectColor);
            engine.detect(settings, VRect{0, 0, 0, 0}, 0, VRect{0, 0, size.height, size.width}, 0);
            if (stopped()) return;
            detectStale_.store(false);
            completedDetects_.fetch_add(1);
        }
        {
            std::lock_guard<std::mutex> lock(mapLock);
            engine.markDefects(target_.selection, target_.selectionRowBytes, size, 0,
                               p.detectionIntensity, markingMap.data(), target_.width);
        }
        if (stopped()) return;
        engine.removeSpecks(size, p.tileSize);
        if (stopped()) return;
        repairPreview(size);
        finished = !stopped();
        if (finished) {
            resultHeld_ = true;
            unfinishedTiles_.clear();
        }
    } catch (const std::exception& e) {
        resultHeld_ = false;
        // Typically memory running out in a stage. The planes may be half written: the
        // next computation detects again.
        detectStale_.store(true);
        if (onError_) onError_(e.what());
        return;
    }
    if (!finished) return;
    finishedCount_.fetch_add(1);
    if (onDone_) onDone_();
}

void PreviewUpdater::repairPreview(const PlaneSize& size) {
    FilterBase& engine = *target_.engine;
    nextDefects_.resize(defectMap.size());
    engine.exportDefects(nextDefects_.data(), target_.width, size);
    const bool incremental = resultHeld_;
    DefectBlocks blocks;
    std::vector<VRect> tiles;
    if (incremental) {
        blocks = compareDefectMaps(defectMap.data(), nextDefects_.data(), size.width, size.height);
        tiles = mergeTiles(tilesToRepair(blocks, kRepairReach), unfinishedTiles_);
    }
    defectMap.swap(nextDefects_);
    // From here until the repair ends these tiles hold no finished result; where no flag
    // changed near them, the others hold the repair of the new map as well.
    const std::vector<VRect> leftByStoppedRuns = std::exchange(unfinishedTiles_, tiles);
    if (stopped()) return;

    // A tile is redone with its surroundings, about one and a half times its area, so
    // once the tiles cover half of the image the whole repair costs less.
    std::int64_t tileArea = 0;
    for (const VRect& t : tiles) tileArea += std::int64_t{t.width()} * t.height();
    const std::int64_t imageArea = std::int64_t{size.width} * size.height;
    if (!incremental || 2 * tileArea > imageArea) {
        resultHeld_ = false;
        // Outside the old and the new defects both results are the source, except
        // where a stopped computation left tiles half repaired.
        if (incremental) {
            changedTiles_ = blocksHoldingDefects(blocks);
            changedTiles_->insert(changedTiles_->end(), leftByStoppedRuns.begin(),
                                  leftByStoppedRuns.end());
        } else {
            changedTiles_.reset();
        }
        engine.copySource(target_.sourcePixels, target_.rowBytes, target_.colBytes,
                          target_.optimizedPixels, target_.rowBytes, target_.colBytes, size);
        if (stopped()) return;
        engine.dissolveDefects(target_.optimizedPixels, target_.rowBytes, target_.colBytes, size);
        return;
    }
    // The copy and repair steps of the full path, in proportion to the area redone.
    const std::int64_t rowsPerTile = std::max<std::int64_t>(
        2 * std::int64_t{kRepairTileSide} * kRepairTileSide / std::max(size.width, 1), 1);
    tbb::parallel_for(std::size_t{0}, tiles.size(), [&](std::size_t i) {
        if (stopped()) return;
        engine.repairArea(target_.sourcePixels, target_.rowBytes, target_.colBytes,
                          target_.optimizedPixels, target_.rowBytes, target_.colBytes, size,
                          tiles[i]);
        progressCount.fetch_add(static_cast<std::int32_t>(rowsPerTile));
    });
    changedTiles_ = std::move(tiles);
}

}  // namespace nelvo
