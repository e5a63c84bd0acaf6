// Frame and page-drawing times of the real renderer on Mesa's llvmpipe (run it under xvfb-run):
// Scene::Render with glFinish at 640 x 480 and 1920 x 1080 with seven segments in the window,
// with and without readings over every kanji run of the same pages,
// and the drawing of one page into the text texture against Qt's plain QPainter::drawText of
// the same page at 128 px, the straightforward way, measured in the same run. Medians.

#include <time.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ModuleDirectory.h"
#include "render/FullWidth.h"
#include "render/platform/RealPlatform.h"
#include "render/text/TextStack.h"
#include "render/text/TextTarget.h"
#include "scene/Scene.h"
#include "tests/render/support/OffscreenSurface.h"
#include "tests/render/support/SampleText.h"
#include "tests/support/ScopedRandom.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Stats {
    double median = 0.0;
    double p10 = 0.0;
    double p90 = 0.0;
};

Stats Summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[static_cast<std::size_t>(q * (ms.size() - 1))]; };
    return {at(0.5), at(0.1), at(0.9)};
}

// Adds the time of one run, in milliseconds, to `ms`.
void Time(const std::function<void()>& run, std::vector<double>& ms) {
    const auto start = Clock::now();
    run();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
}

Stats Measure(int runs, const std::function<void()>& run) {
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        Time(run, ms);
    }
    return Summarise(std::move(ms));
}

void Print(const char* what, const Stats& s, int runs) {
    std::printf("%-58s median %8.3f ms  (p10 %.3f, p90 %.3f, %d runs)\n", what, s.median, s.p10,
                s.p90, runs);
}

// The camera on character 640: the window then holds segments 8 to 14.
constexpr std::int32_t kCameraIndex = 640;

struct Flight {
    OffscreenSurface surface;
    Scene scene;

