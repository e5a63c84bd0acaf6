// A long flight through the real shell (run it under xvfb-run): the application object, its
// main frame and view on a real OpenGL window (Mesa's llvmpipe), the drums on OpenAL Soft's
// null driver. It opens the sample text, then runs N iterations of one random wheel turn, one
// tick and one frame, and every K iterations a colour change through the real colour dialog or
// a re-open, from the recent-file menu, of the other of two files. It reports the resident
// memory, the heap in use and the live OpenGL objects at the start (after a warm-up), every R
// iterations and at the end, each time after the same short flight, so that the figures compare
// like with like. Goal: less than 2 MB of resident growth and no growth in OpenGL objects.
//
//   selvane_soak [--frames=N] [--every=K] [--report=R] [--seed=S]
//
// Exit status 0 when the goal is met and nothing failed on the way, 1 otherwise.

#include <QApplication>
#include <QColorDialog>
#include <QEvent>
#include <QFile>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>

#include <malloc.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/SelvaneApp.h"
#include "audio/MessageBox.h"
#include "audio/Platform.h"
#include "audio/al/Platform.h"
#include "base/DebugSink.h"
#include "base/ModuleDirectory.h"
#include "render/gl/LiveObjects.h"
#include "render/platform/RealPlatform.h"
#include "render/text/TextFactory.h"
#include "scene/Scene.h"
#include "session/DocumentManager.h"
#include "shell/MainFrame.h"
#include "shell/Messages.h"
#include "shell/SelvaneView.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    long frames = 100'000;
    long every = 1'000;
    long report = 10'000;
    unsigned seed = 1;
};

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&](std::string_view name, auto* out) {
            if (arg.substr(0, name.size()) != name) {
                return false;
            }
            const std::string text(arg.substr(name.size()));
            char* end = nullptr;
            const long long parsed = std::strtoll(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || parsed <= 0) {
                return false;
            }
            *out = static_cast<std::remove_pointer_t<decltype(out)>>(parsed);
            return true;
        };
        if (!value("--frames=", &options->frames) && !value("--every=", &options->every) &&
            !value("--report=", &options->report) && !value("--seed=", &options->seed)) {
            std::fprintf(stderr, "selvane_soak: unknown or invalid argument %s\n", argv[i]);
            return false;
        }
    }
    return true;
}

// Memory as the kernel and the allocator see it: the resident set and its anonymous, file and
// shared-memory parts (X shared-memory images of the windows are the last), the heap in use
// and what the allocator holds from the system for it. And the glyph cache, which grows
// (within its budget) as pages never drawn before come into sight.
struct Memory {
    long rssKiB = 0;
    long hwmKiB = 0;
    long anonKiB = 0;
    long fileKiB = 0;
    long shmemKiB = 0;
    long heapKiB = 0;
    long mallocKiB = 0;
    std::size_t glyphMasks = 0;
    std::size_t glyphBytes = 0;

    static Memory Now() {
        Memory memory;
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line)) {
            std::istringstream in(line);
            std::string key;
            long kib = 0;
            in >> key >> kib;
            if (key == "VmRSS:") {
                memory.rssKiB = kib;
            } else if (key == "VmHWM:") {
                memory.hwmKiB = kib;
            } else if (key == "RssAnon:") {
                memory.anonKiB = kib;
            } else if (key == "RssFile:") {
                memory.fileKiB = kib;
            } else if (key == "RssShmem:") {
                memory.shmemKiB = kib;
            }
        }
        const struct mallinfo2 heap = mallinfo2();
        memory.heapKiB = static_cast<long>((heap.uordblks + heap.hblkhd) / 1024);
        memory.mallocKiB = static_cast<long>((heap.arena + heap.hblkhd) / 1024);
        const auto* factory =
            g_scene != nullptr ? dynamic_cast<const qtext::TextFactory*>(g_scene->d2dFactory.get())
                               : nullptr;
        if (factory != nullptr) {
            memory.glyphMasks = factory->glyphs()->size();
            memory.glyphBytes = factory->glyphs()->bytes();
        }
        return memory;
    }
};

struct GlCounts {
    std::array<std::int64_t, gl::LiveObjects::kKinds> of = {};
    std::int64_t total = 0;

