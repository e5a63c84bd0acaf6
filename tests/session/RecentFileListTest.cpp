#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "session/RecentFileList.h"

namespace fs = std::filesystem;

namespace {

class RecentFiles : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("selvane-recent-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        ini_ = (dir_ / "Selvane" / "Selvane.INI").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Slurp() const {
        std::ifstream in(ini_, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    void Put(const std::string& text) const {
        fs::create_directories(fs::path(ini_).parent_path());
        std::ofstream(ini_, std::ios::binary) << text;
    }

    fs::path dir_;
    std::string ini_;
};

TEST_F(RecentFiles, FiveOpensKeepTheNewestFourNewestFirstAcrossARestart) {
    RecentFileList list(ini_);
    for (const char* path : {"/t/A", "/t/B", "/t/C", "/t/D", "/t/E"}) {
        list.Add(path);
        ASSERT_TRUE(list.Write());
    }
    EXPECT_EQ(list.entries(), (std::vector<std::string>{"/t/E", "/t/D", "/t/C", "/t/B"}));
    EXPECT_EQ(Slurp(), "[Recent File List]\nFile1=/t/E\nFile2=/t/D\nFile3=/t/C\nFile4=/t/B\n");

    RecentFileList again(ini_);
    again.Read();
    EXPECT_EQ(again.entries(), list.entries());
}

TEST_F(RecentFiles, AnEncodingChosenByHandStaysWithItsEntryOnly) {
    RecentFileList list(ini_);
    for (const char* path : {"/t/A", "/t/B", "/t/C"}) {
        list.Add(path);
    }
    list.SetEncoding("/t/A", "euc-jp");
    list.SetEncoding("/t/C", "cp932");
    list.SetEncoding("/t/none", "utf-8");  // no entry: nothing to keep it with
    list.Add("/t/A");                      // to the top, with its encoding
    ASSERT_TRUE(list.Write());
    EXPECT_EQ(Slurp(),
              "[Recent File List]\nFile1=/t/A\nEncoding1=euc-jp\nFile2=/t/C\nEncoding2=cp932\n"
              "File3=/t/B\n");
    RecentFileList again(ini_);
    again.Read();
    EXPECT_EQ(again.EncodingOf("/t/A"), "euc-jp");
    EXPECT_EQ(again.EncodingOf("/t/B"), "");
    EXPECT_EQ(again.EncodingOf("/t/none"), "");
    // Forgotten with "", when the entry goes, and when it falls off the end.
    again.SetEncoding("/t/C", "");
    again.Remove("/t/A");
    again.Add("/t/A");
    EXPECT_EQ(again.EncodingOf("/t/A"), "");
    again.SetEncoding("/t/B", "utf-16");
    for (const char* path : {"/t/D", "/t/E", "/t/F"}) {
        again.Add(path);
    }
    again.Add("/t/B");
    EXPECT_EQ(again.EncodingOf("/t/B"), "") << "fell off the list before it came back";

    // Broken values, keys without an entry, and keys out of range are ignored.
    Put("[Recent File List]\nFile1=/x\nEncoding1=\nFile2=/y\nEncoding2=utf 8\n"
        "Encoding3=euc-jp\nEncoding5=cp932\nFile4=/z\nEncoding4=\\x01\n");
    RecentFileList broken(ini_);
    broken.Read();
    EXPECT_EQ(broken.entries(), (std::vector<std::string>{"/x", "/y", "/z"}));
    for (const char* path : {"/x", "/y", "/z"}) {
        EXPECT_EQ(broken.EncodingOf(path), "") << path;
    }
}

TEST_F(RecentFiles, ReopeningMovesAnEntryToTheTopWithoutDuplicates) {
    RecentFileList list(ini_);
    list.Add("/a");
    list.Add("/b");
    list.Add("/c");
    list.Add("/a");
    EXPECT_EQ(list.entries(), (std::vector<std::string>{"/a", "/c", "/b"}));
    list.Remove("/c");
    EXPECT_EQ(list.entries(), (std::vector<std::string>{"/a", "/b"}));
}

TEST_F(RecentFiles, HostilePathsSurviveTheRoundTripWithoutBreakingTheFile) {
    const std::vector<std::string> paths = {
        "/tmp/line\nbreak.txt",
        "/tmp/[Recent File List]\nFile1=/etc/passwd",
        "/tmp/a=b [c] \\d\\n\r\x01\x7F.txt",
        "/tmp/日本語 の ファイル.txt",
    };
    RecentFileList list(ini_);
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
        list.Add(*it);
    }
    ASSERT_TRUE(list.Write());
    const std::string text = Slurp();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5) << "one line per entry:\n" << text;

    RecentFileList again(ini_);
    again.Read();
    EXPECT_EQ(again.entries(), paths);
}

// Reading trims the blanks around a value; a path that begins or ends with one (the fuzzer's
// first find was the path " ") must still come back whole.
TEST_F(RecentFiles, BlanksAtEitherEndOfAPathSurviveTheRoundTrip) {
    const std::vector<std::string> paths = {" ", "/tmp/notes ", " /tmp/lead", "/tmp/\t two  "};
    RecentFileList list(ini_);
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
        list.Add(*it);
    }
    ASSERT_TRUE(list.Write());
    RecentFileList again(ini_);
    again.Read();
    EXPECT_EQ(again.entries(), paths) << Slurp();

    EXPECT_EQ(RecentFileList::Escape(" a b "), "\\x20a b\\x20");
    EXPECT_EQ(RecentFileList::Parse(RecentFileList::Format({"/x "})),
              (std::vector<std::string>{"/x "}));
}

