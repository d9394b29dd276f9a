// SPDX-License-Identifier: MIT
// What is refused, and how: damaged files, modes the host has no place for,
// formats that cannot hold a document, and writes that fail, which leave
// nothing behind and never touch the input.
#include <gtest/gtest.h>
#include <zlib.h>

#include "Fixtures.h"
#include "HostError.h"
#include "PIFilter.h"
#include "support/TempDir.h"

namespace imageio_test {
namespace {

using filterhost::readImage;
using filterhost::writeImage;
using Bytes = std::vector<uint8_t>;

void put16le(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32le(Bytes& b, uint32_t v) {
    put16le(b, static_cast<uint16_t>(v));
    put16le(b, static_cast<uint16_t>(v >> 16));
}
void put32be(Bytes& b, std::size_t at, uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// The smallest uncompressed 8-bit grey TIFF that declares width × height, in
// one strip or in square tiles of side `tile`, with 16 bytes of pixel data
// whatever it declares.
// Compressed, the strip holds the 16 bytes that follow the header.
Bytes tinyTiff(uint32_t width, uint32_t height, uint32_t tile = 0, uint16_t compression = 1) {
    Bytes b = {'I', 'I', 42, 0};
    put32le(b, 8);
    const uint16_t count = tile == 0 ? 9 : 10;
    const uint32_t data = 8 + 2 + count * 12u + 4;
    put16le(b, count);
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
        put16le(b, tag);
        put16le(b, type);
        put32le(b, 1);
        if (type == 3) {
            put16le(b, static_cast<uint16_t>(value));
            put16le(b, 0);
        } else {
            put32le(b, value);
        }
    };
    entry(256, 4, width);
    entry(257, 4, height);
    entry(258, 3, 8);
    entry(259, 3, compression);
    entry(262, 3, 1);
    if (tile == 0) {
        entry(273, 4, data);
        entry(277, 3, 1);
        entry(278, 4, height);
        entry(279, 4, compression == 1 ? width : 16);
    } else {
        entry(277, 3, 1);
        entry(322, 4, tile);
        entry(323, 4, tile);
        entry(324, 4, data);
        entry(325, 4, 16);
    }
    put32le(b, 0);
    b.resize(b.size() + 16, 0x80);
    return b;
}

// A valid file of `name`'s format, 32 × 32 RGB, written by us.
Bytes validFile(const TempDir& dir, const std::string& name) {
    writeImage(dir / ("valid-" + name),
               {patternDocument(plugInModeRGBColor, 8, 3, 32, 32, true), nullptr});
    return readBytes(dir / ("valid-" + name));
}

Bytes head(Bytes b, std::size_t size) {
    b.resize(size);
    return b;
}

Bytes half(Bytes b) {
    return head(b, b.size() / 2);
}

// A PNG with IHDR's width and height replaced, its CRC made right again.
Bytes pngSized(Bytes b, uint32_t width, uint32_t height) {
    put32be(b, 16, width);
    put32be(b, 20, height);
    put32be(b, 29, static_cast<uint32_t>(crc32(0, b.data() + 12, 17)));
    return b;
}

Bytes pngDamagedData(Bytes b) {
    b[b.size() / 2] ^= 0xff;  // inside IDAT: its CRC no longer matches
    return b;
}

// A JPEG with its frame header's height and width replaced.
Bytes jpegSized(Bytes b, uint16_t width, uint16_t height) {
    for (std::size_t i = 2; i + 9 < b.size(); ++i) {
        if (b[i] == 0xff && b[i + 1] == 0xc0) {
            b[i + 5] = static_cast<uint8_t>(height >> 8);
            b[i + 6] = static_cast<uint8_t>(height);
            b[i + 7] = static_cast<uint8_t>(width >> 8);
            b[i + 8] = static_cast<uint8_t>(width);
            return b;
        }
    }
    ADD_FAILURE() << "no baseline frame header";
    return b;
}

struct DamagedCase {
    const char* name;
    std::function<Bytes(const TempDir&)> file;
    const char* fragment;
};

class DamagedFile : public testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedFile, IsRefusedNamingTheFile) {
    TempDir dir;
    const fs::path path = dir / "damaged";
    writeBytes(path, GetParam().file(dir));
    expectHostError([&] { readImage(path); }, path, GetParam().fragment);
    expectHostError([&] { filterhost::readMask(path, 32, 32); }, path, GetParam().fragment);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFile,
    testing::Values(
        DamagedCase{"Empty", [](const TempDir&) { return Bytes{}; }, "empty"},
        DamagedCase{"UnknownFormat",
                    [](const TempDir&) { return Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0}; },
                    "not a TIFF, PNG or JPEG file"},
        DamagedCase{"TiffHeaderOnly",
                    [](const TempDir& d) { return head(validFile(d, "a.tif"), 8); }, ""},
        DamagedCase{"TiffTruncated", [](const TempDir& d) { return half(validFile(d, "a.tif")); },
                    ""},
        DamagedCase{"TiffTooWide", [](const TempDir&) { return tinyTiff(3'000'000, 1); },
                    "more than 2000000 on a side"},
        DamagedCase{"TiffTooLarge", [](const TempDir&) { return tinyTiff(1'500'000, 1'500'000); },
                    "too large"},
        DamagedCase{"TiffZeroWidth", [](const TempDir&) { return tinyTiff(0, 4); }, ""},
        DamagedCase{"TiffHugeTiles", [](const TempDir&) { return tinyTiff(16, 16, 1u << 20); },
                    "far less image data than its header claims"},
        DamagedCase{"TiffDataMissing", [](const TempDir&) { return tinyTiff(16, 64); },
                    "strip 0 lies past the end of the file"},
        // A few bytes that claim gigabytes are refused before any is allocated.
        DamagedCase{"TiffClaimsGigabytes",
                    [](const TempDir&) { return tinyTiff(65536, 65535, 0, 8); },
                    "far less image data than its header claims"},
        DamagedCase{"PngClaimsGigabytes",
                    [](const TempDir& d) { return pngSized(validFile(d, "a.png"), 30000, 30000); },
                    "far less image data than its header claims"},
        DamagedCase{"PngSignatureOnly",
                    [](const TempDir& d) { return head(validFile(d, "a.png"), 8); }, ""},
        DamagedCase{"PngTruncated", [](const TempDir& d) { return half(validFile(d, "a.png")); },
                    ""},
        DamagedCase{"PngDamagedData",
                    [](const TempDir& d) { return pngDamagedData(validFile(d, "a.png")); }, ""},
        DamagedCase{"PngTooWide",
                    [](const TempDir& d) { return pngSized(validFile(d, "a.png"), 3'000'000, 1); },
                    ""},
        DamagedCase{
            "PngTooLarge",
            [](const TempDir& d) { return pngSized(validFile(d, "a.png"), 1'500'000, 1'500'000); },
            "too large"},
        DamagedCase{"PngZeroHeight",
                    [](const TempDir& d) { return pngSized(validFile(d, "a.png"), 32, 0); }, ""},
        DamagedCase{"JpegMarkerOnly",
                    [](const TempDir&) {
                        return Bytes{0xff, 0xd8, 0xff};
                    },
                    ""},
        DamagedCase{"JpegTruncated", [](const TempDir& d) { return half(validFile(d, "a.jpg")); },
                    ""},
        DamagedCase{"JpegTooLarge",
                    [](const TempDir& d) { return jpegSized(validFile(d, "a.jpg"), 60000, 60000); },
                    "too large"},
        DamagedCase{"JpegZeroHeight",
                    [](const TempDir& d) { return jpegSized(validFile(d, "a.jpg"), 32, 0); }, ""}),
    [](const testing::TestParamInfo<DamagedCase>& tested) { return tested.param.name; });

TEST(DamagedFile, MissingFileAndFolderAreRefused) {
    TempDir dir;
    expectHostError([&] { readImage(dir / "missing.png"); }, dir / "missing.png", "no such file");
    expectHostError([&] { readImage(dir.path()); }, dir.path(), "not a regular file");
}

struct RefusedModeCase {
    const char* name;
    TiffFileLayout spec;
    const char* fragment;
};

TiffFileLayout spec(uint16_t photometric, uint16_t bits, uint16_t samples, uint16_t format) {
    TiffFileLayout s;
    s.width = 2;
    s.height = 2;
    s.photometric = photometric;
    s.bits = bits;
    s.samplesPerPixel = samples;
    s.sampleFormat = format;
    return s;
}

class RefusedMode : public testing::TestWithParam<RefusedModeCase> {};

TEST_P(RefusedMode, IsAClearError) {
    TempDir dir;
    const RefusedModeCase& c = GetParam();
    writeTiffFile(dir / "in.tif", c.spec, Bytes(64, 0));
    expectHostError([&] { readImage(dir / "in.tif"); }, dir / "in.tif", c.fragment);
}

INSTANTIATE_TEST_SUITE_P(
    Tiff, RefusedMode,
    testing::Values(
        RefusedModeCase{"CmykFloat", spec(PHOTOMETRIC_SEPARATED, 32, 4, SAMPLEFORMAT_IEEEFP),
                        "CMYK images with 32-bit float samples are not supported"},
        RefusedModeCase{"LabFloat", spec(PHOTOMETRIC_CIELAB, 32, 3, SAMPLEFORMAT_IEEEFP),
                        "Lab images with 32-bit float samples are not supported"},
        RefusedModeCase{"Integer32", spec(PHOTOMETRIC_MINISBLACK, 32, 1, SAMPLEFORMAT_UINT),
                        "32-bit integer"},
        RefusedModeCase{"Signed16", spec(PHOTOMETRIC_MINISBLACK, 16, 1, SAMPLEFORMAT_INT),
                        "signed"},
        RefusedModeCase{"TwelveBit", spec(PHOTOMETRIC_RGB, 12, 3, SAMPLEFORMAT_UINT),
                        "12-bit samples"},
        RefusedModeCase{"ThreeInks", spec(PHOTOMETRIC_SEPARATED, 8, 3, SAMPLEFORMAT_UINT),
                        "needs 4 samples per pixel"}),
    [](const testing::TestParamInfo<RefusedModeCase>& tested) { return tested.param.name; });

TEST(RefusedMode, CmykJpegIsAClearError) {
    TempDir dir;
    writeJpegFile(dir / "cmyk.jpg", 16, 16, 4, {});
    expectHostError([&] { readImage(dir / "cmyk.jpg"); }, dir / "cmyk.jpg", "CMYK JPEG");
}

struct RefusedWriteCase {
    const char* name;
    const char* file;
    int16_t mode;
    int32_t depth;
    int16_t planes;
    int16_t extras;
    const char* fragment;
};

class RefusedWrite : public testing::TestWithParam<RefusedWriteCase> {};

TEST_P(RefusedWrite, LeavesNothingBehind) {
    const RefusedWriteCase& c = GetParam();
    TempDir dir;
    ImageFile image{patternDocument(c.mode, c.depth, c.planes, 5, 3), nullptr};
    if (c.extras > 0) {
        auto details = std::make_shared<ImageFileDetails>();
        details->width = 5;
        details->height = 3;
        details->extraSamples = c.extras;
        details->extras.assign(image.document.pixels.size() / static_cast<std::size_t>(c.planes) *
                                   static_cast<std::size_t>(c.extras),
                               7);
        details->extraKinds.assign(static_cast<std::size_t>(c.extras), EXTRASAMPLE_UNASSALPHA);
        image.details = details;
    }
    expectHostError([&] { writeImage(dir / c.file, image); }, dir / c.file, c.fragment);
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RefusedWrite,
    testing::Values(
        RefusedWriteCase{"CmykPng", "a.png", plugInModeCMYKColor, 8, 4, 0, "PNG cannot hold CMYK"},
        RefusedWriteCase{"LabPng", "a.png", plugInModeLab48, 16, 3, 0, "PNG cannot hold Lab"},
        RefusedWriteCase{"FloatPng", "a.png", plugInModeRGB96, 32, 3, 0, "32-bit float"},
        RefusedWriteCase{"TwoExtrasPng", "a.png", plugInModeRGBColor, 8, 3, 2, "more than one"},
        RefusedWriteCase{"Rgb16Jpeg", "a.jpg", plugInModeRGB48, 16, 3, 0,
                         "JPEG cannot hold 16-bit"},
        RefusedWriteCase{"CmykJpeg", "a.jpg", plugInModeCMYKColor, 8, 4, 0,
                         "JPEG cannot hold CMYK"},
        RefusedWriteCase{"AlphaJpeg", "a.jpeg", plugInModeRGBColor, 8, 3, 1, "alpha"},
        RefusedWriteCase{"UnknownExtension", "a.bmp", plugInModeRGBColor, 8, 3, 0, "'.bmp'"},
        RefusedWriteCase{"NoExtension", "a", plugInModeRGBColor, 8, 3, 0, "extension"}),
    [](const testing::TestParamInfo<RefusedWriteCase>& tested) { return tested.param.name; });

TEST(FailedWrite, InAMissingFolderCreatesNothing) {
    TempDir dir;
    const fs::path out = dir / "missing" / "a.png";
    expectHostError(
        [&] {
            writeImage(out, {patternDocument(plugInModeGrayScale, 8, 1, 4, 4), nullptr});
        },
        out, "cannot create a file");
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST(FailedWrite, ALibraryErrorWhileWritingLeavesNothing) {
    TempDir dir;
    // libpng refuses a profile that is not one; TIFF files carry any bytes.
    auto details = std::make_shared<ImageFileDetails>();
    details->width = 4;
    details->height = 4;
    details->iccProfile = Bytes(200, 0x33);
    const fs::path out = dir / "a.png";
    expectHostError(
        [&] {
            writeImage(out, {patternDocument(plugInModeRGBColor, 8, 3, 4, 4), details});
        },
        out, "cannot write the PNG file");
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST(FailedWrite, AFailedRenameLeavesNoTemporaryAndKeepsWhatWasThere) {
    TempDir dir;
    // The output path is a folder that is not empty: the rename must fail.
    fs::create_directory(dir / "out.tif");
    writeBytes(dir / "out.tif" / "keep", {1, 2, 3});
    expectHostError(
        [&] {
            writeImage(dir / "out.tif",
                       {patternDocument(plugInModeGrayScale, 8, 1, 4, 4), nullptr});
        },
        dir / "out.tif", "cannot replace");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.tif"});
    EXPECT_EQ(readBytes(dir / "out.tif" / "keep"), (Bytes{1, 2, 3}));
}

TEST(FailedWrite, AnExistingOutputIsReplacedOnlyBySuccess) {
    TempDir dir;
    const fs::path out = dir / "out.png";
    writeBytes(out, {'o', 'l', 'd'});
    expectHostError(
        [&] {
            writeImage(out, {patternDocument(plugInModeCMYKColor, 8, 4, 4, 4), nullptr});
        },
        out, "CMYK");
    EXPECT_EQ(readBytes(out), (Bytes{'o', 'l', 'd'}));
    writeImage(out, {patternDocument(plugInModeGrayScale, 8, 1, 4, 4), nullptr});
    EXPECT_EQ(readImage(out).document.width, 4);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.png"});
}

TEST(FailedWrite, TheInputIsNeverOverwritten) {
    TempDir dir;
    writeImage(dir / "in.png", {patternDocument(plugInModeRGBColor, 8, 3, 4, 4), nullptr});
    const Bytes before = readBytes(dir / "in.png");
    ImageFile image = readImage(dir / "in.png");
    image.document.pixels.assign(image.document.pixels.size(), 0);
    for (const fs::path& same : {dir / "in.png", dir.path() / "." / "in.png"}) {
        expectHostError([&] { writeImage(same, image); }, same, "never overwritten");
    }
    EXPECT_EQ(readBytes(dir / "in.png"), before);
}

}  // namespace
}  // namespace imageio_test
