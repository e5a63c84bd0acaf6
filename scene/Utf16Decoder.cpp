#include "scene/Utf16Decoder.h"

namespace {

char16_t UnitAt(const std::uint8_t* p, bool bigEndian) {
    return bigEndian ? static_cast<char16_t>(p[0] << 8 | p[1])
                     : static_cast<char16_t>(p[1] << 8 | p[0]);
}

bool IsHigh(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}

bool IsLow(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace

void Utf16Decoder::Decode(const std::uint8_t*& in, const std::uint8_t* inEnd, bool bigEndian,
                          bool final, char16_t*& out, char16_t* outEnd) {
    const std::uint8_t* p = in;
    char16_t* o = out;
    while (outEnd - o >= 2) {
        const auto left = inEnd - p;
        if (left < 2) {
            if (left == 1 && final) {
                *o++ = kReplacement;
                ++p;
            }
            break;
        }
        const char16_t unit = UnitAt(p, bigEndian);
        if (!IsHigh(unit)) {
            *o++ = IsLow(unit) ? kReplacement : unit;
            p += 2;
            continue;
        }
        if (left < 4) {
            if (!final) {
                break;
            }
            *o++ = kReplacement;
            p += 2;
            continue;
        }
        const char16_t next = UnitAt(p + 2, bigEndian);
        if (IsLow(next)) {
            *o++ = unit;
            *o++ = next;
            p += 4;
        } else {
            // The unit after a lone high surrogate is read on its own.
            *o++ = kReplacement;
            p += 2;
        }
    }
    in = p;
    out = o;
}
