#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "texts/Decimal.h"
#include "procedures/WorkFiles.h"
#include "texts/DiskText.h"

namespace tavrin::platform {

namespace {

// Paths this long are refused before anything on disk is touched.
constexpr std::size_t kMaxPathChars = MAX_PATH;  // 260, counting the terminating NUL

// Bytes are collected and handed to WriteFile in blocks of this size; the
// generated texts are far smaller, so each reaches the disk at Close.
constexpr std::size_t kWriteBlock = 4096;

// Attributes of an existing file that make it one we do not replace. Read-only
// as the platform would refuse a write; hidden and system as CreateFileW with
// CREATE_ALWAYS and FILE_ATTRIBUTE_NORMAL refuses them; a reparse point (a
// symbolic link, a junction) because an elevated write must never be steered
// somewhere else by something planted at the path; a folder because it is not
// a file.
constexpr DWORD kRefusedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;

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

// The form of a full path that is not limited to MAX_PATH: the work files
// beside a file may have longer names than the file itself.
std::wstring UnlimitedForm(const std::wstring& fullPath) {
    if (fullPath.rfind(L"\\\\?\\", 0) == 0 || fullPath.rfind(L"\\\\.\\", 0) == 0) return fullPath;
    if (fullPath.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + fullPath.substr(2);
    return L"\\\\?\\" + fullPath;
}

// "<name>.<process>-<serial>" beside the file: the stem of the names of the
// new file while it is written and of the old one while they change places.
std::wstring WorkFileStem(const std::wstring& unlimitedPath) {
    static unsigned serial = 0;
    std::wstring stem = unlimitedPath;
    stem += L'.';
    stem += DecimalText(::GetCurrentProcessId());
    stem += L'-';
    stem += DecimalText(++serial);
    return stem;
}

// A file open for writing under a name of its own beside the file it is to
// become. Nothing at the file's own path changes until Close, which flushes
// and closes the new file and then puts it in the old one's place in one
// step. Any failure, or destruction before Close, deletes the new file and
// leaves the old one (or its absence) exactly as it was.
class Win32TextFile final : public ByteFileOutput {
public:
    Win32TextFile(std::wstring fullPath, UniqueHandle heldTarget, HANDLE newFile, std::wstring newPath,
                  std::wstring stem)
        : fullPath_(std::move(fullPath)),
          heldTarget_(std::move(heldTarget)),
          newFile_(newFile),
          newPath_(std::move(newPath)),
          stem_(std::move(stem)) {}

    ~Win32TextFile() override {
        if (!done_) Discard();
    }

    void WriteString(const std::wstring& text) override {
        if (done_) Fail(ERROR_INVALID_HANDLE);
        const std::optional<std::string> bytes = EncodeForDisk(text);
        if (!bytes) Fail(ERROR_NO_UNICODE_TRANSLATION);
        WriteBytes(*bytes);
    }

    void WriteBytes(const std::string& bytes) override {
        if (done_) Fail(ERROR_INVALID_HANDLE);
        pending_ += bytes;
        if (pending_.size() >= kWriteBlock) {
            const DWORD error = Flush();
            if (error != ERROR_SUCCESS) Fail(error);
        }
    }

    void Close() override {
        if (done_) {
            // A failure was reported already; the old file is as it was.
            if (failure_ != ERROR_SUCCESS) throw FileError{FileErrorCause::diskFull, failure_, fullPath_};
            return;
        }
        DWORD error = Flush();
        if (error == ERROR_SUCCESS && !::FlushFileBuffers(newFile_.Get())) error = ::GetLastError();
        // The new file is closed whatever the flush gave; the first failure is reported.
        if (!newFile_.Close() && error == ERROR_SUCCESS) error = ::GetLastError();
        if (error == ERROR_SUCCESS) error = TakeThePlaceOfTheOldFile();
        if (error != ERROR_SUCCESS) Fail(error);
        done_ = true;
    }

private:
    // Writes every pending byte; the platform error code on failure.
    DWORD Flush() {
        std::size_t done = 0;
        while (done < pending_.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(pending_.size() - done, kWriteBlock));
            DWORD written = 0;
            if (!::WriteFile(newFile_.Get(), pending_.data() + done, chunk, &written, nullptr)) {
                const DWORD error = ::GetLastError();
                return error != ERROR_SUCCESS ? error : static_cast<DWORD>(ERROR_WRITE_FAULT);
            }
            if (written == 0) return ERROR_DISK_FULL;
            done += written;
        }
        pending_.clear();
        return ERROR_SUCCESS;
    }

    // Puts the closed new file in place; the platform error code on failure,
    // with the old file back under its own name.
    DWORD TakeThePlaceOfTheOldFile() {
        const std::wstring target = UnlimitedForm(fullPath_);
        if (!heldTarget_.IsValid()) {
            // There was no file: only a complete new one may appear, and never
            // over something that has appeared there since.
            return ::MoveFileExW(newPath_.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) ? ERROR_SUCCESS
                                                                                           : ::GetLastError();
        }
        // ReplaceFileW keeps the old file's attributes and security for the
        // new one. Without a backup name some of its failures leave no file
        // at the path at all, so the old file goes to one first and is put
        // back when the new one could not take its place.
        heldTarget_.Close();
        const std::wstring backup = stem_ + L".old";
        if (::ReplaceFileW(target.c_str(), newPath_.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS,
                           nullptr, nullptr)) {
            ::DeleteFileW(backup.c_str());
            return ERROR_SUCCESS;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) ::MoveFileExW(backup.c_str(), target.c_str(), 0);
        return error;
    }

    [[noreturn]] void Fail(DWORD error) {
        if (!done_) {
            failure_ = error;
            Discard();
        }
        throw FileError{FileErrorCause::diskFull, error, fullPath_};
    }

    void Discard() {
        done_ = true;
        pending_.clear();
        newFile_.Close();
        ::DeleteFileW(newPath_.c_str());
        heldTarget_.Close();
    }

    std::wstring fullPath_;    // the file being written, as reported in errors
    UniqueHandle heldTarget_;  // the existing file, kept from others until the swap
    UniqueHandle newFile_;
    std::wstring newPath_;
    std::wstring stem_;
    std::string pending_;
    bool done_ = false;             // closed, failed or discarded
    DWORD failure_ = ERROR_SUCCESS;  // the failure that ended it, if one did
};

// The normalized path the platform reached when it opened the handle ("\\?\C:\..."),
// links resolved; empty when it cannot tell.
std::wstring FinalPath(HANDLE handle) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

}  // namespace

// Wine shows a Unix symbolic link as a plain file, but resolves it when
// opening, and then renames or deletes the file it points to: only the final
// path tells. Links above the file (a Documents folder that is itself a link)
// resolve the same way for the folder and the file, and are left alone.
bool SitsAtItsOwnPath(HANDLE file, const std::wstring& fullPath) {
    const std::size_t separator = fullPath.find_last_of(L'\\');
    if (separator == std::wstring::npos) return false;
    std::wstring folder = fullPath.substr(0, separator + 1);
    const std::wstring name = fullPath.substr(separator + 1);
    // Only the folder's name is asked for; nobody is kept out of it.
    const UniqueHandle folderHandle(::CreateFileW(folder.c_str(), 0,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folderHandle.IsValid()) return false;
    std::wstring expected = FinalPath(folderHandle.Get());
    const std::wstring reached = FinalPath(file);
    if (expected.empty() || reached.empty()) return false;
    if (expected.back() != L'\\') expected += L'\\';
    expected += name;
    return ::CompareStringOrdinal(expected.c_str(), static_cast<int>(expected.size()), reached.c_str(),
                                  static_cast<int>(reached.size()), TRUE) == CSTR_EQUAL;
}

namespace {

// True when no new file can be made at the path although none could be
// opened there: something holds the name, such as a link whose target is
// gone (Wine neither opens nor lists one). The probe is deleted at once.
bool NameIsTaken(const std::wstring& path) {
    const UniqueHandle probe(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return !probe.IsValid();
}

// Opens the file that is there, if any, to be replaced: exclusively, so that a
// file another program holds open counts as held, and without following a
// link. Null handle and true when there is no file; false when the file may
// not be replaced.
bool HoldExistingFile(const std::wstring& path, UniqueHandle& held) {
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND && !NameIsTaken(path);
    UniqueHandle file(handle);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.Get(), &info) || (info.dwFileAttributes & kRefusedAttributes) != 0 ||
        !SitsAtItsOwnPath(file.Get(), path)) {
        return false;
    }
    held = std::move(file);
    return true;
}

}  // namespace

std::unique_ptr<TextFileOutput> Win32FileStore::OpenForWriting(const std::wstring& path) {
    return OpenBytesForWriting(path);
}

std::unique_ptr<ByteFileOutput> Win32FileStore::OpenBytesForWriting(const std::wstring& path) {
    if (path.empty() || HasEmbeddedNul(path) || path.size() >= kMaxPathChars) return nullptr;
    std::wstring fullPath = FullPathOnExistingVolume(path);
    if (fullPath.empty()) return nullptr;

    UniqueHandle heldTarget;
    if (!HoldExistingFile(fullPath, heldTarget)) return nullptr;

    // Not inheritable: no program the tool starts gets a handle to it.
    // Share mode 0: nobody else may read or write the new file while we write it.
    // CREATE_NEW: a name that is taken, by anything, is never reused.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring stem = WorkFileStem(UnlimitedForm(fullPath));
        std::wstring newPath = stem + L".new";
        HANDLE handle = ::CreateFileW(newPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            return std::make_unique<Win32TextFile>(std::move(fullPath), std::move(heldTarget), handle,
                                                   std::move(newPath), std::move(stem));
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return nullptr;
    }
    return nullptr;
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

void Win32FileStore::RemoveWorkFiles(const std::wstring& path) {
    if (path.empty() || HasEmbeddedNul(path) || path.size() >= kMaxPathChars) return;
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return;
    const std::wstring folder = path.substr(0, separator + 1);
    const std::wstring name = path.substr(separator + 1);
    std::wstring fullFolder = FullPathOnExistingVolume(folder);
    if (fullFolder.empty()) return;
    if (fullFolder.back() != L'\\') fullFolder += L'\\';
    WIN32_FIND_DATAW entry;
    const FindHandle search(::FindFirstFileW(UnlimitedForm(fullFolder + name + L".*").c_str(), &entry));
    if (!search.IsValid()) return;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        if (!IsWorkFileOf(name, entry.cFileName)) continue;
        // Work names may be longer than MAX_PATH allows. A leftover that
        // cannot be deleted stays; it keeps nothing else from working.
        ::DeleteFileW(UnlimitedForm(fullFolder + entry.cFileName).c_str());
    } while (::FindNextFileW(search.Get(), &entry));
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
