#include "scene/FileException.h"

#include <cstring>

#include "base/Translatable.h"

namespace {

std::string WhatFor(FileException::Cause cause, const std::string& fileName, int osError) {
    std::string what = fileName + ": ";
    switch (cause) {
        case FileException::Cause::TooLarge:
            what += "file too large for the memory available";
            break;
        case FileException::Cause::OutOfMemory:
            what += "out of memory";
            break;
        case FileException::Cause::NoTextInArchive:
            what += "no .txt file in the zip archive";
            break;
        case FileException::Cause::EncryptedArchive:
            what += "the text in the zip archive is encrypted";
            break;
        case FileException::Cause::BrokenArchive:
            what += "broken zip archive";
            break;
        case FileException::Cause::Generic:
            what += "read error";
            break;
    }
    if (osError != 0) {
        what += ": ";
        what += std::strerror(osError);
    }
    return what;
}

}  // namespace

FileException::FileException(Cause cause, std::string fileName, int osError)
    : std::runtime_error(WhatFor(cause, fileName, osError)),
      cause_(cause),
      fileName_(std::move(fileName)),
      osError_(osError),
      message_(fileName_ + "\n" + reason()) {}

const char* FileException::reason() const {
    switch (cause_) {
        case Cause::TooLarge:
            return SELVANE_TRANSLATE_NOOP("Selvane", "ファイルが大きすぎるため開けません。");
        case Cause::OutOfMemory:
            return SELVANE_TRANSLATE_NOOP("Selvane", "メモリが不足しているため開けません。");
        case Cause::NoTextInArchive:
            return SELVANE_TRANSLATE_NOOP("Selvane",
                                          "zip ファイルの中にテキストファイル (.txt) がありません。");
        case Cause::EncryptedArchive:
            return SELVANE_TRANSLATE_NOOP("Selvane", "暗号化された zip ファイルは開けません。");
        case Cause::BrokenArchive:
            return SELVANE_TRANSLATE_NOOP("Selvane", "zip ファイルが壊れているため開けません。");
        case Cause::Generic:
            break;
    }
    return SELVANE_TRANSLATE_NOOP("Selvane", "ファイルの読み込み中にエラーが発生しました。");
}
