#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <taskschd.h>
#include <wrl/client.h>

#include <new>
#include <optional>
#include <string>
#include <vector>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"

namespace tavrin::platform {

using Microsoft::WRL::ComPtr;

namespace {

struct BstrTraits {
    using Type = BSTR;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type text) { return text != nullptr; }
    static bool Free(Type text) {
        ::SysFreeString(text);
        return true;
    }
};
using Bstr = ScopedResource<BstrTraits>;

Bstr MakeBstr(const std::wstring& text) {
    Bstr result(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    if (!result.IsValid()) throw std::bad_alloc();
    return result;
}

// A task file is a few KiB; anything far bigger is not one the scheduler wrote.
constexpr DWORD kMaxDefinitionBytes = 1024 * 1024;

std::wstring WindowsDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const UINT length = ::GetSystemWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length);
    }
}

// The folder where the Task Scheduler keeps the definitions of its tasks, as
// the native system folder's "Tasks". A 32-bit process on 64-bit Windows
// would be sent to SysWOW64 through "System32"; "Sysnative" is the way past.
std::wstring TaskFilesFolder() {
    const std::wstring windows = WindowsDirectory();
    if (windows.empty()) return {};
    BOOL wow64 = FALSE;
    if (!::IsWow64Process(::GetCurrentProcess(), &wow64)) wow64 = FALSE;
    return windows + (wow64 ? L"\\Sysnative\\Tasks\\" : L"\\System32\\Tasks\\");
}

std::optional<std::wstring> DecodeDefinition(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        if (bytes.size() % 2 != 0) return std::nullopt;
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        for (std::size_t i = 0; i < text.size(); ++i) {
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        }
        return text;
    }
    std::size_t skip = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const int size = static_cast<int>(bytes.size() - skip);
    if (size == 0) return std::wstring();
    const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + skip, size, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + skip, size, text.data(), length);
    return text;
}

// The task's definition as stored by the scheduler, in UTF-16 (or UTF-8) task XML.
std::optional<std::wstring> ReadDefinitionFile(const std::wstring& taskName) {
    const std::wstring folder = TaskFilesFolder();
    if (folder.empty()) return std::nullopt;
    const std::wstring path = folder + taskName;
    const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return std::nullopt;
    std::string bytes;
    char buffer[8192];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr)) return std::nullopt;
        if (read == 0) break;
        bytes.append(buffer, read);
        if (bytes.size() > kMaxDefinitionBytes) return std::nullopt;
    }
    return DecodeDefinition(bytes);
}

}  // namespace

// Whether the task is there is asked of the Task Scheduler service: only its
// own "file not found" means that there is no such task. What the task runs
// and when is read from the file the service keeps the definition in, found
// once the service has confirmed the task: the interface's own reading of
// actions and triggers is not available under Wine, where the tests run.
ScheduledTask Win32TaskScheduler::ReadTask(const std::wstring& taskName) {
    ScheduledTask result;
    // S_FALSE (already initialised) is success; COM stays initialised on this thread.
    if (FAILED(::CoInitialize(nullptr))) return result;
    ComPtr<ITaskService> service;
    if (FAILED(::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&service)))) {
        return result;
    }
    VARIANT none{};
    none.vt = VT_EMPTY;
    if (FAILED(service->Connect(none, none, none, none))) return result;
    ComPtr<ITaskFolder> root;
    if (FAILED(service->GetFolder(MakeBstr(L"\\").Get(), &root))) return result;
    ComPtr<IRegisteredTask> task;
    const HRESULT found = root->GetTask(MakeBstr(taskName).Get(), &task);
    if (found == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
        result.lookup = TaskLookup::missing;
        return result;
    }
    if (FAILED(found)) return result;
    result.lookup = TaskLookup::found;
    result.definition = ReadDefinitionFile(taskName);
    return result;
}

}  // namespace tavrin::platform
