// SPDX-License-Identifier: MIT
// Contrast rating: how far a pixel's grey value stands out from its median,
// and how differently grey and median values vary around it. Grey and median
// values are in the pixel type's own range (0..maxPixelValue); the rating is
// 0..1.

// The host computes the same rating with every multiply and add rounded on
// its own; a fused multiply-add here would move results by an ulp or more.
#pragma OPENCL FP_CONTRACT OFF

__constant sampler_t kEdgeSampler =
    CLK_NORMALIZED_COORDS_FALSE | CLK_ADDRESS_CLAMP_TO_EDGE | CLK_FILTER_NEAREST;

// defects = (dark, bright), each 1 or 0. Differences below `threshold` skip
// the window statistics. The window is (2 * radius + 1)^2 pixels, clamped at
// the image's edges. `deviationFloor` keeps the deviation term's denominator
// above zero: one grey level squared on the 8-bit scale of the pixel type.
__kernel void contrast(__read_only image2d_t grayImage, __read_only image2d_t medianImage,
                       __write_only image2d_t imageOut, uchar2 defects, float threshold,
                       int radius, float maxPixelValue, float deviationFloor) {
    const int x = (int)get_global_id(0);
    const int y = (int)get_global_id(1);
    if (x >= get_image_width(grayImage) || y >= get_image_height(grayImage)) {
        return;
    }
    const float g = read_imagef(grayImage, kEdgeSampler, (int2)(x, y)).x;
    const float m = read_imagef(medianImage, kEdgeSampler, (int2)(x, y)).x;
    const float d = fabs(g - m);

    const bool dark = defects.x != 0;
    const bool bright = defects.y != 0;
    if ((dark && !bright && m <= g) || (bright && !dark && m >= g)) {
        write_imagef(imageOut, (int2)(x, y), (float4)(0.0f, 0.0f, 0.0f, 0.0f));
        return;
    }

    float c = 0.0f;
    if (d >= threshold) {
        // Population variances of grey and median over the window, by
        // Welford's one-pass update.
        float n = 0.0f;
        float meanGrey = 0.0f;
        float m2Grey = 0.0f;
        float meanMedian = 0.0f;
        float m2Median = 0.0f;
        for (int dy = -radius; dy <= radius; ++dy) {
            for (int dx = -radius; dx <= radius; ++dx) {
                const int2 at = (int2)(x + dx, y + dy);
                const float vg = read_imagef(grayImage, kEdgeSampler, at).x;
                const float vm = read_imagef(medianImage, kEdgeSampler, at).x;
                n = n + 1.0f;
                const float deltaGrey = vg - meanGrey;
                meanGrey = meanGrey + deltaGrey / n;
                m2Grey = m2Grey + deltaGrey * (vg - meanGrey);
                const float deltaMedian = vm - meanMedian;
                meanMedian = meanMedian + deltaMedian / n;
                m2Median = m2Median + deltaMedian * (vm - meanMedian);
            }
        }
        const float varGrey = m2Grey / n;
        const float varMedian = m2Median / n;
        const float sdDiff = sqrt(varGrey) - sqrt(varMedian);
        c = sdDiff * sdDiff / (varGrey + varMedian + deviationFloor);
    }
    const float rating = (0.25f * d + 0.75f * c * maxPixelValue) / maxPixelValue;
    write_imagef(imageOut, (int2)(x, y), (float4)(clamp(rating, 0.0f, 1.0f), 0.0f, 0.0f, 0.0f));
}
