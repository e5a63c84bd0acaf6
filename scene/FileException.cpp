#include "scene/FileException.h"

#include <cstring>

namespace {

std::string MessageFor(FileException::Cause cause, const std::string& fileName) {
    switch (cause) {
        case FileException::Cause::TooLarge:
            return fileName + "\nファイルが大きすぎるため開けません。";
        case FileException::Cause::OutOfMemory:
            return fileName + "\nメモリが不足しているため開けません。";
        case FileException::Cause::Generic:
            break;
    }
    return fileName + "\nファイルの読み込み中にエラーが発生しました。";
}

std::string WhatFor(FileException::Cause cause, const std::string& fileName, int osError) {
    std::string what = fileName + ": ";
    switch (cause) {
        case FileException::Cause::TooLarge:
            what += "file too large for the memory available";
            break;
        case FileException::Cause::OutOfMemory:
            what += "out of memory";
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
      message_(MessageFor(cause_, fileName_)) {}
