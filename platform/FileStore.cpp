#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "texts/DiskText.h"

namespace tavrin::platform {

namespace {

// Paths this long are refused before anything on disk is touched.
constexpr std::size_t kMaxPathChars = MAX_PATH;  // 260, counting the terminating NUL

// Bytes are collected and handed to WriteFile in blocks of this size; the
// generated texts are far smaller, so each reaches the disk at Close.
constexpr std::size_t kWriteBlock = 4096;

bool HasEmbeddedNul(const std::wstring& path) { return path.find(L'\0') != std::wstring::npos; }

// The full form of the path, or empty when it cannot be formed within
// MAX_PATH or its volume cannot be queried (a drive that does not exist).
std::wstring FullPathOnExistingVolume(const std::wstring& path) {
    wchar_t full[MAX_PATH];
    const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return {};

    wchar_t root[MAX_PATH];
    if (!::GetVolumePathNameW(full, root, MAX_PATH)) return {};
    DWORD maxComponent = 0;
    DWORD flags = 0;
    if (!::GetVolumeInformationW(root, nullptr, 0, nullptr, &maxComponent, &flags, nullptr, 0)) return {};
    return std::wstring(full, length);
}

class Win32TextFile final : public TextFileOutput {
public:
    Win32TextFile(HANDLE handle, std::wstring fullPath) : file_(handle), fullPath_(std::move(fullPath)) {}

    ~Win32TextFile() override {
        try {
            Close();
        } catch (const FileError&) {
            // Only reachable after a write has already thrown; that error is the one reported.
        }
    }

    void WriteString(const std::wstring& text) override {
        if (!file_.IsValid()) throw FileError{FileErrorCause::diskFull, ERROR_INVALID_HANDLE, fullPath_};
        const std::optional<std::string> bytes = EncodeForDisk(text);
        if (!bytes) throw FileError{FileErrorCause::diskFull, ERROR_NO_UNICODE_TRANSLATION, fullPath_};
        pending_ += *bytes;
        if (pending_.size() >= kWriteBlock) {
            const DWORD error = Flush();
            if (error != ERROR_SUCCESS) throw FileError{FileErrorCause::diskFull, error, fullPath_};
        }
    }

    void Close() override {
        if (!file_.IsValid()) return;
        DWORD error = Flush();
        // The file is closed whatever the flush gave; the first failure is reported.
        if (!file_.Close() && error == ERROR_SUCCESS) error = ::GetLastError();
        pending_.clear();
        if (error != ERROR_SUCCESS) throw FileError{FileErrorCause::diskFull, error, fullPath_};
    }

private:
    // Writes every pending byte; the platform error code on failure.
    DWORD Flush() {
        std::size_t done = 0;
        while (done < pending_.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(pending_.size() - done, kWriteBlock));
            DWORD written = 0;
            if (!::WriteFile(file_.Get(), pending_.data() + done, chunk, &written, nullptr)) {
                const DWORD error = ::GetLastError();
                pending_.erase(0, done);
                return error != ERROR_SUCCESS ? error : static_cast<DWORD>(ERROR_WRITE_FAULT);
            }
            if (written == 0) {
                pending_.erase(0, done);
                return ERROR_DISK_FULL;
            }
            done += written;
        }
        pending_.clear();
        return ERROR_SUCCESS;
    }

    UniqueHandle file_;
    std::wstring fullPath_;
    std::string pending_;
};

}  // namespace

std::unique_ptr<TextFileOutput> Win32FileStore::OpenForWriting(const std::wstring& path) {
    if (path.empty() || HasEmbeddedNul(path) || path.size() >= kMaxPathChars) return nullptr;
    std::wstring fullPath = FullPathOnExistingVolume(path);
    if (fullPath.empty()) return nullptr;

    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    // Share mode 0: nobody else may read or write a generated file while we write it,
    // and a file someone else holds open makes the open fail instead of mixing bytes.
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, &security, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32TextFile>(handle, std::move(fullPath));
}

