#include "render/ShaderFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/ModuleDirectory.h"

std::string ShaderFilePath() {
    return GetModuleDirectory() + "SelvaneShader.glsl";
}

std::string ShaderFileProblem() {
    const std::string path = ShaderFilePath();
    const auto problem = [&path](const std::string& reason) {
        return "cannot read the shader file \"" + path + "\": " + reason;
    };
    // Non-blocking, so that a FIFO put in the file's place is refused rather than waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return problem(std::strerror(errno));
    }
    std::string reason;
    struct stat st {};
    char byte = 0;
    if (::fstat(fd, &st) != 0) {
        reason = std::strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
        reason = "is a directory";
    } else if (!S_ISREG(st.st_mode)) {
        reason = "is not a regular file";
    } else if (::read(fd, &byte, 1) < 0) {
        reason = std::strerror(errno);
    }
    ::close(fd);
    return reason.empty() ? std::string() : problem(reason);
}
