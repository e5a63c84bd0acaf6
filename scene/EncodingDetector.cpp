#include "scene/EncodingDetector.h"

#include <uchardet.h>

#include <cstring>
#include <memory>
#include <string>

#include "scene/Utf8Decoder.h"
#include "scene/WidenAscii.h"

namespace {

// Bytes equal to b in word: the classic test for a zero byte, applied to word ^ b repeated.
bool HasByte(std::uint64_t word, std::uint8_t b) {
    const std::uint64_t x = word ^ (0x0101010101010101ull * b);
    return ((x - 0x0101010101010101ull) & ~x & widen::kHighBits) != 0;
}

bool HoldsHighByte(const std::uint8_t* begin, const std::uint8_t* end) {
    const std::uint8_t* p = begin;
    while (end - p >= 8 && widen::EightAreAscii(p)) {
        p += 8;
    }
    for (; p < end; ++p) {
        if (*p >= 0x80) {
            return true;
        }
    }
    return false;
}

// uchardet's name for the window's encoding: empty when it has no answer or cannot run.
std::string Uchardet(const std::uint8_t* begin, const std::uint8_t* end) {
    const std::unique_ptr<uchardet, void (*)(uchardet_t)> detector(uchardet_new(), uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), reinterpret_cast<const char*>(begin),
                                          static_cast<std::size_t>(end - begin)) != 0) {
        return {};
    }
    uchardet_data_end(detector.get());
    const char* name = uchardet_get_charset(detector.get());
    std::string upper = name != nullptr ? name : "";
    for (char& c : upper) {
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    return upper;
}

}  // namespace

std::optional<EncodingDetector::ByteOrderMark> EncodingDetector::FindByteOrderMark(
    const std::uint8_t* begin, const std::uint8_t* end) {
    const auto size = end - begin;
    if (size >= 3 && begin[0] == 0xEF && begin[1] == 0xBB && begin[2] == 0xBF) {
        return ByteOrderMark{TextEncoding::Utf8, 3};
    }
    if (size >= 2 && begin[0] == 0xFF && begin[1] == 0xFE) {
        return ByteOrderMark{TextEncoding::Utf16Le, 2};
    }
    if (size >= 2 && begin[0] == 0xFE && begin[1] == 0xFF) {
        return ByteOrderMark{TextEncoding::Utf16Be, 2};
    }
    return std::nullopt;
}

const std::uint8_t* EncodingDetector::FindNonAscii(const std::uint8_t* begin,
                                                   const std::uint8_t* end) {
    const std::uint8_t* p = begin;
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        if ((word & widen::kHighBits) != 0 || HasByte(word, kEscape)) {
            break;
        }
        p += 8;
    }
    while (p < end && *p < 0x80 && *p != kEscape) {
        ++p;
    }
    return p;
}

bool EncodingDetector::StartsDesignation(const std::uint8_t* p, const std::uint8_t* end) {
    if (end - p < 3 || p[0] != kEscape) {
        return false;
    }
    if (p[1] == '$') {
        return p[2] == '@' || p[2] == 'B' || p[2] == 'A' || p[2] == '(';
    }
    return p[1] == '(' && p[2] == 'I';
}

TextEncoding EncodingDetector::Decide(const std::uint8_t* begin, const std::uint8_t* end,
                                      bool atEnd) {
    if (HoldsHighByte(begin, end) && Utf8Decoder::IsWellFormed(begin, end, !atEnd)) {
        return TextEncoding::Utf8;
    }
    const std::string name = Uchardet(begin, end);
    if (name == "EUC-JP") {
        return TextEncoding::EucJp;
    }
    if (name == "ISO-2022-JP") {
        return TextEncoding::Iso2022Jp;
    }
    return TextEncoding::Cp932;
}
