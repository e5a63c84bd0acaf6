// Loading a 50 MB code page 932 file (ASCII, kana and kanji, lines of varied length) and the
// same text as a 50 MB UTF-8 file: the line reader reading, decoding and joining it as the
// document does, in the encoding named and through the automatic choice, against glibc's iconv
// converting the same bytes to UTF-16LE in one call over the whole buffer in memory. Prints
// the throughput ratios of the medians, and the peak memory of one automatic load of each file
// measured two ways: the live heap bytes counted by this program's operator new, and the growth
// of the resident set (VmHWM after resetting it through /proc/self/clear_refs). The repetitions
// of the benchmarks are interleaved at random.
//
// And a 50 MB Aozora Bunko text (the two real texts of the tests repeated) read as the document
// reads it, with its notation (auto) against without (--notation=none): the ratios of the
// median times and of the peak memory.

#include <benchmark/benchmark.h>
#include <iconv.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "scene/LineReader.h"
#include "scene/TextLoad.h"

// Counting allocator: live and peak bytes of everything allocated through operator new.
namespace {
std::atomic<std::size_t> g_live{0};
std::atomic<std::size_t> g_peak{0};

void* Allocate(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    const std::size_t live = g_live.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    std::size_t peak = g_peak.load();
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
    return p;
}

void Release(void* p) {
    if (p != nullptr) {
        g_live.fetch_sub(malloc_usable_size(p));
        std::free(p);
    }
}
}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}

namespace {

constexpr std::size_t kFileSize = 50u << 20;

// Appends one character of the mix: mostly kanji and hiragana, with ASCII words, katakana,
// half-width kana and punctuation between them.
void AppendCharacter(std::string& out, std::mt19937& random) {
    const unsigned kind = random() % 100;
    auto pair = [&](unsigned lead, unsigned trail) {
        out += static_cast<char>(lead);
        out += static_cast<char>(trail);
    };
    if (kind < 35) {  // level 1 and 2 kanji, rows 0x89-0x9F but for 0x98, which has a gap
        unsigned trail = 0x40 + random() % 0xBD;
        if (trail == 0x7F) {
            trail = 0x80;
        }
        unsigned lead = 0x89 + random() % 0x16;
        if (lead >= 0x98) {
            ++lead;
        }
        pair(lead, trail);
    } else if (kind < 60) {  // hiragana
        pair(0x82, 0x9F + random() % 0x53);
    } else if (kind < 68) {  // katakana
        unsigned trail = 0x40 + random() % 0x57;
        if (trail == 0x7F) {
            trail = 0x80;
        }
        pair(0x83, trail);
    } else if (kind < 72) {  // punctuation: the ideographic comma and full stop
        pair(0x81, 0x41 + random() % 2);
    } else if (kind < 76) {  // half-width katakana
        out += static_cast<char>(0xA1 + random() % 0x3F);
    } else {  // ASCII
        out += static_cast<char>(kind < 90 ? 'a' + random() % 26
                                           : (kind < 95 ? ' ' : '0' + random() % 10));
    }
}

std::string MakeText() {
    std::mt19937 random(20240601);
    std::string text;
    text.reserve(kFileSize + 4096);
    while (text.size() < kFileSize) {
        // Mostly ordinary lines, some empty ones and now and then a very long one.
        const unsigned shape = random() % 100;
        const unsigned length =
            shape < 5 ? 0 : (shape < 98 ? random() % 120 : 1000 + random() % 20000);
        for (unsigned i = 0; i < length; ++i) {
            AppendCharacter(text, random);
        }
        text += random() % 4 == 0 ? "\n" : "\r\n";
    }
    return text;
}

struct Fixture {
    std::string path;
    std::string bytes;
};

Fixture Keep(std::string bytes) {
    Fixture f;
    f.bytes = std::move(bytes);
    char name[] = "/tmp/selvane-text-bench-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0 ||
        write(fd, f.bytes.data(), f.bytes.size()) != static_cast<ssize_t>(f.bytes.size())) {
        std::perror("writing the benchmark file");
        std::exit(1);
    }
    close(fd);
    f.path = name;
    return f;
}

