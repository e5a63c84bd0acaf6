#include "scene/Utf8Decoder.h"

#include <array>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

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

constexpr std::array<Lead, 256> kLeads = [] {
    std::array<Lead, 256> leads{};
    for (unsigned b = 0; b < 256; ++b) {
        leads[b] = LeadOf(static_cast<std::uint8_t>(b));
    }
    return leads;
}();

// Decodes ASCII, well-formed two-byte sequences and well-formed three-byte sequences led by
// 0xE1-0xEC or 0xEE-0xEF (U+1000 to U+FFFF but the surrogates' row, whose second byte needs no
// range check) while eight bytes are left, and stops at anything else: that is nearly all of
// Japanese text. A loop that works out every length without a branch was measured too: it waits
// on each length before it can read the next character, and came out slower even on ASCII and
// kana mixed at random.
inline void FastRun(const std::uint8_t*& pos, const std::uint8_t* end, char16_t*& out) {
    // Locals: the vector stores may alias anything, and would make the compiler keep the
    // caller's pointers in memory.
    const std::uint8_t* p = pos;
    char16_t* o = out;
    while (end - p >= 8) {
        const unsigned b0 = p[0];
        if (b0 < 0x80) {
            if (widen::EightAreAscii(p)) {
                widen::WidenEight(p, o);
                p += 8;
                o += 8;
            } else {
                *o++ = static_cast<char16_t>(b0);
                ++p;
            }
            continue;
        }
        const unsigned b1 = p[1];
        const unsigned b2 = p[2];
        if (b0 - 0xC2u <= 0xDFu - 0xC2u && (b1 & 0xC0) == 0x80) {
            *o++ = static_cast<char16_t>((b0 & 0x1F) << 6 | (b1 & 0x3F));
            p += 2;
            continue;
        }
        if (b0 - 0xE1u > 0xEFu - 0xE1u || b0 == 0xED || (b1 & 0xC0) != 0x80 ||
            (b2 & 0xC0) != 0x80) {
            break;
        }
        *o++ = static_cast<char16_t>((b0 & 0x0F) << 12 | (b1 & 0x3F) << 6 | (b2 & 0x3F));
        p += 3;
    }
    pos = p;
    out = o;
}

bool& VectorsAllowed() {
    static bool allowed = true;
    return allowed;
}

#if defined(__x86_64__) || defined(__i386__)
#define SELVANE_UTF8_SSSE3 1

// Sixteen bytes at a time with SSSE3, for what a random mix of ASCII and kana defeats the branch
// predictor on: the ends of the characters in the first twelve bytes pick, from a table, how
// the bytes of the next four characters (one to three bytes each) are gathered into 32-bit
// lanes; the lanes then become characters with the same masks and shifts for every length.

// How one step goes for each pattern of character ends in the first twelve bytes (bit i: byte
// i is the last of its character): the bytes it takes, the characters they make, and the
// layout of those characters (the lengths, two bits each) that indexes kGather.
struct VectorStep {
    std::uint8_t bytes;
    std::uint8_t characters;
    std::uint8_t layout;
};

constexpr std::array<VectorStep, 4096> kVectorSteps = [] {
    std::array<VectorStep, 4096> steps{};
    for (unsigned ends = 0; ends < 4096; ++ends) {
        unsigned at = 0;
        unsigned characters = 0;
        unsigned layout = 0;
        while (characters < 4) {
            unsigned last = at;
            while (last < 12 && (ends >> last & 1) == 0) {
                ++last;
            }
            const unsigned length = last - at + 1;
            if (last >= 12 || length > 3) {
                break;
            }
            layout |= length << (2 * characters);
            ++characters;
            at = last + 1;
        }
        steps[ends] = {static_cast<std::uint8_t>(at), static_cast<std::uint8_t>(characters),
                       static_cast<std::uint8_t>(layout)};
    }
    return steps;
}();

// For each layout, the shuffle that puts character k in lane k: its last byte lowest, the one
// before it next, a three-byte character's lead third; 0x80 gives zero.
constexpr std::array<std::array<std::uint8_t, 16>, 256> kGather = [] {
    std::array<std::array<std::uint8_t, 16>, 256> gather{};
    for (unsigned layout = 0; layout < 256; ++layout) {
        gather[layout].fill(0x80);
        unsigned at = 0;
        for (unsigned k = 0; k < 4; ++k) {
            const unsigned length = layout >> (2 * k) & 3;
            if (length == 0) {
                break;
            }
            for (unsigned i = 0; i < length; ++i) {
                gather[layout][4 * k + i] = static_cast<std::uint8_t>(at + length - 1 - i);
            }
            at += length;
        }
    }
    return gather;
}();

