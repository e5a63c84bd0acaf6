#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "scene/TextEncoding.h"

class IconvDecoder;

// Reads a text file line by line, decoding it to UTF-16:
//
// - CR LF and a lone LF end a line and are not delivered; a CR not followed by LF is a
//   character of the line.
// - The character U+001A ends the file: nothing after it is read. In code page 932, UTF-8 and
//   whatever the automatic choice finds that is the byte 0x1A; in UTF-16 the unit U+001A.
// - A last line without a line end is delivered; an empty line is delivered as an empty
//   string; the end is reported only when nothing at all is left.
// - Lines have no length limit.
// - In code page 932 no byte-order mark is recognised; in the other encodings a leading one is
//   skipped, and with TextEncoding::Auto it decides the encoding.
// - A read failure throws FileException, so the caller can tell it from the end.
//
// Reading goes through a buffer of its own; a character split across two fills of the buffer
// is decoded whole. Code page 932 and UTF-8 are split into lines as bytes and decoded line by
// line; UTF-16 and the encodings iconv decodes are decoded first and split as UTF-16.
class LineReader {
  public:
    static constexpr std::size_t kDefaultBufferSize = 64 * 1024;
    // The smallest buffer that holds the longest undecoded tail (three bytes of a UTF-8
    // sequence and a CR) with room to read.
    static constexpr std::size_t kMinimumBufferSize = 8;

    // With TextEncoding::Auto the buffer is larger than EncodingDetector::kWindow, which the
    // automatic choice looks at in one piece.
    explicit LineReader(std::size_t bufferSize = kDefaultBufferSize);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens the file at path for reading. False, with errno set, when it does not exist, may
    // not be read or is not a regular file (a directory, FIFO, device or socket, which would
    // fail or block when read); opening never blocks.
    bool Open(const std::string& path, const EncodingChoice& encoding = TextEncoding::Cp932);
    // Reads standard input, whatever it is (a pipe, a terminal, a file), to its end; name
    // stands for it in errors. False, with errno set, when descriptor 0 is closed or a
    // directory. Standard input itself stays open.
    bool OpenStandardInput(const std::string& name,
                           const EncodingChoice& encoding = TextEncoding::Cp932);
    // Reads the bytes source gives (a member of an archive) until it gives none; name stands
    // for them in errors, size is their number where sizeKnown. What source throws leaves
    // ReadString, at that call and every later one.
    using ByteSource = std::function<std::size_t(void* buffer, std::size_t size)>;
    void OpenSource(const std::string& name, std::uint64_t size, bool sizeKnown, ByteSource source,
                    const EncodingChoice& encoding = TextEncoding::Cp932);
    bool IsOpen() const { return fd_ >= 0 || source_ != nullptr; }
    // Up to n bytes from the start of the file opened with Open, before its first line is read;
    // fewer where the file is shorter, none for anything else. They are read into the buffer as
    // the first line would read them, so that the file is read no more often for the look.
    // Throws FileException where that read fails.
    std::string PeekStart(std::size_t n);
    // The size of the file in bytes when it was opened; 0 where it is not known in advance (a
    // pipe or a terminal).
    std::uint64_t FileSize() const { return fileSize_; }
    bool SizeKnown() const { return sizeKnown_; }
    const std::string& Path() const { return path_; }
    // The encoding the bytes are decoded in: the one asked for, or, with TextEncoding::Auto,
    // the one chosen; Auto while nothing but ASCII has been read. Utf16 becomes Utf16Le or
    // Utf16Be at the first line.
    const EncodingChoice& Encoding() const { return decided_; }

    // Replaces line with the next line. False when nothing is left to read. After a read
    // failure every later call throws again.
    bool ReadString(std::u16string& line);
    void Close();

  private:
    enum class Mode { Undecided, Bytes, Units };
    enum class Step { Line, End, Switched };

    void Start(int fd, std::uint64_t size, bool sizeKnown, const std::string& path,
               const EncodingChoice& encoding);
    // Keeps the undecoded bytes [pos_, end_), moves them to the start and reads after them.
    void Fill();
    void FillAtLeast(std::size_t bytes);
    // Ends the text at the first byte 0x1A from `from` on.
    void CutAtSubstitute(const std::uint8_t* from);
    void Begin();
    bool Decide();
    void DecodeAsBytes(TextEncoding encoding);
    void DecodeAsUnits(const EncodingChoice& encoding);
    Step ReadBytes(std::u16string& line, bool& any);
    Step ReadUnits(std::u16string& line, bool& any);
    bool MoreUnits();
    const std::uint8_t* DecodeAppend(const std::uint8_t* first, const std::uint8_t* last,
                                     bool final, std::u16string& line);

    std::size_t bufferSize_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    // What a piece of a line decodes to in code page 932 or UTF-8, before it joins the line.
    std::unique_ptr<char16_t[]> decoded_;
    const std::uint8_t* pos_ = nullptr;
    std::uint8_t* end_ = nullptr;
    bool eof_ = false;
    int failedError_ = 0;
    int fd_ = -1;
    bool regular_ = false;
    ByteSource source_;
    std::exception_ptr sourceFailure_;
    std::uint64_t fileSize_ = 0;
    bool sizeKnown_ = false;
    std::string path_;

    EncodingChoice asked_;
    EncodingChoice decided_;
    Mode mode_ = Mode::Bytes;
    bool begun_ = false;
    // Byte 0x1A ends the text as it is read: right for every encoding that reads ASCII as
    // ASCII, wrong for UTF-16, where it is half of other characters.
    bool cutAtSubstitute_ = true;

    // The decoded units, for UTF-16 and iconv: [unitPos_, unitEnd_) not delivered yet.
    std::unique_ptr<char16_t[]> units_;
    std::size_t unitCapacity_ = 0;
    char16_t* unitPos_ = nullptr;
    char16_t* unitEnd_ = nullptr;
    bool unitsDone_ = false;
    bool bigEndian_ = false;
    bool stripMark_ = false;
    std::unique_ptr<IconvDecoder> iconv_;
};

// Every read of every LineReader goes through this function, read(2) unless a test replaces
// it to fail or to deliver short reads. Returns the function that was in force; an empty one
// restores read(2).
using ReadFunction = std::function<ssize_t(int fd, void* buffer, std::size_t size)>;
ReadFunction SetReadFunctionForTesting(ReadFunction read);
