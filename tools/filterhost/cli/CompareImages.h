// SPDX-License-Identifier: MIT
// `filterhost compare`: two images of the same size side by side, the pixels
// that differ, and how far AFTER lies from BEFORE.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>

namespace filterhost {

struct CompareOptions {
    std::filesystem::path before;
    std::filesystem::path after;
    std::filesystem::path output;                  // the side-by-side picture, .png
    std::optional<std::filesystem::path> maskOut;  // changed pixels 255, others 0, .png
};

// Writes BEFORE and AFTER side by side, left and right, as one 8-bit PNG, and
// prints the changed pixels (count and share) and the PSNR of AFTER against
// BEFORE, one line each. Both outputs are checked before the work and appear
// together or not at all; neither may be an input. Both images must have the
// same size and number of channels; throws HostError naming the file otherwise.
void compareImages(const CompareOptions& options, std::ostream& out);

}  // namespace filterhost