__attribute__((target("ssse3"))) void VectorRun(const std::uint8_t*& pos, const std::uint8_t* end,
                                                char16_t*& out) {
    const std::uint8_t* p = pos;
    char16_t* o = out;
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const auto high = static_cast<unsigned>(_mm_movemask_epi8(bytes));
        if (high == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(bytes, zero));
            p += 16;
            o += 16;
            continue;
        }
        // As signed bytes: continuation 0x80-0xBF is below -64, a two-byte lead 0xC2-0xDF lies
        // from -62 to -33, a three-byte lead 0xE0-0xEF from -32 to -17.
        const auto trail =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(bytes, _mm_set1_epi8(-64))));
        const auto lead2 = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(
            _mm_cmpgt_epi8(bytes, _mm_set1_epi8(-63)), _mm_cmplt_epi8(bytes, _mm_set1_epi8(-32)))));
        const auto lead3 = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(
            _mm_cmpgt_epi8(bytes, _mm_set1_epi8(-33)), _mm_cmplt_epi8(bytes, _mm_set1_epi8(-16)))));
        const unsigned starts = ~trail & 0xFFFF;
        const unsigned ends = starts >> 1;
        const VectorStep step = kVectorSteps[ends & 0xFFF];
        // Each character must start with the lead of its length: ASCII alone, a two-byte lead
        // before one trail byte, a three-byte lead before two. Any other byte stops the run.
        const unsigned one = starts & ends;
        const unsigned two = starts & ~ends & ends >> 1;
        const unsigned three = starts & ~ends & ~(ends >> 1) & ends >> 2;
        const unsigned wrong = (one & high) | (two & ~lead2) | (three & ~lead3);
        // The characters after the first begin where one ends, at a byte that is no trail
        // byte; the first must begin at one too.
        if (step.characters == 0 || (starts & 1) == 0 || (wrong & ((1u << step.bytes) - 1)) != 0) {
            break;
        }
        const __m128i lanes = _mm_shuffle_epi8(
            bytes, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kGather[step.layout].data())));
        // A trail byte has bit 6 clear, so 0x7F takes ASCII and trail bytes alike; a two-byte
        // lead has bit 5 clear, so 0x3F takes it as well as a trail byte.
        const __m128i cp = _mm_or_si128(
            _mm_and_si128(lanes, _mm_set1_epi32(0x7F)),
            _mm_or_si128(_mm_srli_epi32(_mm_and_si128(lanes, _mm_set1_epi32(0x3F00)), 2),
                         _mm_srli_epi32(_mm_and_si128(lanes, _mm_set1_epi32(0x0F0000)), 4)));
        // Three bytes must not be an overlong form (below U+0800) nor a surrogate.
        const __m128i isThree =
            _mm_cmpgt_epi32(_mm_and_si128(lanes, _mm_set1_epi32(0xFF0000)), zero);
        const __m128i overlong = _mm_cmplt_epi32(cp, _mm_set1_epi32(0x800));
        const __m128i surrogate =
            _mm_cmpeq_epi32(_mm_and_si128(cp, _mm_set1_epi32(0xF800)), _mm_set1_epi32(0xD800));
        if (_mm_movemask_epi8(_mm_and_si128(isThree, _mm_or_si128(overlong, surrogate))) != 0) {
            break;
        }
        // Four units are written whatever the count: sixteen bytes are left, and no byte gives
        // more than one unit, so the output has room for them.
        const __m128i units = _mm_shuffle_epi8(
            cp, _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(o), units);
        o += step.characters;
        p += step.bytes;
    }
    pos = p;
    out = o;
}

bool UseVectors() {
    static const bool supported = __builtin_cpu_supports("ssse3");
    return supported && VectorsAllowed();
}
#endif

}  // namespace

const std::uint8_t* Utf8Decoder::Decode(const std::uint8_t* begin, const std::uint8_t* end,
                                        bool final, char16_t*& out) {
    const std::uint8_t* p = begin;
    char16_t* o = out;
    while (p < end) {
#if defined(SELVANE_UTF8_SSSE3)
        if (UseVectors()) {
            // Hands over one sequence at a time to the code below where it stops, and the
            // last bytes of a line, too few for a vector, to the plain loop.
            VectorRun(p, end, o);
            if (end - p < 16) {
                FastRun(p, end, o);
            }
        } else {
            FastRun(p, end, o);
        }
#else
        FastRun(p, end, o);
#endif
        if (p == end) {
            break;
        }
        const std::uint8_t b = *p;
        if (b < 0x80) {
            *o++ = b;
            ++p;
            continue;
        }
        const Lead lead = kLeads[b];
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
        const Lead lead = kLeads[*p];
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

void Utf8Decoder::UseVectorsForTesting(bool use) {
    VectorsAllowed() = use;
}
