#include "audio/Xaudio2DllUnloadWorkaround_LoadLibraryVersion.h"

#include <dlfcn.h>

#include "audio/Platform.h"
#include "base/DebugSink.h"

Xaudio2DllUnloadWorkaround_LoadLibraryVersion::Xaudio2DllUnloadWorkaround_LoadLibraryVersion() {
    OutputDebugString("<<Created>>\n");
}

Xaudio2DllUnloadWorkaround_LoadLibraryVersion::~Xaudio2DllUnloadWorkaround_LoadLibraryVersion() {
    if (library_ != nullptr) {
        OutputDebugString(dlclose(library_) == 0 ? "Free SUCCEEDED\n" : "FAILED: Free\n");
        library_ = nullptr;
    }
    OutputDebugString("<<Destroyed>>\n");
    libraryPath_.clear();
}

bool Xaudio2DllUnloadWorkaround_LoadLibraryVersion::FindLibraryPath(const audio::ClassId& classId) {
    audio::Platform* platform = audio::GetPlatform();
    const void* address = platform != nullptr ? platform->ServerAddress(classId) : nullptr;
    if (address == nullptr) {
        OutputDebugString("XAudio2 DLL: find by CLSID: FAILED: GetLastError()\n");
        return false;
    }
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr || info.dli_fname[0] == '\0') {
        OutputDebugString("XAudio2 DLL: path retrieval: FAILED: GetLastError()\n");
        return false;
    }
    libraryPath_ = info.dli_fname;
    OutputDebugString("XAudio2 DLL: path found\n");
    return true;
}

void Xaudio2DllUnloadWorkaround_LoadLibraryVersion::Apply() {
    if (!FindLibraryPath(audio::kEngineClassId)) {
        OutputDebugString(
            "Could not apply the workaround. \nApplication may crash if CD-RW features are "
            "used!\n");
        return;
    }
    OutputDebugString(libraryPath_);
    OutputDebugString("\n");
    // RTLD_NOLOAD is not used: the point is a reference of our own, whether or not the library
    // is still loaded at this moment.
    void* handle = dlopen(libraryPath_.c_str(), RTLD_NOW | RTLD_LOCAL);
    OutputDebugString(handle != nullptr ? "Load SUCCEEDED\n" : "FAILED: Load\n");
    if (handle != nullptr) {
        // Applied twice, the object still holds one reference, not two.
        if (library_ != nullptr) {
            dlclose(library_);
        }
        library_ = handle;
    }
}
