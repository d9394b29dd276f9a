// SPDX-License-Identifier: MIT
#include "host/FilterRun.h"

#include <QDialog>
#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "dialog/NelvoDialog.h"
#include "engine/FilterBase.h"
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

// Rectangles that touch count as overlapping; ones that do not meet give all zeros.
::VRect intersect(const ::VRect& a, const ::VRect& b) {
    if (a.right < b.left || b.right < a.left || a.bottom < b.top || b.bottom < a.top) return kEmpty;
    return ::VRect{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
                   std::min(a.right, b.right)};
}

// Runs the editing dialog. Cancel leaves everything as it was; OK takes over the
// settings and the hand marks and stops asking for the dialog.
int16_t runDialog(CallContext& context) {
    HostPlaneAllocator allocator(context.suites);
    NelvoDialog dialog(
        context.record, [&context] { fetchWholeImage(context); }, allocator);
    dialog.settings = *context.parameters;
    if (dialog.exec() != QDialog::Accepted) return userCanceledErr;

    *context.parameters = dialog.settings;
    recordParameters(context);
    PersistentBlock& block = *context.persistent;
    const MarkingResult& marks = dialog.result;
    const PSHandleSuite2& handles = context.suites.handles();
    if (marks.mapBytes > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
        return memFullErr;
    const auto bytes = static_cast<int32_t>(marks.mapBytes);
    if (block.map != nullptr && context.map != nullptr) {
        handles.SetLock(block.map, false, nullptr, nullptr);
        context.map = nullptr;
    }
    if (block.map == nullptr) {
        block.map = handles.New(std::max(bytes, 1));
        if (block.map == nullptr) return memFullErr;
    } else if (handles.SetSize(block.map, std::max(bytes, 1)) != noErr) {
        return memFullErr;
    }
    Ptr address = nullptr;
    handles.SetLock(block.map, true, &address, nullptr);
    if (address == nullptr) return memFullErr;
    context.map = reinterpret_cast<uint8_t*>(address);
    if (bytes > 0) std::memcpy(context.map, marks.map, static_cast<std::size_t>(bytes));
    block.mapWidth = marks.mapWidth;
    block.mapBytes = marks.mapBytes;
    block.showDialogNext = 0;
    return noErr;
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
    if (context.map != nullptr && block.mapWidth == width && block.mapBytes == area) {
        return processImage(context, context.parameters->engine, block.mapWidth, context.map);
    }
    // No map saved for this rectangle: the engine takes a missing map as
    // every pixel unmarked, without a byte per pixel to say so.
    return processImage(context, context.parameters->engine, static_cast<int32_t>(width), nullptr);
}

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
    engine->setTiled();
    HostRunHooks hooks(record, total);
    hooks.install(*engine);

    for (int64_t row = 0; row < rows; ++row) {
        const int32_t top = static_cast<int32_t>(rect.top + row * tileHeight);
        for (int64_t column = 0; column < columns; ++column) {
            const int32_t left = static_cast<int32_t>(rect.left + column * tileWidth);
            const ::VRect tile{
                top, left,
                static_cast<int32_t>(std::min<int64_t>(int64_t{top} + tileHeight, rect.bottom)),
                static_cast<int32_t>(std::min<int64_t>(int64_t{left} + tileWidth, rect.right))};
            big.inRect32 = tile;
            big.outRect32 = tile;
            if (record.haveMask) big.maskRect32 = tile;
            record.wantsAbsolute = true;
            record.inLoPlane = record.outLoPlane = 0;
            record.inHiPlane = record.outHiPlane = static_cast<int16_t>(channels - 1);

            const OSErr advanced =
                record.advanceState != nullptr ? record.advanceState() : OSErr{filterBadParameters};
            if (advanced != noErr) return advanced;
            if (record.inData == nullptr || record.outData == nullptr) return filterBadParameters;

            ::VRect clip = intersect(tile, rect);
            clip = ::VRect{clip.top - rect.top, clip.left - rect.left, clip.bottom - rect.top,
                           clip.right - rect.left};
            const int64_t mapOffset =
                int64_t{tile.top - rect.top} * mapWidth + (tile.left - rect.left);
            const PlaneSize size{tile.right - tile.left, tile.bottom - tile.top};
            const auto* selection =
                static_cast<const uint8_t*>(record.haveMask ? record.maskData : nullptr);

            // A stage stopped by the host leaves its outputs partly written;
            // the run ends there and the host discards the tile.
            hooks.beginTile(size.height, settings.tileSize);
            engine->setSource(record.inData, record.inRowBytes, record.inColumnBytes,
                              toEngine(tile));
            if (hooks.stopped()) return userCanceledErr;
            engine->detect(settings, toEngine(clip), mapWidth, toEngine(tile), mapOffset);
            if (hooks.stopped()) return userCanceledErr;
            engine->markDefects(selection, record.maskRowBytes, size, mapOffset,
                                settings.detectionIntensity, map, mapWidth);
            engine->removeSpecks(size, settings.tileSize);
            engine->copySource(record.inData, record.inRowBytes, record.inColumnBytes,
                               record.outData, record.outRowBytes, record.outColumnBytes, size);
            if (hooks.stopped()) return userCanceledErr;
            engine->dissolveDefects(record.outData, record.outRowBytes, record.outColumnBytes,
                                    size);
            if (hooks.stopped()) return userCanceledErr;
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
