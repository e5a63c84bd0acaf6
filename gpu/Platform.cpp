#include "gpu/Platform.h"

namespace gpu {

namespace {
Platform* g_platform = nullptr;
}

Platform* GetPlatform() {
    return g_platform;
}
void SetPlatform(Platform* platform) {
    g_platform = platform;
}

}  // namespace gpu
