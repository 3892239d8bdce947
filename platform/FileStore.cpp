#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cwchar>
#include <cstring>
#include <new>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Win32Handles.h"
#include "platform/SwapSeam.h"
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
constexpr DWORD kWriteBlock = 4096;

// A scanner or a sync client that opens a file just as it is swapped holds it
// for a moment: the swap is tried this often, this far apart.
constexpr int kSwapAttempts = 6;
constexpr DWORD kSwapRetryMs = 100;

// Attributes of an existing file that make it one we do not replace. Read-only
// as the platform would refuse a write; hidden and system as CreateFileW with
// CREATE_ALWAYS and FILE_ATTRIBUTE_NORMAL refuses them; a folder because it is
// not a file. A reparse point is decided by its tag (ReparseTagKeepsFileHere).
constexpr DWORD kRefusedAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

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

// "<name>.<process>-<serial>.new": the new file's own name while it is written.
std::wstring WorkFileName(const std::wstring& name) {
    static unsigned serial = 0;
    return name + L'.' + DecimalText(::GetCurrentProcessId()) + L'-' + DecimalText(++serial) + L".new";
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

// A function of ntdll, which every process has loaded; null when missing.
template <typename Function>
Function NtFunction(const char* name) {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll == nullptr ? nullptr
                            : reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(ntdll, name)));
}

// The system's own name of what the handle reached (links resolved), in the
// same form for a folder and a file, at any length; empty when it cannot tell.
// (GetFinalPathNameByHandleW stops at MAX_PATH on some systems, and a work
// file's name may be longer.)
std::wstring ObjectName(HANDLE handle) {
    using QueryObjectFunction = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    constexpr int kObjectNameInformation = 1;
    const auto query = NtFunction<QueryObjectFunction>("NtQueryObject");
    if (query == nullptr) return {};
    std::vector<unsigned char> buffer(2048);
    for (int attempt = 0; attempt < 4; ++attempt) {
        ULONG needed = 0;
        const LONG status =
            query(handle, kObjectNameInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status >= 0) {
            const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
            if (name->Buffer == nullptr) return {};
            return std::wstring(name->Buffer, name->Length / sizeof(wchar_t));
        }
        buffer.resize(std::max<std::size_t>(needed, buffer.size()) * 2);
    }
    return {};
}

// True when the open file is `name` directly in the folder whose ObjectName
// is `folderName`, not a file elsewhere reached through a link.
bool IsNamedInFolder(HANDLE file, const std::wstring& folderName, const std::wstring& name) {
    const std::wstring reached = ObjectName(file);
    if (folderName.empty() || reached.empty()) return false;
    std::wstring expected = folderName;
    if (expected.back() != L'\\') expected += L'\\';
    return SamePath(expected + name, reached);
}

// The link count of the open file; 0 when it cannot be read.
DWORD LinkCount(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileInformationByHandle(file, &info) ? info.nNumberOfLinks : 0;
}

// A reparse point that leads elsewhere (a link, a junction, a mount point) is
// refused; one that keeps the file's data here (a synced folder's placeholder)
// is a file like any other.
bool IsLinkOfSomeKind(HANDLE file, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!::GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag)) return true;
    return !ReparseTagKeepsFileHere(tag.ReparseTag);
}

// Deletes the open file by its handle, never by a name someone else could
// have taken meanwhile; false when the platform refuses.
bool DeleteByHandle(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

// FILE_RENAME_INFORMATION as the system defines it.
struct RenameInformation {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG fileNameLength;
    WCHAR fileName[1];
};

using SetInformationFileFunction = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, int);
using StatusToErrorFunction = ULONG(NTAPI*)(LONG);
constexpr int kFileRenameInformation = 10;

