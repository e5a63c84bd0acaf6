#pragma once

#include <iconv.h>

#include <cstdint>
#include <string>

// Any encoding glibc's iconv knows, to UTF-16, in pieces of any size. A byte iconv cannot
// convert becomes one U+FFFD and decoding goes on at the byte after it; an incomplete sequence at
// the very end becomes one U+FFFD.
class IconvDecoder {
  public:
    static constexpr char16_t kReplacement = u'\uFFFD';

    // Whether iconv can decode the encoding of that name to UTF-16.
    static bool Knows(const std::string& name);

    explicit IconvDecoder(const std::string& name);
    ~IconvDecoder();
    IconvDecoder(const IconvDecoder&) = delete;
    IconvDecoder& operator=(const IconvDecoder&) = delete;

    // False when iconv refused the name (errno tells why).
    bool IsOpen() const { return cd_ != kClosed; }

    // Decodes from in into [out, outEnd), advancing both. Stops at inEnd, when the output has
    // no room for the next character, or, with final false, at an incomplete sequence at the
    // end, whose bytes are left for the next call. Stateful encodings keep their shift state
    // from one call to the next.
    void Decode(const std::uint8_t*& in, const std::uint8_t* inEnd, char16_t*& out,
                char16_t* outEnd, bool final);

  private:
    static inline const iconv_t kClosed = reinterpret_cast<iconv_t>(-1);
    iconv_t cd_ = kClosed;
};
