#include "scene/MemoryBudget.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

namespace {

MemoryProbe& CurrentProbe() {
    static MemoryProbe probe;
    return probe;
}

std::optional<std::string> ReadWholeFile(const char* path) {
    std::ifstream in(path);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Bytes mapped by this process: the first field of /proc/self/statm, in pages.
std::optional<std::uint64_t> MappedBytes() {
    const std::optional<std::string> statm = ReadWholeFile("/proc/self/statm");
    if (!statm) {
        return std::nullopt;
    }
    std::uint64_t pages = 0;
    const char* first = statm->data();
    const auto [ptr, ec] = std::from_chars(first, first + statm->size(), pages);
    if (ec != std::errc() || ptr == first) {
        return std::nullopt;
    }
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

// SELVANE_AVAILABLE_MEMORY, a number of bytes, stands in for MemAvailable where it is set: for
// runs whose judgement of a file must not change with what else the machine is doing (the tests
// of huge files), or for a user who knows better than the kernel's estimate.
std::optional<std::uint64_t> GivenAvailableMemory() {
    const char* given = std::getenv("SELVANE_AVAILABLE_MEMORY");
    if (given == nullptr) {
        return std::nullopt;
    }
    const char* end = given + std::strlen(given);
    std::uint64_t bytes = 0;
    const auto [ptr, ec] = std::from_chars(given, end, bytes);
    if (ec != std::errc() || ptr != end || ptr == given) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::uint64_t> RealAvailableMemory() {
    std::optional<std::uint64_t> available = GivenAvailableMemory();
    if (!available) {
        if (const std::optional<std::string> meminfo = ReadWholeFile("/proc/meminfo")) {
            available = ParseMemAvailable(*meminfo);
        }
    }
    struct rlimit limit;
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        if (const std::optional<std::uint64_t> used = MappedBytes()) {
            const std::uint64_t room =
                AddressSpaceHeadroom(static_cast<std::uint64_t>(limit.rlim_cur), *used);
            available = available ? std::min(*available, room) : room;
        }
    }
    return available;
}

}  // namespace

std::uint64_t BytesToLoad(std::uint64_t fileSize) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    if (fileSize > kMax / kLoadBytesPerCharacter) {
        return kMax;
    }
    return fileSize * kLoadBytesPerCharacter;
}

std::optional<std::uint64_t> ParseMemAvailable(std::string_view meminfo) {
    static constexpr std::string_view kKey = "MemAvailable:";
    std::size_t at = 0;
    while (at < meminfo.size()) {
        std::size_t end = meminfo.find('\n', at);
        if (end == std::string_view::npos) {
            end = meminfo.size();
        }
        std::string_view line = meminfo.substr(at, end - at);
        at = end + 1;
        if (!line.starts_with(kKey)) {
            continue;
        }
        line.remove_prefix(kKey.size());
        while (!line.empty() && line.front() == ' ') {
            line.remove_prefix(1);
        }
        std::uint64_t kib = 0;
        const auto [ptr, ec] = std::from_chars(line.data(), line.data() + line.size(), kib);
        if (ec != std::errc() || ptr == line.data()) {
            return std::nullopt;
        }
        std::string_view unit(ptr, static_cast<std::size_t>(line.data() + line.size() - ptr));
        while (!unit.empty() && unit.front() == ' ') {
            unit.remove_prefix(1);
        }
        // The kernel has always written kB here; anything else is not a figure to trust.
        if (unit != "kB" || kib > std::numeric_limits<std::uint64_t>::max() / 1024) {
            return std::nullopt;
        }
        return kib * 1024;
    }
    return std::nullopt;
}

std::uint64_t AddressSpaceHeadroom(std::uint64_t limit, std::uint64_t used) {
    return limit > used ? limit - used : 0;
}

std::optional<std::uint64_t> AvailableMemory() {
    const MemoryProbe& probe = CurrentProbe();
    return probe ? probe() : RealAvailableMemory();
}

MemoryProbe SetAvailableMemoryForTesting(MemoryProbe probe) {
    MemoryProbe previous = std::move(CurrentProbe());
    CurrentProbe() = std::move(probe);
    return previous;
}
