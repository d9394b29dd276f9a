// SPDX-License-Identifier: MIT
#include "host/ScriptingParameters.h"

#include <algorithm>

#include "resources/pipl/PluginIdentity.h"

namespace nelvo {
namespace {

enum class Kind { Boolean, Integer, Integers4, Percent };

// One row per recorded value, in the order they are read and written.
struct Key {
    DescriptorKeyID key;
    Kind kind;
    int32_t low;
    int32_t high;
};

constexpr DescriptorKeyID kPreviewPrecision = PIFourCC('p', 'r', 'e', 'C');
constexpr DescriptorKeyID kDarkDefects = PIFourCC('d', 'a', 'r', 'K');
constexpr DescriptorKeyID kBrightDefects = PIFourCC('b', 'r', 'i', 'T');
constexpr DescriptorKeyID kDetectionIntensity = PIFourCC('d', 'e', 't', 'I');
constexpr DescriptorKeyID kTileSize = PIFourCC('t', 'i', 'l', 'E');
constexpr DescriptorKeyID kDefectColor = PIFourCC('d', 'e', 'f', 'C');
constexpr DescriptorKeyID kAdaptiveRecognition = PIFourCC('a', 'd', 'a', 'P');
constexpr DescriptorKeyID kBrushSize = PIFourCC('b', 'r', 's', 'S');
constexpr DescriptorKeyID kBrushIntensity = PIFourCC('b', 'r', 's', 'I');
constexpr DescriptorKeyID kEraserSize = PIFourCC('e', 'r', 's', 'S');
constexpr DescriptorKeyID kZoom = PIFourCC('z', 'o', 'o', 'M');
constexpr DescriptorKeyID kWindowFrame = PIFourCC('w', 'i', 'n', 'F');
constexpr DescriptorKeyID kWindowState = PIFourCC('w', 'i', 'n', 'T');
constexpr DescriptorKeyID kIgnoreSelection = PIFourCC('i', 'g', 'n', 'S');

constexpr Key kKeys[] = {
    {kPreviewPrecision, Kind::Boolean, 0, 0},
    {kDarkDefects, Kind::Boolean, 0, 0},
    {kBrightDefects, Kind::Boolean, 0, 0},
    {kDetectionIntensity, Kind::Integer, 1, 20},
    {kTileSize, Kind::Integer, 1, 100},
    {kDefectColor, Kind::Integers4, 0, 0},
    {kAdaptiveRecognition, Kind::Boolean, 0, 0},
    {kBrushSize, Kind::Integer, 1, 100},
    {kBrushIntensity, Kind::Integer, -10, 10},
    {kEraserSize, Kind::Integer, 1, 100},
    {kZoom, Kind::Percent, 0, 0},
    {kWindowFrame, Kind::Integers4, 0, 0},
    {kWindowState, Kind::Integer, 0, 2},
    {kIgnoreSelection, Kind::Boolean, 0, 0},
};

bool* booleanField(FilterParameters& p, DescriptorKeyID key) {
    switch (key) {
        case kPreviewPrecision:
            return &p.previewPrecision;
        case kDarkDefects:
            return &p.engine.darkDefects;
        case kBrightDefects:
            return &p.engine.brightDefects;
        case kAdaptiveRecognition:
            return &p.engine.adaptiveRecognition;
        case kIgnoreSelection:
            return &p.ignoreSelection;
        default:
            return nullptr;
    }
}

int32_t* integerField(FilterParameters& p, DescriptorKeyID key) {
    switch (key) {
        case kDetectionIntensity:
            return &p.engine.detectionIntensity;
        case kTileSize:
            return &p.engine.tileSize;
        case kBrushSize:
            return &p.engine.brushSize;
        case kBrushIntensity:
            return &p.engine.brushIntensity;
        case kEraserSize:
            return &p.engine.eraserSize;
        case kWindowState:
            return &p.windowState;
        case kDefectColor:
            return p.engine.defectColor;
        case kWindowFrame:
            return p.windowFrame;
        default:
            return nullptr;
    }
}

}  // namespace

void readParameters(const PSActionDescriptorProcs& suite, PIActionDescriptor descriptor,
                    FilterParameters& parameters) {
    for (const Key& k : kKeys) {
        switch (k.kind) {
            case Kind::Boolean: {
                Boolean value = 0;
                if (suite.GetBoolean(descriptor, k.key, &value) == kSPNoError)
                    *booleanField(parameters, k.key) = value != 0;
                break;
            }
            case Kind::Integer: {
                int32_t value = 0;
                if (suite.GetInteger(descriptor, k.key, &value) == kSPNoError)
                    *integerField(parameters, k.key) = std::clamp(value, k.low, k.high);
                break;
            }
            case Kind::Integers4: {
                int32_t values[4] = {};
                if (suite.GetIntegers(descriptor, k.key, 4, values) == kSPNoError)
                    std::copy(values, values + 4, integerField(parameters, k.key));
                break;
            }
            case Kind::Percent: {
                DescriptorUnitID unit = 0;
                double value = 0;
                if (suite.GetUnitFloat(descriptor, k.key, &unit, &value) == kSPNoError)
                    parameters.zoom = value;
                break;
            }
        }
    }
}

void writeParameters(const PSActionDescriptorProcs& suite, const FilterParameters& parameters,
                     PIActionDescriptor descriptor) {
    FilterParameters copy = parameters;
    for (const Key& k : kKeys) {
        switch (k.kind) {
            case Kind::Boolean:
                suite.PutBoolean(descriptor, k.key, *booleanField(copy, k.key) ? 1 : 0);
                break;
            case Kind::Integer:
                suite.PutInteger(descriptor, k.key, *integerField(copy, k.key));
                break;
            case Kind::Integers4: {
                const int32_t* values = integerField(copy, k.key);
                if (k.key == kWindowFrame &&
                    std::all_of(values, values + 4, [](int32_t v) { return v == 0; })) {
                    suite.Erase(descriptor, k.key);
                } else {
                    suite.PutIntegers(descriptor, k.key, 4, values);
                }
                break;
            }
            case Kind::Percent:
                suite.PutUnitFloat(descriptor, k.key, unitPercent, copy.zoom);
                break;
        }
    }
}

std::optional<bool> readScriptingParameters(CallContext& context) {
    const PSActionDescriptorProcs& descriptors = context.suites.descriptors();
    const PSDescriptorRegistryProcs& registry = context.suites.registry();
    FilterParameters& parameters = *context.parameters;

    PIActionDescriptor stored = nullptr;
    if (registry.Get(kPluginUUID, &stored) == kSPNoError && stored != nullptr) {
        readParameters(descriptors, stored, parameters);
        descriptors.Free(stored);
    }

    PIDescriptorParameters* scripting = context.record->descriptorParameters;
    if (scripting != nullptr && scripting->descriptor != nullptr) {
        PIActionDescriptor given = nullptr;
        if (descriptors.HandleToDescriptor(scripting->descriptor, &given) != kSPNoError ||
            given == nullptr) {
            return std::nullopt;
        }
        readParameters(descriptors, given, parameters);
        descriptors.Free(given);
        return scripting->playInfo == plugInDialogDisplay;
    }
    return context.persistent->showDialogNext != 0;
}

void recordParameters(CallContext& context) {
    const PSActionDescriptorProcs& descriptors = context.suites.descriptors();
    const FilterParameters& parameters = *context.parameters;

    PIActionDescriptor recorded = nullptr;
    if (descriptors.Make(&recorded) == kSPNoError && recorded != nullptr) {
        writeParameters(descriptors, parameters, recorded);
        PIDescriptorParameters* scripting = context.record->descriptorParameters;
        if (scripting != nullptr) {
            if (scripting->descriptor != nullptr) {
                context.suites.handles().Dispose(scripting->descriptor);
                scripting->descriptor = nullptr;
            }
            PIDescriptorHandle handle = nullptr;
            if (descriptors.AsHandle(recorded, &handle) == kSPNoError)
                scripting->descriptor = handle;
            scripting->recordInfo = plugInDialogOptional;
        }
        descriptors.Free(recorded);
    }

    PIActionDescriptor confirmed = nullptr;
    if (descriptors.Make(&confirmed) == kSPNoError && confirmed != nullptr) {
        writeParameters(descriptors, parameters, confirmed);
        context.suites.registry().Register(kPluginUUID, confirmed, true);
        descriptors.Free(confirmed);
    }
}

}  // namespace nelvo
