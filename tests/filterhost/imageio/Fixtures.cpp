// SPDX-License-Identifier: MIT
#include "Fixtures.h"

#include <png.h>
#include <cstdio>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "HostError.h"

namespace imageio_test {

Document patternDocument(int16_t mode, int32_t depth, int16_t planes, int32_t width, int32_t height,
                         bool smooth) {
    Document document;
    document.allocate(width, height, planes, mode, depth);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                              static_cast<std::size_t>(planes);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t pixel = i / static_cast<std::size_t>(planes);
        const std::size_t x = pixel % static_cast<std::size_t>(width);
        const std::size_t y = pixel / static_cast<std::size_t>(width);
        const std::size_t c = i % static_cast<std::size_t>(planes);
        // 0..1, either a gradient or a scrambled value with both ends present.
        double unit = smooth ? static_cast<double>(x * 4 + y * 3 + c * 20) /
                                   static_cast<double>(width * 4 + height * 3 + planes * 20)
                             : static_cast<double>((i * 7919 + 13) % 1001) / 1000.0;
        if (!smooth && i == 0) unit = 0.0;
        if (!smooth && i == 1) unit = 1.0;
        if (depth == 8) {
            document.pixels[i] = static_cast<uint8_t>(std::lround(unit * 255.0));
        } else if (depth == 16) {
            setSample(document.pixels, i, static_cast<uint16_t>(std::lround(unit * 32768.0)));
        } else {
            // Float documents go below black and above white.
            setSample(document.pixels, i, static_cast<float>(smooth ? unit : unit * 1.5 - 0.25));
        }
    }
    return document;
}

std::vector<uint8_t> packSamples(const std::vector<double>& values, int bits) {
    std::vector<uint8_t> bytes(values.size() * static_cast<std::size_t>(bits / 8));
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (bits == 8) bytes[i] = static_cast<uint8_t>(values[i]);
        if (bits == 16) setSample(bytes, i, static_cast<uint16_t>(values[i]));
        if (bits == 32) setSample(bytes, i, static_cast<float>(values[i]));
    }
    return bytes;
}

std::vector<uint8_t> readBytes(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream stream(path, std::ios::binary);
    stream.write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> folderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    return names;
}

