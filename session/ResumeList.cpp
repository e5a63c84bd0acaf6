#include "session/ResumeList.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "session/ParseNumber.h"
#include "session/RecentFileList.h"

namespace {

constexpr std::string_view kResumeSection = "[Resume]";
constexpr std::string_view kSettingsSection = "[Settings]";
constexpr std::size_t kSlots = RecentFileList::kSize;
// The longest path the system opens.
constexpr std::size_t kPathMax = 4096;

// The slot (0 to 3) of a key made of name and one digit 1 to 4, such as "Place2"; -1 for others.
int SlotOf(std::string_view key, std::string_view name) {
    if (key.size() != name.size() + 1 || key.substr(0, name.size()) != name) {
        return -1;
    }
    const char digit = key.back();
    return digit >= '1' && digit < static_cast<char>('1' + kSlots) ? digit - '1' : -1;
}

// "seconds.nanoseconds", the nanoseconds as nine digits.
bool ParseTime(std::string_view text, std::int64_t& seconds, std::int64_t& nanoseconds) {
    const std::size_t dot = text.find('.');
    return dot != std::string_view::npos && text.size() - dot - 1 == 9 &&
           ParseNumber(text.substr(0, dot), seconds) &&
           ParseNumber(text.substr(dot + 1), nanoseconds) && nanoseconds >= 0;
}

}  // namespace

std::optional<ResumeList::Stamp> ResumeList::StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return Stamp{static_cast<std::uint64_t>(st.st_size), st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

void ResumeList::Record(const std::string& path, const Stamp& stamp, std::int64_t place) {
    std::erase_if(entries_, [&path](const Entry& e) { return e.path == path; });
    // The first character is where every file opens anyway: nothing to keep.
    if (place <= 0) {
        return;
    }
    entries_.insert(entries_.begin(), Entry{path, stamp, place});
    // More than the recent-file list holds can never be of use; the newest are kept.
    if (entries_.size() > kSlots) {
        entries_.resize(kSlots);
    }
}

std::optional<std::int64_t> ResumeList::Find(const std::string& path) const {
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&path](const Entry& e) { return e.path == path; });
    if (it == entries_.end() || StampOf(path) != it->stamp) {
        return std::nullopt;
    }
    return it->place;
}

void ResumeList::KeepOnly(const std::vector<std::string>& paths) {
    std::erase_if(entries_, [&paths](const Entry& e) {
        return std::find(paths.begin(), paths.end(), e.path) == paths.end();
    });
}

void ResumeList::Parse(std::string_view text) {
    entries_.clear();
    enabled_ = true;
    struct Slot {
        std::string path;
        bool hasPlace = false, hasSize = false, hasTime = false;
        Entry entry;
    } slots[kSlots];
    RecentFileList::ForEachValue(
        text, kResumeSection, [&slots](std::string_view key, std::string_view value) {
            if (const int i = SlotOf(key, "File"); i >= 0) {
                slots[i].path = RecentFileList::Unescape(value);
            } else if (const int p = SlotOf(key, "Place"); p >= 0) {
                slots[p].hasPlace =
                    ParseNumber(value, slots[p].entry.place) && slots[p].entry.place >= 0;
            } else if (const int s = SlotOf(key, "Size"); s >= 0) {
                slots[s].hasSize = ParseNumber(value, slots[s].entry.stamp.size);
            } else if (const int t = SlotOf(key, "Time"); t >= 0) {
                slots[t].hasTime = ParseTime(value, slots[t].entry.stamp.seconds,
                                             slots[t].entry.stamp.nanoseconds);
            }
        });
    for (Slot& slot : slots) {
        const bool known = std::any_of(entries_.begin(), entries_.end(),
                                       [&slot](const Entry& e) { return e.path == slot.path; });
        if (slot.hasPlace && slot.hasSize && slot.hasTime && !slot.path.empty() &&
            slot.path.size() <= kPathMax && slot.path.find('\0') == std::string::npos && !known &&
            slot.entry.place > 0) {
            slot.entry.path = std::move(slot.path);
            entries_.push_back(std::move(slot.entry));
        }
    }
    RecentFileList::ForEachValue(text, kSettingsSection,
                                 [this](std::string_view key, std::string_view value) {
                                     if (key == "Resume" && (value == "0" || value == "1")) {
                                         enabled_ = value == "1";
                                     }
                                 });
}

std::string ResumeList::Format() const {
    // Only what differs from a start without the file: a user who never left a file part way
    // nor switched the setting off keeps the file as it always was.
    std::string text;
    if (!entries_.empty()) {
        text += kResumeSection;
        text += '\n';
    }
    for (std::size_t i = 0; i < entries_.size() && i < kSlots; ++i) {
        const Entry& e = entries_[i];
        const std::string n = std::to_string(i + 1);
        char time[48];
        std::snprintf(time, sizeof time, "%lld.%09lld", static_cast<long long>(e.stamp.seconds),
                      static_cast<long long>(e.stamp.nanoseconds));
        text += "File" + n + "=" + RecentFileList::Escape(e.path) + "\n";
        text += "Place" + n + "=" + std::to_string(e.place) + "\n";
        text += "Size" + n + "=" + std::to_string(e.stamp.size) + "\n";
        text += "Time" + n + "=" + time + "\n";
    }
    if (!enabled_) {
        text += std::string(kSettingsSection) + "\nResume=0\n";
    }
    return text;
}
