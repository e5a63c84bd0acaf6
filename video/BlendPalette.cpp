#include "video/BlendPalette.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kOne = 1 << 16;
constexpr double kReach = 1024.0;
}  // namespace

BlendPalette::BlendPalette(ColorRef background, ColorRef foreground) {
    const int from[3] = {RedOf(background), GreenOf(background), BlueOf(background)};
    const int to[3] = {RedOf(foreground), GreenOf(foreground), BlueOf(foreground)};
    for (int i = 0; i < 256; ++i) {
        std::uint32_t argb = 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
            const auto value =
                static_cast<std::uint32_t>(std::lround(from[c] + (to[c] - from[c]) * i / 255.0));
            argb |= value << (16 - 8 * c);
        }
        entries_[static_cast<std::size_t>(i)] = argb;
    }
    double length = 0.0;
    for (int c = 0; c < 3; ++c) {
        length += static_cast<double>(to[c] - from[c]) * (to[c] - from[c]);
    }
    // Two equal colours: every pixel is the background, step 0.
    if (length == 0.0) {
        return;
    }
    for (int c = 0; c < 3; ++c) {
        const double perLevel = 255.0 * (to[c] - from[c]) / length;
        for (int value = 0; value < 256; ++value) {
            // A blend's share lies within 0 to 255 steps; a value far off the line is held
            // within reach of that, so that three shares add up without overflow.
            const double share = std::clamp(perLevel * (value - from[c]), -kReach, kReach);
            share_[static_cast<std::size_t>(c)][static_cast<std::size_t>(value)] =
                static_cast<std::int32_t>(std::lround(share * kOne));
        }
    }
}

void BlendPalette::Map(const gpu::Picture& picture, std::uint8_t* indices, int pitch) const {
    // Red is the first byte of an RGBA pixel and the third of a BGRA one.
    const bool rgba = picture.layout == gpu::Picture::Layout::Rgba;
    const auto& first = share_[rgba ? 0 : 2];
    const auto& green = share_[1];
    const auto& third = share_[rgba ? 2 : 0];
    const std::size_t rowBytes = std::size_t{4} * picture.width;
    for (std::uint32_t y = 0; y < picture.height; ++y) {
        const std::uint32_t source = picture.bottomUp ? picture.height - 1 - y : y;
        const std::uint8_t* pixel = picture.pixels.data() + rowBytes * source;
        std::uint8_t* out = indices + static_cast<std::ptrdiff_t>(pitch) * y;
        for (std::uint32_t x = 0; x < picture.width; ++x, pixel += 4) {
            const std::int32_t step =
                (first[pixel[0]] + green[pixel[1]] + third[pixel[2]] + kOne / 2) >> 16;
            out[x] = static_cast<std::uint8_t>(std::clamp(step, 0, 255));
        }
    }
}
