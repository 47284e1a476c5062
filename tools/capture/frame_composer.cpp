#include "frame_composer.h"

#include <algorithm>

SampleGrid sampleGridFor(int32_t samplesPerPixel) {
    switch (samplesPerPixel) {
        case 2: return {2, 1};
        case 4: return {2, 2};
        case 8: return {4, 2};
        default: return {1, 1};
    }
}

FrameLayout layoutFrame(int32_t outputWidth, int32_t outputHeight, int32_t pictureWidth, int32_t pictureHeight,
                        int32_t samplesPerPixel) {
    FrameLayout layout;
    layout.outputWidth = outputWidth;
    layout.outputHeight = outputHeight;
    layout.picture = fitPicture(outputWidth, outputHeight, pictureWidth, pictureHeight);
    layout.grid = sampleGridFor(samplesPerPixel);
    return layout;
}

std::vector<uint8_t> composeFrame(std::vector<uint8_t> rendered, const FrameLayout& layout) {
    const PictureRect& p = layout.picture;
    const SampleGrid& g = layout.grid;
    const size_t outWidth = static_cast<size_t>(layout.outputWidth);
    const size_t renderWidth = static_cast<size_t>(layout.renderWidth());
    const bool whole = p.x == 0 && p.y == 0 && p.width == layout.outputWidth && p.height == layout.outputHeight;
    if (whole && g.columns == 1 && g.rows == 1) {
        return rendered;  // nothing to average, nothing to place
    }
    const size_t outSize = outWidth * static_cast<size_t>(layout.outputHeight) * 4;
    if (rendered.size() < renderWidth * static_cast<size_t>(layout.renderHeight()) * 4) {
        return std::vector<uint8_t>(outSize, 0);
    }
    std::vector<uint8_t> out(outSize, 0);
    for (size_t i = 3; i < out.size(); i += 4) {
        out[i] = 255;  // the bars: opaque black
    }
    const uint32_t samples = static_cast<uint32_t>(g.columns * g.rows);
    std::vector<uint32_t> sums(static_cast<size_t>(p.width) * 4);
    for (int32_t y = 0; y < p.height; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (int32_t sy = 0; sy < g.rows; ++sy) {
            const uint8_t* row = &rendered[(static_cast<size_t>(y * g.rows + sy) * renderWidth) * 4];
            for (int32_t x = 0; x < p.width; ++x) {
                const uint8_t* sample = row + static_cast<size_t>(x * g.columns) * 4;
                uint32_t* sum = &sums[static_cast<size_t>(x) * 4];
                for (int32_t sx = 0; sx < g.columns; ++sx, sample += 4) {
                    sum[0] += sample[0];
                    sum[1] += sample[1];
                    sum[2] += sample[2];
                    sum[3] += sample[3];
                }
            }
        }
        uint8_t* target = &out[((static_cast<size_t>(p.y + y)) * outWidth + static_cast<size_t>(p.x)) * 4];
        for (size_t i = 0; i < sums.size(); ++i) {
            target[i] = static_cast<uint8_t>((sums[i] + samples / 2) / samples);
        }
    }
    return out;
}
