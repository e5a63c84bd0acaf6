#pragma once

// Keeps the audio engine's library loaded until the application exits: it finds the file of
// the library that serves the engine's class and loads it once more, so that the process holds
// a reference of its own, dropped only when this object is destroyed. Every step reports itself
// on the debug output; nothing is shown to the user.

#include <string>

#include "audio/Types.h"

class Xaudio2DllUnloadWorkaround_LoadLibraryVersion {
  public:
    Xaudio2DllUnloadWorkaround_LoadLibraryVersion();
    virtual ~Xaudio2DllUnloadWorkaround_LoadLibraryVersion();
    Xaudio2DllUnloadWorkaround_LoadLibraryVersion(
        const Xaudio2DllUnloadWorkaround_LoadLibraryVersion&) = delete;
    Xaudio2DllUnloadWorkaround_LoadLibraryVersion& operator=(
        const Xaudio2DllUnloadWorkaround_LoadLibraryVersion&) = delete;

    void Apply();
    // Asks the installed audio platform which loaded library serves the class and stores that
    // library's file as the library path. True if the path was found.
    bool FindLibraryPath(const audio::ClassId& classId);

    const std::string& LibraryPath() const { return libraryPath_; }
    bool IsLoaded() const { return library_ != nullptr; }

  private:
    void* library_ = nullptr;
    std::string libraryPath_;
};
