// SPDX-License-Identifier: MIT
// The tiles the host hands out: whole rows of every plane are the document's
// own memory, anything else a padded copy; the output is always a copy, and
// writing it back keeps the pixels outside the selection and records which
// samples it gave new values.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "session/TileServer.h"

using namespace filterhost;

namespace {

struct Served {
    Document document;
    TileServer::Hooks hooks;
    TileServer server{document, hooks};
    FilterRecord record{};
    BigDocumentStruct big{};

    Served() {
        document.allocate(8, 6, 3, plugInModeRGBColor, 8);
        std::iota(document.pixels.begin(), document.pixels.end(), uint8_t{0});
        record.bigDocumentData = &big;
        big.PluginUsing32BitCoordinates = 1;
        record.inHiPlane = record.outHiPlane = 2;
        record.inputPadding = 7;
        server.attach(record);
    }
};

TEST(TileServer, WholeRowsAreTheDocumentsOwnAndOtherTilesAPaddedCopy) {
    Served s;
    s.big.inRect32 = VRect{2, 0, 5, 8};
    s.big.outRect32 = VRect{2, 0, 5, 8};
    ASSERT_EQ(s.server.advance(), noErr);
    EXPECT_EQ(s.record.inData, s.document.pixels.data() + 2 * s.document.rowBytes());
    EXPECT_EQ(s.record.inRowBytes, static_cast<int32_t>(s.document.rowBytes()));
    EXPECT_NE(s.record.outData, s.record.inData);

    // Past the right edge, above the top, or not from the left edge: copies.
    const VRect cases[] = {{0, 0, 2, 9}, {-1, 0, 2, 8}, {0, 1, 2, 8}};
    for (const VRect& rect : cases) {
        s.big.inRect32 = rect;
        ASSERT_EQ(s.server.advance(), noErr);
        const auto* in = static_cast<const uint8_t*>(s.record.inData);
        EXPECT_TRUE(in < s.document.pixels.data() ||
                    in >= s.document.pixels.data() + s.document.pixels.size());
        if (rect.right == 9) {
            EXPECT_EQ(in[8 * 3], 7);  // the padding
            EXPECT_EQ(in[0], s.document.pixels[0]);
        }
    }
}

TEST(TileServer, ALargePaddedCopyIsMadeInPartsThatJoinUp) {
    // Large enough to be copied by several threads; padded above, below and left.
    constexpr int32_t kWidth = 4100, kHeight = 5500;
    Served s;
    s.document.allocate(kWidth, kHeight, 3, plugInModeRGBColor, 8);
    for (std::size_t i = 0; i < s.document.pixels.size(); ++i)
        s.document.pixels[i] = static_cast<uint8_t>(i * 7 / 3);
    s.record.outputPadding = 9;
    const VRect rect{-1, -2, kHeight + 1, kWidth};
    s.big.outRect32 = rect;
    ASSERT_EQ(s.server.advance(), noErr);
    const auto* out = static_cast<const uint8_t*>(s.record.outData);
    const std::size_t rowBytes = (kWidth + 2) * 3;
    ASSERT_EQ(s.record.outRowBytes, static_cast<int32_t>(rowBytes));
    std::vector<uint8_t> expected(rowBytes);
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
        std::fill(expected.begin(), expected.end(), uint8_t{9});
        if (y >= 0 && y < kHeight)
            std::copy_n(s.document.pixels.begin() + static_cast<std::ptrdiff_t>(y) * kWidth * 3,
                        kWidth * 3, expected.begin() + 6);
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(),
                               out + static_cast<std::size_t>(y - rect.top) * rowBytes))
            << "row " << y;
    }
}

// A plug-in that does not claim the 32-bit coordinates asks in the 16-bit
// rectangles, with or without a big-document record.
TEST(TileServer, WithoutThe32BitClaimThe16BitRectanglesAreServed) {
    for (const bool withBigDocument : {true, false}) {
        Served s;
        s.big.PluginUsing32BitCoordinates = 0;
        if (!withBigDocument) s.record.bigDocumentData = nullptr;
        s.big.inRect32 = s.big.outRect32 = VRect{0, 0, 6, 8};  // ignored
        s.record.inRect = s.record.outRect = Rect{1, 2, 3, 5};
        ASSERT_EQ(s.server.advance(), noErr) << withBigDocument;
        ASSERT_FALSE(s.server.requests().empty());
        const VRect asked = s.server.requests().back().in;
        EXPECT_EQ(asked.top, 1);
        EXPECT_EQ(asked.left, 2);
        EXPECT_EQ(asked.bottom, 3);
        EXPECT_EQ(asked.right, 5);
        EXPECT_EQ(s.record.inRowBytes, 3 * 3);
        const auto* in = static_cast<const uint8_t*>(s.record.inData);
        EXPECT_EQ(in[0], s.document.pixels[(1 * 8 + 2) * 3]) << withBigDocument;
    }
}