TEST_F(RecentFiles, EscapesAreDocumentedOnesAndUnknownOnesStayAsTheyStand) {
    EXPECT_EQ(RecentFileList::Escape("a\\b\nc\rd\te"), "a\\\\b\\nc\\rd\\x09e");
    EXPECT_EQ(RecentFileList::Unescape("a\\\\b\\nc\\rd\\x09e"), "a\\b\nc\rd\te");
    EXPECT_EQ(RecentFileList::Unescape("C:\\Tools\\x.txt"), "C:\\Tools\\x.txt");
    EXPECT_EQ(RecentFileList::Unescape("end\\"), "end\\");
    EXPECT_EQ(RecentFileList::Unescape("\\xZZ\\x4"), "\\xZZ\\x4");
}

TEST_F(RecentFiles, ForeignOrBrokenContentIsIgnored) {
    const std::string text =
        "; a comment\n"
        "File1=/outside/the/section\n"
        "[Other]\n"
        "File1=/other/section\n"
        "[Recent File List]\r\n"
        "  File2 = /two  \r\n"
        "File9=/nine\n"
        "Files=/s\n"
        "File3\n"
        "File1=\n"
        "File4=/four\n"
        "File3=/two\n";
    EXPECT_EQ(RecentFileList::Parse(text), (std::vector<std::string>{"/two", "/four"}));
}

TEST_F(RecentFiles, GarbageHugeOrCrowdedFilesStillGiveASaneList) {
    std::mt19937 random(17);
    std::string garbage(1 << 20, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(random());
    }
    Put(garbage);
    RecentFileList list(ini_);
    list.Read();
    EXPECT_LE(list.entries().size(), 4u);

    std::string crowded = "[Recent File List]\n";
    for (int i = 0; i < 1000; ++i) {
        crowded += "File" + std::to_string(i) + "=/crowd/" + std::to_string(i) + "\n";
    }
    Put(crowded);
    list.Read();
    EXPECT_EQ(list.entries(),
              (std::vector<std::string>{"/crowd/1", "/crowd/2", "/crowd/3", "/crowd/4"}));

    std::string huge = "[Recent File List]\nFile1=/first\n";
    huge += "File2=" + std::string(50u << 20, 'x') + "\n";
    Put(huge);
    list.Read();
    EXPECT_EQ(list.entries(), (std::vector<std::string>{"/first"}));
}

TEST_F(RecentFiles, MissingDirectoryOrUnwritablePlaceFailsWithoutDamage) {
    RecentFileList missing((dir_ / "none" / "x.INI").string());
    missing.Read();
    EXPECT_TRUE(missing.entries().empty());

    Put("[Recent File List]\nFile1=/kept\n");
    RecentFileList directory(fs::path(ini_).parent_path().string());  // a directory, not a file
    directory.Read();
    EXPECT_TRUE(directory.entries().empty());
    directory.Add("/new");
    EXPECT_FALSE(directory.Write());
    EXPECT_EQ(Slurp(), "[Recent File List]\nFile1=/kept\n");
    for (const auto& entry : fs::directory_iterator(fs::path(ini_).parent_path())) {
        EXPECT_EQ(entry.path().filename(), "Selvane.INI") << "no temporary file is left behind";
    }
}

TEST_F(RecentFiles, AbbreviationKeepsTheNameAndCutsTheMiddle) {
    EXPECT_EQ(RecentFileList::Abbreviate("/home/u/a.txt"), "/home/u/a.txt");
    const std::string abbreviated =
        RecentFileList::Abbreviate("/home/someone/projects/novels/chapter-one.txt");
    EXPECT_EQ(abbreviated, "/home/someo.../chapter-one.txt");
    EXPECT_EQ(abbreviated.size(), 30u);
    EXPECT_EQ(RecentFileList::Abbreviate("/x/an-extremely-long-file-name-for-a-menu.txt"),
              "...ng-file-name-for-a-menu.txt");
    // Characters, not bytes: a Japanese name is not cut inside a character.
    const std::string japanese =
        RecentFileList::Abbreviate("/ホーム/ユーザー/ドキュメント/小説/長編/第一章の原稿.txt");
    EXPECT_EQ(japanese, "/ホーム/ユーザー/ドキュメント.../第一章の原稿.txt");
}

TEST_F(RecentFiles, ConfigurationPlaceFollowsXdgConfigHome) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string old = saved != nullptr ? saved : "";
    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg-test", 1);
    EXPECT_EQ(RecentFileList::DefaultIniPath(), "/tmp/xdg-test/Selvane/Selvane.INI");
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    const char* home = std::getenv("HOME");
    if (home != nullptr) {
        EXPECT_EQ(RecentFileList::DefaultIniPath(),
                  std::string(home) + "/.config/Selvane/Selvane.INI");
    }
    if (saved != nullptr) {
        ::setenv("XDG_CONFIG_HOME", old.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
}

}  // namespace
