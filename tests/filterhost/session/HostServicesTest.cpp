// SPDX-License-Identifier: MIT
// The host's audit: every misuse of the suites that a host can see is reported.
#include <gtest/gtest.h>

#include <cstring>

#include "PIActions.h"
#include "session/HostServices.h"

using filterhost::HostServices;

namespace {

template <typename Suite>
const Suite* acquire(HostServices& host, const char* name, int32_t version) {
    const void* suite = nullptr;
    EXPECT_EQ(host.basicSuite()->AcquireSuite(name, version, &suite), kSPNoError);
    return static_cast<const Suite*>(suite);
}

bool reported(const HostServices& host, const std::string& fragment) {
    for (const std::string& problem : host.problems())
        if (problem.find(fragment) != std::string::npos) return true;
    return false;
}

TEST(HostServices, BalancedUseLeavesTheAuditClean) {
    HostServices host;
    HostServices::Activation active(host);
    auto* handles = acquire<PSHandleSuite2>(host, kPSHandleSuite, kPSHandleSuiteVersion2);
    auto* buffers = acquire<PSBufferSuite1>(host, kPSBufferSuite, kPSBufferSuiteVersion1);
    Handle h = handles->New(16);
    Ptr address = nullptr;
    handles->SetLock(h, true, &address, nullptr);
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(address[15], 0);  // zero-filled
    handles->SetLock(h, false, nullptr, nullptr);
    EXPECT_EQ(handles->SetSize(h, 64), noErr);
    EXPECT_EQ(handles->GetSize(h), 64);
    uint32_t size = 100;
    Ptr buffer = buffers->New(&size, 100);
    ASSERT_NE(buffer, nullptr);
    buffers->Dispose(&buffer);
    EXPECT_EQ(buffer, nullptr);
    handles->Dispose(h);
    host.basicSuite()->ReleaseSuite(kPSHandleSuite, kPSHandleSuiteVersion2);
    host.basicSuite()->ReleaseSuite(kPSBufferSuite, kPSBufferSuiteVersion1);
    host.endCall("test");
    EXPECT_TRUE(host.problems().empty());
}

TEST(HostServices, EachMisuseIsReported) {
    HostServices host;
    HostServices::Activation active(host);
    auto* handles = acquire<PSHandleSuite2>(host, kPSHandleSuite, kPSHandleSuiteVersion2);
    auto* buffers = acquire<PSBufferSuite1>(host, kPSBufferSuite, kPSBufferSuiteVersion1);

    Handle locked = handles->New(8);
    Ptr address = nullptr;
    handles->SetLock(locked, true, &address, nullptr);
    EXPECT_NE(handles->SetSize(locked, 32), noErr);
    EXPECT_TRUE(reported(host, "SetSize on a locked handle"));

    uint32_t size = 10;
    ASSERT_NE(buffers->New(&size, 10), nullptr);  // never returned

    host.basicSuite()->ReleaseSuite(kPSHandleSuite, kPSHandleSuiteVersion2);
    EXPECT_NE(host.basicSuite()->ReleaseSuite(kPSHandleSuite, kPSHandleSuiteVersion2), kSPNoError);
    EXPECT_TRUE(reported(host, "released more often than acquired"));

    host.endCall("start");  // the buffer suite is still acquired
    EXPECT_TRUE(reported(host, "start: suite \"" kPSBufferSuite "\" v1 acquired"));
    EXPECT_TRUE(reported(host, "start: a handle of 8 bytes was left locked"));
    EXPECT_TRUE(reported(host, "start: 1 buffer(s) of 10 bytes never returned"));

    handles->Dispose(reinterpret_cast<Handle>(&size));
    EXPECT_TRUE(reported(host, "Dispose of a handle the host never gave"));
}

TEST(HostServices, LimitsMakeAllocationsAndSuitesFail) {
    HostServices host;
    HostServices::Activation active(host);
    host.limits().bufferBudget = 1000;
    host.limits().failBufferAllocation = 2;
    host.limits().failHandleAllocation = 1;
    host.limits().refusedSuites = {kPSHandleSuite};
    const void* suite = nullptr;
    EXPECT_EQ(host.basicSuite()->AcquireSuite(kPSHandleSuite, kPSHandleSuiteVersion2, &suite),
              kSPSuiteNotFoundError);
    EXPECT_EQ(suite, nullptr);
    EXPECT_EQ(host.handleNew(4), nullptr);
    EXPECT_NE(host.handleNew(4), nullptr);
    auto* buffers = acquire<PSBufferSuite1>(host, kPSBufferSuite, kPSBufferSuiteVersion1);
    uint32_t size = 600;
    Ptr first = buffers->New(&size, 600);
    ASSERT_NE(first, nullptr);
    size = 10;
    EXPECT_EQ(buffers->New(&size, 10), nullptr);  // the second allocation fails on purpose
    size = 500;
    EXPECT_EQ(buffers->New(&size, 500), nullptr);  // over budget
    size = 500;
    Ptr partial = buffers->New(&size, 300);  // the host may give less than asked
    ASSERT_NE(partial, nullptr);
    EXPECT_EQ(size, 400u);
    buffers->Dispose(&first);
    buffers->Dispose(&partial);
    host.basicSuite()->ReleaseSuite(kPSBufferSuite, kPSBufferSuiteVersion1);
    host.endCall("test");
    EXPECT_TRUE(host.problems().empty());
}

TEST(HostServices, CallbacksWithoutAnActiveHostFailSafely) {
    HostServices host;
    SPBasicSuite* basic = host.basicSuite();
    const void* suite = nullptr;
    EXPECT_NE(basic->AcquireSuite(kPSHandleSuite, kPSHandleSuiteVersion2, &suite), kSPNoError);
}

}  // namespace

