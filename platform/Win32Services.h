#pragma once

#include <optional>

#include "procedures/AccountCheck.h"
#include "procedures/FileError.h"
#include "procedures/Services.h"
#include "procedures/SetUpStatus.h"

namespace tavrin::platform {

// A file of the file store that also takes bytes as they are (a shortcut's).
class ByteFileOutput : public TextFileOutput {
public:
    // Throws FileError as WriteString does.
    virtual void WriteBytes(const std::string& bytes) = 0;
};

// A file store that also writes bytes as they are.
class ByteFileStore : public FileStore {
public:
    virtual std::unique_ptr<ByteFileOutput> OpenBytesForWriting(const std::wstring& path) = 0;
};

class Win32FileStore final : public ByteFileStore {
public:
    std::unique_ptr<TextFileOutput> OpenForWriting(const std::wstring& path) override;
    // The same file, open for bytes: every file the tool puts on disk goes
    // through this one writer.
    std::unique_ptr<ByteFileOutput> OpenBytesForWriting(const std::wstring& path) override;
    bool Exists(const std::wstring& path) override;
    void Remove(const std::wstring& path) override;
    void RemoveWorkFiles(const std::wstring& path) override;
};

// Runs a program of the system directory and waits for it, dispatching the
// calling thread's messages meanwhile (its windows keep painting and
// answering). A program still running after `limitMs` is ended and the
// command gives -1.
class Win32CommandRunner final : public CommandRunner {
public:
    static constexpr unsigned long kDefaultLimitMs = 60000;

    explicit Win32CommandRunner(unsigned long limitMs = kDefaultLimitMs) : limitMs_(limitMs) {}
    int RunCommandLine(const std::wstring& commandLine) override;

private:
    unsigned long limitMs_;
};

// One GET of the unit's page through WinHTTP (loaded at run time from the
// system directory), on a worker thread. The calling thread dispatches its
// messages while it waits, at most `limitMs` in all; `stopWhen`, when set, is
// asked (with `stopContext`) meanwhile and ends the wait with a "stopped"
// answer when it returns true.
class Win32PageProbe final : public PageProbe {
public:
    static constexpr unsigned long kDefaultLimitMs = 5000;

    explicit Win32PageProbe(unsigned long limitMs = kDefaultLimitMs) : limitMs_(limitMs) {}
    PageAnswer RequestPage(const std::wstring& linkAddress) override;
    bool (*stopWhen)(const void* stopContext) = nullptr;
    const void* stopContext = nullptr;

private:
    unsigned long limitMs_;
};

class Win32SystemInfo final : public SystemInfo {
public:
    std::wstring QueryUserName() override;
    ReportedVersion QueryReportedVersion() override;
    bool IsNativeAmd64() override;
};

// Shortcuts are made by the shell's link object, and their bytes are written
// by the store it is given, like every other file of the set-up.
class Win32ShortcutWriter final : public ShortcutWriter {
public:
    explicit Win32ShortcutWriter(ByteFileStore& files) : files_(files) {}
    bool SaveShortcut(const ShortcutRecord& record) override;

private:
    ByteFileStore& files_;
};

class Win32SetUpReader final : public SetUpReader {
public:
    std::optional<std::string> ReadFileBytes(const std::wstring& path) override;
    std::optional<ShortcutTarget> ReadShortcut(const std::wstring& path) override;
};

// The Task Scheduler's own answer, in-process through ITaskService, asked on
// a thread of its own while the calling thread dispatches its messages. No
// answer within `limitMs` (SCHTASKS's limit) is "no answer"; the asking thread
// is then left behind, never waited for.
class Win32TaskScheduler final : public TaskScheduler {
public:
    static constexpr unsigned long kDefaultLimitMs = Win32CommandRunner::kDefaultLimitMs;

    explicit Win32TaskScheduler(unsigned long limitMs = kDefaultLimitMs) : limitMs_(limitMs) {}
    ScheduledTask ReadTask(const std::wstring& taskName) override;
    LocalTime LocalNow() override;
    std::unique_ptr<TaskDocumentFile> SaveTaskDocument(const std::wstring& xml) override;

private:
    unsigned long limitMs_;
};

// The facts whom the set-up is for rests on: the process token, this
// process's session and the console's, each session's user with its
// identifier.
DisplayUserFacts ReadDisplayUserFacts();
// Whether "DOMAIN\name" names the account, compared as Windows compares
// account names (ordinal, ignoring case).
bool AccountIsNamed(const AccountName& account, const std::wstring& given);

// This PC's NetBIOS name; empty when it cannot be read.
std::wstring ComputerName();
// True when the open file (a HANDLE) is the one named `fullPath` in its
// folder, and not a file elsewhere reached through a link at that name.
bool SitsAtItsOwnPath(void* file, const std::wstring& fullPath);

// The file-error cause that belongs to a platform error code.
FileErrorCause FileErrorCauseFromOsError(unsigned long osError);

}  // namespace tavrin::platform
