// Cost of Scene::Build per character, in time and in memory held after the build, for texts of
// 10^3 to 10^6 characters on the fake device (which keeps no copy of the vertex data); and the
// cost of one camera tick with cruise and without.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <map>
#include <string>

#include "scene/Scene.h"
#include "tests/fakes/FakeGpu.h"

namespace {

std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

std::u16string SampleText(std::size_t length) {
    static const std::u16string pattern =
        u"吾輩は猫である。名前はまだ無い。\tWhere the path bends, text 123 ｶﾅ";
    std::u16string text;
    text.reserve(length);
    while (text.size() < length) {
        text += pattern;
    }
    text.resize(length);
    return text;
}

std::map<std::int64_t, double> g_nsPerChar;

void BM_Build(benchmark::State& state) {
    const auto length = static_cast<std::size_t>(state.range(0));
    fake::FakeGpu gpu;
    Scene scene;
    gpu.CreateDevice(nullptr, gpu::DriverType::Hardware, 0, gpu::FeatureLevel::Level_10_1, 0,
                     &scene.device);
    scene.text = SampleText(length);
    const std::size_t before = HeapInUse();
    scene.Build();
    const std::size_t after = HeapInUse();
    scene.Reset();

    for (auto _ : state) {
        state.PauseTiming();
        scene.Reset();
        state.ResumeTiming();
        scene.Build();
        benchmark::DoNotOptimize(scene.segments.data());
    }
    state.counters["bytes/char"] =
        static_cast<double>(after - before) / static_cast<double>(length);
    state.counters["time/char"] = benchmark::Counter(
        static_cast<double>(length),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Build)->Arg(1'000)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(
    benchmark::kMillisecond);

// One tick on a path of 10^5 characters, with cruise and without, at the same speed so that both
// cross steps (and recompute key frames) equally often: without cruise the speed is put back
// before every tick, as the decay would slow it, and the same store is made with cruise.
std::map<std::int64_t, double> g_nsPerTick;

void BM_Tick(benchmark::State& state) {
    const bool cruise = state.range(0) != 0;
    fake::FakeGpu gpu;
    Scene scene;
    gpu.CreateDevice(nullptr, gpu::DriverType::Hardware, 0, gpu::FeatureLevel::Level_10_1, 0,
                     &scene.device);
    scene.fixedSeed = 1;
    scene.text = SampleText(100'000);
    scene.Build();
    // The default cruise, 4 characters a second: a new step every eight ticks or so.
    scene.cruiseSpeed = 4.0f / kTicksPerSecond;
    scene.SetCruise(cruise);
    const float speed = cruise ? scene.cruiseSpeed : scene.cruiseSpeed / 0.95f;
    for (auto _ : state) {
        scene.cameraSpeed = speed;
        scene.TickCamera();
        benchmark::DoNotOptimize(scene.view);
    }
}
BENCHMARK(BM_Tick)->ArgName("cruise")->Arg(0)->Arg(1);

// Keeps the time per character of each size so the run can end with the growth ratio, and the
// CPU time per tick (the steadier measure on a shared machine) for the cruise ratio: the median
// where the run is repeated
// (--benchmark_repetitions), the single run otherwise.
class Reporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const std::string name = run.run_name.str();
            if ((median || single) && name.rfind("BM_Tick/", 0) == 0) {
                g_nsPerTick[name.back() - '0'] = run.GetAdjustedCPUTime();
            }
            const auto it = run.counters.find("time/char");
            if ((median || single) && it != run.counters.end()) {
                const std::int64_t length = std::stoll(name.substr(name.find('/') + 1));
                g_nsPerChar[length] = it->second.value * 1e9;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (g_nsPerChar.count(10'000) != 0 && g_nsPerChar.count(1'000'000) != 0) {
        std::printf("time per character at 10^6 / at 10^4: %.2f (%.1f ns / %.1f ns)\n",
                    g_nsPerChar[1'000'000] / g_nsPerChar[10'000], g_nsPerChar[1'000'000],
                    g_nsPerChar[10'000]);
    }
    if (g_nsPerTick.size() == 2) {
        std::printf("CPU time of a tick with cruise / without: %.3f (%.2f ns / %.2f ns)\n",
                    g_nsPerTick[1] / g_nsPerTick[0], g_nsPerTick[1], g_nsPerTick[0]);
    }
    return 0;
}
