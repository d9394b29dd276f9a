// SPDX-License-Identifier: MIT
// The editing dialog's preview computation, without any window: one worker thread at a
// time runs the engine's stages on the whole 8-bit preview image; a new change stops the
// running computation and starts a fresh one. The window layer builds the parameters
// from its controls, shows the progress and the finished views; `onDone` is called on
// the worker and must only post a message to the window's thread.
//
// Protocol: `running` is guarded by stateLock; cancelRequested and progressCount are
// atomics; the marking map is guarded by mapLock, held by the worker only around the
// marking stage; the two locks are never held together. Only the window's thread starts
// and joins the worker.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/FilterBase.h"

namespace nelvo {

struct ControlValues;

enum class UpdateMode : std::int32_t {
    Initial = 0,     // end of initialisation; a preset applied
    TileSize = 1,    // the tile size slider or box
    Intensity = 2,   // the detection intensity slider or box
    DefectType = 3,  // a defect-type check box or the adaptive detection check box
    Marks = 4,       // a brush or eraser stroke was applied
};

// The parameters of one computation. `mode` 8 is no real mode: the value before the first.
struct UpdateImagesParams {
    std::int32_t mode = 8;
    bool darkDefects = false;
    bool brightDefects = false;
    std::int32_t detectionIntensity = 0;
    std::int32_t tileSize = 0;
    std::uint32_t defectColor = 0;
    bool adaptiveRecognition = false;
    friend bool operator==(const UpdateImagesParams&, const UpdateImagesParams&) = default;
};

// The computation the dialog's controls ask for, started for `mode`.
UpdateImagesParams updateParams(const ControlValues& controls, UpdateMode mode);

bool runsDetect(UpdateMode mode);
// The progress bar's range: rows of detection's two passes (when it runs), the export and
// the copy.
std::int32_t progressRange(bool withDetect, std::int32_t imageHeight);

// Where the computation reads and writes. The buffers belong to the caller and outlive
// the updater; `selection` is the host's mask or null.
struct PreviewTarget {
    FilterBase* engine = nullptr;
    std::int32_t width = 0, height = 0;
    const std::uint8_t* sourcePixels = nullptr;
    std::uint8_t* optimizedPixels = nullptr;
    std::int32_t rowBytes = 0, colBytes = 0;
    const std::uint8_t* selection = nullptr;
    std::int32_t selectionRowBytes = 0;
    // When set, the first computation hands the source pixels of this region to the
    // engine (setSource) before anything else, on one core, while the window's thread
    // draws the first picture; otherwise the caller has done so.
    std::optional<VRect> sourceRegion;
};

class PreviewUpdater {
  public:
    // Installs the engine's cancel and progress hooks. `onDone` runs on the worker after a
    // computation finished uncancelled; `onError` on the worker when a stage threw.
    PreviewUpdater(const PreviewTarget& target, std::function<void()> onDone,
                   std::function<void(const std::string&)> onError);
    // Stops and joins a running computation.
    ~PreviewUpdater();
    PreviewUpdater(const PreviewUpdater&) = delete;
    PreviewUpdater& operator=(const PreviewUpdater&) = delete;

    // Starts a computation for `p` (whose mode says why). Settings changes whose
    // parameters equal the last started ones are skipped; Initial and Marks never are.
    // Returns the progress range of the started computation, nothing when skipped.
    std::optional<std::int32_t> startUpdate(const UpdateImagesParams& p);

    bool isBusy() const;
    // Asks the running computation to stop (Cancel), without waiting.
    void requestCancel() { cancelRequested.exchange(true); }
    // Joins the worker, if any; after requestCancel it stops early, otherwise it ends.
    void join();

    std::int32_t progress() const { return progressCount.load(); }
    const UpdateImagesParams& lastParams() const { return lastParams_; }
    // How many computations ran detect to its end; for tests and the benchmark.
    int completedDetects() const { return completedDetects_.load(); }

    // Changes the hand marks under mapLock: waits while the worker's marking stage reads
    // them. `edit` gets the map's first byte.
    template <typename Edit>
    void editMarks(Edit&& edit) {
        std::lock_guard<std::mutex> lock(mapLock);
        edit(markingMap.data());
    }

    // The areas of optimizedPixels that the last finished computation may have changed,
    // when it followed another finished one; nothing when any pixel may have changed.
    // Read only when idle.
    const std::optional<std::vector<VRect>>& changedTiles() const { return changedTiles_; }
    // How many computations have finished; read only when idle.
    int finishedCount() const { return finishedCount_.load(); }

    // Hand marks, 128 neutral; change them only under mapLock.
    std::mutex mapLock;
    std::vector<std::uint8_t> markingMap;
    // Defects of the last finished computation (255), 0 elsewhere; read only when idle.
    std::vector<std::uint8_t> defectMap;

  private:
    void updateImages(UpdateImagesParams p, bool withDetect);
    // Exports the new defects, then repairs optimizedPixels: only the tiles whose flags
    // changed near them when it holds the previous result, all of it otherwise.
    void repairPreview(const PlaneSize& size);
    bool stopped() const { return cancelRequested.load(); }

    PreviewTarget target_;
    std::function<void()> onDone_;
    std::function<void(const std::string&)> onError_;
    UpdateImagesParams lastParams_;

    std::thread worker;
    mutable std::mutex stateLock;
    bool running = false;
    std::atomic<bool> cancelRequested{false};
    std::atomic<std::int32_t> progressCount{0};
    // The engine's rating planes are stale: the last detect was stopped or failed.
    // Touched by the worker only while the window's thread waits for it or is idle.
    std::atomic<bool> detectStale_{true};
    std::atomic<int> completedDetects_{0};
    std::atomic<int> finishedCount_{0};
    // Worker only (one at a time, joined in between): optimizedPixels holds the repair
    // of defectMap, except in unfinishedTiles_, which a stopped computation may have left
    // half repaired. A stopped drag of the intensity slider thus keeps the next
    // computation incremental.
    bool resultHeld_ = false;
    bool sourceLoaded_ = false;
    std::vector<VRect> unfinishedTiles_;
    std::vector<std::uint8_t> nextDefects_;
    std::optional<std::vector<VRect>> changedTiles_;
};

}  // namespace nelvo
