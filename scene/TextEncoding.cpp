#include "scene/TextEncoding.h"

#include "scene/IconvDecoder.h"

namespace {

struct Known {
    const char* key;  // compared without case, dashes or underscores
    TextEncoding encoding;
};

constexpr Known kKnown[] = {
    {"auto", TextEncoding::Auto},           {"cp932", TextEncoding::Cp932},
    {"shiftjis", TextEncoding::Cp932},      {"sjis", TextEncoding::Cp932},
    {"windows31j", TextEncoding::Cp932},    {"utf8", TextEncoding::Utf8},
    {"utf16", TextEncoding::Utf16},         {"utf16le", TextEncoding::Utf16Le},
    {"utf16be", TextEncoding::Utf16Be},     {"eucjp", TextEncoding::EucJp},
    {"iso2022jp", TextEncoding::Iso2022Jp},
};

std::string Folded(std::string_view name) {
    std::string folded;
    for (const char c : name) {
        if (c == '-' || c == '_') {
            continue;
        }
        folded += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return folded;
}

}  // namespace

std::optional<EncodingChoice> ParseEncodingName(std::string_view name) {
    const std::string folded = Folded(name);
    for (const Known& known : kKnown) {
        if (folded == known.key) {
            return EncodingChoice(known.encoding);
        }
    }
    // Printable ASCII only: the name goes into the INI file and into messages as it stands.
    if (name.empty() || name.size() > 64) {
        return std::nullopt;
    }
    for (const char c : name) {
        if (c <= ' ' || c > '~') {
            return std::nullopt;
        }
    }
    EncodingChoice choice(TextEncoding::Iconv);
    choice.iconvName = std::string(name);
    if (!IconvDecoder::Knows(choice.iconvName)) {
        return std::nullopt;
    }
    return choice;
}

std::string EncodingKey(const EncodingChoice& choice) {
    switch (choice.encoding) {
        case TextEncoding::Auto:
            return "auto";
        case TextEncoding::Cp932:
            return "cp932";
        case TextEncoding::Utf8:
            return "utf-8";
        case TextEncoding::Utf16:
            return "utf-16";
        case TextEncoding::Utf16Le:
            return "utf-16le";
        case TextEncoding::Utf16Be:
            return "utf-16be";
        case TextEncoding::EucJp:
            return "euc-jp";
        case TextEncoding::Iso2022Jp:
            return "iso-2022-jp";
        case TextEncoding::Iconv:
            break;
    }
    return choice.iconvName;
}

std::string EncodingDisplayName(const EncodingChoice& decided) {
    switch (decided.encoding) {
        case TextEncoding::Auto:
            return "ASCII";
        case TextEncoding::Cp932:
            return "Shift_JIS";
        case TextEncoding::Utf8:
            return "UTF-8";
        case TextEncoding::Utf16:
            return "UTF-16";
        case TextEncoding::Utf16Le:
            return "UTF-16LE";
        case TextEncoding::Utf16Be:
            return "UTF-16BE";
        case TextEncoding::EucJp:
            return "EUC-JP";
        case TextEncoding::Iso2022Jp:
            return "ISO-2022-JP";
        case TextEncoding::Iconv:
            break;
    }
    std::string upper = decided.iconvName;
    for (char& c : upper) {
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    return upper;
}
