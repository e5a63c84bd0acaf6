#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "base/DebugSink.h"
#include "scene/FileException.h"
#include "session/DocumentManager.h"

namespace fs = std::filesystem;

namespace {

// A document whose open result the test scripts, and a log of what the shell was asked to do.
class Documents : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("selvane-docs-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        hooks_.newDocument = [this] {
            ++news_;
            return true;
        };
        hooks_.openDocument = [this](const std::string& path, const EncodingChoice& encoding) {
            opened_.push_back(path);
            encodings_.push_back(encoding);
            if (throwOn_ == path) {
                throw FileException(FileException::Cause::Generic, path, EIO);
            }
            if (otherErrorOn_ == path) {
                throw std::runtime_error("something else");
            }
            if (badAllocOn_ == path) {
                throw std::bad_alloc();
            }
            // As the real document: false with errno set when the file cannot be opened.
            if (!fs::exists(path)) {
                errno = ENOENT;
                return false;
            }
            return true;
        };
        hooks_.setCaption = [this](const std::string& caption) { caption_ = caption; };
        hooks_.activate = [this] { ++activations_; };
        hooks_.showMessage = [this](const std::string& message) { messages_.push_back(message); };
        hooks_.recentChanged = [this] { ++recentChanges_; };
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string File(const std::string& name) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path) << "x";
        return path;
    }

    fs::path dir_;
    DocumentManager::Hooks hooks_;
    RecentFileList recent_{
        (fs::temp_directory_path() / ("selvane-docs-ini-" + std::to_string(::getpid())) / "S.INI")
            .string()};
    std::vector<std::string> opened_;
    std::vector<EncodingChoice> encodings_;
    std::vector<std::string> messages_;
    std::string caption_;
    std::string throwOn_;
    std::string badAllocOn_;
    std::string otherErrorOn_;
    int news_ = 0;
    int activations_ = 0;
    int recentChanges_ = 0;
};

TEST_F(Documents, StartsUntitledAndAnOpenRecordsTitlePathAndRecentEntry) {
    DocumentManager manager(recent_, hooks_);
    EXPECT_EQ(manager.Caption(), "無題 - Tamor Selvane 0.4");
    const std::string a = File("a.txt");
    ASSERT_TRUE(manager.Open(a, DocumentManager::Source::Dialog));
    EXPECT_EQ(manager.path(), a);
    EXPECT_EQ(manager.title(), "a.txt");
    EXPECT_EQ(caption_, "a.txt - Tamor Selvane 0.4");
    EXPECT_EQ(recent_.entries(), (std::vector<std::string>{a}));
    EXPECT_EQ(recentChanges_, 1);

    RecentFileList reread(recent_.iniPath());
    reread.Read();
    EXPECT_EQ(reread.entries(), recent_.entries()) << "written at once";
    fs::remove_all(fs::path(recent_.iniPath()).parent_path());
}

TEST_F(Documents, TheFileAlreadyOpenIsNotReadAgain) {
    DocumentManager manager(recent_, hooks_);
    const std::string a = File("a.txt");
    ASSERT_TRUE(manager.Open(a, DocumentManager::Source::Dialog));
    ASSERT_TRUE(manager.Open((dir_ / "." / "a.txt").string(), DocumentManager::Source::Drop));
    EXPECT_EQ(opened_.size(), 1u);
    EXPECT_EQ(activations_, 1);
    fs::create_symlink(a, dir_ / "link.txt");
    ASSERT_TRUE(manager.Open((dir_ / "link.txt").string(), DocumentManager::Source::RecentList));
    EXPECT_EQ(opened_.size(), 1u) << "a second name of the same file is the same document";
}

TEST_F(Documents, NewRenamesToUntitledAndLeavesTheSceneToTheDocument) {
    DocumentManager manager(recent_, hooks_);
    ASSERT_TRUE(manager.Open(File("a.txt"), DocumentManager::Source::Dialog));
    ASSERT_TRUE(manager.New());
    EXPECT_EQ(news_, 1);
    EXPECT_TRUE(manager.path().empty());
    EXPECT_EQ(caption_, "無題 - Tamor Selvane 0.4");
    // After New the same file opens again.
    ASSERT_TRUE(manager.Open((dir_ / "a.txt").string(), DocumentManager::Source::Dialog));
    EXPECT_EQ(opened_.size(), 2u);
}

TEST_F(Documents, AFileThatCannotBeOpenedChangesNothingAndShowsNothing) {
    DocumentManager manager(recent_, hooks_);
    const std::string a = File("a.txt");
    ASSERT_TRUE(manager.Open(a, DocumentManager::Source::Dialog));
    caption_.clear();
    EXPECT_FALSE(manager.Open((dir_ / "missing.txt").string(), DocumentManager::Source::Dialog));
    EXPECT_EQ(manager.path(), a);
    EXPECT_EQ(manager.title(), "a.txt");
    EXPECT_TRUE(caption_.empty());
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(recent_.entries(), (std::vector<std::string>{a}));
}