// Gives the open file the name `name` in the held folder, by handle: the name
// is looked up in that folder itself, never through a path someone could have
// pointed elsewhere meanwhile. The platform error code; ERROR_SUCCESS when done.
// (SetFileInformationByHandle turns a bare name into a path below the current
// folder on some systems, so the system call is made directly.)
DWORD RenameIntoFolder(HANDLE file, HANDLE folder, const std::wstring& name, bool replace) {
    const auto setInformation = NtFunction<SetInformationFileFunction>("NtSetInformationFile");
    const auto toError = NtFunction<StatusToErrorFunction>("RtlNtStatusToDosError");
    if (setInformation == nullptr || toError == nullptr) return ERROR_PROC_NOT_FOUND;

    const std::size_t nameBytes = name.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(RenameInformation) + nameBytes);
    auto* info = new (buffer.data()) RenameInformation{};
    info->replaceIfExists = replace ? TRUE : FALSE;
    info->rootDirectory = folder;
    info->fileNameLength = static_cast<ULONG>(nameBytes);
    std::memcpy(info->fileName, name.data(), nameBytes);
    IO_STATUS_BLOCK status{};
    const LONG result =
        setInformation(file, &status, info, static_cast<ULONG>(buffer.size()), kFileRenameInformation);
    if (result >= 0) return ERROR_SUCCESS;
    const ULONG error = toError(result);
    return error != ERROR_SUCCESS ? error : static_cast<DWORD>(ERROR_ACCESS_DENIED);
}

