// SPDX-License-Identifier: MIT
#include "session/TileServer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>

namespace filterhost {
namespace {

TileServer* gServer = nullptr;

extern "C" {
OSErr cAdvanceState(void) {
    return gServer != nullptr ? gServer->advance() : OSErr{filterBadParameters};
}
Boolean cAbortProc(void) {
    return gServer != nullptr ? gServer->abortPoll() : 0;
}
void cProgressProc(int32 done, int32 total) {
    if (gServer != nullptr) gServer->reportProgress(done, total);
}
}

bool isEmpty(const VRect& r) {
    return r.bottom <= r.top || r.right <= r.left;
}

// Serving more than this at once means a confused module, not an image.
constexpr uint64_t kMaxRegionBytes = uint64_t{1} << 34;

}  // namespace

TileServer::TileServer(Document& document, const Hooks& hooks)
    : document_(document), hooks_(hooks) {}

TileServer::~TileServer() {
    if (gServer == this) gServer = nullptr;
}

TileServer::Activation::Activation(TileServer& server) : previous_(gServer) {
    gServer = &server;
}

TileServer::Activation::~Activation() {
    gServer = previous_;
}

void TileServer::attach(FilterRecord& record) {
    record_ = &record;
    record.advanceState = cAdvanceState;
    record.abortProc = cAbortProc;
    record.progressProc = cProgressProc;
}

Boolean TileServer::abortPoll() {
    ++abortPolls_;
    return hooks_.abortRequested && hooks_.abortRequested() ? 1 : 0;
}

void TileServer::reportProgress(int32_t done, int32_t total) {
    progressReports_.emplace_back(done, total);
    if (hooks_.progress) hooks_.progress(done, total);
}

bool TileServer::serve(Region& region, const VRect& rect, int16_t lo, int16_t hi, int16_t padding,
                       std::vector<uint8_t>& pixels, bool inPlace) {
    region.rect = rect;
    region.loPlane = lo;
    region.hiPlane = hi;
    region.bytes.clear();
    region.view = nullptr;
    if (isEmpty(rect)) return true;
    if (lo < 0 || hi < lo || hi >= document_.planes) return false;
    // The document's own rows are the tile when their layout is the one the
    // module is given: every plane, every column, no padding.
    if (inPlace && lo == 0 && hi == document_.planes - 1 && rect.left == 0 &&
        rect.right == document_.width && rect.top >= 0 && rect.bottom <= document_.height) {
        region.view = pixels.data() + static_cast<std::size_t>(rect.top) * document_.rowBytes();
        return true;
    }
    const uint64_t width = static_cast<uint64_t>(int64_t{rect.right} - rect.left);
    const uint64_t height = static_cast<uint64_t>(int64_t{rect.bottom} - rect.top);
    const std::size_t sample = document_.sampleBytes();
    const auto planes = static_cast<std::size_t>(hi - lo + 1);
    const uint64_t total = width * height * planes * sample;
    if (total > kMaxRegionBytes) return false;
    region.bytes.resize(static_cast<std::size_t>(total));

    // Padding for pixels outside the image, in the document's sample type.
    std::vector<uint8_t> pad(sample, 0);
    const int16_t value = std::max<int16_t>(padding, 0);
    if (document_.depth == 8) pad[0] = static_cast<uint8_t>(std::min<int16_t>(value, 255));
    if (document_.depth == 16) {
        // Padding is given on the 8-bit scale.
        const auto v = static_cast<uint16_t>(std::min<int>(value, 255) * 32768 / 255);
        std::memcpy(pad.data(), &v, 2);
    }
    if (document_.depth == 32) {
        const float v = static_cast<float>(std::min<int>(value, 255)) / 255.0f;
        std::memcpy(pad.data(), &v, 4);
    }

    // The requested planes lie next to each other in a pixel, so inside the
    // image a pixel is one copy, and a run of pixels with every plane is one
    // copy too.
    const std::size_t span = planes * sample;
    const bool wholePixels = span == document_.pixelBytes();
    const std::size_t regionRowBytes = static_cast<std::size_t>(width) * span;
    const auto copyRows = [&](int64_t top, int64_t bottom) {
        uint8_t* out =
            region.bytes.data() + static_cast<std::size_t>(top - rect.top) * regionRowBytes;
        for (int64_t y = top; y < bottom; ++y) {
            const bool rowInside = y >= 0 && y < document_.height;
            const int64_t first =
                rowInside ? std::clamp<int64_t>(0, rect.left, rect.right) : rect.right;
            const int64_t last =
                rowInside ? std::clamp<int64_t>(document_.width, first, rect.right) : rect.right;
            for (int64_t x = rect.left; x < rect.right; ++x) {
                if (x < first || x >= last) {
                    for (std::size_t p = 0; p < planes; ++p, out += sample)
                        std::memcpy(out, pad.data(), sample);
                    continue;
                }
                const uint8_t* from = pixels.data() +
                                      static_cast<std::size_t>(y) * document_.rowBytes() +
                                      static_cast<std::size_t>(x) * document_.pixelBytes() +
                                      static_cast<std::size_t>(lo) * sample;
                if (wholePixels) {
                    const auto bytes = static_cast<std::size_t>(last - x) * span;
                    std::memcpy(out, from, bytes);
                    out += bytes;
                    x = last - 1;
                } else {
                    std::memcpy(out, from, span);
                    out += span;
                }
            }
        }
    };
    // A whole picture for the editing dialog is on the way to its first preview, and
    // its fresh pages fault in on every core at once.
    constexpr uint64_t kSplitBytes = uint64_t{32} << 20;
    const auto parts = static_cast<int64_t>(std::clamp<uint64_t>(
        total / kSplitBytes, 1, std::max(1u, std::thread::hardware_concurrency())));
    const int64_t rows = rect.bottom - rect.top;
    const auto bound = [&](int64_t part) { return rect.top + rows * part / parts; };
    std::vector<std::thread> helpers;
    int64_t part = 1;
    try {
        for (; part < parts; ++part) helpers.emplace_back(copyRows, bound(part), bound(part + 1));
    } catch (const std::system_error&) {
        // No thread to be had: this one copies the parts left over too.
    }
    copyRows(bound(part), bound(parts));
    copyRows(bound(0), bound(1));
    for (std::thread& helper : helpers) helper.join();
    return true;
}

void TileServer::serveMask(const VRect& rect, int16_t padding) {
    maskRect_ = rect;
    mask_.clear();
    if (document_.mask.empty() || isEmpty(rect)) return;
    const auto width = static_cast<std::size_t>(int64_t{rect.right} - rect.left);
    const auto height = static_cast<std::size_t>(int64_t{rect.bottom} - rect.top);
    mask_.assign(width * height, static_cast<uint8_t>(std::clamp<int16_t>(padding, 0, 255)));
    for (int64_t y = std::max(rect.top, 0); y < std::min(rect.bottom, document_.height); ++y) {
        for (int64_t x = std::max(rect.left, 0); x < std::min(rect.right, document_.width); ++x) {
            mask_[static_cast<std::size_t>(y - rect.top) * width +
                  static_cast<std::size_t>(x - rect.left)] =
                document_
                    .mask[static_cast<std::size_t>(y) * static_cast<std::size_t>(document_.width) +
                          static_cast<std::size_t>(x)];
        }
    }
}

void TileServer::flush() {
    if (!outPending_) return;
    if (writeBackInOrder) {
        holdPending();
        return;
    }
    outPending_ = false;
    writeBack(out_);
}

void TileServer::holdPending() {
    if (!outPending_) return;
    outPending_ = false;
    if (isEmpty(out_.rect) || out_.empty()) return;
    held_.push_back(std::move(out_));
    out_ = Region{};
    if (!spare_.empty()) {
        out_.bytes = std::move(spare_.back());
        spare_.pop_back();
    }
}

void TileServer::settleAbove(int64_t line) {
    for (auto it = held_.begin(); it != held_.end();) {
        if (it->rect.bottom > line) {
            ++it;
            continue;
        }
        writeBack(*it);
        settledBottom_ = std::max<int64_t>(settledBottom_, it->rect.bottom);
        // One spare block is enough for the next tile; more would only sit idle.
        if (!it->bytes.empty() && spare_.empty()) spare_.push_back(std::move(it->bytes));
        it = held_.erase(it);
    }
}

bool TileServer::goesBack(const Requested& asked) const {
    for (const VRect* rect : {&asked.in, &asked.out, &asked.mask}) {
        if (!isEmpty(*rect) && rect->top < settledBottom_) return true;
    }
    if (isEmpty(asked.out)) return false;
    for (const Region& region : held_) {
        const VRect& r = region.rect;
        if (asked.out.top < r.bottom && r.top < asked.out.bottom && asked.out.left < r.right &&
            r.left < asked.out.right)
            return true;
    }
    return false;
}

void TileServer::writeBack(Region& region) {
    const VRect& rect = region.rect;
    if (isEmpty(rect) || region.empty()) return;
    const std::size_t sample = document_.sampleBytes();
    const auto planes = static_cast<std::size_t>(region.hiPlane - region.loPlane + 1);
    const std::size_t span = planes * sample;
    const auto width = static_cast<std::size_t>(int64_t{rect.right} - rect.left);
    const bool masked = !document_.mask.empty();
    const bool wholePixels = span == document_.pixelBytes();
    const bool tracked = document_.changes.tracking();
    const auto planesPerPixel = static_cast<std::size_t>(document_.planes);
    for (int64_t y = std::max<int64_t>(rect.top, 0);
         y < std::min<int64_t>(rect.bottom, document_.height); ++y) {
        const int64_t first = std::max<int64_t>(rect.left, 0);
        const int64_t last = std::min<int64_t>(rect.right, document_.width);
        const uint8_t* from = region.data() +
                              static_cast<std::size_t>(y - rect.top) * width * span +
                              static_cast<std::size_t>(first - rect.left) * span;
        const std::size_t pixel =
            static_cast<std::size_t>(y) * static_cast<std::size_t>(document_.width);
        uint8_t* to = document_.pixels.data() + pixel * document_.pixelBytes() +
                      static_cast<std::size_t>(region.loPlane) * sample;
        // The index of the first written sample of pixel x.
        const auto sampleAt = [&](int64_t x) {
            return (pixel + static_cast<std::size_t>(x)) * planesPerPixel +
                   static_cast<std::size_t>(region.loPlane);
        };
        if (!masked && wholePixels) {
            if (last <= first) continue;
            uint8_t* into = to + static_cast<std::size_t>(first) * span;
            const std::size_t bytes = static_cast<std::size_t>(last - first) * span;
            if (tracked) {
                document_.changes.copy(into, from, sampleAt(first), bytes / sample, sample);
            } else {
                std::memcpy(into, from, bytes);
            }
            continue;
        }
        for (int64_t x = first; x < last; ++x, from += span) {
            // As in an image editor, pixels outside the selection keep their values.
            if (masked && document_.mask[pixel + static_cast<std::size_t>(x)] == 0) continue;
            uint8_t* into = to + static_cast<std::size_t>(x) * document_.pixelBytes();
            if (tracked) {
                document_.changes.copy(into, from, sampleAt(x), planes, sample);
            } else {
                std::memcpy(into, from, span);
            }
        }
    }
}

void TileServer::releaseBuffers() {
    flush();
    settleAbove(INT64_MAX);
    in_ = Region{};
    out_ = Region{};
    spare_.clear();
    mask_ = std::vector<uint8_t>();
}

TileServer::Requested TileServer::requested(const FilterRecord& record) {
    const BigDocumentStruct* big = record.bigDocumentData;
    if (big != nullptr && big->PluginUsing32BitCoordinates != 0)
        return {big->inRect32, big->outRect32, big->maskRect32};
    const auto wide = [](const Rect& r) { return VRect{r.top, r.left, r.bottom, r.right}; };
    return {wide(record.inRect), wide(record.outRect), wide(record.maskRect)};
}

OSErr TileServer::advance() {
    if (record_ == nullptr) return filterBadParameters;
    FilterRecord& r = *record_;
    // A plug-in that did not claim the 32-bit coordinates asks in the 16-bit
    // rectangles, as an old plug-in on a host of any age does.
    const Requested asked = requested(r);
    requests_.push_back({asked.in, asked.out, asked.mask});
    if (writeBackInOrder) {
        holdPending();
        if (goesBack(asked)) {
            wentBack_ = true;
            r.inData = r.outData = nullptr;
            return filterBadParameters;
        }
        int64_t line = INT64_MAX;
        for (const VRect* rect : {&asked.in, &asked.out, &asked.mask})
            if (!isEmpty(*rect)) line = std::min<int64_t>(line, rect->top);
        settleAbove(line);
    } else {
        // Another tile follows a written one: keep the image as it was for the
        // inputs to come. A run in one tile never needs the copy.
        if (outPending_ && !isEmpty(out_.rect) && original_.empty()) original_ = document_.pixels;
        flush();
    }
    // Input comes from the image as it was before the first tile was written back, as a
    // host's source layer stays unchanged until the filter ends: a module that reads
    // context around its tiles must not see its own output there. The input may be a
    // view of those rows: the output is a copy written back at the next call, so the
    // module never sees its own writes in its input.
    std::vector<uint8_t>& source = original_.empty() ? document_.pixels : original_;
    if (!serve(in_, asked.in, r.inLoPlane, r.inHiPlane, r.inputPadding, source, true) ||
        !serve(out_, asked.out, r.outLoPlane, r.outHiPlane, r.outputPadding, document_.pixels,
               false)) {
        r.inData = r.outData = nullptr;
        return filterBadParameters;
    }
    serveMask(asked.mask, r.maskPadding);
    const std::size_t sample = document_.sampleBytes();
    const auto rowOf = [&](const Region& region) {
        return static_cast<int32_t>(static_cast<std::size_t>(region.rect.right - region.rect.left) *
                                    static_cast<std::size_t>(region.hiPlane - region.loPlane + 1) *
                                    sample);
    };
    r.inData = in_.empty() ? nullptr : in_.data();
    r.inRowBytes = in_.empty() ? 0 : rowOf(in_);
    r.inColumnBytes = withoutColumnSteps
                          ? 0
                          : static_cast<int32_t>(
                                static_cast<std::size_t>(in_.hiPlane - in_.loPlane + 1) * sample);
    r.outData = out_.bytes.empty() ? nullptr : out_.bytes.data();
    r.outRowBytes = out_.bytes.empty() ? 0 : rowOf(out_);
    r.outColumnBytes =
        withoutColumnSteps
            ? 0
            : static_cast<int32_t>(static_cast<std::size_t>(out_.hiPlane - out_.loPlane + 1) *
                                   sample);
    r.maskData = mask_.empty() ? nullptr : mask_.data();
    r.maskRowBytes = mask_.empty() ? 0 : maskRect_.right - maskRect_.left;
    outPending_ = !out_.bytes.empty();
    return noErr;
}

}  // namespace filterhost
