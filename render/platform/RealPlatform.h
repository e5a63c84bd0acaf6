#pragma once

#include <string>

#include "base/Result.h"
#include "gpu/Device.h"

// The platform the program runs on: devices and the shader compiler on OpenGL, text on Qt.
// Only these two entry points are public, so that the shell's Qt code never sees the OpenGL
// headers the backend is built with (they clash with Qt's own).

// Installs the one real platform of the process (the shell calls this before any window
// exists; the QGuiApplication must exist before the first device is made).
void InstallRealPlatform();

// Writes what the swap chain last presented to a PNG file; fails when nothing was presented
// or the back buffer was drawn into since.
HRESULT SaveFrame(gpu::SwapChain& swapChain, const std::string& path);
