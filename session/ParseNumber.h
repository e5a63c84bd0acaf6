#pragma once

#include <charconv>
#include <string_view>
#include <system_error>

// The whole of text as one number of type T, in the C locale's plain form (no blanks, no "+",
// no digit separators); false, with value unspecified, for anything else or a number out of
// range.
template <typename T>
bool ParseNumber(std::string_view text, T& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}
