#pragma once

#include <cstdint>

// 0x00BBGGRR: red in the low byte, as the colour dialog hands colours over.
using ColorRef = std::uint32_t;

constexpr ColorRef MakeColorRef(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return ColorRef{r} | (ColorRef{g} << 8) | (ColorRef{b} << 16);
}
constexpr std::uint8_t RedOf(ColorRef c) {
    return static_cast<std::uint8_t>(c & 0xFF);
}
constexpr std::uint8_t GreenOf(ColorRef c) {
    return static_cast<std::uint8_t>((c >> 8) & 0xFF);
}
constexpr std::uint8_t BlueOf(ColorRef c) {
    return static_cast<std::uint8_t>((c >> 16) & 0xFF);
}

// Channel as a float in [0, 1]: its byte divided by 255.
constexpr float RedF(ColorRef c) {
    return static_cast<float>(RedOf(c)) / 255.0f;
}
constexpr float GreenF(ColorRef c) {
    return static_cast<float>(GreenOf(c)) / 255.0f;
}
constexpr float BlueF(ColorRef c) {
    return static_cast<float>(BlueOf(c)) / 255.0f;
}