// bytes converted by iconv; what does not fit in `limit` bytes is cut at a line end.
std::string Convert(const std::string& bytes, const char* from, const char* to, std::size_t limit) {
    iconv_t cd = iconv_open(to, from);
    std::string out(bytes.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    if (cd == reinterpret_cast<iconv_t>(-1) ||
        iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1)) {
        std::perror("converting the benchmark text");
        std::exit(1);
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    if (out.size() > limit) {
        out.resize(out.rfind('\n', limit) + 1);
    }
    return out;
}

const Fixture& Cp932File() {
    static const Fixture fixture = Keep(MakeText());
    return fixture;
}

// The same text in UTF-8, where it takes more bytes: the first 50 MB of it.
const Fixture& Utf8File() {
    static const Fixture fixture = Keep(Convert(Cp932File().bytes, "CP932", "UTF-8", kFileSize));
    return fixture;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::perror(path.c_str());
        std::exit(1);
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Two works of the collection, header, notes block and footer, one after the other until the
// file is 50 MB.
const Fixture& AozoraFile() {
    static const Fixture fixture = [] {
        const std::string works = ReadWhole(std::string(SELVANE_AOZORA_DATA) + "/rashomon.txt") +
                                  ReadWhole(std::string(SELVANE_AOZORA_DATA) + "/sangetsuki.txt");
        std::string text;
        text.reserve(kFileSize + works.size());
        while (text.size() < kFileSize) {
            text += works;
        }
        return Keep(std::move(text));
    }();
    return fixture;
}

// What the document does with a file, the notation read as notation says.
LoadedText LoadDocument(const std::string& path, Notation notation) {
    LineReader reader;
    if (!reader.Open(path, TextEncoding::Auto)) {
        std::perror(path.c_str());
        std::exit(1);
    }
    LoadedText loaded;
    ReadText(reader, notation, loaded, [](std::uint64_t) {});
    return loaded;
}

// What the document does with a file: every line appended, the text reserved for the most the
// file can give.
std::u16string Load(const std::string& path, TextEncoding encoding) {
    LineReader reader;
    if (!reader.Open(path, encoding)) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::u16string text;
    text.reserve(static_cast<std::size_t>(reader.FileSize()));
    std::u16string line;
    while (reader.ReadString(line)) {
        text += line;
    }
    return text;
}

void BM_LineReader(benchmark::State& state, const Fixture& (*file)(), TextEncoding encoding) {
    std::size_t units = 0;
    for (auto _ : state) {
        const std::u16string text = Load(file().path, encoding);
        units = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["chars"] = static_cast<double>(units);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file().bytes.size()));
}
BENCHMARK_CAPTURE(BM_LineReader, cp932, Cp932File, TextEncoding::Cp932)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_LineReader, cp932_auto, Cp932File, TextEncoding::Auto)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_LineReader, utf8_auto, Utf8File, TextEncoding::Auto)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->UseRealTime();

void BM_Document(benchmark::State& state, Notation notation) {
    std::size_t units = 0;
    std::size_t ruby = 0;
    for (auto _ : state) {
        const LoadedText loaded = LoadDocument(AozoraFile().path, notation);
        units = loaded.text.size();
        ruby = loaded.ruby.size();
        benchmark::DoNotOptimize(loaded.text.data());
    }
    state.counters["chars"] = static_cast<double>(units);
    state.counters["ruby"] = static_cast<double>(ruby);
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * AozoraFile().bytes.size()));
}
BENCHMARK_CAPTURE(BM_Document, aozora_auto, Notation::Auto)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Document, aozora_none, Notation::None)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->UseRealTime();

