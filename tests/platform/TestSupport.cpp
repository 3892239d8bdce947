#include "TestSupport.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <stdexcept>

namespace tavrin::platform::testing {

namespace {

std::string Describe(const char* what, const std::wstring& path) {
    return std::string(what) + " failed (" + std::to_string(::GetLastError()) + "): " + ToUtf8(path);
}

using UnixFileNameFn = char*(__cdecl*)(const wchar_t*);

UnixFileNameFn WineUnixFileName() {
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<UnixFileNameFn>(
                        reinterpret_cast<void*>(::GetProcAddress(kernel, "wine_get_unix_file_name")))
                  : nullptr;
}

void SetImmutable(const std::wstring& path, bool immutable) {
    if (!RunningUnderWine()) return;
    const std::optional<std::string> unixPath = UnixPath(path);
    if (!unixPath) throw std::runtime_error("no Unix name for " + ToUtf8(path));
    RunUnixProgram(std::wstring(L"/usr/bin/chattr ") + (immutable ? L"+i" : L"-i") + L" \"" + FromUtf8(*unixPath) +
                       L"\"",
                   [&] {
                       const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
                       if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
                       return (file == INVALID_HANDLE_VALUE) == immutable;
                   });
}

}  // namespace

bool RunningUnderWine() { return WineUnixFileName() != nullptr; }

std::optional<std::string> UnixPath(const std::wstring& path) {
    const UnixFileNameFn unixName = WineUnixFileName();
    if (unixName == nullptr) return std::nullopt;
    char* name = unixName(path.c_str());
    if (name == nullptr) return std::nullopt;
    std::string text = name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return text;
}

ScratchFolder::ScratchFolder() {
    static unsigned counter = 0;
    wchar_t temp[MAX_PATH];
    const DWORD length = ::GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("no temp folder");
    path_ = std::wstring(temp, length) + L"tavrin-platform-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    DeleteTree(path_);
    if (!::CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error(Describe("CreateDirectoryW", path_));
}

ScratchFolder::~ScratchFolder() { DeleteTree(path_); }

void DeleteTree(const std::wstring& path) {
    if (!FileOrFolderExists(path)) return;
    if (RunningUnderWine()) {
        // Wine turns a Documents or Desktop folder it creates into a symbolic
        // link to $HOME; only the Unix side can delete a tree without
        // following such links. Scratch folders only.
        const std::optional<std::string> unixPath = UnixPath(path);
        if (!unixPath || unixPath->find("/tavrin-platform-") == std::string::npos) {
            throw std::runtime_error("refusing to delete " + ToUtf8(path));
        }
        RunUnixProgram(L"/bin/rm -rf -- \"" + FromUtf8(*unixPath) + L"\"", [&] { return !FileOrFolderExists(path); });
        return;
    }
    const DWORD attributes = ::GetFileAttributesW(LongForm(path).c_str());
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW entry;
        const HANDLE search = ::FindFirstFileW((LongForm(path) + L"\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name != L"." && name != L"..") DeleteTree(path + L"\\" + name);
            } while (::FindNextFileW(search, &entry));
            ::FindClose(search);
        }
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        ::RemoveDirectoryW(LongForm(path).c_str());
    } else {
        ::SetFileAttributesW(LongForm(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(LongForm(path).c_str());
    }
}

std::optional<std::string> ReadBytes(const std::wstring& path) {
    const HANDLE file = ::CreateFileW(LongForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[8192];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    ::CloseHandle(file);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = ::CreateFileW(LongForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error(Describe("CreateFileW", path));
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error(Describe("WriteFile", path));
}

bool FileOrFolderExists(const std::wstring& path) {
    return ::GetFileAttributesW(LongForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    const HANDLE search = ::FindFirstFileW((LongForm(folder) + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring PathOfLength(const std::wstring& folder, std::size_t length) {
    const std::wstring prefix = folder + L"\\f";
    if (length < prefix.size() + 4) throw std::runtime_error("folder path too long for the wanted length");
    return prefix + std::wstring(length - prefix.size() - 4, L'x') + L".txt";
}

std::wstring LongForm(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.rfind(L"\\\\", 0) == 0) return path;
    return L"\\\\?\\" + path;
}

ReadOnlyFile::ReadOnlyFile(std::wstring path) : path_(std::move(path)) {
    if (!::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY)) {
        throw std::runtime_error(Describe("SetFileAttributesW", path_));
    }
    SetImmutable(path_, true);
}

ReadOnlyFile::~ReadOnlyFile() {
    SetImmutable(path_, false);
    ::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
}

SmallVolume::SmallVolume(const ScratchFolder& scratch, wchar_t letter, unsigned kilobytes)
    : root_(std::wstring(1, letter) + L":\\") {
    if (!RunningUnderWine()) return;
    if (FileOrFolderExists(root_)) throw std::runtime_error("drive letter in use: " + ToUtf8(root_));
    // wine_get_unix_file_name gives C:\ as ".../dosdevices/c:/".
    const std::optional<std::string> driveC = UnixPath(L"C:\\");
    if (!driveC || driveC->size() < 3) throw std::runtime_error("no Unix name for C:");
    driveLink_ = FromUtf8(driveC->substr(0, driveC->size() - 3)) + std::wstring(1, towlower(letter)) + L":";

    const std::wstring folder = scratch / L"volume";
    if (!::CreateDirectoryW(folder.c_str(), nullptr)) throw std::runtime_error(Describe("CreateDirectoryW", folder));
    premountMarker_ = folder + L"\\not-mounted";
    WriteBytes(premountMarker_, "");
    const std::optional<std::string> unixFolder = UnixPath(folder);
    if (!unixFolder) throw std::runtime_error("no Unix name for " + ToUtf8(folder));
    mountPoint_ = FromUtf8(*unixFolder);

    // The mount hides the marker; the link makes the drive appear.
    RunUnixProgram(L"/bin/mount -t tmpfs -o size=" + std::to_wstring(kilobytes) + L"k tmpfs \"" + mountPoint_ + L"\"",
                   [&] { return !FileOrFolderExists(premountMarker_); });
    mounted_ = true;
    RunUnixProgram(L"/bin/ln -s \"" + mountPoint_ + L"\" \"" + driveLink_ + L"\"",
                   [&] { return FileOrFolderExists(root_); });
}

SmallVolume::~SmallVolume() {
    if (!mounted_) return;
    try {
        RunUnixProgram(L"/bin/rm -f \"" + driveLink_ + L"\"", [&] { return !FileOrFolderExists(root_); });
        // Lazy: the mount goes at once even if Wine still has the folder open.
        RunUnixProgram(L"/bin/umount -l \"" + mountPoint_ + L"\"", [&] { return FileOrFolderExists(premountMarker_); });
    } catch (const std::runtime_error&) {
    }
}

void SmallVolume::Fill() {
    const std::wstring path = root_ + L"filler";
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error(Describe("CreateFileW", path));
    ::SetFilePointer(file, 0, nullptr, FILE_END);
    const std::string block(4096, '\0');
    DWORD written = 0;
    while (::WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) && written > 0) {
    }
    ::CloseHandle(file);
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(root_.c_str(), &available, nullptr, nullptr) || available.QuadPart != 0) {
        throw std::runtime_error("the volume is not full: " + ToUtf8(root_));
    }
}

void SmallVolume::Unfill() { ::DeleteFileW((root_ + L"filler").c_str()); }

bool RunUnixProgram(const std::wstring& commandLine, const std::function<bool()>& done) {
    // Wine starts a Linux executable named by its Z: path like any program.
    const std::size_t end = commandLine.find(L' ');
    std::wstring program = L"Z:" + commandLine.substr(0, end);
    for (wchar_t& c : program) {
        if (c == L'/') c = L'\\';
    }
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        return false;
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    // The wait can end before the Linux program has, so wait for its effect.
    for (int waited = 0; waited < 10000; waited += 10) {
        if (done()) return true;
        ::Sleep(10);
    }
    throw std::runtime_error("no effect from " + ToUtf8(commandLine));
}

std::optional<std::wstring> EnvironmentValue(const std::wstring& name) {
    std::vector<wchar_t> buffer(32768);
    ::SetLastError(ERROR_SUCCESS);
    const DWORD length = ::GetEnvironmentVariableW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::wstring(buffer.data(), length);
}

ScopedEnvironment::ScopedEnvironment(std::wstring name, const std::wstring& value)
    : name_(std::move(name)), previous_(EnvironmentValue(name_)) {
    ::SetEnvironmentVariableW(name_.c_str(), value.c_str());
}

ScopedEnvironment::~ScopedEnvironment() {
    ::SetEnvironmentVariableW(name_.c_str(), previous_ ? previous_->c_str() : nullptr);
}

RegistryKeySnapshot::RegistryKeySnapshot(HKEY root, std::wstring subKey) : root_(root), subKey_(std::move(subKey)) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root_, subKey_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    existed_ = true;
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = 16384;
        DWORD type = 0;
        DWORD size = 0;
        if (::RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        Value value{std::wstring(name, nameLength), type, std::vector<BYTE>(size)};
        DWORD dataSize = size;
        ::RegQueryValueExW(key, value.name.c_str(), nullptr, &value.type, value.data.data(), &dataSize);
        value.data.resize(dataSize);
        values_.push_back(std::move(value));
    }
    ::RegCloseKey(key);
}

RegistryKeySnapshot::~RegistryKeySnapshot() {
    ::RegDeleteTreeW(root_, subKey_.c_str());
    ::RegDeleteKeyW(root_, subKey_.c_str());
    if (!existed_) return;
    HKEY key = nullptr;
    if (::RegCreateKeyExW(root_, subKey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    for (const Value& value : values_) {
        ::RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    }
    ::RegCloseKey(key);
}

ScopedRegistryValue::ScopedRegistryValue(HKEY root, std::wstring subKey, std::wstring name)
    : root_(root), subKey_(std::move(subKey)), name_(std::move(name)) {
    DWORD size = 0;
    if (::RegGetValueW(root_, subKey_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type_, nullptr, &size) !=
        ERROR_SUCCESS) {
        return;
    }
    data_.resize(size);
    if (::RegGetValueW(root_, subKey_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type_, data_.data(),
                       &size) == ERROR_SUCCESS) {
        data_.resize(size);
        existed_ = true;
    }
}

ScopedRegistryValue::~ScopedRegistryValue() {
    if (existed_) {
        try {
            SetRegistryBytes(root_, subKey_, name_, type_, data_.data(), static_cast<DWORD>(data_.size()));
        } catch (const std::runtime_error&) {
        }
    } else {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(root_, subKey_.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            ::RegDeleteValueW(key, name_.c_str());
            ::RegCloseKey(key);
        }
    }
}

void SetRegistryBytes(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD type,
                      const void* data, DWORD size) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        throw std::runtime_error("RegCreateKeyExW failed: " + ToUtf8(subKey));
    }
    const LSTATUS status =
        ::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS) throw std::runtime_error("RegSetValueExW failed: " + ToUtf8(name));
}

void SetRegistryString(HKEY root, const std::wstring& subKey, const std::wstring& name, const std::wstring& text,
                       DWORD type) {
    SetRegistryBytes(root, subKey, name, type, text.c_str(),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::wstring ModuleFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text(path, length);
    return text.substr(0, text.find_last_of(L'\\'));
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                          nullptr);
    return bytes;
}

std::wstring FromUtf8(const std::string& bytes) {
    if (bytes.empty()) return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return text;
}

namespace {

template <typename Visit>
void ForEachProcess(const std::wstring& fileName, Visit visit) {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) throw std::runtime_error("no process snapshot");
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
        std::wstring name = entry.szExeFile;
        const std::size_t slash = name.find_last_of(L"\\/");
        if (slash != std::wstring::npos) name.erase(0, slash + 1);
        if (::CompareStringOrdinal(name.c_str(), -1, fileName.c_str(), -1, TRUE) == CSTR_EQUAL) {
            visit(entry.th32ProcessID);
        }
    }
    ::CloseHandle(snapshot);
}

}  // namespace

int CountProcesses(const std::wstring& fileName) {
    int count = 0;
    ForEachProcess(fileName, [&](DWORD) { ++count; });
    return count;
}

void EndProcesses(const std::wstring& fileName) {
    ForEachProcess(fileName, [](DWORD id) {
        const HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (process == nullptr) return;
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, 5000);
        ::CloseHandle(process);
    });
}

bool WaitUntil(const std::function<bool()>& done, unsigned long limitMs) {
    const ULONGLONG deadline = ::GetTickCount64() + limitMs;
    for (;;) {
        if (done()) return true;
        if (::GetTickCount64() >= deadline) return done();
        ::Sleep(20);
    }
}

ChildProcess::ChildProcess(const std::wstring& program, const std::wstring& arguments) {
    const std::wstring path = ModuleFolder() + L"\\" + program;
    std::wstring line = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        return;
    }
    ::CloseHandle(process.hThread);
    process_ = process.hProcess;
}

ChildProcess::~ChildProcess() {
    if (process_ == nullptr) return;
    if (::WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
        ::TerminateProcess(process_, 1);
        ::WaitForSingleObject(process_, 5000);
    }
    ::CloseHandle(process_);
}

std::optional<unsigned long> ChildProcess::Wait(unsigned long limitMs) {
    if (process_ == nullptr || ::WaitForSingleObject(process_, limitMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process_, &exitCode)) return std::nullopt;
    return exitCode;
}

}  // namespace tavrin::platform::testing
