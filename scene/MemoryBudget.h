#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

// What loading and building a text costs per character, and what the system can still give.
// Linux overcommits: a file too large for the machine would not fail an allocation but get the
// process killed part way through the build, so the document compares the two before reading.

// The CPU-side ribbon mesh after Scene::Build: bench/BuildBench.cpp measures 267 bytes per
// character at 10^6 characters; rounded up, for the allocator's overhead at other lengths.
inline constexpr std::uint64_t kMeshBytesPerCharacter = 300;
// The GPU vertex data: six 20-byte vertices per character, which a software rasteriser
// (llvmpipe) keeps in host memory.
inline constexpr std::uint64_t kGpuBytesPerCharacter = 120;
// The UTF-16 text itself, and the reader's line buffer, which may be as long as the text.
inline constexpr std::uint64_t kTextBytesPerCharacter = 4;
inline constexpr std::uint64_t kBuiltBytesPerCharacter =
    kMeshBytesPerCharacter + kGpuBytesPerCharacter;
inline constexpr std::uint64_t kLoadBytesPerCharacter =
    kBuiltBytesPerCharacter + kTextBytesPerCharacter;

// Bytes to load and build a file of fileSize bytes: no byte decodes to more than one UTF-16
// unit, so the size bounds the characters. Saturates instead of overflowing.
std::uint64_t BytesToLoad(std::uint64_t fileSize);

// The memory a new allocation can still get: the smaller of the system's MemAvailable (or the
// bytes SELVANE_AVAILABLE_MEMORY gives in its place) and, when an address-space limit
// (ulimit -v) is set, what is left under it. Nothing when neither can be read.
std::optional<std::uint64_t> AvailableMemory();

// The pieces, exposed for tests: MemAvailable in bytes out of the text of /proc/meminfo, and
// the room left under an address-space limit of `limit` bytes with `used` bytes mapped.
std::optional<std::uint64_t> ParseMemAvailable(std::string_view meminfo);
std::uint64_t AddressSpaceHeadroom(std::uint64_t limit, std::uint64_t used);

// Replaces what AvailableMemory reports; an empty function restores the real figure. Returns
// the function that was in force.
using MemoryProbe = std::function<std::optional<std::uint64_t>()>;
MemoryProbe SetAvailableMemoryForTesting(MemoryProbe probe);
