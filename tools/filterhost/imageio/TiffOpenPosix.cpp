// SPDX-License-Identifier: MIT
#include "imageio/TiffOpen.h"

namespace filterhost {

TIFF* openTiff(const std::filesystem::path& file, const char* mode, TIFFOpenOptions* options) {
    return TIFFOpenExt(file.c_str(), mode, options);
}

}  // namespace filterhost
