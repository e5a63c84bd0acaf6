#include "video/Recorder.h"

#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "base/DebugSink.h"
#include "camera/FlightTimeline.h"
#include "camera/Punctuation.h"
#include "render/ShaderFile.h"
#include "render/platform/HeadlessSurface.h"
#include "render/platform/RealPlatform.h"
#include "scene/FileException.h"
#include "scene/SelvaneDoc.h"
#include "session/DocumentManager.h"
#include "session/DocumentStrings.h"
#include "session/FlightOptions.h"
#include "session/RecentFileList.h"
#include "video/RecordProgress.h"
#include "video/SoundTrack.h"
#include "video/VideoEncoder.h"

namespace {

constexpr double kMaxDefaultSeconds = 600.0;
// Frames read back at once: the copy of one completes while the next is drawn.
constexpr std::uint32_t kFramesInFlight = 2;

volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int signal) {
    g_stopSignal = signal;
}

// Ctrl+C, SIGTERM (a cancel from the window) and SIGHUP (the terminal went) stop the recording
// between two frames. A file-size limit must not kill the process with the file half written:
// with SIGXFSZ ignored the write fails instead, and the failure is reported.
class StopSignals {
  public:
    StopSignals() {
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            sigaction(signal, &action, nullptr);
        }
        std::signal(SIGXFSZ, SIG_IGN);
    }
    ~StopSignals() {
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            std::signal(signal, SIG_DFL);
        }
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    static int Received() { return g_stopSignal; }
};

std::string Quoted(const std::string& path) {
    return "\"" + RecentFileList::Escape(path) + "\"";
}

std::string Megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

// One recording: the objects it needs, torn down in the right order whatever way it ends.
class Recording {
  public:
    explicit Recording(const CommandLine& line)
        : line_(line),
          settings_(line.recording),
          flight_(FlightOptionsOf(line, FlightMode::Recording)) {}
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    int Run();

  private:
    bool Prepare();
    bool MixFrame(std::int64_t frame);
    bool TakeFrame();
    int Interrupted(int signal);
    void Report(const std::string& message) const;

    const CommandLine& line_;
    const CommandLine::Recording& settings_;
    const FlightOptions flight_;
    HeadlessSurface surface_;
    CSelvaneDoc document_;
    VideoEncoder encoder_;
    gpu::Ref<gpu::FrameReader> reader_;
    // The frame read back last, its memory used again for the next.
    gpu::Picture picture_;
    bool graphics_ = false;
    // With --drums: the drums, the character the camera stood on at the frame before, and the
    // frame's samples, their memory used again for the next.
    std::unique_ptr<SoundTrack> sound_;
    std::int32_t lastIndex_ = 0;
    std::vector<float> samples_;
};

Recording::~Recording() {
    encoder_.Abort();
    reader_.reset();
    if (graphics_) {
        // While the surface's context still exists, so that the GL objects are deleted in it.
        surface_.MakeCurrent();
        document_.GetScene().ReleaseGraphics();
        surface_.DoneCurrent();
    }
}

void Recording::Report(const std::string& message) const {
    std::fprintf(stderr, "selvane: %s\n", message.c_str());
}

int Recording::Interrupted(int signal) {
    encoder_.Abort();
    if (!settings_.quiet) {
        Report("stopped; " + Quoted(settings_.path) + " was not written");
    }
    return 128 + signal;
}