    // With `kanaPerKanji`, readings of that many kana a kanji over every kanji run and emphasis
    // marks over every katakana run.
    Flight(std::uint32_t width, std::uint32_t height, std::size_t kanaPerKanji = 0)
        : surface(QSize(int(width), int(height))) {
        if (FAILED(scene.InitGraphics(&surface))) {
            std::fprintf(stderr, "graphics initialisation failed\n");
            std::exit(1);
        }
        scene.device->OMSetRenderTargets(0, nullptr, nullptr);
        scene.clientWidth = width;
        scene.clientHeight = height;
        scene.ResizeViews();
        {
            // The same random path in every run.
            ScopedClock clock(1'700'000'000);
            scene.text = JapaneseSample(64 * 40);
            if (kanaPerKanji != 0) {
                scene.ruby = RubyOverKanji(scene.text, kanaPerKanji);
            }
            scene.Build();
        }
        scene.cameraIndex = kCameraIndex;
        scene.ComputeKeyFrame(kCameraIndex, scene.eyeA, scene.targetA, scene.upA);
        scene.ComputeKeyFrame(kCameraIndex + 1, scene.eyeB, scene.targetB, scene.upB);
        scene.TickCamera();
    }
    ~Flight() { scene.ReleaseGraphics(); }

    int SegmentsInWindow() const {
        int n = 0;
        for (std::int64_t s = 0; s < static_cast<std::int64_t>(scene.segments.size()); ++s) {
            n += (64 * s - 256 <= kCameraIndex && kCameraIndex <= 64 * s + 128) ? 1 : 0;
        }
        return n;
    }

    void Frame() {
        scene.Render();
        surface.Finish();
    }
};

// Where to save a picture of each measured flight (the --save argument), or empty.
std::string g_saveDirectory;

void Frames(std::uint32_t width, std::uint32_t height, int runs) {
    Flight flight(width, height);
    char label[96];
    for (int i = 0; i < 20; ++i) {
        flight.Frame();
    }
    if (!g_saveDirectory.empty()) {
        std::snprintf(label, sizeof label, "%s/frame-%ux%u.png", g_saveDirectory.c_str(), width,
                      height);
        SaveFrame(*flight.scene.swapChain, label);
    }
    std::snprintf(label, sizeof label, "frame %ux%u, %d segments", width, height,
                  flight.SegmentsInWindow());
    const auto* target = dynamic_cast<const qtext::TextTarget*>(flight.scene.textTarget.get());
    const std::size_t composedBefore = target != nullptr ? target->pagesComposed() : 0;
    Print(label, Measure(runs, [&] { flight.Frame(); }), runs);
    if (target != nullptr) {
        std::printf("    pages put together during those frames: %zu of %d drawn\n",
                    target->pagesComposed() - composedBefore, runs * flight.SegmentsInWindow());
    }
    // What the frame costs without its segments: the clears and the present.
    flight.scene.cameraIndex = 64 * 100;
    std::snprintf(label, sizeof label, "frame %ux%u, no segment in the window", width, height);
    Print(label, Measure(runs, [&] { flight.Frame(); }), runs);
}

// The same flight with and without its ruby, their frames taken in turn so that both meet the
// same load on the machine: the wall time and the CPU time of all threads (llvmpipe draws on
// threads of its own) of each frame. The CPU time moves far less with the other work of a
// shared machine.
void RubyFrames(std::uint32_t width, std::uint32_t height, std::size_t kanaPerKanji, int runs) {
    Flight plain(width, height);
    Flight ruby(width, height, kanaPerKanji);
    for (int i = 0; i < 20; ++i) {
        plain.Frame();
        ruby.Frame();
    }
    if (!g_saveDirectory.empty()) {
        char path[128];
        std::snprintf(path, sizeof path, "%s/ruby-%zu-%ux%u.png", g_saveDirectory.c_str(),
                      kanaPerKanji, width, height);
        SaveFrame(*ruby.scene.swapChain, path);
    }
    std::size_t entries = 0;
    for (const Ruby& entry : ruby.scene.ruby) {
        entries +=
            kCameraIndex - 128 <= entry.first && entry.first < kCameraIndex + 256 + 64 ? 1 : 0;
    }
    const auto cpu = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    };
    std::vector<double> wall[2];
    std::vector<double> cpus[2];
    for (int i = 0; i < runs; ++i) {
        for (int with = 0; with < 2; ++with) {
            const double before = cpu();
            Time([&] { (with != 0 ? ruby : plain).Frame(); }, wall[with]);
            cpus[with].push_back(cpu() - before);
        }
    }
    const Stats without = Summarise(std::move(wall[0]));
    const Stats with = Summarise(std::move(wall[1]));
    const Stats withoutCpu = Summarise(std::move(cpus[0]));
    const Stats withCpu = Summarise(std::move(cpus[1]));
    char label[96];
    std::snprintf(label, sizeof label, "frame %ux%u, %d segments, without ruby", width, height,
                  plain.SegmentsInWindow());
    Print(label, without, runs);
    std::snprintf(label, sizeof label, "frame %ux%u, with %zu readings, %zu kana a kanji", width,
                  height, entries, kanaPerKanji);
    Print(label, with, runs);
    std::printf("    CPU time of a frame: median %.3f ms without, %.3f ms with\n",
                withoutCpu.median, withCpu.median);
    std::printf("    ratio with / without ruby: %.3f (wall time), %.3f (CPU time)\n",
                with.median / without.median, withCpu.median / withoutCpu.median);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string_view(argv[i]) == "--save") {
            g_saveDirectory = argv[i + 1];
        }
    }
    InstallRealPlatform();
    SetModuleDirectoryForTesting(SELVANE_PROGRAM_DIR);
    const int frames = 300;

    std::printf("Frames (Scene::Render + glFinish):\n");
    Frames(640, 480, frames);
    Frames(1920, 1080, frames);
    // A text with a reading over every kanji, the heaviest ruby a text has; with three kana a
    // kanji the readings are wider than their bases.
    std::printf("Frames with and without readings over every kanji run, in turn:\n");
    RubyFrames(640, 480, 2, 1000);
    RubyFrames(640, 480, 3, 1000);
    RubyFrames(1920, 1080, 2, frames);
    qtext::SetPageCacheCapacity(0);
    std::printf("Frames with every page put together anew (no kept pages):\n");
    Frames(640, 480, frames);
    Frames(1920, 1080, frames);
    qtext::SetPageCacheCapacity(8);

    // One page: ours through the scene (the text target's drawing and the upload into the
    // texture), and Qt's drawText of the same full-width page into an image of the same size.
    std::printf("One page of 64 characters at 128 px:\n");
    Flight flight(640, 480);
    const std::int32_t first = 64 * 10;
    const int pageRuns = 200;
    const Stats kept = Measure(pageRuns, [&] { flight.scene.RenderTextPage(first); });
    Print("ours, page kept from the last frame, on the device too", kept, pageRuns);
    // What a kept page costs where the device no longer holds it: the upload alone.
    gpu::Ref<gpu::Surface> surface;
    if (FAILED(flight.scene.textTexture->GetSurface(&surface))) {
        std::fprintf(stderr, "the text texture has no surface\n");
        return 1;
    }
    const std::vector<std::uint32_t> white(std::size_t{8192} * 128, 0xFFFFFFFFu);
    const Stats uploaded = Measure(pageRuns, [&] { surface->WritePixels(white.data(), 8192 * 4); });
    Print("ours, page kept, written into the texture again", uploaded, pageRuns);

    qtext::SetPageCacheCapacity(0);
    flight.scene.CreateTextResources();
    flight.scene.RenderTextPage(first);
    const Stats composed = Measure(pageRuns, [&] { flight.scene.RenderTextPage(first); });
    Print("ours, page put together from cached glyphs, with upload", composed, pageRuns);
    qtext::SetPageCacheCapacity(8);

    const std::u16string page = FullWidth(std::u16string_view(flight.scene.text).substr(first, 64));
    const QString qpage = QString::fromUtf16(page.data(), static_cast<qsizetype>(page.size()));
    QFont font;
    font.setFamilies({QString::fromUtf8("ＭＳ 明朝"), QStringLiteral("IPAexMincho")});
    font.setPixelSize(128);
    QImage image(8192, 128, QImage::Format_ARGB32);
    const int baselineRuns = 60;
    const Stats baseline = Measure(baselineRuns, [&] {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, 0, 8192, 128), Qt::AlignLeft | Qt::AlignVCenter, qpage);
    });
    Print("baseline, QPainter::drawText of the same page", baseline, baselineRuns);
    std::printf(
        "ratio baseline / ours: %.1fx (page kept on the device), %.1fx (page kept, "
        "written again), %.1fx (put together)\n",
        baseline.median / kept.median, baseline.median / uploaded.median,
        baseline.median / composed.median);
    return 0;
}
