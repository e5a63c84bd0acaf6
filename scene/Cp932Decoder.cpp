#include "scene/Cp932Decoder.h"

#include <array>

#include "scene/Cp932Table.h"
#include "scene/WidenAscii.h"

namespace {

// For each byte: its character when it stands alone, or, for a lead byte, the index of its row
// in the double-byte table with kLeadFlag set (above every UTF-16 unit: half-width katakana
// and the private-use characters have the top bit of 16 set).
constexpr std::uint32_t kLeadFlag = 0x10000;

constexpr std::array<std::uint32_t, 256> MakeByteTable() {
    std::array<std::uint32_t, 256> table{};
    std::uint32_t row = 0;
    for (unsigned b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        if (Cp932Decoder::IsLead(byte)) {
            table[b] = kLeadFlag | row++;
        } else if (b < 0x80) {
            // 0x5C and 0x7E stay backslash and tilde: Microsoft's table, not JIS X 0201's yen
            // sign and overline.
            table[b] = static_cast<std::uint16_t>(b);
        } else if (b >= 0xA1 && b <= 0xDF) {
            table[b] = static_cast<std::uint16_t>(0xFF61 + (b - 0xA1));
        } else if (b == 0x80) {
            table[b] = 0x0080;
        } else if (b == 0xA0) {
            table[b] = 0xF8F0;
        } else {
            table[b] = static_cast<std::uint16_t>(0xF8F1 + (b - 0xFD));
        }
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kByte = MakeByteTable();

static_assert(kByte[0xFF] == 0xF8F3 && kByte[0xFD] == 0xF8F1);
static_assert(kByte[0xFC] == (kLeadFlag | (kCp932LeadCount - 1)));
static_assert(kByte[0xDF] == 0xFF9F && kByte[0xA0] == 0xF8F0);

}  // namespace

const std::uint8_t* Cp932Decoder::Decode(const std::uint8_t* begin, const std::uint8_t* end,
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
        const std::uint32_t entry = kByte[b];
        if (entry < kLeadFlag) {
            *o++ = static_cast<char16_t>(entry);
            ++p;
            continue;
        }
        if (end - p == 1) {
            if (!final) {
                break;
            }
            // A lead byte as the very last byte of the file.
            *o++ = kReplacement;
            ++p;
            continue;
        }
        const std::uint16_t unit = kCp932DoubleByte[(entry - kLeadFlag) * 256u + p[1]];
        if (unit != 0) {
            *o++ = static_cast<char16_t>(unit);
            p += 2;
        } else {
            // Not a pair of the table (the second byte cannot trail this lead, or is 0x00):
            // U+FFFD stands for the lead byte alone, and decoding goes on at the byte after it,
            // so an ASCII byte, a line end or a valid pair that follows is never swallowed.
            *o++ = kReplacement;
            ++p;
        }
    }
    out = o;
    return p;
}
