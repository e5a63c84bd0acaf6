#include "video/RecordProgress.h"

#include <cmath>

RecordProgress::RecordProgress(Style style, std::int64_t totalFrames, std::uint32_t fps)
    : style_(style),
      total_(totalFrames),
      fps_(fps),
      start_(std::chrono::steady_clock::now()),
      shown_(start_) {}

double RecordProgress::ElapsedSeconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

std::string RecordProgress::Describe(std::int64_t done, std::int64_t total, std::uint32_t fps,
                                     double elapsedSeconds) {
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
    char text[160];
    if (done <= 0 || elapsedSeconds <= 0.0) {
        std::snprintf(text, sizeof text, "%d%%  %lld/%lld frames", percent,
                      static_cast<long long>(done), static_cast<long long>(total));
        return text;
    }
    const double speed = static_cast<double>(done) / fps / elapsedSeconds;
    const double left =
        elapsedSeconds / static_cast<double>(done) * static_cast<double>(total - done);
    std::snprintf(text, sizeof text, "%d%%  %lld/%lld frames  %.1fx real time  %.0f s left",
                  percent, static_cast<long long>(done), static_cast<long long>(total), speed,
                  std::ceil(left));
    return text;
}

void RecordProgress::Update(std::int64_t done) {
    if (style_ == Style::None) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    const int percent = total_ > 0 ? static_cast<int>(done * 100 / total_) : 100;
    if (style_ == Style::Lines) {
        // Each percent, and twice a second in between, so that a long video's details move.
        if (percent == percentShown_ && now - shown_ < std::chrono::milliseconds(500)) {
            return;
        }
        percentShown_ = percent;
        shown_ = now;
        const std::string details = Describe(done, total_, fps_, ElapsedSeconds());
        std::printf("%d\n# %s\n", percent, details.c_str());
        std::fflush(stdout);
        return;
    }
    // A terminal is redrawn only so often: each rewrite costs the terminal more than us.
    if (done < total_ && now - shown_ < std::chrono::milliseconds(100) && lineOpen_) {
        return;
    }
    shown_ = now;
    const std::string details = Describe(done, total_, fps_, ElapsedSeconds());
    // Back to the start of the line, and the rest of the old line cleared.
    std::fprintf(stderr, "\r%s\033[K", details.c_str());
    std::fflush(stderr);
    lineOpen_ = true;
}

void RecordProgress::Close() {
    if (lineOpen_) {
        std::fputc('\n', stderr);
        std::fflush(stderr);
        lineOpen_ = false;
    }
}
