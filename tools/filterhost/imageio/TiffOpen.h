// SPDX-License-Identifier: MIT
// Opens a TIFF file by the platform's own file name (UTF-16 on Windows).
#pragma once

#include <tiffio.h>

#include <filesystem>

namespace filterhost {

TIFF* openTiff(const std::filesystem::path& file, const char* mode, TIFFOpenOptions* options);

}  // namespace filterhost
