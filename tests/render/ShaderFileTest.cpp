#include "render/ShaderFile.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/ModuleDirectory.h"

namespace fs = std::filesystem;

namespace {

// A program directory of the test's own, in which the shader file is whatever a case makes it.
class ShaderFile : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("selvane-shader-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        SetModuleDirectoryForTesting(dir_.string());
    }
    void TearDown() override {
        SetModuleDirectoryForTesting("");
        fs::remove_all(dir_);
    }
    std::string Shader() const { return (dir_ / "SelvaneShader.glsl").string(); }
    std::string Problem(const std::string& reason) const {
        return "cannot read the shader file \"" + Shader() + "\": " + reason;
    }

    fs::path dir_;
};

TEST_F(ShaderFile, LiesBesideTheProgram) {
    EXPECT_EQ(ShaderFilePath(), Shader());
}

TEST_F(ShaderFile, AReadableFileIsNoProblemEvenWhenItWouldNotCompile) {
    std::ofstream(Shader()) << "#version 330 core\nthis does not compile\n";
    EXPECT_EQ(ShaderFileProblem(), "");
    std::ofstream(Shader(), std::ios::trunc).flush();
    EXPECT_EQ(ShaderFileProblem(), "") << "an empty file reads";
}

TEST_F(ShaderFile, AMissingFileIsNamedWithTheReason) {
    EXPECT_EQ(ShaderFileProblem(), Problem("No such file or directory"));
    SetModuleDirectoryForTesting((dir_ / "no-such-dir").string());
    EXPECT_EQ(ShaderFileProblem(), "cannot read the shader file \"" +
                                       (dir_ / "no-such-dir" / "SelvaneShader.glsl").string() +
                                       "\": No such file or directory");
}

TEST_F(ShaderFile, SomethingElseInItsPlaceIsNamedAndNeverWaitedOn) {
    fs::create_directory(Shader());
    EXPECT_EQ(ShaderFileProblem(), Problem("is a directory"));
    fs::remove(Shader());
    // Opening a FIFO for reading would wait for a writer: this returns at once.
    ASSERT_EQ(::mkfifo(Shader().c_str(), 0600), 0);
    EXPECT_EQ(ShaderFileProblem(), Problem("is not a regular file"));
}

// What ShaderFileProblem says in a child process that runs as the unprivileged user "nobody"
// (root may read any file); the child's answer comes back through a pipe.
std::string ProblemSeenByNobody() {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return "no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        std::string answer = "could not become nobody";
        if (::setgroups(0, nullptr) == 0 && ::setresgid(65534, 65534, 65534) == 0 &&
            ::setresuid(65534, 65534, 65534) == 0) {
            answer = ShaderFileProblem();
        }
        const ssize_t written = ::write(pipeFds[1], answer.data(), answer.size());
        ::_exit(written == static_cast<ssize_t>(answer.size()) ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string answer;
    char buffer[512];
    ssize_t n = 0;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        answer.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return answer;
}

TEST_F(ShaderFile, AFileThatMayNotBeReadIsNamed) {
    std::ofstream(Shader()) << "#version 330 core\n";
    ASSERT_EQ(::chmod(Shader().c_str(), 0), 0);
    if (::geteuid() != 0) {
        EXPECT_EQ(ShaderFileProblem(), Problem("Permission denied"));
        return;
    }
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
    EXPECT_EQ(ProblemSeenByNobody(), Problem("Permission denied"));
}

}  // namespace
