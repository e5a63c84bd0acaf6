#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "session/RecentFileList.h"
#include "session/ResumeList.h"

namespace fs = std::filesystem;

namespace {

class Resume : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("selvane-resume-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ini_ = (dir_ / "Selvane.INI").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Put(const std::string& name, const std::string& bytes) const {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string Slurp() const {
        std::ifstream in(ini_, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    // The recent-file list of the file with the places kept beside it, as the program has them.
    static void Attach(RecentFileList& recent, ResumeList& resume) {
        recent.SetFurtherSections([&resume](std::string_view text) { resume.Parse(text); },
                                  [&resume](const std::vector<std::string>& entries) {
                                      resume.KeepOnly(entries);
                                      return resume.Format();
                                  });
    }

    fs::path dir_;
    std::string ini_;
};

TEST_F(Resume, PlacesAndTheSettingSurviveARestartBesideTheRecentList) {
    const std::string a = Put("a b.txt", "aaaa");
    const std::string b = Put("b\nline.txt", "bbbbbbbb");
    RecentFileList recent(ini_);
    ResumeList resume;
    Attach(recent, resume);
    recent.Add(a);
    recent.Add(b);
    resume.Record(a, *ResumeList::StampOf(a), 3);
    resume.Record(b, *ResumeList::StampOf(b), 1234567890123);
    resume.SetEnabled(false);
    ASSERT_TRUE(recent.Write());
    const std::string text = Slurp();
    EXPECT_EQ(text.rfind("[Recent File List]\n", 0), 0u) << text;
    EXPECT_NE(text.find("File1=" + RecentFileList::Escape(b) + "\nPlace1=1234567890123\nSize1=8\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[Settings]\nResume=0\n"), std::string::npos) << text;

    RecentFileList recentAgain(ini_);
    ResumeList again;
    Attach(recentAgain, again);
    recentAgain.Read();
    EXPECT_EQ(recentAgain.entries(), recent.entries());
    EXPECT_FALSE(again.enabled());
    EXPECT_EQ(again.Find(a), 3);
    EXPECT_EQ(again.Find(b), 1234567890123);

    // A file that leaves the recent list takes its place with it.
    for (const char* name : {"c", "d", "e"}) {
        recentAgain.Add(Put(name, name));
    }
    ASSERT_TRUE(recentAgain.Write());
    EXPECT_EQ(Slurp().find("Place2"), std::string::npos) << Slurp();
    EXPECT_FALSE(again.Find(a));
    EXPECT_EQ(again.Find(b), 1234567890123);
}

TEST_F(Resume, APlaceHoldsOnlyWhileTheFileIsUnchanged) {
    const std::string path = Put("novel.txt", "12345678");
    ResumeList resume;
    resume.Record(path, *ResumeList::StampOf(path), 5);
    resume.Record(path, *ResumeList::StampOf(path), 6);
    EXPECT_EQ(resume.size(), 1u);
    EXPECT_EQ(resume.Find(path), 6);
    resume.Record(path, *ResumeList::StampOf(path), 0);
    EXPECT_FALSE(resume.Find(path)) << "back at the start, the place is forgotten";
    resume.Record(path, *ResumeList::StampOf(path), 6);
    EXPECT_FALSE(resume.Find(path + "x"));

    Put("novel.txt", "123456789");
    EXPECT_FALSE(resume.Find(path)) << "another size";
    resume.Record(path, *ResumeList::StampOf(path), 7);
    ASSERT_EQ(resume.Find(path), 7);
    // Same size, another time: written again a second later than it was read.
    ResumeList::Stamp older = *ResumeList::StampOf(path);
    older.seconds -= 1;
    resume.Record(path, older, 8);
    EXPECT_FALSE(resume.Find(path));
    fs::remove(path);
    EXPECT_FALSE(resume.Find(path));
    EXPECT_FALSE(ResumeList::StampOf(dir_.string())) << "a directory has no stamp";
}

TEST_F(Resume, BrokenValuesAreDroppedAndTheSettingFallsBackToOn) {
    ResumeList resume;
    resume.Parse(
        "[Resume]\n"
        "File1=/one\nPlace1=10\nSize1=4\nTime1=1700000000.000000001\n"
        "File2=/two\nPlace2=-3\nSize2=4\nTime2=1700000000.000000001\n"
        "File3=/three\nPlace3=1\nSize3=4\nTime3=1700000000\n"
        "File4=/four\nPlace4=1\nTime4=1700000000.123456789\n"
        "File5=/five\nPlace5=1\nSize5=4\nTime5=1700000000.000000000\n"
        "[Settings]\nResume=yes\n");
    EXPECT_EQ(resume.size(), 1u);
    EXPECT_TRUE(resume.enabled());
    EXPECT_EQ(resume.Format(),
              "[Resume]\nFile1=/one\nPlace1=10\nSize1=4\nTime1=1700000000.000000001\n");
    ResumeList copy;
    copy.Parse(resume.Format());
    EXPECT_EQ(copy.Format(), resume.Format());

    resume.Parse("[Settings]\nResume=0\n[Resume]\nFile1=/x\nPlace1=99999999999999999999\n");
    EXPECT_FALSE(resume.enabled());
    EXPECT_EQ(resume.size(), 0u);
    resume.Parse("garbage\x01\xff[Resume\n=\n");
    EXPECT_TRUE(resume.enabled());
    EXPECT_EQ(resume.Format(), "") << "nothing but the defaults: nothing written";
}

}  // namespace
