#pragma once

// An owned format record: one block holding a WAVEFORMATEX and, right behind it, its extra
// format bytes, so that the whole block can be handed to the engine as it is.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "audio/WaveFormat.h"

class WaveFormatRecord {
  public:
    WaveFormatRecord() = default;

    // A zeroed record with room for extraSize bytes and extraSize set; empty when the memory
    // cannot be had.
    static WaveFormatRecord Allocate(std::uint16_t extraSize);
    // A copy of the record at `format` with its extra bytes; empty when format is null or the
    // memory cannot be had.
    static WaveFormatRecord CopyOf(const WAVEFORMATEX* format);

    explicit operator bool() const { return bytes_ != nullptr; }
    WAVEFORMATEX* get() { return header_; }
    const WAVEFORMATEX* get() const { return header_; }
    std::uint8_t* extra() { return reinterpret_cast<std::uint8_t*>(bytes_.get()) + 18; }
    // 18 plus the extra size, or 0 when empty.
    std::size_t size() const { return size_; }
    void reset();

  private:
    std::unique_ptr<std::byte[]> bytes_;
    WAVEFORMATEX* header_ = nullptr;
    std::size_t size_ = 0;
};