bool IsWorthRetrying(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// A file open for writing under a name of its own in the folder of the file
// it is to become. The folder is held open without delete sharing and the new
// file without any sharing for the whole write, so neither can be renamed,
// deleted or linked to meanwhile. Nothing at the file's own path changes until
// Close, which flushes the new file and renames it, by handle, over the old
// one in one step. Any failure, or destruction before Close, deletes the new
// file and leaves the old one (or its absence) exactly as it was.
class Win32TextFile final : public ByteFileOutput {
public:
    Win32TextFile(std::wstring fullPath, UniqueHandle folder, std::wstring folderName, UniqueHandle heldTarget,
                  UniqueHandle newFile, std::wstring workName)
        : fullPath_(std::move(fullPath)),
          folder_(std::move(folder)),
          folderName_(std::move(folderName)),
          heldTarget_(std::move(heldTarget)),
          newFile_(std::move(newFile)),
          workName_(std::move(workName)) {}

    ~Win32TextFile() override {
        if (!done_) Discard();
    }

    void WriteString(const std::wstring& text) override {
        if (done_) Fail(ERROR_INVALID_HANDLE);
        const std::optional<std::string> bytes = EncodeForDisk(text);
        // Not the system's failure: a character the disk's code page lacks.
        if (!bytes) Fail(ERROR_NO_UNICODE_TRANSLATION, FileErrorCause::diskFull);
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
            if (failure_ != ERROR_SUCCESS) throw FileError{failureCause_, failure_, fullPath_};
            return;
        }
        DWORD error = Flush();
        if (error == ERROR_SUCCESS && !::FlushFileBuffers(newFile_.Get())) error = ::GetLastError();
        if (error == ERROR_SUCCESS) error = TakeThePlaceOfTheOldFile();
        if (error != ERROR_SUCCESS) Fail(error);
        done_ = true;
        newFile_.Close();
        folder_.Close();
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

    // Renames the finished new file over the old one; the platform error code
    // on failure, with the old file untouched under its own name.
    DWORD TakeThePlaceOfTheOldFile() {
        // Still one link, still in the held folder under its own name: nobody
        // linked to it or moved it while it was written.
        if (LinkCount(newFile_.Get()) != 1 || !IsNamedInFolder(newFile_.Get(), folderName_, workName_) ||
            !SamePath(ObjectName(folder_.Get()), folderName_)) {
            return ERROR_ACCESS_DENIED;
        }
        const std::size_t separator = fullPath_.find_last_of(L'\\');
        const std::wstring name = fullPath_.substr(separator + 1);
        // Without an old file, only a complete new one may appear, and never
        // over something that has appeared there since. The old file must be
        // let go of for a rename to replace it.
        const bool replace = heldTarget_.IsValid();
        heldTarget_.Close();
        BeforeFileSwap(UnlimitedForm(fullPath_.substr(0, separator + 1) + workName_), UnlimitedForm(fullPath_));
        DWORD error = ERROR_SUCCESS;
        for (int attempt = 1; attempt <= kSwapAttempts; ++attempt) {
            error = RenameIntoFolder(newFile_.Get(), folder_.Get(), name, replace);
            if (error == ERROR_SUCCESS || !IsWorthRetrying(error) || attempt == kSwapAttempts) break;
            ::Sleep(kSwapRetryMs);
        }
        return error;
    }

    [[noreturn]] void Fail(DWORD error, std::optional<FileErrorCause> cause = std::nullopt) {
        if (!done_) {
            failure_ = error;
            failureCause_ = cause ? *cause : FileErrorCauseFromOsError(error);
            Discard();
        }
        throw FileError{cause ? *cause : FileErrorCauseFromOsError(error), error, fullPath_};
    }

    void Discard() {
        done_ = true;
        pending_.clear();
        if (newFile_.IsValid()) DeleteByHandle(newFile_.Get());
        newFile_.Close();
        heldTarget_.Close();
        folder_.Close();
    }

    std::wstring fullPath_;        // the file being written, as reported in errors
    UniqueHandle folder_;          // its folder, kept from being renamed until the swap
    std::wstring folderName_;
    UniqueHandle heldTarget_;      // the existing file, kept from others until the swap
    UniqueHandle newFile_;
    std::wstring workName_;        // the new file's name in the folder
    std::string pending_;
    bool done_ = false;                // closed, failed or discarded
    DWORD failure_ = ERROR_SUCCESS;    // the failure that ended it, if one did
    FileErrorCause failureCause_ = FileErrorCause::none;
};

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
    return IsNamedInFolder(file, ObjectName(folderHandle.Get()), name);
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
bool HoldExistingFile(const std::wstring& path, const std::wstring& folderName, const std::wstring& name,
                      UniqueHandle& held) {
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND && !NameIsTaken(path);
    UniqueHandle file(handle);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.Get(), &info) || (info.dwFileAttributes & kRefusedAttributes) != 0 ||
        IsLinkOfSomeKind(file.Get(), info.dwFileAttributes) || !IsNamedInFolder(file.Get(), folderName, name)) {
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
    const std::size_t separator = fullPath.find_last_of(L'\\');
    if (separator == std::wstring::npos || separator + 1 == fullPath.size()) return nullptr;
    const std::wstring folderPath = UnlimitedForm(fullPath.substr(0, separator + 1));
    const std::wstring name = fullPath.substr(separator + 1);

    // Listing access, no delete sharing: the folder cannot be renamed (nor a
    // link put in its place) until the new file has taken its name.
    UniqueHandle folder(::CreateFileW(folderPath.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder.IsValid()) return nullptr;
    std::wstring folderName = ObjectName(folder.Get());
    if (folderName.empty()) return nullptr;

    UniqueHandle heldTarget;
    if (!HoldExistingFile(fullPath, folderName, name, heldTarget)) return nullptr;

    // Not inheritable: no program the tool starts gets a handle to it.
    // Share mode 0: nobody else may open, rename, delete or link to the new
    // file while we write it; delete access lets it be renamed or deleted by
    // this handle. CREATE_NEW: a name that is taken, by anything, is never reused.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring workName = WorkFileName(name);
        UniqueHandle newFile(::CreateFileW((folderPath + workName).c_str(),
                                           GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (newFile.IsValid()) {
            // Made where we meant, and only there.
            if (LinkCount(newFile.Get()) != 1 || !IsNamedInFolder(newFile.Get(), folderName, workName)) {
                DeleteByHandle(newFile.Get());
                return nullptr;
            }
            return std::make_unique<Win32TextFile>(std::move(fullPath), std::move(folder), std::move(folderName),
                                                   std::move(heldTarget), std::move(newFile), std::move(workName));
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
        const std::wstring leftover = UnlimitedForm(fullFolder + entry.cFileName);
        const std::wstring own = UnlimitedForm(fullFolder + name);
        const std::size_t length = std::wcslen(entry.cFileName);
        const bool oldCopy = length > 4 && std::wcscmp(entry.cFileName + length - 4, L".old") == 0;
        // An old copy, left by a run that was killed (or could not put it back)
        // while the file was away, is the only one when the file is missing:
        // it goes back under its own name, never over anything, and is never
        // deleted then.
        if (oldCopy && ::GetFileAttributesW(own.c_str()) == INVALID_FILE_ATTRIBUTES &&
            ::GetLastError() == ERROR_FILE_NOT_FOUND) {
            ::MoveFileExW(leftover.c_str(), own.c_str(), MOVEFILE_WRITE_THROUGH);
            continue;
        }
        ::DeleteFileW(leftover.c_str());
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
