#include "session/DocumentManager.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <string_view>
#include <system_error>

#include "base/DebugSink.h"
#include "scene/FileException.h"
#include "session/DocumentStrings.h"

namespace {

const char* SourceName(DocumentManager::Source source) {
    switch (source) {
        case DocumentManager::Source::Dialog:
            return "dialog";
        case DocumentManager::Source::RecentList:
            return "recent";
        case DocumentManager::Source::CommandLine:
            return "command line";
        case DocumentManager::Source::Drop:
            return "drop";
        case DocumentManager::Source::Reopen:
            return "reopen";
        case DocumentManager::Source::StandardInput:
            return "standard input";
    }
    return "?";
}

// One line per attempt; the path escaped as in the INI file, so that a name holding a line
// break stays on its line.
void Trace(DocumentManager::Source source, const std::string& path, std::string_view outcome) {
    OutputDebugString(std::string("open (") + SourceName(source) + ") \"" +
                      RecentFileList::Escape(path) + "\": " + std::string(outcome) + "\n");
}

// The exception's text names the file first; the caller names it already.
std::string ReasonOf(const FileException& error) {
    std::string_view what = error.what();
    const std::string prefix = error.fileName() + ": ";
    if (what.substr(0, prefix.size()) == prefix) {
        what.remove_prefix(prefix.size());
    }
    return std::string(what);
}

}  // namespace

DocumentManager::DocumentManager(RecentFileList& recent, Hooks hooks)
    : recent_(recent), hooks_(std::move(hooks)), title_(Translate(strings::kUntitled)) {}

std::string DocumentManager::NormalPath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    if (ec) {
        return path;
    }
    // Resolves symlinks as far as the file exists, so that two names of one file are one entry.
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(p, ec);
    return (ec ? p.lexically_normal() : canonical).string();
}

std::string DocumentManager::DescribeOpenFailure(const std::string& path, int error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) {
            return "is a directory";
        }
        if (S_ISFIFO(st.st_mode)) {
            return "is a named pipe, not a regular file";
        }
        if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
            return "is a device, not a regular file";
        }
        if (S_ISSOCK(st.st_mode)) {
            return "is a socket, not a regular file";
        }
        return "is not a regular file";
    }
    return error != 0 ? std::strerror(error) : "cannot be opened";
}

std::string DocumentManager::Caption() const {
    return title_ + " - " + strings::kWindowTitle;
}

bool DocumentManager::New() {
    if (hooks_.newDocument && !hooks_.newDocument()) {
        return false;
    }
    Became("", Translate(strings::kUntitled), false);
    return true;
}

bool DocumentManager::Open(const std::string& path, Source source,
                           const std::optional<EncodingChoice>& encoding) {
    lastError_.clear();
    const std::string normal = NormalPath(path);
    if (!path_.empty() && normal == path_) {
        Trace(source, normal, "already open");
        if (hooks_.activate) {
            hooks_.activate();
        }
        return true;
    }
    const EncodingChoice chosen = encoding ? *encoding : EncodingFor(normal);
    if (!Attempt(source, normal, [&] { return hooks_.openDocument(normal, chosen); })) {
        if (source == Source::RecentList) {
            recent_.Remove(normal);
            recent_.Remove(path);
            RecentChanged();
        }
        return false;
    }
    Opened(normal);
    return true;
}

bool DocumentManager::OpenStandardInput() {
    lastError_.clear();
    if (!Attempt(Source::StandardInput, "-",
                 [&] { return hooks_.openStandardInput(defaultEncoding_); })) {
        return false;
    }
    Became("", Translate(strings::kStandardInput), true);
    return true;
}

bool DocumentManager::Reopen(const EncodingChoice& encoding) {
    lastError_.clear();
    if (path_.empty()) {
        return false;
    }
    const std::string path = path_;
    if (!Attempt(Source::Reopen, path, [&] { return hooks_.openDocument(path, encoding); })) {
        return false;
    }
    recent_.Add(path);
    recent_.SetEncoding(path, encoding.encoding == TextEncoding::Auto ? "" : EncodingKey(encoding));
    Opened(path);
    return true;
}

bool DocumentManager::Attempt(Source source, const std::string& path,
                              const std::function<bool()>& open) {
    bool opened = false;
    int openError = 0;
    std::string message;
    try {
        errno = 0;
        opened = open();
        openError = errno;
    } catch (const FileException& error) {
        lastError_ = ReasonOf(error);
        message = error.fileName() + "\n" + Translate(error.reason());
    } catch (const std::bad_alloc&) {
        lastError_ = "out of memory";
        message = Translate(strings::kOutOfMemory);
    } catch (const std::exception& error) {
        lastError_ = error.what();
        message = error.what();
    }
    const bool callerReports = source == Source::CommandLine || source == Source::StandardInput;
    if (!message.empty() && !callerReports && hooks_.showMessage) {
        hooks_.showMessage(message);
    }
    if (!opened && lastError_.empty()) {
        lastError_ = source == Source::StandardInput
                         ? (openError != 0 ? std::strerror(openError) : "cannot be read")
                         : DescribeOpenFailure(path, openError);
    }
    Trace(source, path, opened ? "opened" : "failed: " + lastError_);
    return opened;
}

void DocumentManager::Opened(const std::string& path) {
    recent_.Add(path);
    RecentChanged();
    Became(path, std::filesystem::path(path).filename().string(), false);
}

void DocumentManager::Became(const std::string& path, const std::string& title,
                             bool standardInput) {
    path_ = path;
    title_ = title;
    standardInput_ = standardInput;
    if (hooks_.setCaption) {
        hooks_.setCaption(Caption());
    }
    if (hooks_.documentChanged) {
        hooks_.documentChanged();
    }
}

EncodingChoice DocumentManager::EncodingFor(const std::string& path) const {
    // A value that names no encoding (the file was edited, or iconv lost a module) is ignored.
    const std::string stored = recent_.EncodingOf(path);
    if (!stored.empty()) {
        if (const std::optional<EncodingChoice> chosen = ParseEncodingName(stored)) {
            return *chosen;
        }
    }
    return defaultEncoding_;
}

std::string DocumentManager::Translate(const char* text) const {
    return hooks_.translate ? hooks_.translate(text) : std::string(text);
}

void DocumentManager::RecentChanged() {
    // Written at every change, so that a crash later loses nothing.
    recent_.Write();
    if (hooks_.recentChanged) {
        hooks_.recentChanged();
    }
}
