#include "render/gl/Functions.h"

namespace gl {

bool Functions::Load(Surface& surface, std::string* missing) {
#define SELVANE_GL_LOAD(type, name)                                    \
    name = reinterpret_cast<type>(surface.GetProcAddress("gl" #name)); \
    if (name == nullptr) {                                             \
        if (missing != nullptr) {                                      \
            *missing = "gl" #name;                                     \
        }                                                              \
        return false;                                                  \
    }
    SELVANE_GL_FUNCTIONS(SELVANE_GL_LOAD)
#undef SELVANE_GL_LOAD
    ClipControl = reinterpret_cast<PFNGLCLIPCONTROLPROC>(surface.GetProcAddress("glClipControl"));
    ProgramParameteri =
        reinterpret_cast<PFNGLPROGRAMPARAMETERIPROC>(surface.GetProcAddress("glProgramParameteri"));
    return true;
}

}  // namespace gl
