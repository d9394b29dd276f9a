// SPDX-License-Identifier: MIT
// The host's advanceState: serves the rectangles and planes a module asks
// for from a document in memory, and writes its output back.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "PIFilter.h"
#include "session/Document.h"
#include "session/LargeBuffers.h"

namespace filterhost {

class TileServer {
  public:
    // The program's hooks: whether the user asked to stop, and progress. The
    // server reads them from their owner at each call, so they may be
    // installed before or after the server is made.
    struct Hooks {
        std::function<bool()> abortRequested;
        std::function<void(int32_t done, int32_t total)> progress;
    };

    TileServer(Document& document, const Hooks& hooks);
    ~TileServer();
    TileServer(const TileServer&) = delete;
    TileServer& operator=(const TileServer&) = delete;

    // Installs advanceState, abortProc and progressProc in `record`.
    void attach(FilterRecord& record);

    // While alive, the installed procedures reach this server; afterwards they
    // reach the one they reached before (another session's, or none).
    class Activation {
      public:
        explicit Activation(TileServer& server);
        ~Activation();
        Activation(const Activation&) = delete;
        Activation& operator=(const Activation&) = delete;

      private:
        TileServer* previous_;
    };

    // Writes the pending output back into the document (with writeBackInOrder,
    // once no request reads its rows). The host does this after every call
    // that may have filled outData.
    void flush();
    // Drops the pending output: a call that failed or was stopped leaves the
    // document as it was before that tile.
    void discard() { outPending_ = false; }
    // Writes back every output held and frees the tile buffers once the
    // filter is done (the requests stay).
    void releaseBuffers();

    // A module's input must come from the image as it was before any tile was
    // written back. By default the server keeps a copy of the whole image from
    // the second tile on. With writeBackInOrder it keeps the written tiles
    // instead, and writes one back into the image once a request starts below
    // its last row: for a module that walks its tiles from the top down (as
    // filters do) that holds about one row of tiles, not a second image. A
    // module that then asks for rows above that line, or for output it has
    // written already, gets an error and wentBack() tells; its result is not
    // the one a copy would give, and the host runs it again without this.
    bool writeBackInOrder = false;
    bool wentBack() const { return wentBack_; }
    // writeBackInOrder: told, at a request, that rows [0, rows) of the
    // document hold their final values (no request may change them any more)
    // each time that line moves down, so that they can be saved while the
    // module works below them. The rows settled once the module is done are
    // not told. False stops the module: its request fails.
    std::function<bool(int32_t rows)> rowsFinal;
    // Told, before a request is served, that it reaches down to `rows`, each
    // time that line moves down: the rows above it must then hold the image's
    // samples. False stops the module: its request fails.
    std::function<bool(int32_t rows)> rowsNeeded;

    // What the module asked for, for the tests.
    struct Request {
        VRect in, out, mask;
    };
    // The rectangles `record` asks for: the 32-bit ones once the plug-in set
    // PluginUsing32BitCoordinates, else the 16-bit ones.
    struct Requested {
        VRect in, out, mask;
    };
    static Requested requested(const FilterRecord& record);
    // Leave inColumnBytes and outColumnBytes 0, as a host older than
    // interface 3.0 does (pixels are then the requested planes side by side).
    bool withoutColumnSteps = false;
    const std::vector<Request>& requests() const { return requests_; }
    std::size_t abortPolls() const { return abortPolls_; }
    const std::vector<std::pair<int32_t, int32_t>>& progressReports() const {
        return progressReports_;
    }

    OSErr advance();
    Boolean abortPoll();
    void reportProgress(int32_t done, int32_t total);

  private:
    struct Region {
        VRect rect{0, 0, 0, 0};
        int16_t loPlane = 0;
        int16_t hiPlane = -1;
        UnfilledBytes bytes;
        // Rows of the document itself, in place of `bytes`, when the region
        // is whole rows of every plane inside the image.
        uint8_t* view = nullptr;
        uint8_t* data() { return view != nullptr ? view : bytes.data(); }
        bool empty() const { return view == nullptr && bytes.empty(); }
    };

    // Fills `region` from the document for rect and planes; pixels outside
    // the image take `padding`.
    // `inPlace` lets the region be a view of the rows of `pixels`.
    bool serve(Region& region, const VRect& rect, int16_t lo, int16_t hi, int16_t padding,
               nelvo::FreshPagesBytes& pixels, bool inPlace);
    void serveMask(const VRect& rect, int16_t padding);
    // Writes `region` into the document.
    void writeBack(Region& region);
    // writeBackInOrder: holds the pending output; writes back what lies
    // wholly above `line`.
    void holdPending();
    void settleAbove(int64_t line);
    // writeBackInOrder: whether `asked` reaches rows written back or output
    // held already.
    bool goesBack(const Requested& asked) const;
    // writeBackInOrder: the rows above the first one a valid request may
    // still change.
    int32_t finalRows() const;

    Document& document_;
    const Hooks& hooks_;
    FilterRecord* record_ = nullptr;
    Region in_, out_;
    // The document's pixels before the first write-back; empty until then.
    nelvo::FreshPagesBytes original_;
    VRect maskRect_{0, 0, 0, 0};
    std::vector<uint8_t> mask_;
    bool outPending_ = false;
    // writeBackInOrder: written tiles not yet in the document, and the bottom
    // of the rows written back so far.
    std::deque<Region> held_;
    // Blocks of written-back tiles, for the tiles to come.
    std::vector<UnfilledBytes> spare_;
    int64_t settledBottom_ = INT64_MIN;
    bool wentBack_ = false;
    int32_t toldFinal_ = 0;
    int32_t toldNeeded_ = 0;
    std::vector<Request> requests_;
    std::size_t abortPolls_ = 0;
    std::vector<std::pair<int32_t, int32_t>> progressReports_;
};

}  // namespace filterhost