namespace {

// A plug-in may call any function of the published descriptor table: every
// slot is filled, those this host does not offer answer that the host is
// insufficient, and the errors fit the published 16-bit codes.
TEST(DescriptorSuite, EveryPublishedSlotIsFilledWithPublishedErrors) {
    HostServices services;
    HostServices::Activation active(services);
    const void* found = nullptr;
    ASSERT_EQ(services.basicSuite()->AcquireSuite(kPSActionDescriptorSuite,
                                                  kPSActionDescriptorSuiteVersion2, &found),
              kSPNoError);
    const auto* suite = static_cast<const PSActionDescriptorProcs*>(found);
    using Slot = void (*)();
    constexpr std::size_t kSlots = sizeof(PSActionDescriptorProcs) / sizeof(Slot);
    static_assert(kSlots == 46);
    Slot slots[kSlots];
    std::memcpy(static_cast<void*>(slots), suite, sizeof(slots));
    for (std::size_t i = 0; i < kSlots; ++i) EXPECT_NE(slots[i], nullptr) << i;

    PIActionDescriptor d = nullptr;
    ASSERT_EQ(suite->Make(&d), noErr);
    const DescriptorKeyID key = PIFourCC('t', 'i', 'l', 'E');
    EXPECT_EQ(suite->PutFloat(d, key, 1.5), errPlugInHostInsufficient);
    char text[8] = {};
    EXPECT_EQ(suite->GetString(d, key, text, sizeof(text)), errPlugInHostInsufficient);
    EXPECT_EQ(suite->GetInteger(d, key, nullptr), paramErr);
    int32 value = 0;
    EXPECT_EQ(suite->GetInteger(d, key, &value), errMissingParameter);
    ASSERT_EQ(suite->PutInteger(d, key, 17), noErr);
    EXPECT_EQ(suite->GetInteger(d, key, &value), noErr);
    EXPECT_EQ(value, 17);
    Boolean flag = 0;
    EXPECT_EQ(suite->GetBoolean(d, key, &flag), errAEWrongDataType);
    int32 three[3] = {1, 2, 3};
    ASSERT_EQ(suite->PutIntegers(d, key, 3, three), noErr);
    int32 four[4] = {};
    EXPECT_EQ(suite->GetIntegers(d, key, 4, four), errAEWrongDataType);
    EXPECT_EQ(suite->Free(d), noErr);
    EXPECT_EQ(services.basicSuite()->ReleaseSuite(kPSActionDescriptorSuite,
                                                  kPSActionDescriptorSuiteVersion2),
              kSPNoError);
}

}  // namespace
