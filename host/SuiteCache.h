// SPDX-License-Identifier: MIT
// The host suites a call uses, acquired on first use and released when the
// call returns.
#pragma once

#include <cstdint>

#include "PIActions.h"
#include "PIBufferSuite.h"
#include "PIHandleSuite.h"
#include "SPBasic.h"

namespace nelvo {

struct SuiteRecord {
    const void* suite = nullptr;
    int32_t version;
    const char* name;
    SPErr lastError = kSPNoError;
};

class SuiteCache {
  public:
    // Binds the cache to a call's basic suite (null when the host gave none).
    void begin(SPBasicSuite* basic) { basic_ = basic; }

    const PSHandleSuite2& handles() { return get<PSHandleSuite2>(handle_); }
    const PSBufferSuite1& buffers() { return get<PSBufferSuite1>(buffer_); }

    // The scripting suites are optional: a host without them gives nullptr
    // here, and the run goes on without recording or reading descriptors.
    const PSActionDescriptorProcs* optionalDescriptors() {
        return optional<PSActionDescriptorProcs>(descriptor_);
    }
    const PSDescriptorRegistryProcs* optionalRegistry() {
        return optional<PSDescriptorRegistryProcs>(registry_);
    }

    // Releases every suite acquired during the call.
    void releaseAll() noexcept;

  private:
    template <typename Suite>
    const Suite& get(SuiteRecord& record) {
        return *static_cast<const Suite*>(acquire(record));
    }
    template <typename Suite>
    const Suite* optional(SuiteRecord& record) {
        try {
            return static_cast<const Suite*>(acquire(record));
        } catch (uint32_t) {
            return nullptr;
        }
    }
    // Throws the host's error code as a uint32_t when the suite cannot be had.
    const void* acquire(SuiteRecord& record);

    SPBasicSuite* basic_ = nullptr;
    SuiteRecord handle_{nullptr, kPSHandleSuiteVersion2, kPSHandleSuite};
    SuiteRecord buffer_{nullptr, kPSBufferSuiteVersion1, kPSBufferSuite};
    SuiteRecord descriptor_{nullptr, kPSActionDescriptorSuiteVersion, kPSActionDescriptorSuite};
    SuiteRecord registry_{nullptr, kPSDescriptorRegistrySuiteVersion, kPSDescriptorRegistrySuite};
};

}  // namespace nelvo
