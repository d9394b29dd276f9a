// SPDX-License-Identifier: MIT
// Sparse median: each output pixel is the median of grey values sampled
// `radiusStep` apart within `radius` of it (with radiusStep == radius, the 3 x 3
// samples one tile size away). Samples outside the image repeat its edge.

__constant sampler_t kEdgeSampler =
    CLK_NORMALIZED_COORDS_FALSE | CLK_ADDRESS_CLAMP_TO_EDGE | CLK_FILTER_NEAREST;

// One work item per group: `values` holds the samples of that one pixel,
// (2 * radius / radiusStep + 1)^2 floats.
__kernel __attribute__((reqd_work_group_size(1, 1, 1))) void median(
    __read_only image2d_t imageIn, __write_only image2d_t imageOut, int2 r,
    __local float* values) {
    const int x = (int)get_global_id(0);
    const int y = (int)get_global_id(1);
    if (x >= get_image_width(imageIn) || y >= get_image_height(imageIn)) {
        return;
    }
    const int radius = r.x;
    const int radiusStep = r.y;

    int count = 0;
    if (radiusStep == radius) {
        values[0] = read_imagef(imageIn, kEdgeSampler, (int2)(x - radius, y - radius)).x;
        values[1] = read_imagef(imageIn, kEdgeSampler, (int2)(x, y - radius)).x;
        values[2] = read_imagef(imageIn, kEdgeSampler, (int2)(x + radius, y - radius)).x;
        values[3] = read_imagef(imageIn, kEdgeSampler, (int2)(x - radius, y)).x;
        values[4] = read_imagef(imageIn, kEdgeSampler, (int2)(x, y)).x;
        values[5] = read_imagef(imageIn, kEdgeSampler, (int2)(x + radius, y)).x;
        values[6] = read_imagef(imageIn, kEdgeSampler, (int2)(x - radius, y + radius)).x;
        values[7] = read_imagef(imageIn, kEdgeSampler, (int2)(x, y + radius)).x;
        values[8] = read_imagef(imageIn, kEdgeSampler, (int2)(x + radius, y + radius)).x;
        count = 9;
    } else if (radiusStep > 0) {
        for (int dy = -radius; dy <= radius; dy += radiusStep) {
            for (int dx = -radius; dx <= radius; dx += radiusStep) {
                values[count++] = read_imagef(imageIn, kEdgeSampler, (int2)(x + dx, y + dy)).x;
            }
        }
    } else {
        values[count++] = read_imagef(imageIn, kEdgeSampler, (int2)(x, y)).x;
    }

    // Partial selection sort: once places 0 to halfCount hold the smallest
    // values in order, place halfCount holds the median.
    const int halfCount = count / 2;
    for (int i = 0; i <= halfCount; ++i) {
        int smallest = i;
        for (int j = i + 1; j < count; ++j) {
            if (values[j] < values[smallest]) {
                smallest = j;
            }
        }
        if (smallest != i) {
            const float swap = values[i];
            values[i] = values[smallest];
            values[smallest] = swap;
        }
    }
    write_imagef(imageOut, (int2)(x, y), (float4)(values[halfCount], 0.0f, 0.0f, 0.0f));
}
