#include "camera/Punctuation.h"

bool IsPunctuation(char16_t c) {
    switch (c) {
        case u'、':
        case u'。':
        case u'，':
        case u'．':
        case u'！':
        case u'？':
        case u'：':
        case u'；':
        case u'｡':
        case u'､':
        case u',':
        case u'.':
        case u'!':
        case u'?':
        case u':':
        case u';':
            return true;
        default:
            return false;
    }
}

bool PassedPunctuation(const std::u16string& text, std::int32_t from, std::int32_t to) {
    for (std::int32_t i = from + 1; i <= to && static_cast<std::size_t>(i) < text.size(); ++i) {
        if (i >= 0 && IsPunctuation(text[static_cast<std::size_t>(i)])) {
            return true;
        }
    }
    return false;
}
