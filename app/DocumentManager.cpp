#include "app/DocumentManager.h"

#include <filesystem>
#include <new>
#include <system_error>

#include "app/Strings.h"
#include "scene/FileException.h"

DocumentManager::DocumentManager(RecentFileList& recent, Hooks hooks)
    : recent_(recent), hooks_(std::move(hooks)), title_(strings::kUntitled) {}

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

std::string DocumentManager::Caption() const {
    return title_ + " - " + strings::kWindowTitle;
}

bool DocumentManager::New() {
    if (hooks_.newDocument && !hooks_.newDocument()) {
        return false;
    }
    path_.clear();
    title_ = strings::kUntitled;
    if (hooks_.setCaption) {
        hooks_.setCaption(Caption());
    }
    return true;
}

bool DocumentManager::Open(const std::string& path, Source source) {
    lastError_.clear();
    const std::string normal = NormalPath(path);
    if (!path_.empty() && normal == path_) {
        if (hooks_.activate) {
            hooks_.activate();
        }
        return true;
    }
    bool opened = false;
    std::string message;
    try {
        opened = hooks_.openDocument(normal);
    } catch (const FileException& error) {
        lastError_ = error.what();
        message = error.message();
    } catch (const std::bad_alloc&) {
        lastError_ = "out of memory";
        message = strings::kOutOfMemory;
    } catch (const std::exception& error) {
        lastError_ = error.what();
        message = error.what();
    }
    if (!message.empty() && source != Source::CommandLine && hooks_.showMessage) {
        hooks_.showMessage(message);
    }
    if (!opened) {
        if (source == Source::RecentList) {
            recent_.Remove(normal);
            recent_.Remove(path);
            RecentChanged();
        }
        return false;
    }
    path_ = normal;
    title_ = std::filesystem::path(normal).filename().string();
    recent_.Add(normal);
    RecentChanged();
    if (hooks_.setCaption) {
        hooks_.setCaption(Caption());
    }
    return true;
}

void DocumentManager::RecentChanged() {
    // Written at every change, so that a crash later loses nothing.
    recent_.Write();
    if (hooks_.recentChanged) {
        hooks_.recentChanged();
    }
}
