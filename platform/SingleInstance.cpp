#include "platform/SingleInstance.h"

namespace tavrin::platform {

namespace {

// Fixed names, not derived from the file name: a renamed copy is the same tool.
constexpr const wchar_t* kMutexName = L"Local\\Tavrin.KioskSetup.RunningCopy";
constexpr const wchar_t* kSectionName = L"Local\\Tavrin.KioskSetup.RunningCopyWindow";

constexpr DWORD kPollMs = 25;

}  // namespace

SingleInstance::SingleInstance()
    : mutex_(::CreateMutexW(nullptr, FALSE, kMutexName)),
      section_(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG), kSectionName)) {
    if (section_.IsValid()) {
        slot_ = static_cast<volatile LONG*>(::MapViewOfFile(section_.Get(), FILE_MAP_WRITE, 0, 0, sizeof(LONG)));
    }
    // Without a mutex there is nothing to agree on; this copy works alone.
    owner_ = !mutex_.IsValid() || TryTakePlace();
}

SingleInstance::~SingleInstance() {
    if (owner_) {
        PublishWindow(nullptr);
        if (mutex_.IsValid()) ::ReleaseMutex(mutex_.Get());
    }
    if (slot_ != nullptr) ::UnmapViewOfFile(const_cast<LONG*>(slot_));
}

bool SingleInstance::TryTakePlace() {
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