void writeTiffFile(const fs::path& path, const TiffFileLayout& spec,
                   const std::vector<uint8_t>& samples) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, spec.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, spec.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, spec.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spec.samplesPerPixel);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, spec.photometric);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, spec.sampleFormat);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, spec.planar);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, spec.compression);
    if (spec.predictor != PREDICTOR_NONE) TIFFSetField(tif, TIFFTAG_PREDICTOR, spec.predictor);
    if (spec.compression == COMPRESSION_WEBP) TIFFSetField(tif, TIFFTAG_WEBP_LOSSLESS, 1);
    if (spec.compression == COMPRESSION_JPEG && spec.photometric == PHOTOMETRIC_YCBCR) {
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    if (!spec.extraKinds.empty()) {
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<uint16_t>(spec.extraKinds.size()),
                     spec.extraKinds.data());
    }
    if (!spec.colourMap.empty()) {
        const std::size_t n = spec.colourMap.size() / 3;
        std::vector<uint16_t> map = spec.colourMap;
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
    }
    const bool separate = spec.planar == PLANARCONFIG_SEPARATE;
    const std::size_t chunkSamples = separate ? 1 : spec.samplesPerPixel;
    const std::size_t planes = separate ? spec.samplesPerPixel : 1;
    // Sub-byte samples are packed by the caller, one row at a time.
    const std::size_t rowBytes = (std::size_t{spec.width} * chunkSamples * spec.bits + 7) / 8;
    const std::size_t bytes = spec.bits >= 8 ? spec.bits / 8u : 0;
    auto sampleOf = [&](std::size_t plane, std::size_t x, std::size_t y) {
        return samples.data() + ((y * spec.width + x) * spec.samplesPerPixel + plane) * bytes;
    };
    if (spec.tileWidth != 0) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, spec.tileWidth);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, spec.tileLength);
        std::vector<uint8_t> tile(std::size_t{spec.tileWidth} * spec.tileLength * chunkSamples *
                                  bytes);
        for (std::size_t plane = 0; plane < planes; ++plane)
            for (uint32_t ty = 0; ty < spec.height; ty += spec.tileLength)
                for (uint32_t tx = 0; tx < spec.width; tx += spec.tileWidth) {
                    std::fill(tile.begin(), tile.end(), uint8_t{0});
                    for (uint32_t y = ty; y < std::min(spec.height, ty + spec.tileLength); ++y)
                        for (uint32_t x = tx; x < std::min(spec.width, tx + spec.tileWidth); ++x)
                            for (std::size_t s = 0; s < chunkSamples; ++s)
                                std::memcpy(
                                    &tile[(((y - ty) * spec.tileWidth + (x - tx)) * chunkSamples +
                                           s) *
                                          bytes],
                                    sampleOf(plane + s, x, y), bytes);
                    ASSERT_GE(
                        TIFFWriteEncodedTile(
                            tif, TIFFComputeTile(tif, tx, ty, 0, static_cast<uint16_t>(plane)),
                            tile.data(), static_cast<tmsize_t>(tile.size())),
                        0);
                }
    } else {
        const uint32_t rows =
            spec.rowsPerStrip != 0 ? spec.rowsPerStrip : TIFFDefaultStripSize(tif, 0);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
        std::vector<uint8_t> row(rowBytes);
        for (std::size_t plane = 0; plane < planes; ++plane)
            for (uint32_t y = 0; y < spec.height; ++y) {
                if (bytes == 0) {
                    std::memcpy(row.data(), samples.data() + y * rowBytes, rowBytes);
                } else {
                    for (uint32_t x = 0; x < spec.width; ++x)
                        for (std::size_t s = 0; s < chunkSamples; ++s)
                            std::memcpy(&row[(x * chunkSamples + s) * bytes],
                                        sampleOf(plane + s, x, y), bytes);
                }
                ASSERT_EQ(TIFFWriteScanline(tif, row.data(), y, static_cast<uint16_t>(plane)), 1);
            }
    }
    ASSERT_EQ(TIFFWriteDirectory(tif), 1);
    TIFFClose(tif);
}

TiffTags readTiffTags(const fs::path& path) {
    TiffTags tags;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    EXPECT_NE(tif, nullptr);
    if (tif == nullptr) return tags;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &tags.compression);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &tags.photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &tags.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &tags.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &tags.samplesPerPixel);
    // Only the codecs that take a predictor know the tag.
    tags.predictor = PREDICTOR_NONE;
    if (tags.compression == COMPRESSION_LZW || tags.compression == COMPRESSION_ADOBE_DEFLATE ||
        tags.compression == COMPRESSION_DEFLATE || tags.compression == COMPRESSION_ZSTD ||
        tags.compression == COMPRESSION_LZMA) {
        TIFFGetFieldDefaulted(tif, TIFFTAG_PREDICTOR, &tags.predictor);
    }
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tags.tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tags.tileLength);
    TIFFClose(tif);
    return tags;
}

std::vector<uint8_t> readTiffSamples(const fs::path& path) {
    std::vector<uint8_t> samples;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    EXPECT_NE(tif, nullptr);
    if (tif == nullptr) return samples;
    uint32_t height = 0;
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    const auto rowBytes = static_cast<std::size_t>(TIFFScanlineSize(tif));
    samples.resize(rowBytes * height);
    for (uint32_t y = 0; y < height; ++y) {
        EXPECT_EQ(TIFFReadScanline(tif, samples.data() + y * rowBytes, y, 0), 1);
    }
    TIFFClose(tif);
    return samples;
}

