#include "scene/IconvDecoder.h"

#include <bit>
#include <cerrno>

namespace {

// The units are written as the machine stores a char16_t.
const char* Utf16Native() {
    return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
}

}  // namespace

bool IconvDecoder::Knows(const std::string& name) {
    return IconvDecoder(name).IsOpen();
}

IconvDecoder::IconvDecoder(const std::string& name)
    : cd_(iconv_open(Utf16Native(), name.c_str())) {}

IconvDecoder::~IconvDecoder() {
    if (IsOpen()) {
        iconv_close(cd_);
    }
}

void IconvDecoder::Decode(const std::uint8_t*& in, const std::uint8_t* inEnd, char16_t*& out,
                          char16_t* outEnd, bool final) {
    while (in < inEnd && out < outEnd) {
        char* inPointer = reinterpret_cast<char*>(const_cast<std::uint8_t*>(in));
        std::size_t inLeft = static_cast<std::size_t>(inEnd - in);
        char* outPointer = reinterpret_cast<char*>(out);
        std::size_t outLeft = static_cast<std::size_t>(outEnd - out) * sizeof(char16_t);
        const std::size_t result = iconv(cd_, &inPointer, &inLeft, &outPointer, &outLeft);
        const int error = errno;
        in = reinterpret_cast<const std::uint8_t*>(inPointer);
        out = reinterpret_cast<char16_t*>(outPointer);
        // iconv may fill the output and then report the bytes after: they wait for room.
        if (result != static_cast<std::size_t>(-1) || error == E2BIG || out == outEnd) {
            return;
        }
        if (error == EINVAL) {
            if (final) {
                *out++ = kReplacement;
                in = inEnd;
            }
            return;
        }
        // EILSEQ: not a sequence of the encoding, or nothing in UTF-16 stands for it.
        *out++ = kReplacement;
        ++in;
    }
}
