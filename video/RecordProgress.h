#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// How far a recording has come. On a terminal: one line on standard error, rewritten in place
// at most ten times a second. For a program reading standard output (--progress-lines): the
// percentage alone on a line whenever it changes (and twice a second), each followed by a line
// starting with "# " with the details, the format zenity --progress reads. Otherwise nothing
// until the summary.
class RecordProgress {
  public:
    enum class Style { None, Terminal, Lines };

    RecordProgress(Style style, std::int64_t totalFrames, std::uint32_t fps);

    // `done` frames are complete.
    void Update(std::int64_t done);
    // Ends the line on the terminal before anything else is written there.
    void Close();

    double ElapsedSeconds() const;
    // "42%  126/300 frames  2.1x real time  3 s left"
    static std::string Describe(std::int64_t done, std::int64_t total, std::uint32_t fps,
                                double elapsedSeconds);

  private:
    Style style_;
    std::int64_t total_;
    std::uint32_t fps_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point shown_;
    int percentShown_ = -1;
    bool lineOpen_ = false;
};
