// SPDX-License-Identifier: MIT
#include "session/HostSession.h"

#include <optional>

#include "PIGeneral.h"
#include "session/DisplayPixels.h"

namespace filterhost {
namespace {

const char* stepName(int16_t selector) {
    switch (selector) {
        case filterSelectorAbout:
            return "about";
        case filterSelectorParameters:
            return "parameters";
        case filterSelectorPrepare:
            return "prepare";
        case filterSelectorStart:
            return "start";
        case filterSelectorContinue:
            return "continue";
        case filterSelectorFinish:
            return "finish";
        default:
            return "unknown selector";
    }
}

constexpr int32_t kDefaultMaxSpace = 1 << 30;
constexpr int16 kDefaultTileSide = 1024;
// This host's signature in FilterRecord.hostSig.
constexpr OSType kHostSignature = PIFourCC('N', 'l', 'v', 'H');

int16 narrow(int32_t value) {
    return static_cast<int16>(value < INT16_MIN   ? INT16_MIN
                              : value > INT16_MAX ? INT16_MAX
                                                  : value);
}
Point narrow(const VPoint& p) {
    return Point{narrow(p.v), narrow(p.h)};
}
Rect narrow(const VRect& r) {
    return Rect{narrow(r.top), narrow(r.left), narrow(r.bottom), narrow(r.right)};
}

}  // namespace

HostSession::HostSession(PluginModule& module, HostServices& services)
    : module_(module), services_(services) {}

HostSession::~HostSession() {
    if (scripting_.descriptor != nullptr) services_.disposeHandle(scripting_.descriptor);
    // The host owns both blocks; the module's own handles inside them are
    // freed with the host's memory.
    if (record_.parameters != nullptr) services_.disposeHandle(record_.parameters);
    if (data_ != 0) services_.disposeHandle(reinterpret_cast<Handle>(data_));
}

int16_t HostSession::about() {
    AboutRecord about{};
    about.sSPBasic = services_.basicSuite();
    int16_t result = noErr;
    {
        HostServices::Activation active(services_);
        module_.entry()(filterSelectorAbout, &about, &data_, &result);
    }
    services_.endCall(stepName(filterSelectorAbout));
    return result;
}

void HostSession::begin(Document& document) {
    document_ = &document;
    server_ = std::make_unique<TileServer>(document, hooks);
    Handle parameters = record_.parameters;
    record_ = FilterRecord{};
    big_ = BigDocumentStruct{};
    record_.parameters = parameters;
    record_.planes = document.planes;
    record_.imageMode = document.imageMode;
    record_.depth = document.depth;
    record_.maxSpace = kDefaultMaxSpace;
    record_.haveMask = !document.mask.empty();
    record_.inputRate = 0x10000;
    record_.maskRate = 0x10000;
    record_.outTileHeight = kDefaultTileSide;
    record_.outTileWidth = kDefaultTileSide;
    record_.sSPBasic = services_.basicSuite();
    record_.displayPixels = displayPixels;
    record_.descriptorParameters = withoutScripting_ ? nullptr : &scripting_;
    big_.imageSize32 = VPoint{document.height, document.width};
    big_.wholeSize32 = big_.imageSize32;
    big_.filterRect32 = document.filterRect;
    // The 16-bit copies for plug-ins that read nothing else, cut to 16 bits.
    record_.imageSize = narrow(big_.imageSize32);
    record_.wholeSize = record_.imageSize;
    record_.filterRect = narrow(big_.filterRect32);
    record_.hostSig = kHostSignature;
    record_.supportsPadding = true;
    record_.supportsAbsolute = true;
    record_.maxSpace64 = record_.maxSpace;
    if (withoutBasicSuite_) record_.sSPBasic = nullptr;
    if (withoutDepth_) record_.depth = 0;
}

void HostSession::giveDescriptor(const Descriptor& descriptor, int16_t playInfo) {
    giveNoDescriptor();
    scripting_.descriptor = services_.scripting().makeHandle(descriptor);
    scripting_.playInfo = playInfo;
}

void HostSession::giveNoDescriptor() {
    if (scripting_.descriptor != nullptr) services_.disposeHandle(scripting_.descriptor);
    scripting_ = PIDescriptorParameters{};
}

std::optional<Descriptor> HostSession::recordedDescriptor() {
    if (scripting_.descriptor == nullptr) return std::nullopt;
    return services_.scripting().readHandle(scripting_.descriptor);
}

int16_t HostSession::call(int16_t selector) {
    record_.bigDocumentData = withoutBigDocument_ ? nullptr : &big_;
    if (server_) {
        server_->attach(record_);
        server_->withoutColumnSteps = withoutColumnSteps_;
    }
    if (beforeCall) beforeCall(record_);
    int16_t result = initialResult;
    {
        HostServices::Activation active(services_);
        std::optional<TileServer::Activation> serving;
        if (server_) serving.emplace(*server_);
        module_.entry()(selector, &record_, &data_, &result);
    }
    if (server_) {
        if (result == noErr) {
            server_->flush();
        } else {
            server_->discard();
        }
    }
    if (record_.parameters != nullptr && !services_.isHandle(record_.parameters)) {
        services_.report(std::string(stepName(selector)) +
                         ": parameters is not a handle of this host");
        record_.parameters = nullptr;
    }
    if (scripting_.descriptor != nullptr && !services_.isHandle(scripting_.descriptor)) {
        services_.report(std::string(stepName(selector)) +
                         ": the recorded descriptor is not a handle of this host");
        scripting_.descriptor = nullptr;
    }
    services_.endCall(stepName(selector));
    return result;
}

}  // namespace filterhost

namespace filterhost {

namespace {
bool isEmpty(const VRect& r) {
    return r.bottom <= r.top || r.right <= r.left;
}
// A module that keeps asking for data must not hang the host.
constexpr int kMaxContinueCalls = 1 << 20;
}  // namespace

int16_t HostSession::run(Document& document) {
    begin(document);
    return run();
}

int16_t HostSession::run() {
    int16_t result = call(filterSelectorPrepare);
    if (result != noErr) return result;
    result = call(filterSelectorStart);
    if (result != noErr) return result;
    for (int i = 0; i < kMaxContinueCalls; ++i) {
        const TileServer::Requested asked = TileServer::requested(record_);
        if (isEmpty(asked.in) && isEmpty(asked.out) && isEmpty(asked.mask)) break;
        result = call(filterSelectorContinue);
        if (result != noErr) return result;
    }
    return call(filterSelectorFinish);
}

}  // namespace filterhost