TEST(TileServer, TheOutputIsWrittenBackOnlyInsideTheSelection) {
    Served s;
    s.document.mask.assign(8 * 6, 0);
    s.document.mask[9] = 255;  // row 1, column 1
    s.big.inRect32 = s.big.outRect32 = VRect{0, 0, 6, 8};
    ASSERT_EQ(s.server.advance(), noErr);
    const std::vector<uint8_t> before = s.document.pixels;
    auto* out = static_cast<uint8_t*>(s.record.outData);
    std::fill(out, out + s.document.pixels.size(), uint8_t{200});
    s.server.flush();
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(s.document.pixels[i], i / 3 == 9 ? 200 : before[i]) << i;
}

TEST(TileServer, WriteBackRecordsTheSamplesGivenNewValues) {
    // Whole rows, a selection, and one plane of a tile inside the image.
    struct Case {
        VRect out;
        int16_t plane;  // -1: every plane
        bool masked;
    };
    const Case cases[] = {
        {{1, 0, 3, 8}, -1, false}, {{0, 0, 6, 8}, -1, true}, {{2, 3, 4, 6}, 1, false}};
    for (const Case& c : cases) {
        Served s;
        s.document.changes.track(s.document.pixels.size());
        if (c.masked) {
            s.document.mask.assign(8 * 6, 255);
            s.document.mask[9] = 0;
        }
        if (c.plane >= 0) s.record.outLoPlane = s.record.outHiPlane = c.plane;
        s.big.outRect32 = c.out;
        ASSERT_EQ(s.server.advance(), noErr);
        const std::vector<uint8_t> before = s.document.pixels;
        auto* out = static_cast<uint8_t*>(s.record.outData);
        // Every other output sample keeps its value, the others change.
        const auto width = static_cast<std::size_t>(c.out.right - c.out.left);
        const auto height = static_cast<std::size_t>(c.out.bottom - c.out.top);
        const std::size_t span = c.plane >= 0 ? 1 : 3;
        for (std::size_t i = 0; i < width * height * span; i += 2)
            out[i] = static_cast<uint8_t>(out[i] + 1);
        s.server.flush();
        for (std::size_t i = 0; i < before.size(); ++i)
            EXPECT_EQ(s.document.changes.changed(i), s.document.pixels[i] != before[i]) << i;
        EXPECT_GT(s.document.changes.changedPixels(3), 0u);
    }
}

}  // namespace

// A module walking bands of two rows from the top down, reading one row more
// on each side and writing each sample of its band as its input value plus
// that of the first row it read (the row above the band, but at the top):
// the result must come from the picture as it was, however the server keeps it.
// With `finish` false the module stops after its last band, its requests
// still standing.
void walkBands(Served& s, bool inOrder, bool finish = true) {
    s.server.writeBackInOrder = inOrder;
    for (int32_t top = 0; top < 6; top += 2) {
        const int32_t inTop = std::max(top - 1, 0);
        s.big.inRect32 = VRect{inTop, 0, std::min(top + 3, 6), 8};
        s.big.outRect32 = VRect{top, 0, top + 2, 8};
        ASSERT_EQ(s.server.advance(), noErr) << top;
        if (inOrder) {
            // Served straight from the picture's rows: no copy of it was made.
            EXPECT_EQ(s.record.inData, s.document.pixels.data() +
                                           static_cast<std::size_t>(inTop) * s.document.rowBytes());
        }
        const auto* in = static_cast<const uint8_t*>(s.record.inData);
        auto* out = static_cast<uint8_t*>(s.record.outData);
        const std::size_t row = s.document.rowBytes();
        for (std::size_t i = 0; i < 2 * row; ++i)
            out[i] = static_cast<uint8_t>(in[static_cast<std::size_t>(top - inTop) * row + i] +
                                          in[i % row]);
    }
    if (!finish) return;
    s.big.inRect32 = s.big.outRect32 = VRect{0, 0, 0, 0};
    ASSERT_EQ(s.server.advance(), noErr);
    s.server.releaseBuffers();
}

TEST(TileServer, TilesWrittenBackInOrderGiveWhatTheCopyGives) {
    Served copied;
    walkBands(copied, false);
    Served inOrder;
    walkBands(inOrder, true);
    EXPECT_FALSE(inOrder.server.wentBack());
    const std::size_t row = copied.document.rowBytes();
    for (std::size_t i = 0; i < copied.document.pixels.size(); ++i) {
        const std::size_t top = i / row - (i / row) % 2;
        const std::size_t above = (top > 0 ? (top - 1) * row : 0) + i % row;
        ASSERT_EQ(copied.document.pixels[i], static_cast<uint8_t>(i + above)) << i;
        ASSERT_EQ(inOrder.document.pixels[i], copied.document.pixels[i]) << i;
    }
}

TEST(TileServer, AModuleGoingBackAboveRowsWrittenBackIsRefused) {
    // Asking again for rows already written back, or rewriting output still
    // held: both would need the copy that in-order writing does without.
    const VRect backAgain[][2] = {{{0, 0, 2, 8}, {4, 0, 6, 8}},   // input above the line
                                  {{2, 0, 6, 8}, {2, 0, 4, 8}}};  // output held already
    for (const auto& rects : backAgain) {
        Served s;
        walkBands(s, true, false);
        s.big.inRect32 = rects[0];
        s.big.outRect32 = rects[1];
        EXPECT_NE(s.server.advance(), noErr);
        EXPECT_TRUE(s.server.wentBack());
        EXPECT_EQ(s.record.inData, nullptr);
    }
}
