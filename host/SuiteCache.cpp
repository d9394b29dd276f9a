// SPDX-License-Identifier: MIT
#include "host/SuiteCache.h"

#include <initializer_list>

namespace nelvo {

const void* SuiteCache::acquire(SuiteRecord& record) {
    if (record.suite != nullptr) return record.suite;
    if (basic_ == nullptr) throw static_cast<uint32_t>(kSPBadParameterError);
    const void* suite = nullptr;
    record.lastError = basic_->AcquireSuite(record.name, record.version, &suite);
    if (record.lastError != kSPNoError) throw static_cast<uint32_t>(record.lastError);
    if (suite == nullptr) throw static_cast<uint32_t>(kSPSuiteNotFoundError);
    record.suite = suite;
    return suite;
}

void SuiteCache::releaseAll() noexcept {
    for (SuiteRecord* record : {&handle_, &buffer_, &descriptor_, &registry_}) {
        if (record->suite != nullptr && record->name != nullptr && basic_ != nullptr) {
            basic_->ReleaseSuite(record->name, record->version);
        }
        record->suite = nullptr;
    }
}

}  // namespace nelvo
