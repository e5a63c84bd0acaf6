#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "scene/FileException.h"

struct archive;

// Whether a file's first bytes are those of a zip archive: a member's local header, or the end
// record of an archive without members. Aozora Bunko hands its texts out in zip archives.
bool LooksLikeZip(std::string_view start);

// The text file inside a zip archive, read through libarchive in memory, never unpacked to disk:
// the one member whose name ends in .txt (in any case), or the first of them in the archive's
// order where there are several (Aozora's archives also hold the figures of the text).
class ZipTextMember {
  public:
    // Opens the archive at path and finds its text. Throws FileException, naming path:
    // NoTextInArchive, EncryptedArchive, or BrokenArchive where the archive cannot be read.
    explicit ZipTextMember(const std::string& path);
    ~ZipTextMember();
    ZipTextMember(const ZipTextMember&) = delete;
    ZipTextMember& operator=(const ZipTextMember&) = delete;

    const std::string& Name() const { return name_; }
    // The member's size unpacked, as the archive states it.
    std::uint64_t Size() const { return size_; }
    bool SizeKnown() const { return sizeKnown_; }

    // Up to size bytes of the member, 0 at its end. Throws FileException(BrokenArchive) where
    // its data cannot be unpacked, fails its check, or goes on past the size stated.
    std::size_t Read(void* buffer, std::size_t size);

  private:
    [[noreturn]] void Fail(FileException::Cause cause);

    std::string path_;
    std::string name_;
    struct archive* archive_ = nullptr;
    std::uint64_t size_ = 0;
    bool sizeKnown_ = false;
    std::uint64_t delivered_ = 0;
    bool ended_ = false;
};
