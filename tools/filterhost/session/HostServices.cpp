// SPDX-License-Identifier: MIT
#include "session/HostServices.h"

#include "session/LargeBuffers.h"

#include <cstdlib>
#include <cstring>

namespace filterhost {
namespace {

HostServices* gActive = nullptr;

// Every callback checks for an active host: a module that calls a suite
// outside a call (from a thread it left running, say) must not crash us.
HostServices* host() {
    return gActive;
}

extern "C" {
SPErr basicAcquire(const char* name, int32 version, const void** suite) {
    if (host() == nullptr) return kSPBadParameterError;
    return host()->acquireSuite(name, version, suite);
}
SPErr basicRelease(const char* name, int32 version) {
    if (host() == nullptr) return kSPBadParameterError;
    return host()->releaseSuite(name, version);
}
SPBoolean basicIsEqual(const char* a, const char* b) {
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}
SPErr basicAllocate(size_t size, void** block) {
    if (block == nullptr) return kSPBadParameterError;
    *block = std::malloc(size == 0 ? 1 : size);
    return *block != nullptr ? kSPNoError : kSPBadParameterError;
}
SPErr basicFree(void* block) {
    std::free(block);
    return kSPNoError;
}
SPErr basicReallocate(void* block, size_t size, void** result) {
    if (result == nullptr) return kSPBadParameterError;
    void* grown = std::realloc(block, size == 0 ? 1 : size);
    if (grown == nullptr) return kSPBadParameterError;
    *result = grown;
    return kSPNoError;
}
SPErr basicUndefined(void) {
    return kSPBadParameterError;
}

Handle c_handleNew(int32 size) {
    return host() ? host()->handleNew(size) : nullptr;
}
void c_handleDispose(Handle h) {
    if (host()) host()->handleDispose(h);
}
void c_handleSetLock(Handle h, Boolean lock, Ptr* address, Boolean* oldLock) {
    if (host()) host()->handleSetLock(h, lock, address, oldLock);
}
int32 c_handleGetSize(Handle h) {
    return host() ? host()->handleGetSize(h) : 0;
}
OSErr c_handleSetSize(Handle h, int32 size) {
    return host() ? host()->handleSetSize(h, size) : OSErr{memFullErr};
}
void c_handleRecoverSpace(int32) {}

Ptr c_bufferNew(uint32* requested, uint32 minimum) {
    return host() ? host()->bufferNew(requested, minimum) : nullptr;
}
void c_bufferDispose(Ptr* buffer) {
    if (host()) host()->bufferDispose(buffer);
}
uint32 c_bufferGetSize(Ptr buffer) {
    return host() ? host()->bufferGetSize(buffer) : 0;
}
uint32 c_bufferGetSpace(void) {
    return host() ? host()->bufferGetSpace() : 0;
}
}

}  // namespace

HostServices::HostServices() {
    basic_ = SPBasicSuite{basicAcquire, basicRelease,    basicIsEqual,  basicAllocate,
                          basicFree,    basicReallocate, basicUndefined};
    handleSuite_ =
        PSHandleSuite2{c_handleNew,     c_handleDispose, c_handleDispose,     c_handleSetLock,
                       c_handleGetSize, c_handleSetSize, c_handleRecoverSpace};
    bufferSuite_ = PSBufferSuite1{c_bufferNew, c_bufferDispose, c_bufferGetSize, c_bufferGetSpace};
    addSuite(kPSHandleSuite, kPSHandleSuiteVersion2, &handleSuite_);
    addSuite(kPSBufferSuite, kPSBufferSuiteVersion1, &bufferSuite_);
    scripting_ = std::make_unique<ScriptingServices>(*this);
}

HostServices::~HostServices() {
    for (auto& [address, size] : buffers_) std::free(address);
    if (gActive == this) gActive = nullptr;
}

HostServices::Activation::Activation(HostServices& host) : previous_(gActive) {
    gActive = &host;
}
HostServices::Activation::~Activation() {
    gActive = previous_;
}
HostServices* HostServices::active() {
    return gActive;
}

void HostServices::addSuite(const std::string& name, int32_t version, const void* suite) {
    suites_[{name, version}] = suite;
}

void HostServices::endCall(const std::string& step) {
    for (auto& [key, count] : acquired_) {
        if (count > 0) {
            report(step + ": suite \"" + key.first + "\" v" + std::to_string(key.second) +
                   " acquired " + std::to_string(count) + " time(s) more than released");
        }
        count = 0;
    }
    for (auto& [address, record] : handles_) {
        if (record->locked) {
            report(step + ": a handle of " + std::to_string(record->bytes.size()) +
                   " bytes was left locked");
            record->locked = false;
        }
    }
    if (scripting_ && scripting_->liveDescriptors() > 0) {
        report(step + ": " + std::to_string(scripting_->liveDescriptors()) +
               " descriptor(s) never freed");
        scripting_->forgetDescriptors();
    }
    if (!buffers_.empty()) {
        report(step + ": " + std::to_string(buffers_.size()) + " buffer(s) of " +
               std::to_string(bufferBytes_) + " bytes never returned");
        for (auto& [address, size] : buffers_) std::free(address);
        buffers_.clear();
        bufferBytes_ = 0;
    }
}

SPErr HostServices::acquireSuite(const char* name, int32_t version, const void** suite) {
    if (name == nullptr || suite == nullptr) return kSPBadParameterError;
    *suite = nullptr;
    if (limits_.refusedSuites.count(name) != 0) return kSPSuiteNotFoundError;
    const auto found = suites_.find({name, version});
    if (found == suites_.end()) return kSPSuiteNotFoundError;
    *suite = found->second;
    ++acquired_[{name, version}];
    return kSPNoError;
}

SPErr HostServices::releaseSuite(const char* name, int32_t version) {
    if (name == nullptr) return kSPBadParameterError;
    int& count = acquired_[{name, version}];
    if (count <= 0) {
        report(std::string("suite \"") + name + "\" v" + std::to_string(version) +
               " released more often than acquired");
        return kSPBadParameterError;
    }
    --count;
    return kSPNoError;
}

Handle HostServices::newHandle(int32_t size) {
    if (size < 0) return nullptr;
    auto record = std::make_unique<HandleRecord>();
    record->bytes.assign(static_cast<std::size_t>(size), 0);
    HandleRecord* address = record.get();
    handles_.emplace(address, std::move(record));
    return address;
}

void HostServices::disposeHandle(Handle handle) {
    handles_.erase(handle);
}

bool HostServices::isHandle(Handle handle) const {
    return handles_.count(handle) != 0;
}

HandleRecord* HostServices::record(Handle handle) {
    const auto found = handles_.find(handle);
    return found == handles_.end() ? nullptr : found->second.get();
}

Handle HostServices::handleNew(int32_t size) {
    ++handleAllocations_;
    if (limits_.failHandleAllocation == handleAllocations_) return nullptr;
    return newHandle(size);
}

void HostServices::handleDispose(Handle handle) {
    if (handle == nullptr) return;
    HandleRecord* found = record(handle);
    if (found == nullptr) {
        report("Dispose of a handle the host never gave");
        return;
    }
    if (found->locked) report("Dispose of a locked handle");
    disposeHandle(handle);
}

void HostServices::handleSetLock(Handle handle, Boolean lock, Ptr* address, Boolean* oldLock) {
    HandleRecord* found = record(handle);
    if (found == nullptr) {
        report("SetLock on a handle the host never gave");
        if (address != nullptr) *address = nullptr;
        return;
    }
    if (oldLock != nullptr) *oldLock = found->locked;
    found->locked = lock != 0;
    if (address != nullptr) *address = lock ? reinterpret_cast<Ptr>(found->bytes.data()) : nullptr;
}

int32_t HostServices::handleGetSize(Handle handle) {
    HandleRecord* found = record(handle);
    if (found == nullptr) {
        report("GetSize on a handle the host never gave");
        return 0;
    }
    return static_cast<int32_t>(found->bytes.size());
}

OSErr HostServices::handleSetSize(Handle handle, int32_t size) {
    HandleRecord* found = record(handle);
    if (found == nullptr) {
        report("SetSize on a handle the host never gave");
        return errPlugInHostInsufficient;
    }
    if (found->locked) {
        report("SetSize on a locked handle");
        return errPlugInHostInsufficient;
    }
    if (size < 0) return memFullErr;
    found->bytes.resize(static_cast<std::size_t>(size), 0);
    return noErr;
}

Ptr HostServices::bufferNew(uint32_t* requestedSize, uint32_t minimumSize) {
    ++bufferAllocations_;
    if (limits_.failBufferAllocation == bufferAllocations_) return nullptr;
    uint32_t size = requestedSize != nullptr ? *requestedSize : minimumSize;
    if (size < minimumSize) size = minimumSize;
    const uint64_t space =
        limits_.bufferBudget > bufferBytes_ ? limits_.bufferBudget - bufferBytes_ : 0;
    if (size > space) {
        if (minimumSize > space) return nullptr;
        size = static_cast<uint32_t>(space);
    }
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) return nullptr;
    // A module's image planes are touched page by page from its threads.
    preferHugePages(memory, size);
    buffers_[memory] = size;
    bufferBytes_ += size;
    if (bufferBytes_ > peakBufferBytes_) peakBufferBytes_ = bufferBytes_;
    if (requestedSize != nullptr) *requestedSize = size;
    return static_cast<Ptr>(memory);
}

void HostServices::bufferDispose(Ptr* buffer) {
    if (buffer == nullptr || *buffer == nullptr) return;
    const auto found = buffers_.find(*buffer);
    if (found == buffers_.end()) {
        report("Dispose of a buffer the host never gave");
        return;
    }
    bufferBytes_ -= found->second;
    std::free(found->first);
    buffers_.erase(found);
    *buffer = nullptr;
}

uint32_t HostServices::bufferGetSize(Ptr buffer) {
    const auto found = buffers_.find(buffer);
    return found == buffers_.end() ? 0 : found->second;
}

uint32_t HostServices::bufferGetSpace() {
    const uint64_t space =
        limits_.bufferBudget > bufferBytes_ ? limits_.bufferBudget - bufferBytes_ : 0;
    return space > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(space);
}

}  // namespace filterhost