bool Recording::Prepare() {
    Scene& scene = document_.GetScene();
    ApplyFlightSettings(flight_, document_);
    scene.clientWidth = settings_.width;
    scene.clientHeight = settings_.height;
    const HRESULT hr = scene.InitGraphics(&surface_);
    graphics_ = true;
    if (FAILED(hr)) {
        if (const std::string problem = ShaderFileProblem(); !problem.empty()) {
            Report(problem);
        }
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
        Report(std::string("the graphics could not be created (error ") + code + ")");
        return false;
    }
    bool opened = false;
    std::string reason;
    try {
        errno = 0;
        opened = line_.standardInput
                     ? document_.OnOpenStandardInput(strings::kStandardInput, flight_.encoding)
                     : document_.OnOpenDocument(line_.file);
        if (!opened) {
            const int error = errno;
            reason = !line_.standardInput ? DocumentManager::DescribeOpenFailure(line_.file, error)
                     : error != 0         ? std::strerror(error)
                                          : "cannot be read";
        }
    } catch (const FileException& error) {
        reason = error.what();
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
    }
    if (!opened) {
        Report((line_.standardInput ? std::string("cannot read standard input")
                                    : "cannot open " + Quoted(line_.file)) +
               ": " + reason);
        return false;
    }
    const auto length = static_cast<std::int64_t>(scene.text.size());
    if (settings_.from > 0 && settings_.from >= length) {
        Report("--from=" + std::to_string(settings_.from) + " lies beyond the end of the text (" +
               std::to_string(length) + " characters)");
        return false;
    }
    if (FAILED(scene.swapChain->CreateFrameReader(kFramesInFlight, &reader_))) {
        Report("the frames cannot be read back from the graphics");
        return false;
    }
    // The flight starts on the character asked for, already at its cruise speed, so that the
    // video moves evenly from its first frame.
    StartFlight(flight_, scene);
    return true;
}

bool Recording::MixFrame(std::int64_t frame) {
    // The screensaver's rule: a drum at each punctuation mark the camera passes, struck as the
    // frame that reaches it begins, so that it sounds with that frame.
    const Scene& scene = document_.GetScene();
    const std::int32_t index = scene.cameraIndex;
    if (PassedPunctuation(scene.text, std::exchange(lastIndex_, index), index)) {
        sound_->Strike();
        OutputDebugString("recording: drum " + std::to_string(sound_->currentDrum()) +
                          " at frame " + std::to_string(frame) + "\n");
    }
    // 48000 is a whole multiple of every frame rate: each frame has the same number of samples.
    if (!sound_->Render(SoundTrack::kRate / settings_.fps, samples_)) {
        Report("the drums could not be mixed");
        return false;
    }
    if (!encoder_.PushSound(samples_)) {
        Report(encoder_.error());
        return false;
    }
    return true;
}

bool Recording::TakeFrame() {
    if (FAILED(reader_->Take(&picture_))) {
        Report("a frame could not be read back from the graphics");
        return false;
    }
    if (!encoder_.Push(picture_)) {
        Report(encoder_.error());
        return false;
    }
    return true;
}

