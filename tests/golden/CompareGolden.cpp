// SPDX-License-Identifier: MIT
// Compares a golden case's output with its expected picture: the same size,
// mode and depth, and the same samples, exactly for 8- and 16-bit pictures.
// Float pictures may differ by 1e-5 per sample, and on a few pixels by more:
// the OpenCL device rates within 1e-5 of the CPU, so a rating that close to
// the threshold may flag a pixel on one and not on the other.
//   golden_compare EXPECTED ACTUAL
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include <vector>

#include "imageio/ImageFiles.h"
#include "util/ProgramArguments.h"
#include "util/TextConversion.h"

using filterhost::Document;

namespace {

constexpr float kFloatTolerance = 1e-5f;
// Pixels a float picture may have beyond the tolerance: one in a thousand.
constexpr double kShareBeyondTolerance = 1e-3;

float floatAt(const Document& d, std::size_t index) {
    float v = 0.0f;
    std::memcpy(&v, &d.pixels[index * 4], 4);
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args = nelvo::util::programArguments(argc, argv);
        if (args.size() != 2) {
            std::fprintf(stderr, "usage: golden_compare EXPECTED ACTUAL\n");
            return 2;
        }
        const Document expected = filterhost::readImage(nelvo::pathFromUtf8(args[0])).document;
        const Document actual = filterhost::readImage(nelvo::pathFromUtf8(args[1])).document;
        if (expected.width != actual.width || expected.height != actual.height ||
            expected.planes != actual.planes || expected.imageMode != actual.imageMode ||
            expected.depth != actual.depth) {
            std::fprintf(stderr, "golden_compare: %s is not shaped like %s\n", args[1].c_str(),
                         args[0].c_str());
            return 1;
        }
        const std::size_t planes = static_cast<std::size_t>(expected.planes);
        const std::size_t pixels =
            static_cast<std::size_t>(expected.width) * static_cast<std::size_t>(expected.height);
        std::size_t differing = 0;
        std::size_t first = pixels;
        for (std::size_t p = 0; p < pixels; ++p) {
            bool differs = false;
            for (std::size_t c = 0; c < planes; ++c) {
                const std::size_t i = p * planes + c;
                if (expected.depth == 32) {
                    const float a = floatAt(expected, i), b = floatAt(actual, i);
                    differs |= !(std::fabs(a - b) <= kFloatTolerance);
                } else {
                    const std::size_t bytes = expected.sampleBytes();
                    differs |= std::memcmp(&expected.pixels[i * bytes], &actual.pixels[i * bytes],
                                           bytes) != 0;
                }
            }
            if (differs && first == pixels) first = p;
            differing += differs ? 1 : 0;
        }
        const std::size_t allowed =
            expected.depth == 32
                ? static_cast<std::size_t>(kShareBeyondTolerance * static_cast<double>(pixels)) + 1
                : 0;
        if (differing > allowed) {
            const std::size_t width = static_cast<std::size_t>(expected.width);
            std::fprintf(stderr,
                         "golden_compare: %zu of %zu pixels differ (%zu allowed), the first at "
                         "x %zu, y %zu\n",
                         differing, pixels, allowed, first % width, first / width);
            return 1;
        }
        std::printf("golden_compare: %zu pixels beyond the tolerance, %zu allowed\n", differing,
                    allowed);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "golden_compare: %s\n", e.what());
        return 1;
    }
}
