// SPDX-License-Identifier: MIT
// The host's side of the suites: the basic suite with an audit of every
// acquisition, the Handle suite and the Buffer suite. Each misuse the host can
// see is recorded in problems(), so that a caller can demand a clean run.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "PIBufferSuite.h"
#include "PIHandleSuite.h"
#include "SPBasic.h"
#include "session/ScriptingServices.h"

// Host-side body of the interface's opaque handle.
struct HandleRecord {
    std::vector<uint8_t> bytes;
    bool locked = false;
};

namespace filterhost {

struct HostLimits {
    // Bytes of Buffer-suite memory the host can have outstanding at once.
    uint64_t bufferBudget = uint64_t{8} << 30;
    // When > 0, the n-th Buffer-suite allocation (counted from 1) fails.
    int failBufferAllocation = 0;
    // When > 0, the n-th Handle-suite allocation (counted from 1) fails.
    int failHandleAllocation = 0;
    // Suites that AcquireSuite refuses, by name.
    std::set<std::string> refusedSuites;
};

class HostServices {
  public:
    HostServices();
    ~HostServices();
    HostServices(const HostServices&) = delete;
    HostServices& operator=(const HostServices&) = delete;

    HostLimits& limits() { return limits_; }
    ScriptingServices& scripting() { return *scripting_; }
    SPBasicSuite* basicSuite() { return &basic_; }

    // Makes this host the one the suite functions serve; the C callbacks carry
    // no context, so exactly one host is active during a module call.
    class Activation {
      public:
        explicit Activation(HostServices& host);
        ~Activation();
        Activation(const Activation&) = delete;
        Activation& operator=(const Activation&) = delete;

      private:
        HostServices* previous_;
    };
    static HostServices* active();

    // Offers a suite through the basic suite.
    void addSuite(const std::string& name, int32_t version, const void* suite);

    // Checks what must hold between module calls (every suite released, no
    // handle locked, every buffer returned) and records what does not.
    void endCall(const std::string& step);

    const std::vector<std::string>& problems() const { return problems_; }
    void report(std::string problem) { problems_.push_back(std::move(problem)); }

    // Host-side handle access, for handles the host keeps for the module.
    Handle newHandle(int32_t size);
    void disposeHandle(Handle handle);
    bool isHandle(Handle handle) const;
    HandleRecord* record(Handle handle);

    uint64_t bufferBytesOutstanding() const { return bufferBytes_; }
    uint64_t peakBufferBytes() const { return peakBufferBytes_; }
    int bufferAllocations() const { return bufferAllocations_; }
    int handleAllocations() const { return handleAllocations_; }
    std::size_t liveHandles() const { return handles_.size(); }

    // Suite implementations, reached through active().
    SPErr acquireSuite(const char* name, int32_t version, const void** suite);
    SPErr releaseSuite(const char* name, int32_t version);
    Handle handleNew(int32_t size);
    void handleDispose(Handle handle);
    void handleSetLock(Handle handle, Boolean lock, Ptr* address, Boolean* oldLock);
    int32_t handleGetSize(Handle handle);
    OSErr handleSetSize(Handle handle, int32_t size);
    Ptr bufferNew(uint32_t* requestedSize, uint32_t minimumSize);
    void bufferDispose(Ptr* buffer);
    uint32_t bufferGetSize(Ptr buffer);
    uint32_t bufferGetSpace();

  private:
    using SuiteKey = std::pair<std::string, int32_t>;

    HostLimits limits_;
    SPBasicSuite basic_{};
    PSHandleSuite2 handleSuite_{};
    PSBufferSuite1 bufferSuite_{};
    std::map<SuiteKey, const void*> suites_;
    std::map<SuiteKey, int> acquired_;
    std::map<HandleRecord*, std::unique_ptr<HandleRecord>> handles_;
    std::map<void*, uint32_t> buffers_;
    uint64_t bufferBytes_ = 0;
    uint64_t peakBufferBytes_ = 0;
    int bufferAllocations_ = 0;
    int handleAllocations_ = 0;
    std::vector<std::string> problems_;
    // Last, so that it registers its suites after the basic ones exist.
    std::unique_ptr<ScriptingServices> scripting_;
};

}  // namespace filterhost
