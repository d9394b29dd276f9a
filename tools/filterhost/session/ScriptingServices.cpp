// SPDX-License-Identifier: MIT
#include "session/ScriptingServices.h"

#include <unistd.h>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <type_traits>

#include "scripting/DescriptorJson.h"
#include "scripting/JsonInput.h"
#include "session/HostServices.h"
#include "util/SafeWrite.h"

namespace filterhost {
namespace {

// Errors the suites return, all of the published 16-bit set: parameter errors
// for bad references, a key or type error for reads that find nothing usable.
constexpr OSErr kErrBadReference = paramErr;
constexpr OSErr kErrNoSuchKey = errMissingParameter;
constexpr OSErr kErrWrongType = errAEWrongDataType;
constexpr OSErr kErrOutOfMemory = memFullErr;
// What a function of the published table that this host does not offer
// answers: the descriptor's value kinds are the four the module's
// parameters use.
constexpr OSErr kErrUnsupported = errPlugInHostInsufficient;

template <typename Function>
struct Unsupported;
template <typename... Arguments>
struct Unsupported<OSErr (*)(Arguments...)> {
    static OSErr call(Arguments...) { return kErrUnsupported; }
};
template <typename Function>
void offerNothing(Function& slot) {
    slot = &Unsupported<Function>::call;
}

ScriptingServices* scripting() {
    HostServices* host = HostServices::active();
    return host != nullptr ? &host->scripting() : nullptr;
}

template <typename T>
constexpr ValueKind kindOf() {
    if constexpr (std::is_same_v<T, bool>) return ValueKind::Boolean;
    if constexpr (std::is_same_v<T, UnitFloat>) return ValueKind::UnitFloat;
    if constexpr (std::is_same_v<T, std::vector<int32_t>>) return ValueKind::Integers;
    return ValueKind::Integer;
}

template <typename T>
OSErr getValue(PIActionDescriptor reference, DescriptorKeyID key, T* out, uint32_t count = 0) {
    ScriptingServices* s = scripting();
    Descriptor* d = s ? s->descriptor(reference) : nullptr;
    if (d == nullptr || out == nullptr) return kErrBadReference;
    s->noteAsked(key, kindOf<T>(), count);
    const DescriptorValue* value = d->find(key);
    if (value == nullptr) return kErrNoSuchKey;
    const T* typed = std::get_if<T>(value);
    if (typed == nullptr) return kErrWrongType;
    *out = *typed;
    return kSPNoError;
}

OSErr putValue(PIActionDescriptor reference, DescriptorKeyID key, DescriptorValue value) {
    ScriptingServices* s = scripting();
    Descriptor* d = s ? s->descriptor(reference) : nullptr;
    if (d == nullptr) return kErrBadReference;
    d->put(key, std::move(value));
    return kSPNoError;
}

extern "C" {
OSErr cMake(PIActionDescriptor* reference) {
    if (reference == nullptr || scripting() == nullptr) return kErrBadReference;
    *reference = scripting()->make();
    return kSPNoError;
}
OSErr cFree(PIActionDescriptor reference) {
    return scripting() ? scripting()->free(reference) : kErrBadReference;
}
OSErr cGetType(PIActionDescriptor reference, DescriptorKeyID key, DescriptorTypeID* type) {
    Descriptor* d = scripting() ? scripting()->descriptor(reference) : nullptr;
    if (d == nullptr || type == nullptr) return kErrBadReference;
    scripting()->noteAsked(key, std::nullopt);
    const DescriptorValue* value = d->find(key);
    if (value == nullptr) return kErrNoSuchKey;
    *type = typeCode(*value);
    return kSPNoError;
}
OSErr cGetKey(PIActionDescriptor reference, uint32 index, DescriptorKeyID* key) {
    Descriptor* d = scripting() ? scripting()->descriptor(reference) : nullptr;
    if (d == nullptr || key == nullptr) return kErrBadReference;
    if (index >= d->entries().size()) return kErrNoSuchKey;
    *key = d->entries()[index].key;
    return kSPNoError;
}
OSErr cHasKey(PIActionDescriptor reference, DescriptorKeyID key, Boolean* hasKey) {
    Descriptor* d = scripting() ? scripting()->descriptor(reference) : nullptr;
    if (d == nullptr || hasKey == nullptr) return kErrBadReference;
    scripting()->noteAsked(key, std::nullopt);
    *hasKey = d->find(key) != nullptr;
    return kSPNoError;
}
OSErr cGetCount(PIActionDescriptor reference, uint32* count) {
    Descriptor* d = scripting() ? scripting()->descriptor(reference) : nullptr;
    if (d == nullptr || count == nullptr) return kErrBadReference;
    *count = static_cast<uint32>(d->entries().size());
    return kSPNoError;
}
OSErr cErase(PIActionDescriptor reference, DescriptorKeyID key) {
    Descriptor* d = scripting() ? scripting()->descriptor(reference) : nullptr;
    if (d == nullptr) return kErrBadReference;
    d->erase(key);
    return kSPNoError;
}
OSErr cClear(PIActionDescriptor reference) {
    Descriptor* d = scripting() ? scripting()->descriptor(reference) : nullptr;
    if (d == nullptr) return kErrBadReference;
    d->clear();
    return kSPNoError;
}
OSErr cPutInteger(PIActionDescriptor reference, DescriptorKeyID key, int32 value) {
    return putValue(reference, key, value);
}
OSErr cPutUnitFloat(PIActionDescriptor reference, DescriptorKeyID key, DescriptorUnitID unit,
                    double value) {
    return putValue(reference, key, UnitFloat{unit, value});
}
OSErr cPutBoolean(PIActionDescriptor reference, DescriptorKeyID key, Boolean value) {
    return putValue(reference, key, value != 0);
}
OSErr cGetInteger(PIActionDescriptor reference, DescriptorKeyID key, int32* value) {
    return getValue(reference, key, value);
}
OSErr cGetUnitFloat(PIActionDescriptor reference, DescriptorKeyID key, DescriptorUnitID* unit,
                    double* value) {
    UnitFloat f;
    const OSErr error = getValue(reference, key, &f);
    if (error != kSPNoError) return error;
    if (unit != nullptr) *unit = f.unit;
    if (value != nullptr) *value = f.value;
    return kSPNoError;
}
OSErr cGetBoolean(PIActionDescriptor reference, DescriptorKeyID key, Boolean* value) {
    bool b = false;
    const OSErr error = getValue(reference, key, &b);
    if (error == kSPNoError && value != nullptr) *value = b ? 1 : 0;
    return error;
}
OSErr cPutIntegers(PIActionDescriptor reference, DescriptorKeyID key, uint32 count, int32* values) {
    if (values == nullptr && count != 0) return kErrBadReference;
    return putValue(reference, key, std::vector<int32_t>(values, values + count));
}
OSErr cGetIntegers(PIActionDescriptor reference, DescriptorKeyID key, uint32 count, int32* values) {
    std::vector<int32_t> list;
    const OSErr error = getValue(reference, key, &list, count);
    if (error != kSPNoError) return error;
    if (list.size() != count || (values == nullptr && count != 0)) return kErrWrongType;
    std::copy(list.begin(), list.end(), values);
    return kSPNoError;
}
OSErr cAsHandle(PIActionDescriptor reference, PIDescriptorHandle* handle) {
    return scripting() ? scripting()->asHandle(reference, handle) : kErrBadReference;
}
OSErr cHandleToDescriptor(PIDescriptorHandle handle, PIActionDescriptor* reference) {
    return scripting() ? scripting()->handleToDescriptor(handle, reference) : kErrBadReference;
}
OSErr cRegister(const char* key, PIActionDescriptor reference, Boolean persistent) {
    return scripting() ? scripting()->registerEntry(key, reference, persistent != 0)
                       : kErrBadReference;
}
OSErr cRegistryErase(const char* key) {
    return scripting() ? scripting()->eraseEntry(key) : kErrBadReference;
}
OSErr cRegistryGet(const char* key, PIActionDescriptor* reference) {
    return scripting() ? scripting()->getEntry(key, reference) : kErrBadReference;
}
}

}  // namespace

ScriptingServices::ScriptingServices(HostServices& host)
    : host_(host), registryPath_(defaultRegistryPath()) {
    PSActionDescriptorProcs& d = descriptorSuite_;
    d.Make = cMake;
    d.Free = cFree;
    d.GetType = cGetType;
    d.GetKey = cGetKey;
    d.HasKey = cHasKey;
    d.GetCount = cGetCount;
    offerNothing(d.IsEqual);
    d.Erase = cErase;
    d.Clear = cClear;
    d.PutInteger = cPutInteger;
    offerNothing(d.PutFloat);
    d.PutUnitFloat = cPutUnitFloat;
    offerNothing(d.PutString);
    d.PutBoolean = cPutBoolean;
    offerNothing(d.PutList);
    offerNothing(d.PutObject);
    offerNothing(d.PutGlobalObject);
    offerNothing(d.PutEnumerated);
    offerNothing(d.PutReference);
    offerNothing(d.PutClass);
    offerNothing(d.PutGlobalClass);
    offerNothing(d.PutAlias);
    d.GetInteger = cGetInteger;
    offerNothing(d.GetFloat);
    d.GetUnitFloat = cGetUnitFloat;
    offerNothing(d.GetStringLength);
    offerNothing(d.GetString);
    d.GetBoolean = cGetBoolean;
    offerNothing(d.GetList);
    offerNothing(d.GetObject);
    offerNothing(d.GetGlobalObject);
    offerNothing(d.GetEnumerated);
    offerNothing(d.GetReference);
    offerNothing(d.GetClass);
    offerNothing(d.GetGlobalClass);
    offerNothing(d.GetAlias);
    offerNothing(d.HasKeys);
    d.PutIntegers = cPutIntegers;
    d.GetIntegers = cGetIntegers;
    d.AsHandle = cAsHandle;
    d.HandleToDescriptor = cHandleToDescriptor;
    offerNothing(d.PutZString);
    offerNothing(d.GetZString);
    offerNothing(d.PutData);
    offerNothing(d.GetDataLength);
    offerNothing(d.GetData);
    registrySuite_ = PSDescriptorRegistryProcs{cRegister, cRegistryErase, cRegistryGet};
    host_.addSuite(kPSActionDescriptorSuite, kPSActionDescriptorSuiteVersion, &descriptorSuite_);
    host_.addSuite(kPSDescriptorRegistrySuite, kPSDescriptorRegistrySuiteVersion, &registrySuite_);
}

ScriptingServices::~ScriptingServices() = default;

void ScriptingServices::noteAsked(uint32_t key, std::optional<ValueKind> kind, uint32_t count) {
    AskedKey& asked = asked_[key];
    if (kind) asked = AskedKey{kind, count};
}

void ScriptingServices::setRegistryPath(std::filesystem::path path) {
    registryPath_ = std::move(path);
    registry_.clear();
    registryLoaded_ = false;
}

Descriptor* ScriptingServices::descriptor(PIActionDescriptor reference) {
    auto* address = reinterpret_cast<Descriptor*>(reference);
    const auto found = descriptors_.find(address);
    if (found == descriptors_.end()) {
        if (reference != nullptr)
            host_.report("a descriptor reference the host never gave was used");
        return nullptr;
    }
    return found->second.get();
}

PIActionDescriptor ScriptingServices::make() {
    auto descriptor = std::make_unique<Descriptor>();
    Descriptor* address = descriptor.get();
    descriptors_.emplace(address, std::move(descriptor));
    return reinterpret_cast<PIActionDescriptor>(address);
}

OSErr ScriptingServices::free(PIActionDescriptor reference) {
    if (descriptor(reference) == nullptr) return kErrBadReference;
    descriptors_.erase(reinterpret_cast<Descriptor*>(reference));
    return kSPNoError;
}

Handle ScriptingServices::makeHandle(const Descriptor& descriptor) {
    const std::vector<uint8_t> bytes = descriptor.flatten();
    Handle handle = host_.newHandle(static_cast<int32_t>(bytes.size()));
    host_.record(handle)->bytes = bytes;
    return handle;
}

std::optional<Descriptor> ScriptingServices::readHandle(Handle handle) {
    HandleRecord* record = host_.record(handle);
    if (record == nullptr) return std::nullopt;
    return Descriptor::unflatten(record->bytes);
}

OSErr ScriptingServices::asHandle(PIActionDescriptor reference, PIDescriptorHandle* handle) {
    Descriptor* d = descriptor(reference);
    if (d == nullptr || handle == nullptr) return kErrBadReference;
    const std::vector<uint8_t> bytes = d->flatten();
    Handle made = host_.handleNew(static_cast<int32_t>(bytes.size()));
    if (made == nullptr) return kErrOutOfMemory;
    host_.record(made)->bytes = bytes;
    *handle = made;
    return kSPNoError;
}

OSErr ScriptingServices::handleToDescriptor(PIDescriptorHandle handle,
                                            PIActionDescriptor* reference) {
    if (reference == nullptr) return kErrBadReference;
    *reference = nullptr;
    if (!host_.isHandle(handle)) return kErrBadReference;
    std::optional<Descriptor> parsed = readHandle(handle);
    if (!parsed) return kErrWrongType;
    PIActionDescriptor made = make();
    *descriptor(made) = std::move(*parsed);
    *reference = made;
    return kSPNoError;
}

OSErr ScriptingServices::registerEntry(const char* key, PIActionDescriptor reference,
                                       bool persistent) {
    Descriptor* d = descriptor(reference);
    if (key == nullptr || d == nullptr) return kErrBadReference;
    loadRegistry();
    registry_[key] = Entry{*d, persistent};
    if (persistent) saveRegistry();
    return kSPNoError;
}

OSErr ScriptingServices::eraseEntry(const char* key) {
    if (key == nullptr) return kErrBadReference;
    loadRegistry();
    const auto found = registry_.find(key);
    if (found == registry_.end()) return kSPNoError;
    const bool persistent = found->second.persistent;
    registry_.erase(found);
    if (persistent) saveRegistry();
    return kSPNoError;
}

OSErr ScriptingServices::getEntry(const char* key, PIActionDescriptor* reference) {
    if (key == nullptr || reference == nullptr) return kErrBadReference;
    loadRegistry();
    *reference = nullptr;
    const auto found = registry_.find(key);
    if (found == registry_.end()) return kSPNoError;
    PIActionDescriptor made = make();
    *descriptor(made) = found->second.descriptor;
    *reference = made;
    entryRead_ = found->second.descriptor;
    return kSPNoError;
}

const Descriptor* ScriptingServices::registryEntry(const std::string& key) {
    loadRegistry();
    const auto found = registry_.find(key);
    return found == registry_.end() ? nullptr : &found->second.descriptor;
}

void ScriptingServices::loadRegistry() {
    if (registryLoaded_) return;
    registryLoaded_ = true;
    try {
        const std::optional<std::string> text = readSmallFile(registryPath_, kMaxRegistryBytes);
        if (!text) return;  // no registry yet
        const nlohmann::ordered_json root = parseJson(*text);
        if (!root.is_object() || root.value("version", 0) != 1 || !root.contains("entries") ||
            !root["entries"].is_object())
            throw std::runtime_error("not a registry of this host");
        for (const auto& [key, value] : root["entries"].items())
            registry_.emplace_hint(registry_.end(), key, Entry{fromJson(value, {}), true});
    } catch (const std::exception& e) {
        registry_.clear();
        warnings_.push_back(registryPath_.string() + ": damaged descriptor registry ignored (" +
                            e.what() + ")");
    }
}

void ScriptingServices::saveRegistry() {
    nlohmann::ordered_json entries = nlohmann::ordered_json::object();
    for (const auto& [key, entry] : registry_)
        if (entry.persistent) appendNew(entries, key, toJson(entry.descriptor));
    const nlohmann::ordered_json root = {{"version", 1}, {"entries", entries}};
    try {
        std::filesystem::create_directories(registryPath_.parent_path());
        nelvo::util::writeFileSafely(registryPath_, root.dump(2) + "\n");
    } catch (const std::exception& e) {
        warnings_.push_back(registryPath_.string() + ": registry not saved (" + e.what() + ")");
    }
}

}  // namespace filterhost
