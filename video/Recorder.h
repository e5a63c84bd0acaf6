#pragma once

#include <cstdint>

#include "session/CommandLine.h"

// The flight of the command line's FILE written to a video file, with no window: the program's
// own renderer and text stack draw every frame offscreen (EGL on Mesa's surfaceless platform,
// Qt's offscreen platform for the text), so it runs on a machine with no display at all.
// Returns the exit status: 0 when the video is complete, 1 on any failure (with a message on
// standard error and no file left behind). Ctrl+C, SIGTERM and SIGHUP stop it at once, leave no
// file behind, and end the process by that signal.
int RecordVideo(const CommandLine& line, char* programName);

// Frames of a recording with no --seconds: until the camera, starting at character `from` at
// `cruise` characters a second, has the last character of a text of `length` characters under
// it; at least one second, at most 600.
std::int64_t DefaultRecordingFrames(std::int64_t length, std::int64_t from, double cruise,
                                    std::uint32_t fps);
