#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The four most recently opened files, newest first, kept in an INI file:
//
//   [Recent File List]
//   File1=/home/user/newest.txt
//   File2=...
//
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

    explicit RecentFileList(std::string iniPath);

    const std::string& iniPath() const { return iniPath_; }
    const std::vector<std::string>& entries() const { return entries_; }

    // Reads the list from the INI file; a missing or unreadable file gives an empty list.
    void Read();
    // Writes the list: to a temporary file beside the INI, then renamed over it, so that a crash
    // in between leaves the old list rather than half a file. Returns false when it could not.
    bool Write() const;

    // Puts path at the top (moving it there if it is already in the list) and keeps four.
    void Add(const std::string& path);
    void Remove(const std::string& path);

    // The entry as the menu shows it: at most 30 characters, the middle of a long path replaced
    // by "...", the file name kept whole as long as it fits.
    static std::string Abbreviate(std::string_view path, std::size_t maxLength = kDisplayLength);

    static std::string Escape(std::string_view value);
    static std::string Unescape(std::string_view value);
    // Parses the text of an INI file into at most four entries.
    static std::vector<std::string> Parse(std::string_view text);
    // The text of an INI file holding these entries, as Write stores it; Parse gives them back.
    static std::string Format(const std::vector<std::string>& entries);

    // $XDG_CONFIG_HOME/Selvane/Selvane.INI, or ~/.config/Selvane/Selvane.INI.
    static std::string DefaultIniPath();

  private:
    std::string iniPath_;
    std::vector<std::string> entries_;
};
