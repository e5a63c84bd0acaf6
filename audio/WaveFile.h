#pragma once

// Read-only RIFF/WAVE reader: checks the RIFF header, reads the format from the "fmt " chunk,
// finds the "data" chunk and copies its sample bytes into a caller's buffer. Every size comes
// from the file, so every read is bounded by its chunk's parent and the file's real length.
//
// Calling order: Open; Format and DataSize; Read any number of times; Close (the destructor
// closes as well, and closing twice is harmless).

#include <cstdint>

#include "audio/BufferedFile.h"
#include "audio/WaveFormatRecord.h"
#include "base/Result.h"

class WaveFile {
  public:
    WaveFile() = default;
    ~WaveFile();
    WaveFile(const WaveFile&) = delete;
    WaveFile& operator=(const WaveFile&) = delete;

    // On success the format and the data size are set and the position is at the first sample
    // byte. E_INVALIDARG without a name, E_FAIL for a file that cannot be opened or is not a
    // usable RIFF/WAVE file.
    HRESULT Open(const char* name);
    // The format record with its extra bytes, or null before a header has been read. It stays
    // valid after Close, until the reader is destroyed or opens again.
    const WAVEFORMATEX* Format() const { return format_.get(); }
    // The declared size of the "data" chunk.
    std::uint32_t DataSize() const { return dataSize_; }
    // How many of the sample bytes not yet read the file really holds: less than the remaining
    // data size when the chunk claims more than the file contains.
    std::uint32_t AvailableDataSize() const;
    // Copies up to `count` sample bytes. Past the end of the chunk it reports 0 bytes read.
    HRESULT Read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t* countRead);
    HRESULT Close();

  private:
    // A chunk as the navigation sees it: the data offset is the file offset of the chunk's data,
    // which for a "RIFF" chunk begins with the form type.
    struct Chunk {
        std::uint32_t id = 0;
        std::uint32_t size = 0;
        std::uint32_t formType = 0;
        std::uint64_t dataOffset = 0;
    };

    HRESULT ReadHeader();
    HRESULT SeekToData();
    // Reads the chunk header at the position; with `find`, skips chunks (and their pad bytes)
    // until one with chunk.id turns up within the parent.
    bool Descend(Chunk& chunk, const Chunk* parent, bool find);
    // To the end of the chunk as declared, rounded up to an even offset.
    void Ascend(const Chunk& chunk);
    // Reads up to `count` bytes but not past `limit`; true if all of them arrived.
    bool ReadUpTo(void* destination, std::uint32_t count, std::uint64_t limit);
    // The first offset past what the RIFF chunk and the file both hold.
    std::uint64_t RiffLimit() const;

    WaveFormatRecord format_;
    BufferedFile file_;
    Chunk dataChunk_;
    Chunk riffChunk_;
    std::uint32_t dataSize_ = 0;
};
