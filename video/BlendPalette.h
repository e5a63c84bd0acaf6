#pragma once

#include <array>
#include <cstdint>

#include "base/Color.h"
#include "gpu/Device.h"

// The palette of a flight's picture: every pixel is the background, the text colour or a blend
// of the two, so the 256 steps from one to the other hold every colour it shows. A pixel's
// entry is the step of its blend, where the pixel lies along the line from one colour to the
// other: no search for the nearest colour, no dithering, and never more than one level off in
// any channel.
class BlendPalette {
  public:
    BlendPalette(ColorRef background, ColorRef foreground);

    // Entry i is background + (foreground - background) * i / 255, as 0xAARRGGBB, opaque.
    const std::array<std::uint32_t, 256>& entries() const { return entries_; }
    // Writes each pixel's entry, rows top first, `pitch` bytes apart.
    void Map(const gpu::Picture& picture, std::uint8_t* indices, int pitch) const;

  private:
    std::array<std::uint32_t, 256> entries_{};
    // What each value of red, green and blue adds to a pixel's step, in 1/65536 of a step: the
    // projection onto the line, one channel at a time.
    std::array<std::array<std::int32_t, 256>, 3> share_{};
};
