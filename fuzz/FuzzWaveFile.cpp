// WaveFile on arbitrary bytes. The reader opens files by name, so each input is written to an
// anonymous memory file and opened through /proc/self/fd. Checks what must hold for any input:
// a successful open has a format and never more available bytes than the chunk declares, reads
// stop at what the file holds, and closing is always harmless.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/WaveFile.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

const std::string& InputPath() {
    static const std::string path = [] {
        const int fd = memfd_create("fuzz-wave", MFD_CLOEXEC);
        Require(fd >= 0);
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

int InputFd() {
    static const int fd = std::stoi(InputPath().substr(std::string("/proc/self/fd/").size()));
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Require(ftruncate(InputFd(), 0) == 0);
    Require(size == 0 || pwrite(InputFd(), data, size, 0) == static_cast<ssize_t>(size));

    WaveFile reader;
    const HRESULT hr = reader.Open(InputPath().c_str());
    if (FAILED(hr)) {
        Require(hr == E_FAIL);
        Require(reader.Format() == nullptr);
        Require(reader.Close() == S_OK);
        return 0;
    }
    const WAVEFORMATEX* format = reader.Format();
    Require(format != nullptr);
    if (format->formatTag == kWaveFormatPcm) {
        Require(format->extraSize == 0);
    }
    // The record's extra bytes lie in the file, so they cannot outnumber it.
    Require(format->extraSize <= size);

    const std::uint32_t declared = reader.DataSize();
    const std::uint32_t available = reader.AvailableDataSize();
    Require(available <= declared);
    Require(available <= size);

    // What the player does: the whole chunk in one read when the file holds it ...
    std::uint32_t read = 0;
    if (available == declared) {
        // One byte more, so that an empty chunk still gets a buffer, as new[] gives the player.
        std::vector<std::uint8_t> all(static_cast<std::size_t>(declared) + 1);
        Require(reader.Read(all.data(), declared, &read) == S_OK);
        Require(read == declared);
    } else {
        // ... and otherwise piece by piece, up to the read that reaches the end of the file.
        std::vector<std::uint8_t> piece(4096);
        std::uint64_t total = 0;
        HRESULT step = S_OK;
        while (SUCCEEDED(step) && total < declared) {
            step = reader.Read(piece.data(), static_cast<std::uint32_t>(piece.size()), &read);
            total += read;
            Require(SUCCEEDED(step) ? read > 0 : read == 0);
        }
        Require(FAILED(step));
        Require(total <= available);
    }
    std::uint8_t byte = 0;
    Require(reader.Read(&byte, 0, &read) == S_OK && read == 0);
    Require(reader.Close() == S_OK);
    Require(reader.Close() == S_OK);
    Require(reader.Read(&byte, 1, &read) == CO_E_NOTINITIALIZED);
    return 0;
}
