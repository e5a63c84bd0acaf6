#include "scene/Utf8Decoder.h"

#include "scene/WidenAscii.h"

namespace {

// Well-formed sequences: the range of the second byte depends on the first (this is what rules
// out overlong forms, surrogates and code points beyond U+10FFFF); every later byte is
// 0x80-0xBF.
struct Lead {
    int length;  // 0: the byte cannot start a sequence
    std::uint8_t low;
    std::uint8_t high;
};

constexpr Lead LeadOf(std::uint8_t b) {
    if (b >= 0xC2 && b <= 0xDF) {
        return {2, 0x80, 0xBF};
    }
    if (b == 0xE0) {
        return {3, 0xA0, 0xBF};
    }
    if (b == 0xED) {
        return {3, 0x80, 0x9F};
    }
    if (b >= 0xE1 && b <= 0xEF) {
        return {3, 0x80, 0xBF};
    }
    if (b == 0xF0) {
        return {4, 0x90, 0xBF};
    }
    if (b >= 0xF1 && b <= 0xF3) {
        return {4, 0x80, 0xBF};
    }
    if (b == 0xF4) {
        return {4, 0x80, 0x8F};
    }
    return {0, 0, 0};
}

}  // namespace

const std::uint8_t* Utf8Decoder::Decode(const std::uint8_t* begin, const std::uint8_t* end,
                                        bool final, char16_t*& out) {
    const std::uint8_t* p = begin;
    char16_t* o = out;
    while (p < end) {
        const std::uint8_t b = *p;
        if (b < 0x80) {
            *o++ = b;
            ++p;
            widen::WidenAsciiRun(p, end, o);
            continue;
        }
        const Lead lead = LeadOf(b);
        if (lead.length == 0) {
            *o++ = kReplacement;
            ++p;
            continue;
        }
        std::uint32_t cp = b & (0xFFu >> (lead.length + 1));
        int taken = 1;
        bool complete = true;
        while (taken < lead.length) {
            if (p + taken == end) {
                complete = false;
                break;
            }
            const std::uint8_t c = p[taken];
            const std::uint8_t low = taken == 1 ? lead.low : 0x80;
            const std::uint8_t high = taken == 1 ? lead.high : 0xBF;
            if (c < low || c > high) {
                break;
            }
            cp = (cp << 6) | (c & 0x3Fu);
            ++taken;
        }
        if (taken == lead.length) {
            if (cp >= 0x10000) {
                cp -= 0x10000;
                *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
                *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            } else {
                *o++ = static_cast<char16_t>(cp);
            }
            p += taken;
        } else if (!complete && !final) {
            // The rest of the sequence is in bytes not read yet.
            break;
        } else {
            *o++ = kReplacement;
            p += taken;
        }
    }
    out = o;
    return p;
}

bool Utf8Decoder::IsWellFormed(const std::uint8_t* begin, const std::uint8_t* end, bool cutEnd) {
    const std::uint8_t* p = begin;
    while (p < end) {
        if (end - p >= 8 && widen::EightAreAscii(p)) {
            p += 8;
            continue;
        }
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const Lead lead = LeadOf(*p);
        if (lead.length == 0) {
            return false;
        }
        for (int taken = 1; taken < lead.length; ++taken) {
            if (p + taken == end) {
                return cutEnd;
            }
            const std::uint8_t c = p[taken];
            if (c < (taken == 1 ? lead.low : 0x80) || c > (taken == 1 ? lead.high : 0xBF)) {
                return false;
            }
        }
        p += lead.length;
    }
    return true;
}
