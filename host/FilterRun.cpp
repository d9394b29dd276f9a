// SPDX-License-Identifier: MIT
#include "host/FilterRun.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "engine/AdaptiveDetection.h"
#include "engine/FilterBase.h"
#include "engine/TileSize.h"
#include "host/DialogRun.h"
#include "host/HostPlaneAllocator.h"
#include "host/HostRunHooks.h"
#include "host/ImageModes.h"
#include "host/ScriptingParameters.h"

namespace nelvo {
namespace {

constexpr ::VRect kEmpty{0, 0, 0, 0};

int64_t widthOf(const ::VRect& r) {
    return std::max<int64_t>(0, int64_t{r.right} - r.left);
}
int64_t heightOf(const ::VRect& r) {
    return std::max<int64_t>(0, int64_t{r.bottom} - r.top);
}

nelvo::VRect toEngine(const ::VRect& r) {
    return nelvo::VRect{r.top, r.left, r.bottom, r.right};
}

}  // namespace

int16_t startRun(CallContext& context, bool showDialog) {
    if (showDialog) {
        const int16_t confirmed = runDialog(context);
        if (confirmed != noErr) return confirmed;
    }

    const ::VRect& rect = context.record->bigDocumentData->filterRect32;
    const int64_t width = widthOf(rect);
    const uint64_t area = static_cast<uint64_t>(width * heightOf(rect));
    const PersistentBlock& block = *context.persistent;
    const bool marked = context.map != nullptr && block.mapWidth == width && block.mapBytes == area;
    // No map saved for this rectangle: the engine takes a missing map as
    // every pixel unmarked, without a byte per pixel to say so.
    const int16_t result =
        marked ? processImage(context, context.parameters->engine, block.mapWidth, context.map)
               : processImage(context, context.parameters->engine, static_cast<int32_t>(width),
                              nullptr);
    // The dialog recorded its settings already; a run without it records what it used.
    if (result == noErr && !showDialog) recordDescriptor(context);
    return result;
}

// How far beyond a host tile the run reads, so that every pixel of the tile is rated,
// kept or repaired as in the whole-image preview: the median's reach (the tile size),
// the contrast window's radius, and the repair's reach (a few pixels per pass); with
// adaptive recognition also the texture box's radius.
namespace {

int32_t contextMargin(const EngineSettings& settings) {
    const int32_t t = effectiveTileSize(settings.tileSize);
    constexpr int32_t kRepairReach = 32;
    const int32_t texture = settings.adaptiveRecognition ? kAdaptiveTextureRadius : 0;
    return t + std::min(t, 20) + kRepairReach + texture;
}

}  // namespace

int16_t processImage(CallContext& context, const EngineSettings& settings, int32_t mapWidth,
                     const uint8_t* map) {
    FilterRecord& record = *context.record;
    BigDocumentStruct& big = *record.bigDocumentData;
    const int32_t tileHeight = record.outTileHeight;
    const int32_t tileWidth = record.outTileWidth;
    if (tileHeight <= 0 || tileWidth <= 0) return filterBadParameters;

    const ::VRect rect = big.filterRect32;
    const int64_t rows = (heightOf(rect) + tileHeight - 1) / tileHeight;
    const int64_t columns = (widthOf(rect) + tileWidth - 1) / tileWidth;
    const int64_t total = rows * columns;
    record.inputRate = 0x10000;
    record.maskRate = 0x10000;

    const int16_t channels = colourChannels(record.imageMode, record.planes);
    if (channels <= 0) return filterBadParameters;
    HostPlaneAllocator allocator(context.suites);
    const std::unique_ptr<FilterBase> engine =
        createFilter(colourModel(record.imageMode), channels, record.depth, allocator);
    HostRunHooks hooks(record, total);
    hooks.install(*engine);
    const int32_t margin = contextMargin(settings);
    const int32_t pixelBytes = channels * (record.depth == 16 ? 2 : record.depth == 32 ? 4 : 1);
    std::vector<uint8_t> scratch;

    for (int64_t row = 0; row < rows; ++row) {
        const int32_t top = static_cast<int32_t>(rect.top + row * tileHeight);
        for (int64_t column = 0; column < columns; ++column) {
            const int32_t left = static_cast<int32_t>(rect.left + column * tileWidth);
            const ::VRect tile{
                top, left,
                static_cast<int32_t>(std::min<int64_t>(int64_t{top} + tileHeight, rect.bottom)),
                static_cast<int32_t>(std::min<int64_t>(int64_t{left} + tileWidth, rect.right))};
            // The tile with its context, read whole; only the tile is written.
            const ::VRect grown{
                static_cast<int32_t>(std::max<int64_t>(int64_t{tile.top} - margin, rect.top)),
                static_cast<int32_t>(std::max<int64_t>(int64_t{tile.left} - margin, rect.left)),
                static_cast<int32_t>(std::min<int64_t>(int64_t{tile.bottom} + margin, rect.bottom)),
                static_cast<int32_t>(std::min<int64_t>(int64_t{tile.right} + margin, rect.right))};
            big.inRect32 = grown;
            big.outRect32 = tile;
            if (record.haveMask) big.maskRect32 = grown;
            record.wantsAbsolute = true;
            record.inLoPlane = record.outLoPlane = 0;
            record.inHiPlane = record.outHiPlane = static_cast<int16_t>(channels - 1);

            const OSErr advanced =
                record.advanceState != nullptr ? record.advanceState() : OSErr{filterBadParameters};
            if (advanced != noErr) return advanced;
            if (record.inData == nullptr || record.outData == nullptr) return filterBadParameters;
            // A host older than interface 3.0 leaves the column steps 0: its
            // pixels are then the requested planes side by side.
            const int32_t inColumnBytes =
                record.inColumnBytes != 0 ? record.inColumnBytes : pixelBytes;
            const int32_t outColumnBytes =
                record.outColumnBytes != 0 ? record.outColumnBytes : pixelBytes;

            const int64_t mapOffset =
                int64_t{grown.top - rect.top} * mapWidth + (grown.left - rect.left);
            const PlaneSize size{grown.right - grown.left, grown.bottom - grown.top};
            const auto* selection =
                static_cast<const uint8_t*>(record.haveMask ? record.maskData : nullptr);
            const bool whole = grown.top == tile.top && grown.left == tile.left &&
                               grown.bottom == tile.bottom && grown.right == tile.right;
            // Repaired in place: the host's output when the tile has no context around
            // it, else a copy of the grown tile from which the tile is written back.
            void* repaired = record.outData;
            int32_t repairedRowBytes = record.outRowBytes;
            int32_t repairedColumnBytes = outColumnBytes;
            if (!whole) {
                scratch.resize(static_cast<std::size_t>(size.width) *
                               static_cast<std::size_t>(size.height) *
                               static_cast<std::size_t>(pixelBytes));
                repaired = scratch.data();
                repairedRowBytes = size.width * pixelBytes;
                repairedColumnBytes = pixelBytes;
            }

            // A stage stopped by the host leaves its outputs partly written;
            // the run ends there and the host discards the tile.
            hooks.beginTile(size.height, settings.tileSize);
            engine->setSource(record.inData, record.inRowBytes, inColumnBytes, toEngine(grown));
            if (hooks.stopped()) return userCanceledErr;
            engine->detect(settings, nelvo::VRect{0, 0, 0, 0}, 0,
                           nelvo::VRect{0, 0, size.height, size.width}, 0);
            if (hooks.stopped()) return userCanceledErr;
            engine->markDefects(selection, record.maskRowBytes, size, mapOffset,
                                settings.detectionIntensity, map, mapWidth);
            engine->removeSpecks(size, settings.tileSize);
            engine->copySource(record.inData, record.inRowBytes, inColumnBytes, repaired,
                               repairedRowBytes, repairedColumnBytes, size);
            if (hooks.stopped()) return userCanceledErr;
            engine->dissolveDefects(repaired, repairedRowBytes, repairedColumnBytes, size);
            if (hooks.stopped()) return userCanceledErr;
            if (!whole) {
                const int32_t dy = tile.top - grown.top;
                const int32_t dx = tile.left - grown.left;
                const int32_t tileColumns = tile.right - tile.left;
                for (int32_t y = 0; y < tile.bottom - tile.top; ++y) {
                    auto* to =
                        static_cast<uint8_t*>(record.outData) + int64_t{y} * record.outRowBytes;
                    const uint8_t* from =
                        scratch.data() + (int64_t{y + dy} * size.width + dx) * pixelBytes;
                    // Packed output pixels take the row in one copy.
                    if (outColumnBytes == pixelBytes) {
                        std::memcpy(to, from,
                                    static_cast<std::size_t>(tileColumns) *
                                        static_cast<std::size_t>(pixelBytes));
                        continue;
                    }
                    for (int32_t x = 0; x < tileColumns; ++x) {
                        std::memcpy(to + int64_t{x} * outColumnBytes,
                                    from + int64_t{x} * pixelBytes,
                                    static_cast<std::size_t>(pixelBytes));
                    }
                }
            }
            hooks.endTile();
            if (hooks.stopped()) return userCanceledErr;
        }
    }
    big.inRect32 = kEmpty;
    big.outRect32 = kEmpty;
    big.maskRect32 = kEmpty;
    return noErr;
}

void fetchWholeImage(CallContext& context) {
    FilterRecord& record = *context.record;
    BigDocumentStruct& big = *record.bigDocumentData;
    big.inRect32 = big.filterRect32;
    big.outRect32 = big.filterRect32;
    big.maskRect32 = big.filterRect32;
    record.inLoPlane = record.outLoPlane = 0;
    record.inHiPlane = record.outHiPlane =
        static_cast<int16_t>(colourChannels(record.imageMode, record.planes) - 1);
    record.wantsAbsolute = true;
    record.inputPadding = 255;
    record.outputPadding = record.inputPadding;
    record.maskPadding = record.inputPadding;
    if (record.advanceState == nullptr || record.advanceState() != noErr)
        throw std::runtime_error("advanceState failed");
}

}  // namespace nelvo
