#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tavrin {

// What the procedures need from the platform, in small pieces so that each
// rule can be tested with fakes. The Win32 implementations live in platform/.

// A generated-text file open for writing. WriteString and Close throw
// FileError (cause diskFull) when a character cannot be written or the bytes
// cannot reach the disk. Destroying a file that is still open closes it and
// swallows any error (that only happens after a write has already thrown).
class TextFileOutput {
public:
    virtual ~TextFileOutput() = default;
    virtual void WriteString(const std::wstring& text) = 0;  // no line end is added
    virtual void Close() = 0;
};

class FileStore {
public:
    virtual ~FileStore() = default;
    // Creates the file, or truncates it. Null when it cannot be opened; that
    // is never raised as an error and leaves the disk as it was.
    virtual std::unique_ptr<TextFileOutput> OpenForWriting(const std::wstring& path) = 0;
    // True when a file or folder exists at exactly this path.
    virtual bool Exists(const std::wstring& path) = 0;
    // Deletes the file; throws FileError when the platform refuses.
    virtual void Remove(const std::wstring& path) = 0;
};

class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    // Runs the command line and waits for it. Returns the exit code, or -1
    // when the program could not be started or did not end within the
    // runner's time limit (it is ended then).
    virtual int RunCommandLine(const std::wstring& commandLine) = 0;
};

struct ReportedVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    virtual std::wstring QueryUserName() = 0;             // empty on failure
    virtual ReportedVersion QueryReportedVersion() = 0;  // 0.0 when unknown
    virtual bool IsNativeAmd64() = 0;
};

// The five texts of one shell shortcut.
struct ShortcutRecord {
    std::wstring LinkPath;
    std::wstring TargetPath;
    std::wstring Arguments;
    std::wstring WorkingDirectory;
    std::wstring Description;
};

class ShortcutWriter {
public:
    virtual ~ShortcutWriter() = default;
    virtual bool SaveShortcut(const ShortcutRecord& record) = 0;  // true when saved
};

struct PlatformServices {
    FileStore& files;
    CommandRunner& commands;
    SystemInfo& system;
    ShortcutWriter& shortcuts;
};

}  // namespace tavrin