    static GlCounts Now() {
        GlCounts counts;
        for (std::size_t k = 0; k < counts.of.size(); ++k) {
            counts.of[k] = gl::LiveObjects::Count(static_cast<gl::ObjectKind>(k));
        }
        counts.total = gl::LiveObjects::Total();
        return counts;
    }
    std::string Describe() const {
        std::string text = std::to_string(total) + " (";
        for (std::size_t k = 0; k < of.size(); ++k) {
            text += (k != 0 ? ", " : "") + std::to_string(of[k]) + " " +
                    gl::LiveObjects::NameOf(static_cast<gl::ObjectKind>(k));
        }
        return text + ")";
    }
};

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The second file: the sample's lines in reverse order, three times over, so that the two
// files differ in text and in the number of segments.
bool WriteSecondFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    if (lines.empty()) {
        return false;
    }
    std::ofstream out(to, std::ios::binary);
    for (int copy = 0; copy < 3; ++copy) {
        for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
            out << *it << '\n';
        }
    }
    return static_cast<bool>(out);
}

class Soak {
  public:
    static constexpr int kWarmUp = 1'000;
    static constexpr int kSettle = 600;

    Soak(CSelvaneApp& app, Options options, std::string first, std::string second)
        : app_(app),
          options_(options),
          files_{std::move(first), std::move(second)},
          random_(options.seed) {}

    // Started from the event loop; quits it when done.
    void Start() {
        QObject::connect(&driver_, &QTimer::timeout, [this] { Step(); });
        driver_.start(0);
    }

    void CountFrame() { ++frames_; }
    // Between the start and the end measurement.
    bool running() const { return started_ && !finished_; }
    void Fail(const std::string& what) {
        ++failures_;
        std::printf("FAILED: %s\n", what.c_str());
    }

  private:
    void Step() {
        // The colour dialog runs an event loop of its own, in which this timer fires too.
        if (busy_) {
            return;
        }
        busy_ = true;
        if (!started_) {
            Prepare();
        } else if (done_ < options_.frames) {
            Iteration();
        } else {
            Finish();
        }
        busy_ = false;
    }

    // Waits until the window is on screen with the first file's flight. Then each action once
    // (the second file, both colours, the first file again from the recent list, which then
    // holds both), so that what Qt and the libraries set up on first use is there at the start,
    // and a warm-up flight.
    void Prepare() {
        if (!app_.view()->isExposed()) {
            if (Clock::now() - created_ > std::chrono::seconds(30)) {
                Fail("the window did not appear");
                QCoreApplication::exit(1);
            }
            return;
        }
        if (!app_.OpenFile(files_[1], DocumentManager::Source::Dialog)) {
            Fail("opening " + files_[1]);
        }
        Fly(100);
        ChooseColor(false);
        ChooseColor(true);
        Reopen();
        Fly(kWarmUp);
        Settle();
        colours_ = 0;
        reopens_ = 0;
        started_ = true;
        startPath_ = app_.documents()->path();
        startMemory_ = Memory::Now();
        startGl_ = GlCounts::Now();
        std::printf("start, after %d warm-up iterations: %s open, %zu characters, %zu segments\n",
                    kWarmUp, startPath_.c_str(), g_scene->text.size(), g_scene->segments.size());
        std::printf("every measurement follows %d iterations at full speed forwards\n", kSettle);
        Report("start", startMemory_, startGl_);
        blockStart_ = Clock::now();
        runStart_ = blockStart_;
    }

    // One iteration: a wheel turn (0: a random one), a tick, a frame.
    void Once(int delta = 0) {
        Wheel(delta);
        app_.view()->Tick();
        Frame();
    }

    void Fly(int iterations) {
        for (int i = 0; i < iterations; ++i) {
            Once();
        }
    }

    // The same flight before every measurement, so that they compare like with like: at full
    // speed forwards over more pages than the text stack keeps pictures of (a bounded cache of
    // 4 MiB pictures, which a font colour change empties and the flight fills again), so that
    // it holds as many as it ever will, even from the first character, where fewer pages are
    // in sight, and with this document's buffers bound for drawing.
    void Settle() {
        for (int i = 0; i < kSettle; ++i) {
            Once(-360);
        }
        settled_ += kSettle;
    }

    void Iteration() {
        const auto start = Clock::now();
        Once();
        ++done_;
        if (done_ % options_.every == 0) {
            Action(done_ / options_.every - 1);
        }
        iterationMs_.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (done_ % options_.report == 0 || done_ == options_.frames) {
            const double seconds =
                std::chrono::duration<double>(Clock::now() - blockStart_).count();
            const double median = Median(iterationMs_);
            blockMedians_.push_back(median);
            Settle();
            char label[64];
            std::snprintf(label, sizeof label, "after %ld", done_);
            Report(label, Memory::Now(), GlCounts::Now());
            std::printf("    iteration median %.3f ms, %.0f iterations/s in this block\n", median,
                        static_cast<double>(iterationMs_.size()) / seconds);
            std::fflush(stdout);
            iterationMs_.clear();
            blockStart_ = Clock::now();
        }
    }

