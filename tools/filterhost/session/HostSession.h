// SPDX-License-Identifier: MIT
// One module as the host keeps it: the data word and the parameters handle
// survive from one filter operation to the next, as in an image editor.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "PIFilter.h"
#include "module/PluginModule.h"
#include "scripting/Descriptor.h"
#include "session/Document.h"
#include "session/HostServices.h"
#include "session/TileServer.h"

namespace filterhost {

// A tile side as the record's 16-bit tile fields hold it: at least 1, at most
// 32767; a wider area is served in tiles of that side.
inline int16 recordTileSide(int64_t side) {
    return static_cast<int16>(side < 1 ? 1 : side > INT16_MAX ? INT16_MAX : side);
}

class HostSession {
  public:
    HostSession(PluginModule& module, HostServices& services);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // The about step, with an AboutRecord. Returns the result the module left
    // (the host presets it to 0).
    int16_t about();

    // Starts a filter operation on `document`: a fresh filter record, keeping
    // the data word and the parameters handle.
    void begin(Document& document);

    // Calls one selector of the operation begun last.
    int16_t call(int16_t selector);

    // One whole operation: prepare, start, continue while the module asks for
    // data, finish. Returns the first error.
    int16_t run(Document& document);
    // The same for the operation begun last.
    int16_t run();

    FilterRecord& record() { return record_; }
    BigDocumentStruct& bigDocument() { return big_; }
    intptr_t dataWord() const { return data_; }
    Handle parametersHandle() const { return record_.parameters; }

    // The scripting parameters handed with every call: a copy of `descriptor`
    // as a handle with `playInfo`, or no descriptor at all.
    void giveDescriptor(const Descriptor& descriptor, int16_t playInfo);
    void giveNoDescriptor();
    // Leave descriptorParameters null (a host that does not script).
    void setWithoutScripting(bool without) { withoutScripting_ = without; }
    PIDescriptorParameters& scriptingParameters() { return scripting_; }
    // The descriptor the module left in the scripting parameters, if any.
    std::optional<Descriptor> recordedDescriptor();

    // Leave bigDocumentData null on the next calls (a host without 32-bit coordinates).
    void setWithoutBigDocument(bool without) { withoutBigDocument_ = without; }
    // Hosts that lack more, for the operations begun from now on: no basic
    // suite (older than interface 5.0), no depth field (older than 5.0, so
    // 8 bits per channel), no column steps (older than 3.0). Suites are
    // withheld through HostServices::limits().refusedSuites.
    void setWithoutBasicSuite(bool without) { withoutBasicSuite_ = without; }
    void setWithoutDepth(bool without) { withoutDepth_ = without; }
    void setWithoutColumnSteps(bool without) { withoutColumnSteps_ = without; }

    // Serves advanceState, abort and progress for the operation begun last.
    TileServer& server() { return *server_; }

    // Whether to stop and where progress goes, for every operation of this
    // session, whenever they are installed.
    TileServer::Hooks hooks;

    // The value *result holds when the module is called.
    int16_t initialResult = noErr;

    // Called after the record is prepared for a document and before each selector,
    // so that callers (tile server, scripting) can fill in their parts.
    std::function<void(FilterRecord&)> beforeCall;

  private:
    PluginModule& module_;
    HostServices& services_;
    FilterRecord record_{};
    BigDocumentStruct big_{};
    intptr_t data_ = 0;
    Document* document_ = nullptr;
    bool withoutBigDocument_ = false;
    bool withoutBasicSuite_ = false;
    bool withoutDepth_ = false;
    bool withoutColumnSteps_ = false;
    PIDescriptorParameters scripting_{};
    bool withoutScripting_ = false;
    std::unique_ptr<TileServer> server_;
};

}  // namespace filterhost