void BM_Iconv(benchmark::State& state, const Fixture& (*file)(), const char* from) {
    const std::string& bytes = file().bytes;
    std::vector<char> out(bytes.size() * 2 + 16);
    iconv_t cd = iconv_open("UTF-16LE", from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        state.SkipWithError("iconv does not know the encoding");
        return;
    }
    std::size_t units = 0;
    for (auto _ : state) {
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        char* o = out.data();
        std::size_t outLeft = out.size();
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1)) {
            state.SkipWithError("iconv failed on the benchmark file");
            break;
        }
        units = (out.size() - outLeft) / 2;
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    state.counters["chars"] = static_cast<double>(units);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK_CAPTURE(BM_Iconv, cp932, Cp932File, "CP932")
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Iconv, utf8, Utf8File, "UTF-8")
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->UseRealTime();

// Median throughput in bytes per second of wall-clock time, and the median CPU time of one
// run in seconds, by benchmark name. On a machine others share, the CPU times compare more
// steadily than the wall-clock figures the goals are stated in.
std::map<std::string, double> g_medianBytesPerSecond;
std::map<std::string, double> g_medianCpuSeconds;

class Reporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                const std::string& args = run.run_name.args;
                const std::string name =
                    run.run_name.function_name + (args.empty() ? "" : "/" + args);
                const auto it = run.counters.find("bytes_per_second");
                if (it != run.counters.end()) {
                    g_medianBytesPerSecond[name] = it->second.value;
                }
                g_medianCpuSeconds[name] =
                    run.GetAdjustedCPUTime() * benchmark::GetTimeUnitMultiplier(run.time_unit);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

long StatusKib(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t keyLength = std::strlen(key);
    while (std::getline(status, line)) {
        if (line.compare(0, keyLength, key) == 0) {
            return std::atol(line.c_str() + keyLength + 1);
        }
    }
    return -1;
}

// The peak of the live heap bytes and the growth of the resident set while load runs once more.
struct Peak {
    double heap = 0;
    double resident = -1;
};

