#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Shared by the decoders: most lines of most files hold runs of ASCII, which are widened to
// UTF-16 eight bytes at a time.
namespace widen {

inline constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

inline bool EightAreAscii(const std::uint8_t* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & kHighBits) == 0;
}

inline void WidenEight(const std::uint8_t* p, char16_t* o) {
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
#else
    for (int i = 0; i < 8; ++i) {
        o[i] = p[i];
    }
#endif
}

// Widens the ASCII run at p, eight bytes at a time, while at least eight bytes are left.
inline void WidenAsciiRun(const std::uint8_t*& p, const std::uint8_t* end, char16_t*& o) {
    while (end - p >= 8 && EightAreAscii(p)) {
        WidenEight(p, o);
        p += 8;
        o += 8;
    }
}

}  // namespace widen