    // Any turn from three notches away to three towards, high-resolution steps included, or d.
    void Wheel(int d) {
        if (d == 0) {
            std::uniform_int_distribution<int> delta(-360, 359);
            d = delta(random_);
            d += d >= 0 ? 1 : 0;
        }
        CSelvaneView* view = app_.view();
        QWheelEvent event(QPointF(10, 10), view->mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, d), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view, &event);
    }

    // One frame through the view's own paint path, as the window system's update request
    // delivers it.
    void Frame() {
        QEvent update(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(app_.view(), &update);
    }

    void Action(long n) {
        switch (n % 4) {
            case 0:
                ChooseColor(false);
                break;
            case 2:
                ChooseColor(true);
                break;
            default:
                Reopen();
                break;
        }
    }

    // Through the real colour dialog, answered as soon as it shows.
    void ChooseColor(bool font) {
        std::uniform_int_distribution<int> channel(0, 255);
        const QColor pick(channel(random_), channel(random_), channel(random_));
        bool answered = false;
        QTimer::singleShot(0, [pick, &answered] {
            auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            if (dialog != nullptr) {
                dialog->setCurrentColor(pick);
                dialog->accept();
                answered = true;
            }
        });
        if (font) {
            app_.frame()->OnFontColor();
        } else {
            app_.frame()->OnBackgroundColor();
        }
        const ColorRef chosen = font ? g_scene->fontColor : g_scene->backgroundColor;
        const ColorRef expected = MakeColorRef(static_cast<std::uint8_t>(pick.red()),
                                               static_cast<std::uint8_t>(pick.green()),
                                               static_cast<std::uint8_t>(pick.blue()));
        if (!answered || chosen != expected) {
            Fail(font ? "font colour change" : "background colour change");
        }
        ++colours_;
    }

    bool FirstOpen() const {
        return app_.documents()->path() == DocumentManager::NormalPath(files_[0]);
    }

    // The other file, from the second entry of the recent-file menu.
    void Reopen() {
        const std::string& other = FirstOpen() ? files_[1] : files_[0];
        QAction* entry = app_.frame()->RecentAction(1);
        if (entry == nullptr) {
            Fail("no second entry in the recent-file menu");
            return;
        }
        entry->trigger();
        if (app_.documents()->path() != DocumentManager::NormalPath(other)) {
            Fail("re-opening " + other);
        }
        ++reopens_;
    }

    // With the file open then: the first (A) or the second (B).
    void Report(const char* when, const Memory& memory, const GlCounts& counts) const {
        std::printf(
            "%-12s %c  VmRSS %7.2f MiB (anon %.2f, file %.2f, shmem %.2f)  heap in use "
            "%.2f MiB of %.2f  GL objects %s\n",
            when, FirstOpen() ? 'A' : 'B', memory.rssKiB / 1024.0, memory.anonKiB / 1024.0,
            memory.fileKiB / 1024.0, memory.shmemKiB / 1024.0, memory.heapKiB / 1024.0,
            memory.mallocKiB / 1024.0, counts.Describe().c_str());
        std::printf("%17sglyph cache %zu masks, %.2f MiB\n", "", memory.glyphMasks,
                    static_cast<double>(memory.glyphBytes) / (1 << 20));
    }

    void Finish() {
        driver_.stop();
        // Like against like: the end is measured with the file of the start open.
        if (app_.documents()->path() != startPath_) {
            Reopen();
            Settle();
        }
        finished_ = true;
        const Memory end = Memory::Now();
        const GlCounts endGl = GlCounts::Now();
        const double seconds = std::chrono::duration<double>(Clock::now() - runStart_).count();
        std::printf(
            "\n%ld iterations in %.1f s: %ld colour changes, %ld re-opens, and %ld "
            "iterations before measurements\n",
            done_, seconds, colours_, reopens_, settled_);
        std::printf(
            "the view in all, warm-up and its own 32 ms timer included: %llu ticks, %ld "
            "frames\n",
            static_cast<unsigned long long>(app_.view()->ticks()), frames_);
        std::printf("median of the block medians: %.3f ms per iteration\n", Median(blockMedians_));
        Report("start", startMemory_, startGl_);
        Report("end", end, endGl);
        const auto grown = [&](long Memory::*field) {
            return static_cast<double>(end.*field - startMemory_.*field) / 1024.0;
        };
        const double growthMiB = grown(&Memory::rssKiB);
        const std::int64_t glGrowth = endGl.total - startGl_.total;
        std::printf(
            "growth: VmRSS %+.2f MiB (anon %+.2f, file %+.2f, shmem %+.2f), heap in use "
            "%+.2f MiB (held from the system %+.2f; glyph cache %+.2f), GL objects %+lld; peak "
            "VmRSS %.2f MiB\n",
            growthMiB, grown(&Memory::anonKiB), grown(&Memory::fileKiB), grown(&Memory::shmemKiB),
            grown(&Memory::heapKiB), grown(&Memory::mallocKiB),
            (static_cast<double>(end.glyphBytes) - static_cast<double>(startMemory_.glyphBytes)) /
                (1 << 20),
            static_cast<long long>(glGrowth), end.hwmKiB / 1024.0);
        const bool met = growthMiB < 2.0 && glGrowth <= 0;
        std::printf("goal (VmRSS growth under 2 MiB, no growth in GL objects): %s\n",
                    met ? "met" : "missed");
        std::fflush(stdout);
        QCoreApplication::exit(met && failures_ == 0 ? 0 : 1);
    }

    CSelvaneApp& app_;
    const Options options_;
    const std::array<std::string, 2> files_;
    std::mt19937 random_;
    QTimer driver_;
    bool busy_ = false;
    bool started_ = false;
    bool finished_ = false;
    std::string startPath_;
    int failures_ = 0;
    long done_ = 0;
    long colours_ = 0;
    long reopens_ = 0;
    long frames_ = 0;
    long settled_ = 0;
    Clock::time_point created_ = Clock::now();
    Clock::time_point runStart_;
    Clock::time_point blockStart_;
    std::vector<double> iterationMs_;
    std::vector<double> blockMedians_;
    Memory startMemory_;
    GlCounts startGl_;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        return 2;
    }
    // Nothing of the user's is touched: a recent-file list of its own, no sound device.
    QTemporaryDir config;
    if (!config.isValid()) {
        std::fprintf(stderr, "selvane_soak: no temporary directory\n");
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    if (qEnvironmentVariableIsEmpty("ALSOFT_DRIVERS")) {
        qputenv("ALSOFT_DRIVERS", "null");
    }
    const std::string programDir = SELVANE_PROGRAM_DIR "/";
    SetModuleDirectoryForTesting(programDir);
    const std::string first = programDir + "sample.txt";
    const std::string second = QFile::encodeName(config.filePath("reversed.txt")).toStdString();
    if (!WriteSecondFile(first, second)) {
        std::fprintf(stderr, "selvane_soak: cannot read %s or write %s\n", first.c_str(),
                     second.c_str());
        return 1;
    }

    // As the program sets itself up.
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setSwapInterval(0);
    QSurfaceFormat::setDefaultFormat(format);
    QApplication application(argc, argv);
    InstallRealPlatform();
    audio::al::Platform audioPlatform;
    audio::SetPlatform(&audioPlatform);

    long messages = 0;
    long debugLines = 0;
    // Set while the soak runs: the start and the exit have debug lines of their own.
    const Soak* running = nullptr;
    SetMessageSinkForTesting([&messages](const QString& text) {
        ++messages;
        std::printf("message: %s\n", text.toUtf8().constData());
    });
    audio::SetMessageBoxHandler([&messages](std::string_view text) {
        ++messages;
        std::printf("message: %.*s\n", static_cast<int>(text.size()), text.data());
    });
    SetDebugCaptureForTesting([&debugLines, &running](std::string_view line) {
        if (running != nullptr && running->running()) {
            // The notes of each re-open and the scene it builds are expected; anything else on
            // the debug output is a failure on the way.
            const bool note = line.starts_with("scene built: ") ||
                              (line.starts_with("open (") && line.ends_with(": opened\n"));
            if (!note) {
                ++debugLines;
            }
            std::printf("debug: %.*s", static_cast<int>(line.size()), line.data());
        }
    });

    int status = 1;
    GlCounts afterExit;
    {
        CSelvaneApp app;
        app.InstallTranslations();
        CommandLine line;
        line.file = first;
        app.SetCommandLine(line);
        if (!app.InitInstance()) {
            std::fprintf(stderr, "selvane_soak: the shell did not start\n");
            app.ExitInstance();
            return 1;
        }
        Soak soak(app, options, first, second);
        running = &soak;
        app.view()->SetAfterFrame([&soak] { soak.CountFrame(); });
        soak.Start();
        status = QApplication::exec();
        if (messages != 0 || debugLines != 0) {
            soak.Fail(std::to_string(messages) + " messages and " + std::to_string(debugLines) +
                      " debug lines of failures on the way");
            status = 1;
        }
        running = nullptr;
        app.ExitInstance();
        afterExit = GlCounts::Now();
    }
    std::printf("after exit: GL objects %s\n", afterExit.Describe().c_str());
    if (afterExit.total != 0) {
        status = 1;
    }
    SetDebugCaptureForTesting({});
    SetMessageSinkForTesting({});
    audio::SetMessageBoxHandler({});
    audio::SetPlatform(nullptr);
    return status;
}
