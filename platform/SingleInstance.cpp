#include "platform/SingleInstance.h"

#include <string>
#include <vector>

namespace tavrin::platform {

namespace {

// Fixed names, not derived from the file name: a renamed copy is the same tool.
constexpr const wchar_t* kMutexName = L"Local\\Tavrin.KioskSetup.RunningCopy";
constexpr const wchar_t* kSectionName = L"Local\\Tavrin.KioskSetup.RunningCopyWindow";

constexpr DWORD kPollMs = 25;

// The file a process runs; empty when it cannot be asked.
std::wstring ImagePath(HANDLE process) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (::QueryFullProcessImageNameW(process, 0, buffer.data(), &length)) return std::wstring(buffer.data(), length);
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
        buffer.resize(buffer.size() * 4);
    }
    return {};
}

// Every byte of a file, read while nobody may change it; nothing when it
// cannot be read.
bool ReadWholeFile(const std::wstring& path, std::vector<char>& bytes) {
    const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.IsValid() || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart > 64 * 1024 * 1024) return false;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr) ||
            read == 0) {
            return false;
        }
        done += read;
    }
    return true;
}

}  // namespace

bool WindowBelongsToThisProgram(HWND window) {
    if (window == nullptr || !::IsWindow(window)) return false;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId == 0) return false;
    const UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.IsValid()) return false;
    const std::wstring theirs = ImagePath(process.Get());
    const std::wstring ours = ImagePath(::GetCurrentProcess());
    if (theirs.empty() || ours.empty()) return false;
    std::vector<char> theirBytes;
    std::vector<char> ourBytes;
    return ReadWholeFile(theirs, theirBytes) && ReadWholeFile(ours, ourBytes) && theirBytes == ourBytes;
}

SingleInstance::SingleInstance() : mutex_(::CreateMutexW(nullptr, FALSE, kMutexName)) {
    // The name held by another kind of object (or by a mutex this copy may
    // not open) is taken: as if another copy ran. Without a mutex for any
    // other reason there is nothing to agree on; this copy works alone.
    const DWORD mutexError = mutex_.IsValid() ? ERROR_SUCCESS : ::GetLastError();
    const bool nameTaken = mutexError == ERROR_INVALID_HANDLE || mutexError == ERROR_ACCESS_DENIED;
    section_ = UniqueHandle(
        ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG), kSectionName));
    if (section_.IsValid()) {
        slot_ = static_cast<volatile LONG*>(::MapViewOfFile(section_.Get(), FILE_MAP_WRITE, 0, 0, sizeof(LONG)));
    }
    owner_ = mutex_.IsValid() ? TryTakePlace() : !nameTaken;
}

SingleInstance::~SingleInstance() {
    if (owner_) {
        PublishWindow(nullptr);
        if (mutex_.IsValid()) ::ReleaseMutex(mutex_.Get());
    }
    if (slot_ != nullptr) ::UnmapViewOfFile(const_cast<LONG*>(slot_));
}

bool SingleInstance::TryTakePlace() {
    if (!mutex_.IsValid()) return false;
    const DWORD result = ::WaitForSingleObject(mutex_.Get(), 0);
    if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) return false;
    // A copy that died may have left its window in the section.
    owner_ = true;
    PublishWindow(nullptr);
    return true;
}

void SingleInstance::PublishWindow(HWND window) {
    if (!owner_ || slot_ == nullptr) return;
    // A window handle has 32 significant bits in 32- and 64-bit programs alike.
    InterlockedExchange(slot_, HandleToLong(window));
}

HWND SingleInstance::PublishedWindow() const {
    if (slot_ == nullptr) return nullptr;
    const LONG value = InterlockedCompareExchange(slot_, 0, 0);
    const HWND window = static_cast<HWND>(LongToHandle(value));
    return window != nullptr && ::IsWindow(window) ? window : nullptr;
}

HWND SingleInstance::FindRunningCopyWindow(DWORD waitMs) {
    if (owner_) return nullptr;
    const ULONGLONG deadline = ::GetTickCount64() + waitMs;
    for (;;) {
        // The place first: a window is offered only while its copy holds it.
        if (TryTakePlace()) return nullptr;
        if (const HWND window = PublishedWindow()) return window;
        if (::GetTickCount64() >= deadline) return nullptr;
        ::Sleep(kPollMs);
    }
}

}  // namespace tavrin::platform
