#pragma once

// Recording stand-ins for the start-up environment and the platform services.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/StartupEnvironment.h"
#include "procedures/Services.h"

namespace tavrin::app::testing {

// Events of a run in the order they happened: environment calls and the
// texts of the message boxes, so tests can check what came before what.
using EventLog = std::vector<std::wstring>;

class FakeEnvironment final : public StartupEnvironment {
public:
    explicit FakeEnvironment(EventLog& log) : log_(log) {}

    bool foldersAvailable = true;
    std::wstring browserPath = L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe";

    bool QueryKnownFolders() override {
        log_.push_back(L"query folders");
        return foldersAvailable;
    }
    void ReleaseKnownFolders() override { log_.push_back(L"release folders"); }
    KnownFolderPaths KnownFolders() const override {
        return {L"C:\\Users\\技術者\\Desktop", L"C:\\Users\\技術者\\Documents",
                L"C:\\Users\\技術者\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"};
    }
    std::wstring FindBrowserPath() override {
        log_.push_back(L"find browser");
        return browserPath;
    }

private:
    EventLog& log_;
};

class RecordingFile final : public TextFileOutput {
public:
    explicit RecordingFile(std::wstring& contents) : contents_(contents) {}
    void WriteString(const std::wstring& text) override { contents_ += text; }
    void Close() override {}

private:
    std::wstring& contents_;
};

class FakeFileStore final : public FileStore {
public:
    // Called before a file is opened; a test makes it throw to fail the write.
    std::function<void(const std::wstring& path)> beforeOpen;
    std::vector<std::pair<std::wstring, std::wstring>> written;  // path, text

    std::unique_ptr<TextFileOutput> OpenForWriting(const std::wstring& path) override {
        if (beforeOpen) beforeOpen(path);
        written.emplace_back(path, L"");
        return std::make_unique<RecordingFile>(written.back().second);
    }
    bool Exists(const std::wstring&) override { return true; }
    void Remove(const std::wstring& path) override { removed.push_back(path); }
    std::vector<std::wstring> removed;
};

class FakeCommandRunner final : public CommandRunner {
public:
    std::vector<std::wstring> commandLines;
    int RunCommandLine(const std::wstring& commandLine) override {
        commandLines.push_back(commandLine);
        return 0;
    }
};

class FakeSystemInfo final : public SystemInfo {
public:
    std::wstring QueryUserName() override { return L"技術者"; }
    ReportedVersion QueryReportedVersion() override { return {6, 1}; }
    bool IsNativeAmd64() override { return true; }
};

class FakeShortcutWriter final : public ShortcutWriter {
public:
    std::vector<ShortcutRecord> saved;
    bool SaveShortcut(const ShortcutRecord& record) override {
        saved.push_back(record);
        return true;
    }
};

struct FakePlatform {
    FakeFileStore files;
    FakeCommandRunner commands;
    FakeSystemInfo system;
    FakeShortcutWriter shortcuts;
    PlatformServices Services() { return {files, commands, system, shortcuts}; }
};

}  // namespace tavrin::app::testing
