// Preloaded into the sanitizer runs of the tests, never linked into the program: a dlclose that
// keeps every library loaded. Mesa unloads its OpenGL driver (swrast_dri.so) when the X display
// closes at exit, before LeakSanitizer looks. The blocks the driver's globals still point to
// then count as leaked, and their stacks name a module that is no longer there, so no
// suppression can match them. Kept loaded, the driver's globals are scanned like those of any
// other library, and every frame of a report names its library.
#include <dlfcn.h>

extern "C" int dlclose(void*) noexcept {
    return 0;
}
