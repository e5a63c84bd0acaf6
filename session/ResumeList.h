#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where reading stopped in each file of the recent-file list, and whether files open there again
// (the 続きから読む setting, on unless switched off). Kept in Selvane.INI beside the list, in
// sections of their own:
//
//   [Resume]
//   File1=/home/user/novel.txt      (escaped as the recent-file list escapes paths)
//   Place1=12345                    the character under the camera
//   Size1=67890                     the file's size in bytes and its modification time
//   Time1=1733745000.123456789      (seconds and nanoseconds), as it was read
//   [Settings]
//   Resume=1
//
// Only what differs from the defaults is written: no entry for a file left at its first
// character, and no [Settings] while the setting is on. Reading is defensive: an entry with any
// value missing or malformed is dropped, and a setting that is neither 0 nor 1 stays on.
class ResumeList {
  public:
    // What tells whether a file is still the one that was read.
    struct Stamp {
        std::uint64_t size = 0;
        std::int64_t seconds = 0;
        std::int64_t nanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };
    // The stamp of the regular file at path; none when it cannot be examined.
    static std::optional<Stamp> StampOf(const std::string& path);

    bool enabled() const { return enabled_; }
    void SetEnabled(bool on) { enabled_ = on; }

    // Keeps place for path, read with the given stamp, replacing what was kept for it (place 0,
    // the start, only forgets it).
    void Record(const std::string& path, const Stamp& stamp, std::int64_t place);
    // The place kept for path while the file there still has the stamp it was read with.
    std::optional<std::int64_t> Find(const std::string& path) const;
    // Drops the places of the files no longer in paths (the recent-file list).
    void KeepOnly(const std::vector<std::string>& paths);

    // The sections, from the text of the whole INI file (what was held before is dropped), and
    // back as Format writes them; Parse gives back what Format wrote.
    void Parse(std::string_view text);
    std::string Format() const;

    std::size_t size() const { return entries_.size(); }

  private:
    struct Entry {
        std::string path;
        Stamp stamp;
        std::int64_t place = 0;
    };
    std::vector<Entry> entries_;
    bool enabled_ = true;
};
