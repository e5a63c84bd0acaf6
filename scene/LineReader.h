#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "scene/TextEncoding.h"

// Reads a text file line by line, decoding it to UTF-16:
//
// - CR LF and a lone LF end a line and are not delivered; a CR not followed by LF is a
//   character of the line.
// - A byte 0x1A ends the file: nothing after it is read.
// - A last line without a line end is delivered; an empty line is delivered as an empty
//   string; the end is reported only when nothing at all is left.
// - Lines have no length limit.
// - In code page 932 no byte-order mark is recognised; in UTF-8 a leading one is skipped.
// - A read failure throws FileException, so the caller can tell it from the end.
//
// Reading goes through a buffer of its own; a character split across two fills of the buffer
// is decoded whole.
class LineReader {
  public:
    static constexpr std::size_t kDefaultBufferSize = 64 * 1024;
    // The smallest buffer that holds the longest undecoded tail (three bytes of a UTF-8
    // sequence and a CR) with room to read.
    static constexpr std::size_t kMinimumBufferSize = 8;

    explicit LineReader(std::size_t bufferSize = kDefaultBufferSize);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens the file at path for reading. False, with errno set, when it does not exist, may
    // not be read or is not a regular file (a directory, FIFO, device or socket, which would
    // fail or block when read); opening never blocks.
    bool Open(const std::string& path, TextEncoding encoding = TextEncoding::Cp932);
    bool IsOpen() const { return fd_ >= 0; }
    // The size of the file in bytes when it was opened.
    std::uint64_t FileSize() const { return fileSize_; }
    const std::string& Path() const { return path_; }

    // Replaces line with the next line. False when nothing is left to read. After a read
    // failure every later call throws again.
    bool ReadString(std::u16string& line);
    void Close();

  private:
    // Keeps the undecoded bytes [pos_, end_), moves them to the start and reads after them.
    void Fill();
    void SkipByteOrderMark();
    const std::uint8_t* DecodeAppend(const std::uint8_t* first, const std::uint8_t* last,
                                     bool final, std::u16string& line) const;

    std::size_t bufferSize_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    const std::uint8_t* pos_ = nullptr;
    std::uint8_t* end_ = nullptr;
    bool eof_ = false;
    int failedError_ = 0;
    bool checkByteOrderMark_ = false;
    int fd_ = -1;
    std::uint64_t fileSize_ = 0;
    TextEncoding encoding_ = TextEncoding::Cp932;
    std::string path_;
};

// Every read of every LineReader goes through this function, read(2) unless a test replaces
// it to fail or to deliver short reads. Returns the function that was in force; an empty one
// restores read(2).
using ReadFunction = std::function<ssize_t(int fd, void* buffer, std::size_t size)>;
ReadFunction SetReadFunctionForTesting(ReadFunction read);