bool Win32FileStore::Exists(const std::wstring& path) {
    if (path.empty() || HasEmbeddedNul(path)) return false;
    if (path.size() >= kMaxPathChars) {
        ::SetLastError(ERROR_BAD_ARGUMENTS);
        return false;
    }
    WIN32_FIND_DATAW entry;
    const FindHandle search(::FindFirstFileW(path.c_str(), &entry));
    return search.IsValid();
}

void Win32FileStore::Remove(const std::wstring& path) {
    if (HasEmbeddedNul(path)) throw FileError{FileErrorCause::badPath, ERROR_INVALID_NAME, path};
    if (::DeleteFileW(path.c_str())) return;
    const DWORD error = ::GetLastError();
    if (error != ERROR_SUCCESS) throw FileError{FileErrorCauseFromOsError(error), error, path};
}

FileErrorCause FileErrorCauseFromOsError(unsigned long osError) {
    using C = FileErrorCause;
    switch (osError) {
    case NO_ERROR: return C::none;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_NO_MORE_FILES:
    case ERROR_DISK_CHANGE: return C::fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_SAME_DEVICE:
    case ERROR_WRONG_DISK:
    case ERROR_DUP_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_NET_NAME:
    case ERROR_SHARING_PAUSED:
    case ERROR_ALREADY_ASSIGNED:
    case ERROR_BUFFER_OVERFLOW:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_LEVEL:
    case ERROR_NO_VOLUME_LABEL:
    case ERROR_DIR_NOT_ROOT:
    case ERROR_LABEL_TOO_LONG:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_META_EXPANSION_TOO_LONG:
    case ERROR_DIRECTORY: return C::badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
    case ERROR_SHARING_BUFFER_EXCEEDED:
    case ERROR_TOO_MANY_NAMES:
    case ERROR_NO_MORE_SEARCH_HANDLES: return C::tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_ACCESS:
    case ERROR_WRITE_PROTECT:
    case ERROR_WRITE_FAULT:
    case ERROR_NETWORK_BUSY:
    case ERROR_BAD_NET_RESP:
    case ERROR_NETNAME_DELETED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_REQ_NOT_ACCEP:
    case ERROR_FILE_EXISTS:
    case ERROR_CANNOT_MAKE:
    case ERROR_INVALID_PASSWORD:
    case ERROR_BUSY:
    case ERROR_ALREADY_EXISTS:
    case ERROR_SWAPERROR: return C::accessDenied;
    case ERROR_INVALID_HANDLE:
    case ERROR_BAD_FORMAT:
    case ERROR_NOT_DOS_DISK:
    case ERROR_BAD_REM_ADAP:
    case ERROR_BAD_DEV_TYPE:
    case ERROR_INVALID_TARGET_HANDLE:
    case ERROR_INVALID_ORDINAL:
    case ERROR_INVALID_EXE_SIGNATURE:
    case ERROR_BAD_EXE_FORMAT: return C::invalidFile;
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_DIR_NOT_EMPTY: return C::removeCurrentDir;
    case ERROR_NO_SPOOL_SPACE: return C::directoryFull;
    case ERROR_BAD_LENGTH:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_READ_FAULT:
    case ERROR_NEGATIVE_SEEK:
    case ERROR_SEEK_ON_DEVICE: return C::badSeek;
    case ERROR_BAD_UNIT:
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_CRC:
    case ERROR_ADAP_HDW_ERR:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NET_WRITE_FAULT:
    case ERROR_INVALID_CATEGORY:
    case ERROR_OPERATION_ABORTED:
    case ERROR_IO_INCOMPLETE:
    case ERROR_IO_PENDING: return C::hardIO;
    case ERROR_SHARING_VIOLATION: return C::sharingViolation;
    case ERROR_LOCK_VIOLATION:
    case ERROR_DRIVE_LOCKED:
    case ERROR_LOCK_FAILED: return C::lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return C::diskFull;
    case ERROR_HANDLE_EOF: return C::endOfFile;
    default: return C::genericException;
    }
}

}  // namespace tavrin::platform
