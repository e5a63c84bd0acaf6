#include "audio/WaveFormatRecord.h"

#include <cstring>
#include <new>

WaveFormatRecord WaveFormatRecord::Allocate(std::uint16_t extraSize) {
    WaveFormatRecord record;
    const std::size_t size = sizeof(WAVEFORMATEX) + extraSize;
    record.bytes_.reset(new (std::nothrow) std::byte[size]());
    if (!record.bytes_) {
        return {};
    }
    record.header_ = new (record.bytes_.get()) WAVEFORMATEX{};
    record.header_->extraSize = extraSize;
    record.size_ = size;
    return record;
}

WaveFormatRecord WaveFormatRecord::CopyOf(const WAVEFORMATEX* format) {
    if (format == nullptr) {
        return {};
    }
    WaveFormatRecord record = Allocate(format->extraSize);
    if (record) {
        std::memcpy(record.bytes_.get(), format, record.size_);
    }
    return record;
}

void WaveFormatRecord::reset() {
    header_ = nullptr;
    size_ = 0;
    bytes_.reset();
}
