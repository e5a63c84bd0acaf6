#include "session/RecentFileList.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

constexpr std::string_view kSection = "[Recent File List]";
// A path is at most 4096 bytes and escapes to at most four times that.
constexpr std::size_t kMaxLine = 4 * 4096 + 16;
constexpr std::size_t kMaxRead = 16u << 20;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// UTF-8 aware length, so that abbreviation never cuts a character in two.
std::size_t CharCount(std::string_view s) {
    return static_cast<std::size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The last `count` characters of s.
std::string_view LastChars(std::string_view s, std::size_t count) {
    std::size_t i = s.size();
    while (i > 0 && count > 0) {
        --i;
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            --count;
        }
    }
    return s.substr(i);
}

// The first `count` characters of s.
std::string_view FirstChars(std::string_view s, std::size_t count) {
    std::size_t i = 0;
    std::size_t seen = 0;
    while (i < s.size()) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (seen == count) {
                break;
            }
            ++seen;
        }
        ++i;
    }
    return s.substr(0, i);
}

// N for the key EncodingN of entry N, else 0.
std::size_t EncodingKeyNumber(std::string_view key) {
    constexpr std::string_view kPrefix = "Encoding";
    if (key.size() != kPrefix.size() + 1 || key.substr(0, kPrefix.size()) != kPrefix) {
        return 0;
    }
    const char n = key.back();
    return n >= '1' && n <= static_cast<char>('0' + RecentFileList::kSize)
               ? static_cast<std::size_t>(n - '0')
               : 0;
}

// Encoding names are short printable ASCII words; anything else is no name at all.
bool IsEncodingName(std::string_view value) {
    return !value.empty() && value.size() <= 64 &&
           std::all_of(value.begin(), value.end(), [](char c) { return c > ' ' && c <= '~'; });
}

}  // namespace

RecentFileList::RecentFileList(std::string iniPath) : iniPath_(std::move(iniPath)) {}

std::string RecentFileList::Escape(std::string_view value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char ch = value[i];
        const auto c = static_cast<unsigned char>(ch);
        // Reading trims blanks around a value, so a space at either end must not stand bare.
        const bool edge = i == 0 || i + 1 == value.size();
        if (ch == '\\') {
            out += "\\\\";
        } else if (ch == '\n') {
            out += "\\n";
        } else if (ch == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F || (ch == ' ' && edge)) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string RecentFileList::Unescape(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char ch = value[i];
        if (ch != '\\' || i + 1 >= value.size()) {
            out += ch;
            continue;
        }
        const char next = value[++i];
        if (next == '\\') {
            out += '\\';
        } else if (next == 'n') {
            out += '\n';
        } else if (next == 'r') {
            out += '\r';
        } else if (next == 'x' && i + 2 < value.size() && HexDigit(value[i + 1]) >= 0 &&
                   HexDigit(value[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(value[i + 1]) * 16 + HexDigit(value[i + 2]));
            i += 2;
        } else {
            // Not one of our escapes: keep it as it stands rather than guess.
            out += '\\';
            out += next;
        }
    }
    return out;
}

void RecentFileList::ForEachValue(
    std::string_view text, std::string_view section,
    const std::function<void(std::string_view key, std::string_view value)>& visit) {
    bool inSection = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view raw = text.substr(start, end - start);
        start = end + 1;
        if (raw.size() > kMaxLine) {
            continue;
        }
        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            inSection = line == section;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (inSection && eq != std::string_view::npos) {
            visit(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
        }
    }
}

std::vector<std::string> RecentFileList::Parse(std::string_view text, Encodings* encodings) {
    std::string slots[kSize];
    std::string encodingSlots[kSize];
    ForEachValue(text, kSection, [&](std::string_view key, std::string_view raw) {
        if (const std::size_t n = EncodingKeyNumber(key); n != 0) {
            std::string value = Unescape(raw);
            if (IsEncodingName(value)) {
                encodingSlots[n - 1] = std::move(value);
            }
            return;
        }
        if (key.size() != 5 || key.substr(0, 4) != "File" || key[4] < '1' ||
            key[4] > static_cast<char>('0' + kSize)) {
            return;
        }
        std::string value = Unescape(raw);
        // A path holding NUL cannot be opened; an entry that is no path at all is dropped.
        if (value.empty() || value.find('\0') != std::string::npos) {
            return;
        }
        slots[key[4] - '1'] = std::move(value);
    });
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < kSize; ++i) {
        std::string& slot = slots[i];
        if (!slot.empty() && std::find(entries.begin(), entries.end(), slot) == entries.end()) {
            if (encodings != nullptr && !encodingSlots[i].empty()) {
                (*encodings)[slot] = encodingSlots[i];
            }
            entries.push_back(std::move(slot));
        }
    }
    return entries;
}

