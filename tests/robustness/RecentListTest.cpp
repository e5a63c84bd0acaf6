// The recent-file list's INI file in whatever state another program, a crash or a disk left it:
// the program starts as ever, keeps what it can read of the list, and writes a clean list back.

#include <fstream>

#include "tests/robustness/ProgramTest.h"

namespace robustness {
namespace {

class RecentList : public ProgramTest {
  protected:
    void WriteIni(const std::string& bytes) const {
        fs::create_directories(IniPath().parent_path());
        std::ofstream(IniPath(), std::ios::binary) << bytes;
    }
    std::string ReadIni() const {
        std::ifstream in(IniPath(), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }

    // Starts the program on a new file, waits for its flight, closes it and returns the list
    // it left in the INI file.
    std::string OpenAndClose(const std::string& file) {
        std::unique_ptr<ChildProcess> program = Start(Options({file}));
        const XSession::Window window = WaitForWindow(*program, 60s);
        EXPECT_NE(window, 0u) << program->Describe() << "\n" << program->err();
        if (window == 0) {
            return {};
        }
        EXPECT_TRUE(program->WaitForError("first frame presented", 30s));
        EXPECT_EQ(x_->Title(window), fs::path(file).filename().string() + " - Tamor Selvane 0.4");
        EXPECT_TRUE(Messages(*program).empty()) << program->err();
        EXPECT_TRUE(OwnErrors(*program).empty()) << program->err();
        CloseAndExpectCleanExit(*program, window);
        return ReadIni();
    }
};

TEST_F(RecentList, BinaryGarbageAroundTheListKeepsItsEntries) {
    const std::string kept = Write("kept.txt", "kept\n");
    WriteIni(RandomBytes(64 << 10, 7) + "\n[Recent File List]\nFile1=" + kept + "\n" +
             RandomBytes(64 << 10, 8));
    const std::string opened = Write("opened.txt", "opened\n");
    EXPECT_EQ(OpenAndClose(opened),
              "[Recent File List]\nFile1=" + opened + "\nFile2=" + kept + "\n");
}

TEST_F(RecentList, BinaryGarbageAloneGivesAnEmptyList) {
    WriteIni(RandomBytes(1 << 20, 9));
    const std::string opened = Write("opened.txt", "opened\n");
    EXPECT_EQ(OpenAndClose(opened), "[Recent File List]\nFile1=" + opened + "\n");
}

TEST_F(RecentList, AFiftyMegabyteFileIsReadOnlyAsFarAsAListCanReach) {
    const std::string first = Write("first.txt", "first\n");
    std::string ini = "[Recent File List]\nFile1=" + first + "\n";
    const std::string junk = std::string(1000, 'j') + "\n";
    while (ini.size() < (50u << 20)) {
        ini += junk;
    }
    // Far beyond what a list of four can need: never looked at.
    ini += "File2=/far/away.txt\n";
    WriteIni(ini);
    const std::string opened = Write("opened.txt", "opened\n");
    EXPECT_EQ(OpenAndClose(opened),
              "[Recent File List]\nFile1=" + opened + "\nFile2=" + first + "\n");
}

TEST_F(RecentList, AThousandEntriesLeaveTheFourItHolds) {
    std::string ini = "[Recent File List]\n";
    for (int i = 1; i <= 1000; ++i) {
        ini += "File" + std::to_string(i) + "=/entry/" + std::to_string(i) + ".txt\n";
    }
    WriteIni(ini);
    const std::string opened = Write("opened.txt", "opened\n");
    EXPECT_EQ(OpenAndClose(opened), "[Recent File List]\nFile1=" + opened +
                                        "\nFile2=/entry/1.txt\nFile3=/entry/2.txt\nFile4=/entry/"
                                        "3.txt\n");
}

}  // namespace
}  // namespace robustness
