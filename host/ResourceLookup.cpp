// SPDX-License-Identifier: MIT
// Hands the module's property list and terminology to the host.
#include "PIProperties.h"
#include "host/Export.h"
#include "resources/pipl/ModuleResources.h"
#include "resources/pipl/PluginIdentity.h"

extern "C" NELVO_EXPORT int PIResourceLookup(ResType type, int16 id, const void** data,
                                             size_t* size) {
    if (data == nullptr || size == nullptr || id != nelvo::kResourceID) return 0;
    const std::vector<uint8_t>* bytes = nullptr;
    if (type == kPIPropertiesResource) bytes = &nelvo::propertyListResource();
    if (type == kTerminologyResource) bytes = &nelvo::terminologyResource();
    if (bytes == nullptr) return 0;
    *data = bytes->data();
    *size = bytes->size();
    return 1;
}
