// SPDX-License-Identifier: MIT
// The host's advanceState: serves the rectangles and planes a module asks
// for from a document in memory, and writes its output back.
#pragma once

#include <cstdint>
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

    // Writes the pending output back into the document. The host does this
    // after every call that may have filled outData.
    void flush();
    // Drops the pending output: a call that failed or was stopped leaves the
    // document as it was before that tile.
    void discard() { outPending_ = false; }
    // Frees the tile buffers once the filter is done (the requests stay).
    void releaseBuffers();

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
               std::vector<uint8_t>& pixels, bool inPlace);
    void serveMask(const VRect& rect, int16_t padding);

    Document& document_;
    const Hooks& hooks_;
    FilterRecord* record_ = nullptr;
    Region in_, out_;
    // The document's pixels before the first write-back; empty until then.
    std::vector<uint8_t> original_;
    VRect maskRect_{0, 0, 0, 0};
    std::vector<uint8_t> mask_;
    bool outPending_ = false;
    std::vector<Request> requests_;
    std::size_t abortPolls_ = 0;
    std::vector<std::pair<int32_t, int32_t>> progressReports_;
};

}  // namespace filterhost