std::string RecentFileList::Format(const std::vector<std::string>& entries,
                                   const Encodings& encodings) {
    std::string text(kSection);
    text += '\n';
    for (std::size_t i = 0; i < entries.size(); ++i) {
        text += "File" + std::to_string(i + 1) + "=" + Escape(entries[i]) + "\n";
        if (const auto it = encodings.find(entries[i]); it != encodings.end()) {
            text += "Encoding" + std::to_string(i + 1) + "=" + Escape(it->second) + "\n";
        }
    }
    return text;
}

void RecentFileList::Read() {
    entries_.clear();
    const int fd = ::open(iniPath_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    std::string text;
    text.resize(
        std::min<std::size_t>(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)), kMaxRead));
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(got);
    encodings_.clear();
    entries_ = Parse(text, &encodings_);
    if (readFurther_) {
        readFurther_(text);
    }
}

bool RecentFileList::Write() const {
    if (iniPath_.empty()) {
        return false;
    }
    std::error_code ec;
    const std::filesystem::path path(iniPath_);
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), ec);
    }
    std::string text = Format(entries_, encodings_);
    if (writeFurther_) {
        text += writeFurther_(entries_);
    }
    const std::string temporary = iniPath_ + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n > 0;
        done += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.c_str(), iniPath_.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

void RecentFileList::Add(const std::string& path) {
    const std::string encoding = EncodingOf(path);
    Remove(path);
    entries_.insert(entries_.begin(), path);
    SetEncoding(path, encoding);
    while (entries_.size() > kSize) {
        encodings_.erase(entries_.back());
        entries_.pop_back();
    }
}

void RecentFileList::Remove(const std::string& path) {
    entries_.erase(std::remove(entries_.begin(), entries_.end(), path), entries_.end());
    encodings_.erase(path);
}

std::string RecentFileList::EncodingOf(const std::string& path) const {
    const auto it = encodings_.find(path);
    return it != encodings_.end() ? it->second : std::string();
}

void RecentFileList::SetEncoding(const std::string& path, const std::string& encoding) {
    if (encoding.empty() || std::find(entries_.begin(), entries_.end(), path) == entries_.end()) {
        encodings_.erase(path);
    } else {
        encodings_[path] = encoding;
    }
}

std::string RecentFileList::Abbreviate(std::string_view path, std::size_t maxLength) {
    if (CharCount(path) <= maxLength) {
        return std::string(path);
    }
    const std::string_view ellipsis = "...";
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t nameLength = CharCount(name);
    if (nameLength + ellipsis.size() + 1 > maxLength) {
        // Even the name is too long: keep its end, where the extension is.
        return std::string(ellipsis) +
               std::string(
                   LastChars(name, maxLength > ellipsis.size() ? maxLength - ellipsis.size() : 0));
    }
    // Keep as much of the start as fits before ".../name".
    const std::size_t headLength = maxLength - nameLength - ellipsis.size() - 1;
    return std::string(FirstChars(path, headLength)) + std::string(ellipsis) + "/" +
           std::string(name);
}

std::string RecentFileList::DefaultIniPath() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw != nullptr ? pw->pw_dir : "/tmp";
        }
        base = std::string(home) + "/.config";
    }
    return base + "/Selvane/Selvane.INI";
}