void writePngFile(const fs::path& path, const PngFileLayout& spec,
                  const std::vector<uint8_t>& rows) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        ADD_FAILURE() << "libpng could not write " << path;
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, spec.width, spec.height, spec.bits, spec.colourType,
                 spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (std::size_t i = 0; i + 2 < spec.palette.size(); i += 3) {
        palette.push_back({spec.palette[i], spec.palette[i + 1], spec.palette[i + 2]});
    }
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!spec.transparency.empty()) {
        png_set_tRNS(png, info, spec.transparency.data(),
                     static_cast<int>(spec.transparency.size()), nullptr);
    }
    png_write_info(png, info);
    const std::size_t rowBytes = rows.size() / spec.height;
    std::vector<png_bytep> pointers(spec.height);
    for (std::size_t y = 0; y < spec.height; ++y) {
        pointers[y] = const_cast<png_bytep>(rows.data() + y * rowBytes);
    }
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

std::vector<uint16_t> readPng16(const fs::path& path) {
    std::vector<uint16_t> samples;
    // The simplified reader would convert 16-bit data to linear light, so
    // read rows with the full interface.
    FILE* file = std::fopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return samples;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        ADD_FAILURE() << "libpng could not read " << path;
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return {};
    }
    png_init_io(png, file);
    png_read_info(png, info);
    if (std::endian::native == std::endian::little) png_set_swap(png);
    png_read_update_info(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    samples.resize(rowBytes / 2 * height);
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png, reinterpret_cast<png_bytep>(samples.data() + y * (rowBytes / 2)),
                     nullptr);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return samples;
}

void writeJpegFile(const fs::path& path, int width, int height, int components,
                   const std::vector<Marker>& markers) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    for (const Marker& marker : markers) {
        jpeg_write_marker(&info, marker.code, marker.data.data(),
                          static_cast<unsigned>(marker.data.size()));
    }
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width * components));
    while (info.next_scanline < info.image_height) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            row[i] = static_cast<JSAMPLE>((i * 3 + info.next_scanline * 5) % 256);
        }
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}

std::vector<Marker> readJpegMarkers(const fs::path& path) {
    std::vector<Marker> markers;
    FILE* file = std::fopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr);
    if (file == nullptr) return markers;
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_save_markers(&info, JPEG_APP0 + 1, 0xffff);
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xffff);
    jpeg_read_header(&info, TRUE);
    for (jpeg_saved_marker_ptr m = info.marker_list; m != nullptr; m = m->next) {
        markers.push_back({m->marker, std::vector<uint8_t>(m->data, m->data + m->data_length)});
    }
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return markers;
}

std::vector<uint8_t> iccProfile(const char colourSpace[4]) {
    // Header, a table of one tag, and 256 bytes of tag data that do not
    // compress (PNG readers drop an iCCP chunk of only a few bytes).
    std::vector<uint8_t> profile(400, 0);
    auto put32 = [&](std::size_t at, uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i)
            profile[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    };
    put32(0, static_cast<uint32_t>(profile.size()));
    put32(8, 0x02100000);  // version 2.1
    std::memcpy(&profile[12], "mntr", 4);
    std::memcpy(&profile[16], colourSpace, 4);
    std::memcpy(&profile[20], "XYZ ", 4);
    std::memcpy(&profile[36], "acsp", 4);
    put32(68, 0x0000f6d6);  // D50
    put32(72, 0x00010000);
    put32(76, 0x0000d32d);
    put32(128, 1);
    std::memcpy(&profile[132], "zzzz", 4);
    put32(136, 144);
    put32(140, 256);
    uint32_t state = 12345;
    for (std::size_t i = 144; i < profile.size(); ++i) {
        state = state * 1103515245u + 12345u;
        profile[i] = static_cast<uint8_t>(state >> 24);
    }
    return profile;
}

void expectHostError(const std::function<void()>& call, const fs::path& file,
                     const std::string& fragment) {
    try {
        call();
        ADD_FAILURE() << "no error for " << file;
    } catch (const filterhost::HostError& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.rfind(file.string() + ": ", 0), 0u) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        EXPECT_NE(message.find(fragment), std::string::npos) << message;
    }
}

}  // namespace imageio_test
