#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <sddl.h>
#include <taskschd.h>
#include <wrl/client.h>

#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "platform/MessageWait.h"
#include "platform/TaskXmlReader.h"
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

struct LocalMemoryTraits {
    using Type = PSECURITY_DESCRIPTOR;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type memory) { return memory != nullptr; }
    static bool Free(Type memory) { return ::LocalFree(memory) == nullptr; }
};
using LocalSecurityDescriptor = ScopedResource<LocalMemoryTraits>;

Bstr MakeBstr(const std::wstring& text) {
    Bstr result(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    if (!result.IsValid()) throw std::bad_alloc();
    return result;
}

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

// The task's definition as stored by the scheduler in its file.
std::optional<TaskDefinition> ReadDefinitionFile(const std::wstring& taskName) {
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
        if (bytes.size() > kMaxTaskDocumentBytes) return std::nullopt;
    }
    return ReadTaskDocument(bytes);
}

// Wine's copy has an empty <Exec/> where the task's action is: an Exec
// without a command is no action (the schema requires one).
bool HasActions(const TaskDefinition& definition) {
    if (definition.actions.empty()) return false;
    for (const TaskAction& action : definition.actions) {
        if (action.exec && action.command.empty()) return false;
    }
    return true;
}

// The service's own copy of the definition is the reference (on Windows the
// file is not a supported interface and may differ from it). Wine's service
// gives that copy without actions or triggers; only then is the file read,
// as a task the service holds always has one.
std::optional<TaskDefinition> DefinitionOf(IRegisteredTask& task, const std::wstring& taskName) {
    BSTR xml = nullptr;
    if (SUCCEEDED(task.get_Xml(&xml))) {
        const Bstr owned(xml);
        if (owned.IsValid()) {
            std::optional<TaskDefinition> definition =
                ReadTaskDocumentText(std::wstring(owned.Get(), ::SysStringLen(owned.Get())));
            if (definition && HasActions(*definition)) return definition;
        }
    }
    return ReadDefinitionFile(taskName);
}

// Whether the task is there is asked of the Task Scheduler service: only its
// own "file not found" means that there is no such task.
ScheduledTask AskScheduler(const std::wstring& taskName) {
    ScheduledTask result;
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
    if (FAILED(found) || task == nullptr) return result;
    result.lookup = TaskLookup::found;
    result.definition = DefinitionOf(*task.Get(), taskName);
    return result;
}

// What the asking thread and the caller share. The thread holds its own
// reference: a caller that stops waiting leaves it to end on its own.
struct SchedulerQuestion {
    std::wstring taskName;
    ScheduledTask answer;
};

DWORD WINAPI Ask(void* parameter) {
    const std::unique_ptr<std::shared_ptr<SchedulerQuestion>> question(
        static_cast<std::shared_ptr<SchedulerQuestion>*>(parameter));
    // A thread of its own, in the multithreaded apartment: nothing here waits
    // on the caller's windows.
    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 0;
    try {
        (*question)->answer = AskScheduler((*question)->taskName);
    } catch (...) {
        (*question)->answer = ScheduledTask();
    }
    ::CoUninitialize();
    return 0;
}

// Where the task document waits for SCHTASKS: a new folder in the Windows
// folder's Temp, made with a protected list that lets only SYSTEM and the
// Administrators in. Temp itself lets every user create files, and a user's
// own folders (their Temp, Documents) are theirs to plant a document or a
// link in; this folder did not exist before, so nothing can be waiting in it,
// and no user may add, change or swap anything in it. It is held open
// without delete sharing until it is removed, so it cannot be renamed away.
class Win32TaskDocumentFile final : public TaskDocumentFile {
public:
    static std::unique_ptr<Win32TaskDocumentFile> Save(const std::wstring& xml) {
        const std::wstring windows = WindowsDirectory();
        GUID unique{};
        wchar_t uniqueText[40] = {};
        if (windows.empty() || FAILED(::CoCreateGuid(&unique)) || ::StringFromGUID2(unique, uniqueText, 40) == 0) {
            return nullptr;
        }
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)",
                                                                    SDDL_REVISION_1, &descriptor, nullptr)) {
            return nullptr;
        }
        const LocalSecurityDescriptor ownedDescriptor(descriptor);
        SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
        std::unique_ptr<Win32TaskDocumentFile> document(new Win32TaskDocumentFile());
        document->folder_ = windows + L"\\Temp\\Tavrin-" + uniqueText;
        if (!::CreateDirectoryW(document->folder_.c_str(), &security)) return nullptr;
        document->madeFolder_ = true;
        document->heldFolder_ = UniqueHandle(::CreateFileW(
            document->folder_.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!document->heldFolder_.IsValid()) return nullptr;

        document->path_ = document->folder_ + L"\\task.xml";
        const UniqueHandle file(::CreateFileW(document->path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &security,
                                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid()) return nullptr;
        document->madeFile_ = true;
        // UTF-16 LE with its mark, as the document declares.
        std::wstring text = L"\xFEFF" + xml;
        const DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < text.size(); ++i) {
            bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<char>((text[i] >> 8) & 0xFF);
        }
        DWORD written = 0;
        if (!::WriteFile(file.Get(), bytes.data(), size, &written, nullptr) || written != size) return nullptr;
        return document;
    }

    ~Win32TaskDocumentFile() override {
        if (madeFile_) ::DeleteFileW(path_.c_str());
        heldFolder_ = UniqueHandle();
        if (madeFolder_) ::RemoveDirectoryW(folder_.c_str());
    }

    const std::wstring& Path() const override { return path_; }

private:
    Win32TaskDocumentFile() = default;

    std::wstring folder_;
    std::wstring path_;
    UniqueHandle heldFolder_;
    bool madeFolder_ = false;
    bool madeFile_ = false;
};

}  // namespace

// The question goes to a thread of its own: the service (or a stalled task
// reader inside it) may not answer, and the caller's windows must keep
// answering meanwhile. After the limit the answer is "no answer" and the
// thread is left behind; it ends with the process at the latest.
ScheduledTask Win32TaskScheduler::ReadTask(const std::wstring& taskName) {
    const auto question = std::make_shared<SchedulerQuestion>();
    question->taskName = taskName;
    auto* threadCopy = new std::shared_ptr<SchedulerQuestion>(question);
    const UniqueHandle thread(::CreateThread(nullptr, 0, &Ask, threadCopy, 0, nullptr));
    if (!thread.IsValid()) {
        delete threadCopy;
        return ScheduledTask();
    }
    if (WaitDispatchingMessages(thread.Get(), limitMs_) != WaitEnd::signalled) return ScheduledTask();
    return question->answer;
}

LocalTime Win32TaskScheduler::LocalNow() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::unique_ptr<TaskDocumentFile> Win32TaskScheduler::SaveTaskDocument(const std::wstring& xml) {
    return Win32TaskDocumentFile::Save(xml);
}

}  // namespace tavrin::platform
