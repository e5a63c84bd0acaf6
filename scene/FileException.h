#pragma once

#include <stdexcept>
#include <string>

// What leaves the opening of a text file when it cannot be completed after the file was opened:
// a read failure, a file too large for the memory left, or a zip archive with no text to read.
// Carries the file's name as given, the cause, the system's error number where there is one, and a
// Japanese message for the user.
class FileException : public std::runtime_error {
  public:
    enum class Cause {
        Generic,           // reading failed before the end of the file
        TooLarge,          // the text and its scene would not fit in the memory available
        OutOfMemory,       // an allocation failed while the text grew or the scene was built
        NoTextInArchive,   // a zip archive without a .txt member
        EncryptedArchive,  // a zip archive whose text is encrypted
        BrokenArchive,     // a zip archive that cannot be read
    };

    FileException(Cause cause, std::string fileName, int osError = 0);

    Cause cause() const { return cause_; }
    const std::string& fileName() const { return fileName_; }
    int osError() const { return osError_; }
    // UTF-8, ready for a message box: the file's name, a line break and the reason.
    const std::string& message() const { return message_; }
    // The reason alone, a text the shell translates (base/Translatable.h).
    const char* reason() const;

  private:
    Cause cause_;
    std::string fileName_;
    int osError_;
    std::string message_;
};