template <typename LoadFunction>
Peak MeasurePeak(LoadFunction load) {
    // Out of the page cache, as in the timed runs.
    load();
    malloc_trim(0);
    const std::size_t liveBefore = g_live.load();
    g_peak.store(liveBefore);
    bool hwmReset = false;
    if (FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {
        hwmReset = std::fputs("5", clear) >= 0;
        hwmReset = std::fclose(clear) == 0 && hwmReset;
    }
    const long rssBefore = StatusKib("VmRSS:");
    load();
    const long hwm = StatusKib("VmHWM:");
    Peak peak;
    peak.heap = static_cast<double>(g_peak.load() - liveBefore);
    if (hwmReset && rssBefore >= 0 && hwm >= 0) {
        peak.resident = static_cast<double>(hwm - rssBefore) * 1024.0;
    }
    return peak;
}

void ReportPeakMemory(const char* what, const Fixture& file) {
    std::size_t units = 0;
    const Peak peak = MeasurePeak([&] { units = Load(file.path, TextEncoding::Auto).size(); });
    const double textBytes = static_cast<double>(units * sizeof(char16_t));
    const double mib = 1024.0 * 1024.0;
    std::printf("\n%s file, automatic: %.1f MiB, text: %zu UTF-16 units (%.1f MiB)\n", what,
                static_cast<double>(file.bytes.size()) / mib, units, textBytes / mib);
    std::printf(
        "peak heap while loading: %.1f MiB = %.3f x text (goal: <= 2.5 x text + 16 MiB "
        "= %.1f MiB)\n",
        peak.heap / mib, peak.heap / textBytes, (2.5 * textBytes) / mib + 16.0);
    if (peak.resident >= 0) {
        std::printf("peak resident growth while loading: %.1f MiB = %.3f x text\n",
                    peak.resident / mib, peak.resident / textBytes);
    } else {
        std::printf("peak resident growth: not measured (/proc/self/clear_refs unavailable)\n");
    }
}

void ReportNotation() {
    const std::string& path = AozoraFile().path;
    const double mib = 1024.0 * 1024.0;
    {
        const LoadedText read = LoadDocument(path, Notation::Auto);
        const LoadedText plain = LoadDocument(path, Notation::None);
        std::printf(
            "\nAozora text: %.1f MiB, %zu UTF-16 units as it is, %zu with the notation read, "
            "%zu ruby and marks\n",
            static_cast<double>(AozoraFile().bytes.size()) / mib, plain.text.size(),
            read.text.size(), read.ruby.size());
    }
    const auto wall = g_medianBytesPerSecond.find("BM_Document/aozora_auto");
    const auto baseline = g_medianBytesPerSecond.find("BM_Document/aozora_none");
    if (wall != g_medianBytesPerSecond.end() && baseline != g_medianBytesPerSecond.end()) {
        std::printf(
            "median time, auto against --notation=none: %.3f (goal <= 1.30); by CPU time "
            "%.3f\n",
            baseline->second / wall->second,
            g_medianCpuSeconds["BM_Document/aozora_auto"] /
                g_medianCpuSeconds["BM_Document/aozora_none"]);
    }
    // Each result is given back before the next load, as a document gives its text back.
    const Peak autoPeak = MeasurePeak([&] { LoadDocument(path, Notation::Auto); });
    const Peak nonePeak = MeasurePeak([&] { LoadDocument(path, Notation::None); });
    std::printf(
        "peak heap while loading: auto %.1f MiB, none %.1f MiB, ratio %.3f (goal <= 1.20)\n",
        autoPeak.heap / mib, nonePeak.heap / mib, autoPeak.heap / nonePeak.heap);
    if (autoPeak.resident >= 0 && nonePeak.resident >= 0) {
        std::printf(
            "peak resident growth while loading: auto %.1f MiB, none %.1f MiB, ratio %.3f\n",
            autoPeak.resident / mib, nonePeak.resident / mib,
            autoPeak.resident / nonePeak.resident);
    }
}

void ReportRatio(const char* what, const char* run, const char* baseline, double goal) {
    const auto a = g_medianBytesPerSecond.find(run);
    const auto b = g_medianBytesPerSecond.find(baseline);
    if (a != g_medianBytesPerSecond.end() && b != g_medianBytesPerSecond.end()) {
        std::printf(
            "%s: %.1f MB/s against %.1f MB/s, ratio %.3f (goal >= %.2f); by CPU time "
            "%.3f\n",
            what, a->second / 1e6, b->second / 1e6, a->second / b->second, goal,
            g_medianCpuSeconds[baseline] / g_medianCpuSeconds[run]);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // The runs of each benchmark are interleaved with those of the others, so that a machine
    // busy with something else for a while slows them all alike and the ratios stay fair.
    std::vector<char*> arguments(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave.data());
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    benchmark::Initialize(&count, arguments.data());
    Cp932File();
    Utf8File();
    AozoraFile();
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\nmedian throughput:\n");
    ReportRatio("code page 932, automatic, against iconv", "BM_LineReader/cp932_auto",
                "BM_Iconv/cp932", 1.5);
    ReportRatio("code page 932, automatic, against --encoding=cp932", "BM_LineReader/cp932_auto",
                "BM_LineReader/cp932", 0.95);
    ReportRatio("code page 932, --encoding=cp932, against iconv", "BM_LineReader/cp932",
                "BM_Iconv/cp932", 1.5);
    ReportRatio("UTF-8, automatic, against iconv", "BM_LineReader/utf8_auto", "BM_Iconv/utf8", 1.5);
    ReportPeakMemory("code page 932", Cp932File());
    ReportPeakMemory("UTF-8", Utf8File());
    ReportNotation();
    std::remove(Cp932File().path.c_str());
    std::remove(Utf8File().path.c_str());
    std::remove(AozoraFile().path.c_str());
    return 0;
}