TEST_F(Documents, AFailedRecentEntryIsRemovedFromTheList) {
    DocumentManager manager(recent_, hooks_);
    const std::string gone = File("gone.txt");
    const std::string kept = File("kept.txt");
    ASSERT_TRUE(manager.Open(gone, DocumentManager::Source::Dialog));
    ASSERT_TRUE(manager.Open(kept, DocumentManager::Source::Dialog));
    fs::remove(gone);
    EXPECT_FALSE(manager.Open(gone, DocumentManager::Source::RecentList));
    EXPECT_EQ(recent_.entries(), (std::vector<std::string>{kept}));
    RecentFileList reread(recent_.iniPath());
    reread.Read();
    EXPECT_EQ(reread.entries(), (std::vector<std::string>{kept}));
    fs::remove_all(fs::path(recent_.iniPath()).parent_path());
}

TEST_F(Documents, ReadErrorsAreShownExceptForTheCommandLineWhereTheCallerReports) {
    DocumentManager manager(recent_, hooks_);
    throwOn_ = File("broken.txt");
    EXPECT_FALSE(manager.Open(throwOn_, DocumentManager::Source::Drop));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], throwOn_ + "\nファイルの読み込み中にエラーが発生しました。");
    EXPECT_TRUE(manager.path().empty()) << "the document keeps its untitled state";
    EXPECT_TRUE(recent_.entries().empty());

    EXPECT_FALSE(manager.Open(throwOn_, DocumentManager::Source::CommandLine));
    EXPECT_EQ(messages_.size(), 1u);
    // The caller names the file; the reason does not repeat it.
    EXPECT_EQ(manager.lastError(), "read error: Input/output error");

    badAllocOn_ = File("huge.txt");
    EXPECT_FALSE(manager.Open(badAllocOn_, DocumentManager::Source::Dialog));
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[1], "メモリが不足しています。");

    otherErrorOn_ = File("other.txt");
    EXPECT_FALSE(manager.Open(otherErrorOn_, DocumentManager::Source::RecentList));
    ASSERT_EQ(messages_.size(), 3u);
    EXPECT_EQ(messages_[2], "something else");
}

TEST_F(Documents, ACommandLineFileThatCannotBeOpenedLeavesItsReasonForTheCaller) {
    DocumentManager manager(recent_, hooks_);
    // The scripted document reports a missing file as the real one does: false with errno set.
    hooks_.openDocument = [](const std::string&, const EncodingChoice&) {
        errno = EACCES;
        return false;
    };
    DocumentManager denied(recent_, hooks_);
    EXPECT_FALSE(denied.Open(File("locked.txt"), DocumentManager::Source::CommandLine));
    EXPECT_EQ(denied.lastError(), "Permission denied");
    EXPECT_FALSE(manager.Open((dir_ / "missing.txt").string(), DocumentManager::Source::Drop));
    EXPECT_EQ(manager.lastError(), "No such file or directory");
    ASSERT_TRUE(manager.Open(File("there.txt"), DocumentManager::Source::Drop));
    EXPECT_EQ(manager.lastError(), "") << "cleared by a successful open";
}

TEST_F(Documents, AnEncodingChosenByHandIsKeptForTheFileAndUsedAgain) {
    DocumentManager manager(recent_, hooks_);
    manager.SetDefaultEncoding(TextEncoding::Utf8);
    EXPECT_FALSE(manager.Reopen(TextEncoding::EucJp)) << "untitled: nothing to read again";
    const std::string a = File("a.txt");
    const std::string b = File("b.txt");
    ASSERT_TRUE(manager.Open(a, DocumentManager::Source::Dialog));
    ASSERT_TRUE(manager.Open(b, DocumentManager::Source::Dialog));
    ASSERT_TRUE(manager.Open(a, DocumentManager::Source::RecentList));
    // The open file is read again: no "already open" here.
    ASSERT_TRUE(manager.Reopen(TextEncoding::EucJp));
    EXPECT_EQ(opened_, (std::vector<std::string>{a, b, a, a}));
    EXPECT_EQ(encodings_.back(), TextEncoding::EucJp);
    EXPECT_EQ(recent_.EncodingOf(a), "euc-jp");
    EXPECT_EQ(manager.path(), a);

    ASSERT_TRUE(manager.Open(b, DocumentManager::Source::RecentList));
    EXPECT_EQ(encodings_.back(), TextEncoding::Utf8) << "no choice of its own: the default";
    ASSERT_TRUE(manager.Open(a, DocumentManager::Source::Drop));
    EXPECT_EQ(encodings_.back(), TextEncoding::EucJp);
    ASSERT_TRUE(manager.Open(b, DocumentManager::Source::Dialog));
    ASSERT_TRUE(manager.Open(a, DocumentManager::Source::CommandLine, TextEncoding::Cp932));
    EXPECT_EQ(encodings_.back(), TextEncoding::Cp932) << "named for this open";

    // The automatic choice by hand forgets the file's own; a value that names nothing is
    // ignored.
    ASSERT_TRUE(manager.Reopen(TextEncoding::Auto));
    EXPECT_EQ(recent_.EncodingOf(a), "");
    recent_.SetEncoding(b, "no-such-encoding");
    ASSERT_TRUE(manager.Open(b, DocumentManager::Source::RecentList));
    EXPECT_EQ(encodings_.back(), TextEncoding::Utf8);

    // A file that went away: the flight and the list stay.
    fs::remove(b);
    EXPECT_FALSE(manager.Reopen(TextEncoding::Cp932));
    EXPECT_EQ(manager.path(), b);
    EXPECT_EQ(recent_.entries().front(), b);
    fs::remove_all(fs::path(recent_.iniPath()).parent_path());
}

