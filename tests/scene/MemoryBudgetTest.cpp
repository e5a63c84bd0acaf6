#include "scene/MemoryBudget.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "scene/Scene.h"
#include "scene/Vertex.h"
#include "tests/fakes/FakeGpu.h"

#if defined(__SANITIZE_ADDRESS__)
#define SELVANE_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SELVANE_UNDER_ASAN 1
#endif
#endif

namespace {

constexpr bool kUnderAsan =
#ifdef SELVANE_UNDER_ASAN
    true;
#else
    false;
#endif

TEST(MemoryBudget, ParsesMemAvailable) {
    const char* meminfo =
        "MemTotal:       24684148 kB\n"
        "MemFree:        24200000 kB\n"
        "MemAvailable:   24316952 kB\n"
        "Buffers:           12345 kB\n";
    EXPECT_EQ(ParseMemAvailable(meminfo), std::optional<std::uint64_t>(24316952ull * 1024));
    EXPECT_EQ(ParseMemAvailable("MemAvailable: 7 kB"), std::optional<std::uint64_t>(7 * 1024));
    EXPECT_EQ(ParseMemAvailable("MemTotal: 100 kB\nMemFree: 50 kB\n"), std::nullopt);
    EXPECT_EQ(ParseMemAvailable("MemAvailable: lots\n"), std::nullopt);
    EXPECT_EQ(ParseMemAvailable("MemAvailable: 100 MB\n"), std::nullopt);
    EXPECT_EQ(ParseMemAvailable("XMemAvailable: 100 kB\n"), std::nullopt);
    EXPECT_EQ(ParseMemAvailable(""), std::nullopt);
}

TEST(MemoryBudget, AddressSpaceHeadroomNeverGoesNegative) {
    EXPECT_EQ(AddressSpaceHeadroom(100, 30), 70u);
    EXPECT_EQ(AddressSpaceHeadroom(30, 100), 0u);
    EXPECT_EQ(AddressSpaceHeadroom(30, 30), 0u);
}

TEST(MemoryBudget, BytesToLoadGrowsWithTheFileAndSaturates) {
    EXPECT_EQ(BytesToLoad(0), 0u);
    EXPECT_EQ(BytesToLoad(1000), 1000 * kLoadBytesPerCharacter);
    EXPECT_EQ(BytesToLoad(std::numeric_limits<std::uint64_t>::max() / 2),
              std::numeric_limits<std::uint64_t>::max());
}

std::uint64_t MemTotal() {
    std::ifstream in("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    std::string unit;
    while (in >> key >> kib >> unit) {
        if (key == "MemTotal:") {
            return kib * 1024;
        }
    }
    return 0;
}

TEST(MemoryBudget, ReportsThisMachinesMemory) {
    const std::optional<std::uint64_t> available = AvailableMemory();
    ASSERT_TRUE(available.has_value());
    EXPECT_GT(*available, 0u);
    const std::uint64_t total = MemTotal();
    ASSERT_GT(total, 0u);
    EXPECT_LE(*available, total);
}

TEST(MemoryBudget, AFigureInTheEnvironmentStandsInForTheSystems) {
    ASSERT_EQ(::setenv("SELVANE_AVAILABLE_MEMORY", "123456789", 1), 0);
    EXPECT_EQ(AvailableMemory(), std::optional<std::uint64_t>(123456789));
    // Anything but a number of bytes is no figure: the system's counts again.
    for (const char* wrong : {"", "12 GB", "-5", "lots", "99999999999999999999"}) {
        ::setenv("SELVANE_AVAILABLE_MEMORY", wrong, 1);
        const std::optional<std::uint64_t> available = AvailableMemory();
        ASSERT_TRUE(available.has_value()) << wrong;
        EXPECT_LE(*available, MemTotal()) << wrong;
    }
    ::unsetenv("SELVANE_AVAILABLE_MEMORY");
}

TEST(MemoryBudget, HonoursTheAddressSpaceLimit) {
    if (kUnderAsan) {
        GTEST_SKIP() << "the sanitizer's shadow memory does not fit under an address-space limit";
    }
    constexpr std::uint64_t kRoom = 256u << 20;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // What `ulimit -v` does: the process may map only kRoom more than it has now.
        std::ifstream statm("/proc/self/statm");
        std::uint64_t pages = 0;
        statm >> pages;
        const std::uint64_t mapped = pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
        struct rlimit limit;
        ::getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = static_cast<rlim_t>(mapped + kRoom);
        if (::setrlimit(RLIMIT_AS, &limit) != 0) {
            ::_exit(2);
        }
        const std::optional<std::uint64_t> available = AvailableMemory();
        // A little was mapped since statm was read (the stream's buffers).
        const bool near = available && *available <= kRoom && *available >= kRoom - (16u << 20);
        ::_exit(near ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the limit was not honoured; 2: setrlimit failed";
}

TEST(MemoryBudget, ProbeCanBeReplacedAndRestored) {
    MemoryProbe previous =
        SetAvailableMemoryForTesting([] { return std::optional<std::uint64_t>(5); });
    EXPECT_EQ(AvailableMemory(), std::optional<std::uint64_t>(5));
    SetAvailableMemoryForTesting([] { return std::optional<std::uint64_t>(); });
    EXPECT_EQ(AvailableMemory(), std::nullopt);
    SetAvailableMemoryForTesting(std::move(previous));
    EXPECT_TRUE(AvailableMemory().has_value());
}

std::u16string SampleText(std::size_t length) {
    const std::u16string pattern = u"吾輩は猫である。名前はまだ無い。\tWhere the path bends ｶﾅ";
    std::u16string text;
    while (text.size() < length) {
        text += pattern;
    }
    text.resize(length);
    return text;
}

// The per-character costs the document refuses files by must not fall below what a build
// really holds, nor be so far above it that files that fit are refused.
// mallinfo2 sees only glibc's own heap: under a sanitizer's allocator, or valgrind's, it reports
// nothing of what is allocated.
bool MallinfoSeesTheHeap() {
    constexpr std::size_t kBlock = 1u << 20;
    static char* volatile block = nullptr;
    const struct mallinfo2 before = mallinfo2();
    block = new char[kBlock];
    const struct mallinfo2 after = mallinfo2();
    delete[] block;
    return after.uordblks + after.hblkhd >= before.uordblks + before.hblkhd + kBlock;
}

TEST(MemoryBudget, PerCharacterCostsMatchARealBuild) {
    if (!MallinfoSeesTheHeap()) {
        GTEST_SKIP() << "this allocator does not report through mallinfo2";
    }
    for (const std::size_t length : {10'000u, 100'000u, 300'000u}) {
        fake::FakeGpu gpu;
        Scene scene;
        ASSERT_TRUE(SUCCEEDED(gpu.CreateDevice(nullptr, gpu::DriverType::Hardware, 0,
                                               gpu::FeatureLevel::Level_10_1, 0, &scene.device)));
        scene.text = SampleText(length);
        const struct mallinfo2 before = mallinfo2();
        scene.Build();
        const struct mallinfo2 after = mallinfo2();
        const double heap = static_cast<double>((after.uordblks + after.hblkhd) -
                                                (before.uordblks + before.hblkhd));
        const double perCharacter = heap / static_cast<double>(length);
        EXPECT_LT(perCharacter, static_cast<double>(kMeshBytesPerCharacter)) << length;
        EXPECT_GT(perCharacter, 0.8 * static_cast<double>(kMeshBytesPerCharacter)) << length;

        std::uint64_t vertexBytes = 0;
        for (const gpu::BufferDesc& desc : gpu.bufferDescs) {
            vertexBytes += desc.byteWidth;
        }
        EXPECT_EQ(vertexBytes, length * kGpuBytesPerCharacter) << length;
        scene.Reset();
    }
    EXPECT_EQ(kGpuBytesPerCharacter, 6 * sizeof(Vertex));
}

}  // namespace
