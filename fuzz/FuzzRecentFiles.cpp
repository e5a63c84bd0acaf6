// The recent-file list's INI handling on arbitrary bytes. The whole input is parsed as an INI
// file; the list it gives, with the encodings kept for its entries, must be one the program can
// use and must come back unchanged when it is written and read again. Then the input, cut at its NUL bytes, serves as up to four paths of
// any content, which must survive the same round trip, and as paths to abbreviate for the menu.
// The reading places read from the same text must come back unchanged through their own writing.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "session/RecentFileList.h"
#include "session/ResumeList.h"

namespace {

// The longest path the system hands out; the INI's line limit is sized for it escaped.
constexpr std::size_t kPathMax = 4096;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t CharCount(std::string_view s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return !IsContinuation(c); }));
}

// Well-formed in structure: every lead byte is followed by as many continuation bytes as it
// announces. Enough to tell whether an abbreviation cut a character in two.
bool IsUtf8Shaped(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t trail = 0;
        if (c < 0x80) {
            trail = 0;
        } else if ((c & 0xE0) == 0xC0) {
            trail = 1;
        } else if ((c & 0xF0) == 0xE0) {
            trail = 2;
        } else if ((c & 0xF8) == 0xF0) {
            trail = 3;
        } else {
            return false;
        }
        if (s.size() - i - 1 < trail) {
            return false;
        }
        for (std::size_t k = 1; k <= trail; ++k) {
            if (!IsContinuation(s[i + k])) {
                return false;
            }
        }
        i += trail + 1;
    }
    return true;
}

bool IsUsableList(const std::vector<std::string>& entries) {
    if (entries.size() > RecentFileList::kSize) {
        return false;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].empty() || entries[i].find('\0') != std::string::npos) {
            return false;
        }
        for (std::size_t k = 0; k < i; ++k) {
            if (entries[k] == entries[i]) {
                return false;
            }
        }
    }
    return true;
}

void CheckEscaping(const std::string& path) {
    const std::string escaped = RecentFileList::Escape(path);
    // One value on one line, with nothing at either end that reading would trim away.
    for (char ch : escaped) {
        const auto c = static_cast<unsigned char>(ch);
        Check(c >= 0x20 && c != 0x7F);
    }
    if (!escaped.empty()) {
        Check(escaped.front() != ' ' && escaped.back() != ' ');
    }
    Check(RecentFileList::Unescape(escaped) == path);
}

void CheckRoundTrip(const std::vector<std::string>& entries,
                    const RecentFileList::Encodings& encodings) {
    RecentFileList::Encodings back;
    Check(RecentFileList::Parse(RecentFileList::Format(entries, encodings), &back) == entries);
    Check(back == encodings);
}

void CheckAbbreviation(std::string_view path, std::size_t maxLength) {
    const std::string shown = RecentFileList::Abbreviate(path, maxLength);
    if (CharCount(path) <= maxLength) {
        Check(shown == path);
        return;
    }
    Check(CharCount(shown) == maxLength);
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (CharCount(name) + 4 <= maxLength) {
        // The start of the path, then ".../" and the whole file name.
        const std::string_view end = path.substr(slash);
        Check(shown.size() >= end.size() + 3);
        const std::string_view head =
            std::string_view(shown).substr(0, shown.size() - end.size() - 3);
        Check(std::string_view(shown).substr(head.size()) == "..." + std::string(end));
        Check(head.size() < path.size() && path.substr(0, head.size()) == head);
        Check(!IsContinuation(path[head.size()]));
    } else {
        // "..." and the end of the file name, from the start of a character.
        Check(shown.compare(0, 3, "...") == 0);
        const std::string_view tail = std::string_view(shown).substr(3);
        Check(!tail.empty() && !IsContinuation(tail.front()));
        Check(tail.size() <= name.size() && name.substr(name.size() - tail.size()) == tail);
    }
    if (IsUtf8Shaped(path)) {
        Check(IsUtf8Shaped(shown));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    RecentFileList::Encodings encodings;
    const std::vector<std::string> parsed = RecentFileList::Parse(text, &encodings);
    Check(IsUsableList(parsed));
    // Encodings only for entries read, and only plausible names.
    for (const auto& [path, name] : encodings) {
        Check(std::find(parsed.begin(), parsed.end(), path) != parsed.end());
        Check(!name.empty() && name.size() <= 64);
    }
    for (const std::string& entry : parsed) {
        CheckEscaping(entry);
    }
    if (std::all_of(parsed.begin(), parsed.end(),
                    [](const std::string& e) { return e.size() <= kPathMax; })) {
        CheckRoundTrip(parsed, encodings);
    }

    ResumeList places;
    places.Parse(text);
    Check(places.size() <= RecentFileList::kSize);
    const std::string written = places.Format();
    ResumeList again;
    again.Parse(written);
    Check(again.Format() == written && again.enabled() == places.enabled());

    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start <= text.size() && paths.size() < RecentFileList::kSize) {
        std::size_t end = text.find('\0', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string path(text.substr(start, end - start));
        start = end + 1;
        CheckEscaping(path);
        if (!path.empty() && path.size() <= kPathMax &&
            std::find(paths.begin(), paths.end(), path) == paths.end()) {
            paths.push_back(path);
        }
    }
    CheckRoundTrip(paths, paths.empty() ? RecentFileList::Encodings{}
                                        : RecentFileList::Encodings{{paths.front(), "euc-jp"}});

    // The menu's own width, and others from the first byte: from the shortest that still holds
    // "..." and one character.
    CheckAbbreviation(text, RecentFileList::kDisplayLength);
    if (size > 0) {
        CheckAbbreviation(text.substr(1), 4 + data[0] % 61);
    }
    return 0;
}
