#pragma once

#include <string>

namespace tavrin {

// Why a file operation failed, numbered as the classic Windows file-error
// causes are, so that reports and error-code mappings stay comparable.
enum class FileErrorCause : int {
    none = 0,
    genericException = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
};

// Raised by a failed write, close or removal of a file. Thrown by value.
struct FileError {
    FileErrorCause cause = FileErrorCause::genericException;
    unsigned long osError = 0;  // the platform's error code
    std::wstring fileName;      // full path of the file concerned
};

}  // namespace tavrin
