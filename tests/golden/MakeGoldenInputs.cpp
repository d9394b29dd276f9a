// SPDX-License-Identifier: MIT
// Writes the golden cases' inputs: for each case a small picture, a selection
// mask where the case has one, the action it replays and the program's extra
// arguments. Run on purpose only (scripts/regenerate-golden.sh --inputs); the
// tests read what is committed.
//   golden_make_inputs FOLDER
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PIFilter.h"
#include "imageio/ImageFiles.h"
#include "imageio/ImageFilesInternal.h"

namespace fs = std::filesystem;
using filterhost::Document;
using filterhost::ImageFile;
using filterhost::imagefiles::ColourModel;

namespace {

constexpr int32_t kWidth = 64;
constexpr int32_t kHeight = 48;

enum class Tone { Middle, Dark, Bright };
enum class Specks { Dark, Bright, Both };

struct Case {
    const char* name;
    ColourModel model;
    int32_t depth;
    Tone tone;
    Specks specks;
    const char* descriptor;  // the action's descriptor, JSON
    const char* arguments;   // further options of filterhost run, one a line
    bool mask;
};

const Case kCases[] = {
    {"rgb8-dark-specks", ColourModel::Rgb, 8, Tone::Middle, Specks::Dark, "{}", "", false},
    {"rgb8-bright-specks", ColourModel::Rgb, 8, Tone::Middle, Specks::Bright,
     R"({"darK": false, "briT": true})", "", false},
    {"grey8-both-types", ColourModel::Grey, 8, Tone::Middle, Specks::Both,
     R"({"darK": true, "briT": true, "detI": 10})", "", false},
    {"grey8-dark-picture", ColourModel::Grey, 8, Tone::Dark, Specks::Bright,
     R"({"darK": false, "briT": true, "detI": 10})", "", false},
    {"rgb16-dark-specks", ColourModel::Rgb, 16, Tone::Middle, Specks::Dark, R"({"detI": 10})", "",
     false},
    {"grey16-bright-picture", ColourModel::Grey, 16, Tone::Bright, Specks::Dark, R"({"tilE": 4})",
     "", false},
    {"rgb32-float", ColourModel::Rgb, 32, Tone::Middle, Specks::Dark, R"({"detI": 10})", "", false},
    {"grey32-float-both-types", ColourModel::Grey, 32, Tone::Middle, Specks::Both,
     R"({"darK": true, "briT": true, "detI": 10})", "", false},
    {"cmyk8", ColourModel::Cmyk, 8, Tone::Middle, Specks::Dark, "{}", "", false},
    {"cmyk16", ColourModel::Cmyk, 16, Tone::Middle, Specks::Dark, R"({"detI": 12})", "", false},
    {"lab8-both-types", ColourModel::Lab, 8, Tone::Middle, Specks::Both,
     R"({"darK": true, "briT": true})", "", false},
    {"lab16", ColourModel::Lab, 16, Tone::Middle, Specks::Dark, "{}", "", false},
    {"rgb8-selection", ColourModel::Rgb, 8, Tone::Middle, Specks::Dark, "{}", "", true},
    {"rgb8-small-host-tiles", ColourModel::Rgb, 8, Tone::Middle, Specks::Dark,
     R"({"detI": 10, "tilE": 6})", "--tile\n16x12\n", false},
    {"grey16-selection-small-tiles", ColourModel::Grey, 16, Tone::Middle, Specks::Both,
     R"({"darK": true, "briT": true})", "--tile\n20x20\n", true},
};

// Share 0..1 of white of the picture at (x, y), channel c: a gentle gradient
// with a little texture, around the case's tone.
double background(Tone tone, int32_t x, int32_t y, int c) {
    const double base = tone == Tone::Dark ? 0.15 : tone == Tone::Bright ? 0.82 : 0.5;
    const double gradient = 0.1 * (static_cast<double>(x) / kWidth - 0.5) +
                            0.06 * (static_cast<double>(y) / kHeight - 0.5);
    const double texture = 0.02 * std::sin(0.7 * x + 1.3 * y + c) * std::cos(0.45 * y - 0.2 * x);
    return base + gradient + texture + 0.015 * c;
}

// Specks of one to three pixels on a grid, and a thin hair across the picture.
// Returns -1 for a dark defect, +1 for a bright one, 0 for none.
int defectAt(Specks specks, int32_t x, int32_t y) {
    const bool hair = x > 8 && x < 40 && std::abs((y - 30) - (x - 8) / 3) == 0;
    const int32_t cellX = x / 12, cellY = y / 12;
    const int32_t size = 1 + (cellX + cellY) % 3;
    const bool speck = x % 12 >= 5 && x % 12 < 5 + size && y % 12 >= 5 && y % 12 < 5 + size;
    if (!speck && !hair) return 0;
    switch (specks) {
        case Specks::Dark:
            return -1;
        case Specks::Bright:
            return 1;
        case Specks::Both:
            return (cellX + cellY) % 2 == 0 || hair ? -1 : 1;
    }
    return 0;
}

void putSample(Document& d, std::size_t index, double share) {
    share = std::fmin(std::fmax(share, 0.0), 1.0);
    if (d.depth == 8) {
        d.pixels[index] = static_cast<uint8_t>(std::lround(share * 255.0));
    } else if (d.depth == 16) {
        const auto v = static_cast<uint16_t>(std::lround(share * 32768.0));
        std::memcpy(&d.pixels[index * 2], &v, 2);
    } else {
        const auto v = static_cast<float>(share);
        std::memcpy(&d.pixels[index * 4], &v, 4);
    }
}

ImageFile picture(const Case& c) {
    const int16_t planes = filterhost::imagefiles::colourChannels(c.model);
    ImageFile image;
    image.document.allocate(kWidth, kHeight, planes,
                            *filterhost::imagefiles::modeFor(c.model, c.depth), c.depth);
    Document& d = image.document;
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            const int defect = defectAt(c.specks, x, y);
            for (int ch = 0; ch < planes; ++ch) {
                double share = background(c.tone, x, y, ch);
                // Lab: a and b near their neutral middle, the defect in lightness.
                const bool chroma = c.model == ColourModel::Lab && ch > 0;
                if (chroma) share = 0.5 + 0.04 * (share - 0.5);
                if (!chroma && defect < 0) share *= 0.25;
                if (!chroma && defect > 0) share = share + 0.45 * (1.0 - share) + 0.1;
                const std::size_t index =
                    (static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)) *
                        static_cast<std::size_t>(planes) +
                    static_cast<std::size_t>(ch);
                putSample(d, index, share);
            }
        }
    }
    return image;
}

