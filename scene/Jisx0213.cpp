#include "scene/Jisx0213.h"

#include <algorithm>

Jisx0213::~Jisx0213() {
    if (cd_ != kClosed) {
        iconv_close(cd_);
    }
}

std::size_t Jisx0213::Lookup(int plane, int row, int cell, char16_t (&out)[kMaxUnits]) {
    if (plane < 1 || plane > 2 || row < 1 || row > 94 || cell < 1 || cell > 94) {
        return 0;
    }
    const auto key = static_cast<std::uint32_t>((plane * 100 + row) * 100 + cell);
    if (const auto it = cells_.find(key); it != cells_.end()) {
        std::copy(it->second.units.begin(), it->second.units.end(), out);
        return it->second.length;
    }
    Cell converted{};
    converted.length = Convert(plane, row, cell, out);
    std::copy(out, out + converted.length, converted.units.begin());
    cells_.emplace(key, converted);
    return converted.length;
}

std::size_t Jisx0213::Convert(int plane, int row, int cell, char16_t (&out)[kMaxUnits]) {
    // Opened at the first gaiji: most texts have none.
    if (!tried_) {
        tried_ = true;
        cd_ = iconv_open("UTF-16LE", "EUC-JISX0213");
    }
    if (cd_ == kClosed) {
        return 0;
    }
    char bytes[3];
    std::size_t length = 0;
    if (plane == 2) {
        bytes[length++] = static_cast<char>(0x8F);
    }
    bytes[length++] = static_cast<char>(0xA0 + row);
    bytes[length++] = static_cast<char>(0xA0 + cell);

    unsigned char converted[2 * kMaxUnits];
    char* in = bytes;
    char* o = reinterpret_cast<char*>(converted);
    std::size_t outLeft = sizeof converted;
    // A cell that failed before must not leave its state to this one.
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_, &in, &length, &o, &outLeft) == static_cast<std::size_t>(-1) ||
        iconv(cd_, nullptr, nullptr, &o, &outLeft) == static_cast<std::size_t>(-1)) {
        return 0;
    }
    const std::size_t units = (sizeof converted - outLeft) / 2;
    for (std::size_t i = 0; i < units; ++i) {
        out[i] = static_cast<char16_t>(converted[2 * i] | converted[2 * i + 1] << 8);
    }
    return units;
}
