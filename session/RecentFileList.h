#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The four most recently opened files, newest first, kept in an INI file:
//
//   [Recent File List]
//   File1=/home/user/newest.txt
//   Encoding1=euc-jp
//   File2=...
//
// EncodingN, only where the user chose an encoding by hand for entry N, names it as
// --encoding does; a value that is no plausible name is ignored.
// A path may hold any byte but NUL, so values are escaped: a backslash becomes "\\", a line
// feed "\n", a carriage return "\r", every other control byte "\xHH" (two hex digits), and a
// space at the start or end "\x20", since blanks around a value are not part of it.
// "=" and "[" need no escape: a key ends at the first "=" and a section header starts a line.
// Reading is forgiving: anything that is not one of our four keys in our section is ignored,
// over-long lines are skipped, and at most 16 MiB of the file are looked at.
class RecentFileList {
  public:
    static constexpr std::size_t kSize = 4;
    static constexpr std::size_t kDisplayLength = 30;
    // Path to the name of the encoding chosen by hand for it.
    using Encodings = std::map<std::string, std::string>;

    // An empty iniPath keeps the list in memory only: Read finds nothing, Write writes nothing.
    explicit RecentFileList(std::string iniPath);

    const std::string& iniPath() const { return iniPath_; }
    const std::vector<std::string>& entries() const { return entries_; }

    // Reads the list from the INI file; a missing or unreadable file gives an empty list.
    void Read();
    // Writes the list: to a temporary file beside the INI, then renamed over it, so that a crash
    // in between leaves the old list rather than half a file. Returns false when it could not.
    bool Write() const;

    // Further sections kept in the same file by others: `read` is handed the whole text Read
    // finds (nothing when there is no file), and what `write` gives, told the entries the list
    // keeps, is stored after the list by Write.
    void SetFurtherSections(std::function<void(std::string_view text)> read,
                            std::function<std::string(const std::vector<std::string>&)> write) {
        readFurther_ = std::move(read);
        writeFurther_ = std::move(write);
    }

    // Puts path at the top (moving it there if it is already in the list) and keeps four.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    // The encoding chosen by hand for an entry, "" for none; setting "" forgets it. Kept as long
    // as the entry stays in the list.
    std::string EncodingOf(const std::string& path) const;
    void SetEncoding(const std::string& path, const std::string& encoding);

    // The entry as the menu shows it: at most 30 characters, the middle of a long path replaced
    // by "...", the file name kept whole as long as it fits.
    static std::string Abbreviate(std::string_view path, std::size_t maxLength = kDisplayLength);

    static std::string Escape(std::string_view value);
    static std::string Unescape(std::string_view value);
    // Every "key=value" line of the section (given with its brackets) in the order they stand,
    // key and value trimmed; comments, lines outside the section, lines without "=" and
    // over-long lines are passed over.
    static void ForEachValue(
        std::string_view text, std::string_view section,
        const std::function<void(std::string_view key, std::string_view value)>& visit);
    // Parses the text of an INI file into at most four entries, and their encodings into
    // `encodings` where given.
    static std::vector<std::string> Parse(std::string_view text, Encodings* encodings = nullptr);
    // The text of an INI file holding these entries, as Write stores it; Parse gives them back.
    static std::string Format(const std::vector<std::string>& entries,
                              const Encodings& encodings = {});

    // $XDG_CONFIG_HOME/Selvane/Selvane.INI, or ~/.config/Selvane/Selvane.INI.
    static std::string DefaultIniPath();

  private:
    std::string iniPath_;
    std::vector<std::string> entries_;
    Encodings encodings_;
    std::function<void(std::string_view)> readFurther_;
    std::function<std::string(const std::vector<std::string>&)> writeFurther_;
};
