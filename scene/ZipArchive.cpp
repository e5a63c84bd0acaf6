#include "scene/ZipArchive.h"

#include <archive.h>
#include <archive_entry.h>

#include "base/DebugSink.h"

namespace {

bool EndsWithTxt(std::string_view name) {
    if (name.size() < 4) {
        return false;
    }
    const std::string_view end = name.substr(name.size() - 4);
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return end[0] == '.' && lower(end[1]) == 't' && lower(end[2]) == 'x' && lower(end[3]) == 't';
}

}  // namespace

bool LooksLikeZip(std::string_view start) {
    return start.starts_with(std::string_view("PK\x03\x04", 4)) ||
           start.starts_with(std::string_view("PK\x05\x06", 4));
}

ZipTextMember::ZipTextMember(const std::string& path) : path_(path), archive_(archive_read_new()) {
    if (archive_ == nullptr) {
        throw FileException(FileException::Cause::OutOfMemory, path_);
    }
    // The zip reader alone: a file that only starts like a zip is a broken one, not some other
    // kind of archive.
    archive_read_support_format_zip(archive_);
    if (archive_read_open_filename(archive_, path_.c_str(), 64 * 1024) != ARCHIVE_OK) {
        Fail(FileException::Cause::BrokenArchive);
    }
    archive_entry* entry = nullptr;
    for (;;) {
        const int status = archive_read_next_header(archive_, &entry);
        if (status == ARCHIVE_EOF) {
            Fail(FileException::Cause::NoTextInArchive);
        }
        if (status != ARCHIVE_OK && status != ARCHIVE_WARN) {
            Fail(FileException::Cause::BrokenArchive);
        }
        const char* name = archive_entry_pathname(entry);
        if (name == nullptr) {
            name = archive_entry_pathname_utf8(entry);
        }
        if (name == nullptr || archive_entry_filetype(entry) == AE_IFDIR || !EndsWithTxt(name)) {
            continue;
        }
        name_ = name;
        if (archive_entry_is_data_encrypted(entry)) {
            Fail(FileException::Cause::EncryptedArchive);
        }
        sizeKnown_ = archive_entry_size_is_set(entry) != 0 && archive_entry_size(entry) >= 0;
        size_ = sizeKnown_ ? static_cast<std::uint64_t>(archive_entry_size(entry)) : 0;
        return;
    }
}

ZipTextMember::~ZipTextMember() {
    if (archive_ != nullptr) {
        archive_read_free(archive_);
    }
}

void ZipTextMember::Fail(FileException::Cause cause) {
    const char* detail = archive_error_string(archive_);
    OutputDebugString("zip archive " + path_ + ": " +
                      (detail != nullptr ? detail : "no .txt member") + "\n");
    // Thrown from the constructor, whose object has no destructor to run.
    archive_read_free(archive_);
    archive_ = nullptr;
    throw FileException(cause, path_);
}

std::size_t ZipTextMember::Read(void* buffer, std::size_t size) {
    if (ended_ || archive_ == nullptr) {
        return 0;
    }
    const la_ssize_t got = archive_read_data(archive_, buffer, size);
    if (got < 0) {
        throw FileException(FileException::Cause::BrokenArchive, path_);
    }
    delivered_ += static_cast<std::uint64_t>(got);
    if (sizeKnown_ && delivered_ > size_) {
        throw FileException(FileException::Cause::BrokenArchive, path_);
    }
    ended_ = got == 0;
    return static_cast<std::size_t>(got);
}
