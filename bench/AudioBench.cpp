// The drums' two figures:
// - output latency: the mixing period the default OpenAL device runs with as the program opens
//   it, the number of periods, and the latency the library reports; against the library's own
//   defaults, measured in a child process because the library reads its settings only once;
// - one wheel strike (Stop of the last drum, Play of the next) in microseconds, with every heap
//   allocation of the process counted while strikes run, on the default device (its mixer
//   running on its own thread) and on a loopback device (no mixer running). The baseline is one
//   voice-state query, a single round trip into the library.
//
// Run with ALSOFT_DRIVERS=null where there is no sound hardware.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audio/DrumPlayer.h"
#include "audio/MessageBox.h"
#include "audio/al/LibrarySetup.h"
#include "audio/al/Platform.h"
#include "base/ModuleDirectory.h"

// --- counting every allocation of the process, the library's included --------------------

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
}

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};
void Count() {
    if (g_counting.load(std::memory_order_relaxed)) {
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    }
}
}  // namespace

extern "C" {
void* malloc(std::size_t size) {
    Count();
    return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size) {
    Count();
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size) {
    Count();
    return __libc_realloc(p, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}
void* memalign(std::size_t alignment, std::size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** p, std::size_t alignment, std::size_t size) {
    Count();
    *p = __libc_memalign(alignment, size);
    return *p != nullptr ? 0 : 12;
}
void free(void* p) {
    __libc_free(p);
}
}

namespace {

// --- latency ---------------------------------------------------------------------------------

struct Latency {
    bool open = false;
    double periodMs = 0.0;
    int periods = 0;
    double reportedMs = -1.0;
    std::string device;
};

Latency MeasureLatency(bool shortPeriods) {
    audio::al::Platform platform({.shortPeriods = shortPeriods});
    audio::Ref<audio::Engine> engine;
    audio::Ref<audio::MasteringVoice> master;
    Latency latency;
    if (FAILED(platform.CreateEngine(&engine)) ||
        FAILED(engine->Initialize(0, audio::kDefaultProcessor)) ||
        FAILED(engine->CreateMasteringVoice(&master, 0, 0, 0, 0))) {
        return latency;
    }
    const audio::al::DeviceTiming timing = platform.Timing();
    latency.open = timing.open;
    latency.periodMs = timing.PeriodMilliseconds();
    // The count of periods is not among the device's attributes; it is what was asked for, or
    // the library's default of 3.
    latency.periods = shortPeriods ? audio::al::LibrarySetup::kPeriods : 3;
    latency.reportedMs = timing.latencyNanoseconds >= 0 ? timing.latencyNanoseconds / 1e6 : -1.0;
    latency.device = timing.deviceName;
    return latency;
}

void PrintLatencyLine(const Latency& l) {
    std::printf("%d %.4f %d %.4f %s\n", l.open ? 1 : 0, l.periodMs, l.periods, l.reportedMs,
                l.device.c_str());
}

Latency LatencyOfLibraryDefaults() {
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    Latency l;
    if (n <= 0) {
        return l;
    }
    const std::string command = std::string("'") + self + "' --latency-line=defaults";
    std::FILE* child = popen(command.c_str(), "r");
    if (child == nullptr) {
        return l;
    }
    int open = 0;
    char device[256] = {};
    if (std::fscanf(child, "%d %lf %d %lf %255[^\n]", &open, &l.periodMs, &l.periods, &l.reportedMs,
                    device) >= 4) {
        l.open = open != 0;
        l.device = device;
    }
    pclose(child);
    return l;
}

// --- strikes ---------------------------------------------------------------------------------

// Drums as the view draws them: rand() % 5, here a fixed sequence.
constexpr std::int32_t kSequence[16] = {3, 1, 4, 1, 0, 2, 3, 2, 4, 4, 0, 1, 2, 0, 3, 1};

std::unique_ptr<audio::al::Platform> g_devicePlatform;
std::unique_ptr<DrumPlayer> g_devicePlayer;
std::unique_ptr<audio::al::Platform> g_loopbackPlatform;
std::unique_ptr<DrumPlayer> g_loopbackPlayer;
std::map<std::string, double> g_medianUs;
std::map<std::string, double> g_allocationsPerStrike;

void Strike(benchmark::State& state, DrumPlayer* player) {
    if (player == nullptr || !player->HasEngine()) {
        state.SkipWithError("no engine");
        return;
    }
    std::int32_t current = 0;
    std::size_t k = 0;
    g_allocations = 0;
    g_counting = true;
    for (auto _ : state) {
        player->Stop(current);
        current = kSequence[k++ % 16];
        benchmark::DoNotOptimize(player->Play(current));
    }
    g_counting = false;
    state.counters["allocs/strike"] =
        static_cast<double>(g_allocations.load()) / static_cast<double>(state.iterations());
}

void BM_StrikeDefaultDevice(benchmark::State& state) {
    Strike(state, g_devicePlayer.get());
}
void BM_StrikeLoopback(benchmark::State& state) {
    Strike(state, g_loopbackPlayer.get());
}
void BM_VoiceStateQuery(benchmark::State& state) {
    if (!g_devicePlayer || !g_devicePlayer->HasEngine() || !g_devicePlayer->Sounds()[0].voice) {
        state.SkipWithError("no engine");
        return;
    }
    const audio::SourceVoice& voice = *g_devicePlayer->Sounds()[0].voice;
    for (auto _ : state) {
        audio::VoiceState s;
        voice.GetState(&s);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_StrikeDefaultDevice)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StrikeLoopback)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VoiceStateQuery)->Unit(benchmark::kMicrosecond);

class Reporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                g_medianUs[name] = run.GetAdjustedRealTime();
                const auto it = run.counters.find("allocs/strike");
                if (it != run.counters.end()) {
                    g_allocationsPerStrike[name] = it->second.value;
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--latency-line=defaults") == 0) {
        PrintLatencyLine(MeasureLatency(false));
        return 0;
    }
    audio::SetMessageBoxHandler([](std::string_view text) {
        std::printf("message box: %.*s\n", static_cast<int>(text.size()), text.data());
    });

    // The counter must see what it is meant to see, or a zero below would mean nothing: one
    // vector and one string, through operator new and malloc.
    g_allocations = 0;
    g_counting = true;
    {
        std::vector<int> v(1000);
        std::string text(200, 'x');
        benchmark::DoNotOptimize(v.data());
        benchmark::DoNotOptimize(text.data());
    }
    g_counting = false;
    const long selfCheck = g_allocations.load();

    const Latency ours = MeasureLatency(true);
    const Latency defaults = LatencyOfLibraryDefaults();

    SetModuleDirectoryForTesting(SELVANE_PROGRAM_DIR);
    g_devicePlatform = std::make_unique<audio::al::Platform>();
    audio::SetPlatform(g_devicePlatform.get());
    g_devicePlayer = std::make_unique<DrumPlayer>();
    g_loopbackPlatform =
        std::make_unique<audio::al::Platform>(audio::al::Options{.loopback = true});
    audio::SetPlatform(g_loopbackPlatform.get());
    g_loopbackPlayer = std::make_unique<DrumPlayer>();

    // Medians of repeated runs unless told otherwise: other builds share the machine.
    std::vector<char*> args(argv, argv + argc);
    bool repetitionsGiven = false;
    for (int i = 1; i < argc; ++i) {
        repetitionsGiven |= std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0;
    }
    char repetitions[] = "--benchmark_repetitions=9";
    char aggregates[] = "--benchmark_report_aggregates_only=true";
    if (!repetitionsGiven) {
        args.push_back(repetitions);
        args.push_back(aggregates);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    g_loopbackPlayer.reset();
    g_devicePlayer.reset();
    audio::SetPlatform(nullptr);

    std::printf("\nOutput latency of the default device (%s)\n",
                ours.open ? ours.device.c_str() : "did not open");
    if (ours.open) {
        std::printf(
            "  as the program opens it: period %.2f ms x %d periods = %.2f ms ahead;"
            " reported latency %.2f ms (goal <= 30 ms)\n",
            ours.periodMs, ours.periods, ours.periodMs * ours.periods, ours.reportedMs);
    }
    if (defaults.open) {
        std::printf(
            "  library defaults:        period %.2f ms x %d periods = %.2f ms ahead;"
            " reported latency %.2f ms\n",
            defaults.periodMs, defaults.periods, defaults.periodMs * defaults.periods,
            defaults.reportedMs);
        if (ours.open && defaults.reportedMs > 0.0) {
            std::printf("  reported latency, ours / defaults: %.2f\n",
                        ours.reportedMs / defaults.reportedMs);
        }
    }
    std::printf(
        "\nOne wheel strike (Stop + Play), medians; the allocation counter saw %ld of 2"
        " test allocations\n",
        selfCheck);
    const double baseline =
        g_medianUs.count("BM_VoiceStateQuery") != 0 ? g_medianUs["BM_VoiceStateQuery"] : 0.0;
    for (const char* name : {"BM_StrikeDefaultDevice", "BM_StrikeLoopback"}) {
        if (g_medianUs.count(name) == 0) {
            std::printf("  %s: not run\n", name);
            continue;
        }
        std::printf("  %s: %.2f us (goal < 50 us), %.3f allocations per strike", name,
                    g_medianUs[name], g_allocationsPerStrike[name]);
        if (baseline > 0.0) {
            std::printf(", %.1f x one voice-state query (%.3f us)", g_medianUs[name] / baseline,
                        baseline);
        }
        std::printf("\n");
    }
    return 0;
}
