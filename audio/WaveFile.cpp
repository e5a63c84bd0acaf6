#include "audio/WaveFile.h"

#include <algorithm>

namespace {

constexpr std::uint32_t FourCc(const char (&text)[5]) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[0])) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[3])) << 24;
}

constexpr std::uint32_t kRiff = FourCc("RIFF");
constexpr std::uint32_t kList = FourCc("LIST");
constexpr std::uint32_t kWave = FourCc("WAVE");
constexpr std::uint32_t kFmt = FourCc("fmt ");
constexpr std::uint32_t kData = FourCc("data");

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t EndOf(std::uint64_t dataOffset, std::uint32_t size) {
    return dataOffset + size;
}

}  // namespace

WaveFile::~WaveFile() {
    Close();
}

HRESULT WaveFile::Open(const char* name) {
    if (name == nullptr) {
        return E_INVALIDARG;
    }
    // A reader opened a second time must not keep the first file open behind the new one.
    file_.Close();
    format_.reset();
    dataSize_ = 0;
    if (!file_.Open(name)) {
        // The fallback to a resource of the running module by that name ends here: Linux
        // executables carry no resource section, so there is none to find.
        return E_FAIL;
    }
    HRESULT hr = ReadHeader();
    if (FAILED(hr)) {
        file_.Close();
        return hr;
    }
    hr = SeekToData();
    if (FAILED(hr)) {
        // The handle stays open until Close, but a file without sample data has no usable
        // format either.
        format_.reset();
        return hr;
    }
    dataSize_ = dataChunk_.size;
    return S_OK;
}

std::uint64_t WaveFile::RiffLimit() const {
    return std::min(EndOf(riffChunk_.dataOffset, riffChunk_.size), file_.Length());
}

bool WaveFile::ReadUpTo(void* destination, std::uint32_t count, std::uint64_t limit) {
    const std::uint64_t position = file_.Position();
    if (position > limit || limit - position < count) {
        return false;
    }
    return file_.Read(destination, count) == count;
}

bool WaveFile::Descend(Chunk& chunk, const Chunk* parent, bool find) {
    const std::uint64_t limit =
        parent != nullptr ? std::min(EndOf(parent->dataOffset, parent->size), file_.Length())
                          : file_.Length();
    for (;;) {
        std::uint8_t header[8];
        if (!ReadUpTo(header, sizeof header, limit)) {
            return false;
        }
        const std::uint32_t id = Le32(header);
        const std::uint32_t size = Le32(header + 4);
        const std::uint64_t dataOffset = file_.Position();
        if (!find || id == chunk.id) {
            chunk.id = id;
            chunk.size = size;
            chunk.dataOffset = dataOffset;
            chunk.formType = 0;
            if (id == kRiff || id == kList) {
                std::uint8_t form[4];
                if (!ReadUpTo(form, sizeof form, limit)) {
                    return false;
                }
                chunk.formType = Le32(form);
            }
            return true;
        }
        // Each skip moves at least 8 bytes on, so a file of any length ends the search.
        file_.Seek(dataOffset + size + (size & 1u));
    }
}

void WaveFile::Ascend(const Chunk& chunk) {
    file_.Seek(chunk.dataOffset + chunk.size + (chunk.size & 1u));
}

HRESULT WaveFile::ReadHeader() {
    format_.reset();
    riffChunk_ = {};
    if (!Descend(riffChunk_, nullptr, false) || riffChunk_.id != kRiff ||
        riffChunk_.formType != kWave) {
        return E_FAIL;
    }

    Chunk fmt;
    fmt.id = kFmt;
    if (!Descend(fmt, &riffChunk_, true) || fmt.size < 16) {
        return E_FAIL;
    }
    std::uint8_t head[16];
    if (!ReadUpTo(head, sizeof head, std::min(EndOf(fmt.dataOffset, fmt.size), RiffLimit()))) {
        return E_FAIL;
    }
    const std::uint16_t formatTag = Le16(head);

    WaveFormatRecord record;
    if (formatTag == kWaveFormatPcm) {
        record = WaveFormatRecord::Allocate(0);
        if (!record) {
            return E_FAIL;
        }
    } else {
        // The extra size is read from the two bytes behind the first 16 even when the chunk ends
        // there; only the RIFF chunk and the file bound it.
        std::uint8_t extra[2];
        if (!ReadUpTo(extra, sizeof extra, RiffLimit())) {
            return E_FAIL;
        }
        const std::uint16_t extraSize = Le16(extra);
        // Checked before allocating, so that a claimed size never costs memory by itself.
        const std::uint64_t position = file_.Position();
        if (position > RiffLimit() || RiffLimit() - position < extraSize) {
            return E_FAIL;
        }
        record = WaveFormatRecord::Allocate(extraSize);
        if (!record || !ReadUpTo(record.extra(), extraSize, RiffLimit())) {
            return E_FAIL;
        }
    }
    WAVEFORMATEX* f = record.get();
    f->formatTag = formatTag;
    f->channels = Le16(head + 2);
    f->samplesPerSec = Le32(head + 4);
    f->avgBytesPerSec = Le32(head + 8);
    f->blockAlign = Le16(head + 12);
    f->bitsPerSample = Le16(head + 14);

    Ascend(fmt);
    format_ = std::move(record);
    return S_OK;
}

HRESULT WaveFile::SeekToData() {
    if (!file_.IsOpen()) {
        return CO_E_NOTINITIALIZED;
    }
    // The search starts again at the first sub-chunk behind the form type, so a "data" chunk
    // ahead of "fmt " is found too.
    file_.Seek(riffChunk_.dataOffset + 4);
    dataChunk_ = {};
    dataChunk_.id = kData;
    return Descend(dataChunk_, &riffChunk_, true) ? S_OK : E_FAIL;
}

std::uint32_t WaveFile::AvailableDataSize() const {
    if (!file_.IsOpen()) {
        return 0;
    }
    const std::uint64_t position = file_.Position();
    const std::uint64_t limit = RiffLimit();
    const std::uint64_t inFile = limit > position ? limit - position : 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(dataChunk_.size, inFile));
}

HRESULT WaveFile::Read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t* countRead) {
    if (!file_.IsOpen()) {
        return CO_E_NOTINITIALIZED;
    }
    if (buffer == nullptr || countRead == nullptr) {
        return E_INVALIDARG;
    }
    *countRead = 0;
    const std::uint32_t k = std::min(count, dataChunk_.size);
    // Lowered by the whole request at once: a read that fails part way has used it up.
    dataChunk_.size -= k;

    const std::uint64_t position = file_.Position();
    const std::uint64_t limit = RiffLimit();
    const std::uint64_t inFile = limit > position ? limit - position : 0;
    const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(k, inFile));
    if (file_.Read(buffer, n) != k) {
        return E_FAIL;
    }
    *countRead = k;
    return S_OK;
}

HRESULT WaveFile::Close() {
    file_.Close();
    return S_OK;
}