int Recording::Run() {
    VideoSettings video;
    video.path = settings_.path;
    video.width = settings_.width;
    video.height = settings_.height;
    video.fps = settings_.fps;
    video.sound = line_.drums;
    video.background = flight_.background.value_or(document_.GetScene().backgroundColor);
    video.foreground = flight_.foreground.value_or(document_.GetScene().fontColor);
    // The output first: a folder that cannot be written stops the recording before any work.
    if (!encoder_.Open(video)) {
        Report(encoder_.error());
        return 1;
    }
    if (line_.drums) {
        sound_ = std::make_unique<SoundTrack>();
        if (!sound_->Open()) {
            Report(sound_->error());
            return 1;
        }
    }
    if (!Prepare()) {
        return 1;
    }
    Scene& scene = document_.GetScene();
    lastIndex_ = scene.cameraIndex;
    const std::int64_t frames =
        settings_.seconds > 0.0
            ? std::max<std::int64_t>(1, std::llround(settings_.seconds * settings_.fps))
            : DefaultRecordingFrames(static_cast<std::int64_t>(scene.text.size()), settings_.from,
                                     flight_.cruise, settings_.fps);
    RecordProgress::Style style = RecordProgress::Style::None;
    if (settings_.progressLines) {
        style = RecordProgress::Style::Lines;
    } else if (!settings_.quiet && ::isatty(STDERR_FILENO) != 0) {
        style = RecordProgress::Style::Terminal;
    }
    if (style == RecordProgress::Style::Terminal) {
        Report("recording " + Quoted(settings_.path) + " (seed " + std::to_string(scene.seed) +
               ")");
    }
    RecordProgress progress(style, frames, settings_.fps);
    progress.Update(0);
    FlightTimeline timeline(scene);
    const auto fps = static_cast<std::int32_t>(settings_.fps);
    for (std::int64_t i = 0; i < frames; ++i) {
        if (const int signal = StopSignals::Received(); signal != 0) {
            progress.Close();
            return Interrupted(signal);
        }
        timeline.MoveToFrame(i, fps);
        if (sound_ && !MixFrame(i)) {
            progress.Close();
            return 1;
        }
        // S_FALSE presents nothing: the frame reader would hand over the frame before again.
        const HRESULT drawn = scene.Render();
        // The frame before goes to the encoder while this one is drawn, and only then is this
        // one read back: drawing, converting and encoding overlap.
        if (reader_->Queued() > 0 && !TakeFrame()) {
            progress.Close();
            return 1;
        }
        if (drawn != S_OK || FAILED(reader_->Queue())) {
            progress.Close();
            Report("frame " + std::to_string(i) + " could not be drawn");
            return 1;
        }
        progress.Update(i);
    }
    while (reader_->Queued() > 0) {
        if (!TakeFrame()) {
            progress.Close();
            return 1;
        }
    }
    progress.Update(frames);
    if (const int signal = StopSignals::Received(); signal != 0) {
        progress.Close();
        return Interrupted(signal);
    }
    const bool finished = encoder_.Finish();
    progress.Close();
    if (!finished) {
        Report(encoder_.error());
        return 1;
    }
    if (!settings_.quiet) {
        const double elapsed = progress.ElapsedSeconds();
        const double length = static_cast<double>(frames) / settings_.fps;
        char summary[256];
        std::snprintf(summary, sizeof summary,
                      "%lld frames of %ux%u at %u fps (%.1f s) in %.1f s (%.1fx real time), %s",
                      static_cast<long long>(frames), settings_.width, settings_.height,
                      settings_.fps, length, elapsed, elapsed > 0.0 ? length / elapsed : 0.0,
                      Megabytes(encoder_.BytesWritten()).c_str());
        char flight[96];
        std::snprintf(flight, sizeof flight, "seed %u, %.1f characters a second", scene.seed,
                      static_cast<double>(flight_.cruise));
        Report("wrote " + Quoted(settings_.path) + ": " + summary + "; " + flight + "; " +
               encoder_.Description());
    }
    return 0;
}

}  // namespace

std::int64_t DefaultRecordingFrames(std::int64_t length, std::int64_t from, double cruise,
                                    std::uint32_t fps) {
    double seconds = kMaxDefaultSeconds;
    const auto steps = static_cast<double>(std::max<std::int64_t>(0, length - 1 - from));
    if (cruise > 0.0) {
        seconds = std::min(seconds, steps / cruise);
    }
    seconds = std::max(seconds, 1.0);
    return static_cast<std::int64_t>(std::ceil(seconds * fps));
}

int RecordVideo(const CommandLine& line, char* programName) {
    const StopSignals stopSignals;
    std::setlocale(LC_ALL, "");
    // Qt's warnings (a missing XDG_RUNTIME_DIR on a server, say) would break the one line of
    // progress or summary a script reads: they are diagnostics, for the debug sink.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
        OutputDebugString("Qt: " + message.toStdString() + "\n");
    });
    // Qt's offscreen platform, whatever the environment names: the text stack needs the
    // application object and the fonts, never a display. The same platform everywhere also
    // keeps the text drawn the same on a desktop and on a server.
    static char platformOption[] = "-platform";
    static char platformName[] = "offscreen";
    char* qtArgv[] = {programName, platformOption, platformName, nullptr};
    int qtArgc = 3;
    const QGuiApplication application(qtArgc, qtArgv);
    InstallRealPlatform();
    int status = 1;
    {
        Recording recording(line);
        status = recording.Run();
    }
    if (status > 128) {
        // Ended by the signal, as the shell and a parent process expect of an interrupted program.
        std::signal(status - 128, SIG_DFL);
        std::raise(status - 128);
    }
    return status;
}
