#pragma once

// Small helpers for the platform tests: scratch folders, raw file bytes,
// read-only files that hold under Wine, and registry/environment changes
// that are undone when the test ends (all tests share one Wine prefix).

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavrin::platform::testing {

bool RunningUnderWine();
// The Unix name Wine gives a path; nothing outside Wine.
std::optional<std::string> UnixPath(const std::wstring& path);

// A new, empty folder under the temp folder, deleted with its contents
// (read-only and immutable files included) when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

void DeleteTree(const std::wstring& path);

std::optional<std::string> ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
bool FileOrFolderExists(const std::wstring& path);

// The names in a folder (files and folders, without "." and ".."), sorted.
std::vector<std::wstring> FolderEntries(const std::wstring& folder);

// A path of exactly `length` characters naming a file in `folder`.
std::wstring PathOfLength(const std::wstring& folder, std::size_t length);
// The same path in the form that lifts the MAX_PATH limit.
std::wstring LongForm(const std::wstring& path);

// Makes a file refuse writing and deletion as Windows does for a read-only
// file. Under Wine the tests run as root, which ignores the read-only mode
// bits, so the Unix file is also made immutable (chattr +i). Undone on
// destruction.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(std::wstring path);
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    ~ReadOnlyFile();

private:
    std::wstring path_;
};

// A small volume that can really be filled up: a tmpfs of `kilobytes`,
// mounted on a folder of `scratch` and linked as drive `letter` of the prefix
// (under Wine, as root; Available() is false elsewhere). The drive letter and
// the mount go with the object.
class SmallVolume {
public:
    SmallVolume(const ScratchFolder& scratch, wchar_t letter, unsigned kilobytes);
    SmallVolume(const SmallVolume&) = delete;
    SmallVolume& operator=(const SmallVolume&) = delete;
    ~SmallVolume();

    bool Available() const { return mounted_; }
    std::wstring operator/(const std::wstring& name) const { return root_ + name; }  // "P:\" + name
    // Writes one file until not a byte more fits; Unfill deletes it.
    void Fill();
    void Unfill();

private:
    std::wstring root_;
    std::wstring mountPoint_;  // Unix paths
    std::wstring driveLink_;
    std::wstring premountMarker_;
    bool mounted_ = false;
};

// Runs a Linux program from the Wine side and waits until done() holds (at
// most 10 s, else throws); false when it could not be started.
bool RunUnixProgram(const std::wstring& commandLine, const std::function<bool()>& done);

// Sets an environment variable of this process (and so of the processes it
// starts) and restores the previous state on destruction.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::wstring name, const std::wstring& value);
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment();

private:
    std::wstring name_;
    std::optional<std::wstring> previous_;
};

std::optional<std::wstring> EnvironmentValue(const std::wstring& name);

// Records a registry key (its values, not its subkeys) and writes the
// record back on destruction: the key is deleted, then recreated as it was
// if it existed.
class RegistryKeySnapshot {
public:
    RegistryKeySnapshot(HKEY root, std::wstring subKey);
    RegistryKeySnapshot(const RegistryKeySnapshot&) = delete;
    RegistryKeySnapshot& operator=(const RegistryKeySnapshot&) = delete;
    ~RegistryKeySnapshot();

private:
    struct Value {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    HKEY root_;
    std::wstring subKey_;
    bool existed_ = false;
    std::vector<Value> values_;
};

// Records one registry value and puts it back (or deletes it, if it did not
// exist) on destruction.
class ScopedRegistryValue {
public:
    ScopedRegistryValue(HKEY root, std::wstring subKey, std::wstring name);
    ScopedRegistryValue(const ScopedRegistryValue&) = delete;
    ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;
    ~ScopedRegistryValue();

private:
    HKEY root_;
    std::wstring subKey_;
    std::wstring name_;
    bool existed_ = false;
    DWORD type_ = REG_NONE;
    std::vector<BYTE> data_;
};

// Creates the key if needed and sets a value of the given type to raw bytes.
void SetRegistryBytes(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD type,
                      const void* data, DWORD size);
void SetRegistryString(HKEY root, const std::wstring& subKey, const std::wstring& name, const std::wstring& text,
                       DWORD type = REG_SZ);

std::wstring ModuleFolder();

// The processes whose program file is called `fileName` (e.g. L"schtasks.exe").
int CountProcesses(const std::wstring& fileName);
// Ends them all; for tests that start such programs, after the test.
void EndProcesses(const std::wstring& fileName);
// Waits up to `limitMs` for `done` to hold; its last answer.
bool WaitUntil(const std::function<bool()>& done, unsigned long limitMs);

// A program of the test folder running with `arguments`, ended (if still
// running) when the object goes.
class ChildProcess {
public:
    ChildProcess(const std::wstring& program, const std::wstring& arguments);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();
    bool Started() const { return process_ != nullptr; }
    HANDLE Handle() const { return process_; }
    // The exit code once it ended within `limitMs`; empty otherwise.
    std::optional<unsigned long> Wait(unsigned long limitMs);

private:
    HANDLE process_ = nullptr;
};
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& bytes);

}  // namespace tavrin::platform::testing
