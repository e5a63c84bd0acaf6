#pragma once

#include <functional>
#include <optional>
#include <string>

#include "scene/TextEncoding.h"
#include "session/RecentFileList.h"

// The single-document management a document/view framework would give: one document reused
// for New and every open, its path and title, the caption, the recent-file list, the refusal to
// reload the file that is already open, and the report of errors raised while opening.
class DocumentManager {
  public:
    enum class Source { Dialog, RecentList, CommandLine, Drop, Reopen, StandardInput };

    struct Hooks {
        // The document's operations: open returns false when the file cannot be opened and
        // throws (std::exception) when reading fails part way or the file is refused.
        std::function<bool()> newDocument;
        std::function<bool(const std::string& path, const EncodingChoice& encoding)> openDocument;
        std::function<bool(const EncodingChoice& encoding)> openStandardInput;
        std::function<void(const std::string& caption)> setCaption;
        std::function<void()> activate;
        std::function<void(const std::string& message)> showMessage;
        std::function<void()> recentChanged;
        // After every successful open and New.
        std::function<void()> documentChanged;
        // The titles and messages in the interface's language: a marked text (shell/Strings.h,
        // base/Translatable.h) in, its translation out. Without one they stay Japanese.
        std::function<std::string(const char* text)> translate;
    };

    DocumentManager(RecentFileList& recent, Hooks hooks);

    // New: the path is cleared and the title becomes untitled; the scene is left alone.
    bool New();
    // The encoding of the opens that name none, and of files without one chosen by hand.
    void SetDefaultEncoding(const EncodingChoice& encoding) { defaultEncoding_ = encoding; }

    // Opens path through the document, in `encoding` where given, else in the one chosen by
    // hand for the file's recent entry, else in the default. Errors raised while reading are
    // shown (except for the command line, where the caller decides) and give false, as a file
    // that cannot be opened does. A failed entry of the recent list is removed from it. Every
    // attempt and its outcome go to the debug sink, one line each.
    bool Open(const std::string& path, Source source,
              const std::optional<EncodingChoice>& encoding = std::nullopt);
    // Reads standard input to its end in the default encoding. The document is then titled
    // "標準入力" (in the interface's language), has no path and never enters the recent list.
    // Errors are left to the caller.
    bool OpenStandardInput();
    // Reads the open file again in `encoding`, the one way to reload it, and keeps the choice
    // with its recent entry (none for the automatic choice). False when the document has no
    // file (untitled, standard input) or the file cannot be read; errors are shown.
    bool Reopen(const EncodingChoice& encoding);

    const std::string& path() const { return path_; }
    const std::string& title() const { return title_; }
    bool standardInput() const { return standardInput_; }
    std::string Caption() const;
    // Why the last Open failed, in English for standard error and without the file's name (the
    // message box gets the interface's text): for the caller of a command-line open. Empty after
    // a successful one.
    const std::string& lastError() const { return lastError_; }

    // The absolute, normalised form under which paths are compared and recorded.
    static std::string NormalPath(const std::string& path);
    // Why path could not be opened, given the errno of the failed open: the kind of file where
    // it exists but is no regular file (the document refuses those before opening, with an
    // errno that would only confuse), otherwise the system's text for the error.
    static std::string DescribeOpenFailure(const std::string& path, int error);

  private:
    // Runs one attempt to open, records why it failed and shows what is to be shown.
    bool Attempt(Source source, const std::string& path, const std::function<bool()>& open);
    void Opened(const std::string& path);
    // The document's new path and title, told to the shell.
    void Became(const std::string& path, const std::string& title, bool standardInput);
    EncodingChoice EncodingFor(const std::string& path) const;
    void RecentChanged();
    std::string Translate(const char* text) const;

    RecentFileList& recent_;
    Hooks hooks_;
    std::string path_;
    std::string title_;
    std::string lastError_;
    EncodingChoice defaultEncoding_;
    bool standardInput_ = false;
};