// Selected: a disc, so that the filter rectangle is narrower than the image
// and its corners are not selected.
ImageFile selection() {
    ImageFile mask;
    mask.document.allocate(kWidth, kHeight, 1, plugInModeGrayScale, 8);
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            const double dx = x - 34.0, dy = y - 22.0;
            mask.document
                .pixels[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] =
                dx * dx + dy * dy < 18.0 * 18.0 ? 255 : 0;
        }
    }
    return mask;
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error(path.string() + ": cannot write");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: golden_make_inputs FOLDER\n");
        return 2;
    }
    try {
        const fs::path folder = argv[1];
        for (const Case& c : kCases) {
            const fs::path dir = folder / c.name;
            fs::create_directories(dir);
            fs::remove(dir / "input.tif");
            filterhost::writeImage(dir / "input.tif", picture(c));
            fs::remove(dir / "mask.png");
            if (c.mask) filterhost::writeImage(dir / "mask.png", selection());
            writeText(dir / "action.json", std::string(R"({"playInfo": "silent", "descriptor": )") +
                                               c.descriptor + "}\n");
            fs::remove(dir / "arguments");
            if (*c.arguments != '\0') writeText(dir / "arguments", c.arguments);
            std::printf("%s\n", c.name);
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "golden_make_inputs: %s\n", e.what());
        return 1;
    }
}
