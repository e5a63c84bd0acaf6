#pragma once

#include <functional>
#include <string>

#include "app/RecentFileList.h"

// The single-document management a document/view framework would give: one document reused
// for New and every open, its path and title, the caption, the recent-file list, the refusal to
// reload the file that is already open, and the report of errors raised while opening.
class DocumentManager {
  public:
    enum class Source { Dialog, RecentList, CommandLine, Drop };

    struct Hooks {
        // The document's operations: open returns false when the file cannot be opened and
        // throws (std::exception) when reading fails part way or the file is refused.
        std::function<bool()> newDocument;
        std::function<bool(const std::string& path)> openDocument;
        std::function<void(const std::string& caption)> setCaption;
        std::function<void()> activate;
        std::function<void(const std::string& message)> showMessage;
        std::function<void()> recentChanged;
    };

    DocumentManager(RecentFileList& recent, Hooks hooks);

    // New: the path is cleared and the title becomes untitled; the scene is left alone.
    bool New();
    // Opens path through the document. Errors raised while reading are shown (except for the
    // command line, where the caller decides) and give false, as a file that cannot be opened
    // does. A failed entry of the recent list is removed from it. Every attempt and its outcome
    // go to the debug sink, one line each.
    bool Open(const std::string& path, Source source);

    const std::string& path() const { return path_; }
    const std::string& title() const { return title_; }
    std::string Caption() const;
    // Why the last Open failed, in English for standard error and without the file's name (the
    // message box gets the Japanese text): for the caller of a command-line open. Empty after a
    // successful one.
    const std::string& lastError() const { return lastError_; }

    // The absolute, normalised form under which paths are compared and recorded.
    static std::string NormalPath(const std::string& path);
    // Why path could not be opened, given the errno of the failed open: the kind of file where
    // it exists but is no regular file (the document refuses those before opening, with an
    // errno that would only confuse), otherwise the system's text for the error.
    static std::string DescribeOpenFailure(const std::string& path, int error);

  private:
    void RecentChanged();

    RecentFileList& recent_;
    Hooks hooks_;
    std::string path_;
    std::string title_;
    std::string lastError_;
};
