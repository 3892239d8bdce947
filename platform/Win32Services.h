#pragma once

#include <functional>
#include <optional>

#include "procedures/AccountCheck.h"
#include "procedures/FileError.h"
#include "procedures/Services.h"
#include "procedures/SetUpStatus.h"

namespace tavrin::platform {

class Win32FileStore final : public FileStore {
public:
    std::unique_ptr<TextFileOutput> OpenForWriting(const std::wstring& path) override;
    bool Exists(const std::wstring& path) override;
    void Remove(const std::wstring& path) override;
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
// asked meanwhile and ends the wait with a "stopped" answer.
class Win32PageProbe final : public PageProbe {
public:
    static constexpr unsigned long kDefaultLimitMs = 5000;

    explicit Win32PageProbe(unsigned long limitMs = kDefaultLimitMs) : limitMs_(limitMs) {}
    PageAnswer RequestPage(const std::wstring& linkAddress) override;
    std::function<bool()> stopWhen;

private:
    unsigned long limitMs_;
};

class Win32SystemInfo final : public SystemInfo {
public:
    std::wstring QueryUserName() override;
    ReportedVersion QueryReportedVersion() override;
    bool IsNativeAmd64() override;
};

class Win32ShortcutWriter final : public ShortcutWriter {
public:
    bool SaveShortcut(const ShortcutRecord& record) override;
};

class Win32SetUpReader final : public SetUpReader {
public:
    std::optional<std::string> ReadFileBytes(const std::wstring& path) override;
    std::optional<std::wstring> ReadShortcutArguments(const std::wstring& path) override;
};

class Win32AccountInfo final : public AccountInfo {
public:
    std::optional<AccountName> ProcessAccount() override;
    std::optional<AccountName> SessionUser() override;
};

// The file-error cause that belongs to a platform error code.
FileErrorCause FileErrorCauseFromOsError(unsigned long osError);

}  // namespace tavrin::platform
