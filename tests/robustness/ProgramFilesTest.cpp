// The program's own files beside it, and the machine under it: a missing or broken shader ends
// the start before any window appears; missing or broken drums, or no sound device at all,
// leave a program that flies in silence; without OpenGL 3.3 the start ends with its message.

#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/robustness/ProgramTest.h"

namespace robustness {
namespace {

constexpr const char* kNoDocument = "空のドキュメントの作成に失敗しました。";
constexpr const char* kNoGraphics = "the graphics could not be created (error 0x80004005)";

class ProgramFiles : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (!HasFatalFailure()) {
            copy_ = CopyProgram();
            sample_ = Write("sample.txt", "A flight over broken ground.\n");
        }
    }

    // The program in the copy must end with status 1 before a window appears, its lines on
    // standard error being `errors`, and the one message box saying the window could not be
    // made.
    std::unique_ptr<ChildProcess> ExpectNoWindow(const ChildOptions& options,
                                                 const std::vector<std::string>& errors) {
        std::unique_ptr<ChildProcess> program = Start(options);
        EXPECT_TRUE(WaitForExit(*program, 60s));
        EXPECT_EQ(program->exitCode(), 1) << program->Describe() << "\n" << program->err();
        EXPECT_EQ(x_->MappedWindowOf(program->pid()), 0u) << "a window appeared";
        EXPECT_EQ(OwnErrors(*program), errors) << program->err();
        EXPECT_EQ(Messages(*program), std::vector<std::string>{kNoDocument});
        EXPECT_EQ(Count(program->err(), "first frame presented"), 0u);
        EXPECT_EQ(Count(program->err(), "open (command line)"), 0u)
            << "the file is not read when no window can show it";
        return program;
    }

    // The program in the copy flies through the sample as ever, writes `out` on standard
    // output and shows the message boxes `messages`, and ends normally when closed.
    void ExpectSilentFlight(const ChildOptions& options, const std::string& out,
                            const std::vector<std::string>& messages = {}) {
        std::unique_ptr<ChildProcess> program = Start(options);
        const XSession::Window window = WaitForWindow(*program);
        ASSERT_NE(window, 0u) << program->Describe() << "\n" << program->err();
        ASSERT_TRUE(program->WaitForError("first frame presented", 30s)) << program->err();
        EXPECT_EQ(x_->Title(window), "sample.txt - Tamor Selvane 0.4");
        EXPECT_EQ(Messages(*program), messages);
        EXPECT_TRUE(OwnErrors(*program).empty()) << program->err();
        CloseAndExpectCleanExit(*program, window);
        EXPECT_EQ(program->out(), out);
    }

    std::string Sound(const char* name) const { return (copy_ / "Sounds" / name).string(); }
    // The path the drum player forms: the program's directory ends with "/" already.
    std::string SoundPath(const char* name) const { return copy_.string() + "//Sounds/" + name; }

    fs::path copy_;
    std::string sample_;
};

TEST_F(ProgramFiles, AMissingShaderEndsTheStartAndIsNamedOnStandardError) {
    fs::remove(copy_ / "SelvaneShader.glsl");
    ExpectNoWindow(Options({sample_}, copy_),
                   {"cannot read the shader file \"" + (copy_ / "SelvaneShader.glsl").string() +
                        "\": No such file or directory",
                    kNoGraphics});
}

TEST_F(ProgramFiles, AShaderThatDoesNotCompileEndsTheStartWithoutNamingTheCompilersComplaint) {
    {
        std::ofstream broken(copy_ / "SelvaneShader.glsl", std::ios::trunc);
        broken << "#version 330 core\nthis is no shader at all;\n";
    }
    ExpectNoWindow(Options({sample_}, copy_), {kNoGraphics});
}

TEST_F(ProgramFiles, WithoutTheSoundsFolderEveryDrumIsReportedAndTheFlightGoesOn) {
    fs::remove_all(copy_ / "Sounds");
    std::string out;
    for (const char* name :
         {"DrumBass.wav", "DrumCymbal.wav", "DrumHat.wav", "DrumSnare.wav", "DrumTom.wav"}) {
        out += "Failed reading WAV file: 0X80004005 (" + SoundPath(name) + ")\n";
    }
    ExpectSilentFlight(Options({sample_}, copy_), out);
}

TEST_F(ProgramFiles, OneMissingDrumIsReportedAloneAndTheOthersLoad) {
    fs::remove(Sound("DrumHat.wav"));
    ExpectSilentFlight(Options({sample_}, copy_),
                       "Failed reading WAV file: 0X80004005 (" + SoundPath("DrumHat.wav") + ")\n");
}

TEST_F(ProgramFiles, ATruncatedDrumIsReportedAsUnreadableData) {
    // The header stays whole; the samples end long before the size it declares.
    const std::uintmax_t size = fs::file_size(Sound("DrumSnare.wav"));
    ASSERT_GT(size, 1000u);
    fs::resize_file(Sound("DrumSnare.wav"), size / 2);
    ExpectSilentFlight(Options({sample_}, copy_), "Failed to read WAV data: 0X80004005\n");
}

TEST_F(ProgramFiles, WithoutAnySoundDeviceTheFlightGoesOnInSilence) {
    ChildOptions options = Options({sample_}, copy_);
    options.environment["ALSOFT_DRIVERS"] = "none";
    ExpectSilentFlight(options, "", {"Failed to init XAudio2 engine"});
}

TEST_F(ProgramFiles, WithoutOpenGL33TheStartEndsWithItsMessage) {
    ChildOptions options = Options({sample_}, copy_);
    options.environment["LIBGL_ALWAYS_SOFTWARE"] = "1";
    options.environment["MESA_GL_VERSION_OVERRIDE"] = "3.0";
    std::unique_ptr<ChildProcess> program = ExpectNoWindow(options, {kNoGraphics});
    EXPECT_NE(program->err().find("OpenGL: the context offers version 3.0; 3.3 is needed\n"),
              std::string::npos)
        << program->err();
}

// Without the variable, a driver without OpenGL 3.3 makes the program start once more on
// Mesa's software rasteriser; here that offers no 3.3 either, and the second start ends as the
// first would have: one restart, one message, no window.
TEST_F(ProgramFiles, WithoutOpenGL33TheProgramStartsOnceMoreOnTheSoftwareRasteriser) {
    if (std::getenv("LIBGL_ALWAYS_SOFTWARE") != nullptr) {
        GTEST_SKIP() << "LIBGL_ALWAYS_SOFTWARE is set for the tests: no restart can be seen";
    }
    ChildOptions options = Options({sample_}, copy_);
    options.environment["MESA_GL_VERSION_OVERRIDE"] = "3.0";
    std::unique_ptr<ChildProcess> program = ExpectNoWindow(options, {kNoGraphics});
    EXPECT_EQ(Count(program->err(), "starting again on Mesa's software rasteriser"), 1u)
        << program->err();
    const std::string& err = program->err();
    const std::size_t restart = err.find("starting again on Mesa's software rasteriser");
    const std::string refused = "OpenGL: the context offers version 3.0; 3.3 is needed\n";
    ASSERT_NE(restart, std::string::npos);
    EXPECT_LT(err.find(refused), restart) << "the first start was refused: " << err;
    EXPECT_NE(err.find(refused, restart), std::string::npos) << "and so was the second: " << err;
}

}  // namespace
}  // namespace robustness