TEST_F(Documents, StandardInputIsTitledAndNeverEntersTheList) {
    int changes = 0;
    hooks_.documentChanged = [&changes] { ++changes; };
    bool available = true;
    hooks_.openStandardInput = [&available](const EncodingChoice&) {
        errno = available ? 0 : EBADF;
        return available;
    };
    DocumentManager manager(recent_, hooks_);
    ASSERT_TRUE(manager.Open(File("a.txt"), DocumentManager::Source::Dialog));
    ASSERT_TRUE(manager.OpenStandardInput());
    EXPECT_EQ(caption_, "標準入力 - Tamor Selvane 0.4");
    EXPECT_TRUE(manager.standardInput());
    EXPECT_TRUE(manager.path().empty());
    EXPECT_EQ(recent_.entries().size(), 1u);
    EXPECT_FALSE(manager.Reopen(TextEncoding::Utf8)) << "what was read is gone";
    available = false;
    EXPECT_FALSE(manager.OpenStandardInput());
    EXPECT_EQ(manager.lastError(), "Bad file descriptor");
    EXPECT_EQ(changes, 2);
    ASSERT_TRUE(manager.New());
    EXPECT_FALSE(manager.standardInput());
    EXPECT_EQ(changes, 3);
    fs::remove_all(fs::path(recent_.iniPath()).parent_path());
}

TEST_F(Documents, FilesThatAreNoRegularFilesAreNamedByWhatTheyAre) {
    const std::string fifo = (dir_ / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The document refuses these with EINVAL; the reason says what the file is instead.
    EXPECT_EQ(DocumentManager::DescribeOpenFailure(fifo, EINVAL),
              "is a named pipe, not a regular file");
    EXPECT_EQ(DocumentManager::DescribeOpenFailure("/dev/null", EINVAL),
              "is a device, not a regular file");
    EXPECT_EQ(DocumentManager::DescribeOpenFailure(dir_.string(), EISDIR), "is a directory");
    EXPECT_EQ(DocumentManager::DescribeOpenFailure((dir_ / "none").string(), ENOENT),
              "No such file or directory");
    EXPECT_EQ(DocumentManager::DescribeOpenFailure(File("plain.txt"), EACCES), "Permission denied");
    EXPECT_EQ(DocumentManager::DescribeOpenFailure((dir_ / "none").string(), 0),
              "cannot be opened");
}

TEST_F(Documents, EveryOpenAndItsOutcomeGoesToTheDebugSink) {
    std::string debug;
    SetDebugCaptureForTesting([&debug](std::string_view text) { debug += text; });
    DocumentManager manager(recent_, hooks_);
    const std::string a = File("a.txt");
    const std::string odd = File("line\nbreak.txt");
    throwOn_ = File("broken.txt");
    manager.Open(a, DocumentManager::Source::Dialog);
    manager.Open(a, DocumentManager::Source::Drop);
    manager.Open((dir_ / "missing.txt").string(), DocumentManager::Source::RecentList);
    manager.Open(throwOn_, DocumentManager::Source::CommandLine);
    manager.Open(odd, DocumentManager::Source::Drop);
    SetDebugCaptureForTesting({});
    EXPECT_EQ(debug, "open (dialog) \"" + a + "\": opened\n" + "open (drop) \"" + a +
                         "\": already open\n" + "open (recent) \"" +
                         (dir_ / "missing.txt").string() +
                         "\": failed: No such file or directory\n" + "open (command line) \"" +
                         throwOn_ + "\": failed: read error: Input/output error\n" +
                         "open (drop) \"" + (dir_ / "line\\nbreak.txt").string() + "\": opened\n");
}

}  // namespace
