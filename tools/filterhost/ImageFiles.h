// SPDX-License-Identifier: MIT
// Reading and writing image files into host documents.
#pragma once

#include <filesystem>

#include "Document.h"

namespace filterhost {

// Reads an image file; throws HostError naming the file and the cause.
Document readImage(const std::filesystem::path& path);

}  // namespace filterhost
