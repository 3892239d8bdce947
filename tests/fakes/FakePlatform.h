#pragma once

// A recording stand-in for the platform and the dialog: one in-memory disk,
// one log of everything the procedures asked for, in order, and switches to
// make any single step fail.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "procedures/DialogHost.h"
#include "procedures/FileError.h"
#include "procedures/Services.h"
#include "procedures/SetUpTarget.h"
#include "procedures/SetUpStatus.h"
#include "settings/Settings.h"
#include "texts/DiskText.h"

namespace tavrin::testing {

struct FakeWorld {
    // What the procedures did, in order.
    std::vector<std::wstring> log;
    // Files on the fake disk: path -> bytes (shortcuts hold a text form of their record).
    std::map<std::wstring, std::string> disk;
    std::map<std::wstring, ShortcutRecord> shortcuts;
    std::vector<std::wstring> commandLines;

    // Failure switches.
    std::function<void(const std::wstring& path)> beforeOpen;  // may throw anything
    std::set<std::wstring> unopenable;     // OpenForWriting gives null
    std::set<std::wstring> failingWrites;  // WriteString throws FileError
    std::set<std::wstring> undeletable;    // Remove throws FileError
    std::set<std::wstring> failingSaves;   // SaveShortcut gives false
    std::vector<std::wstring> workFilesRemoved;  // RemoveWorkFiles, in order (not in the log)
    int commandStatus = 0;                   // every SCHTASKS run ends with this
    // The Task Scheduler's tasks: name -> definition. A /TR create that ends
    // with 0 registers its action and hour, a delete that ends with 0 takes it
    // away. An /XML create registers what `documentDefinition` gives for the
    // document it names (the fakes do not read XML).
    std::map<std::wstring, TaskDefinition> tasks;
    // Task documents saved for SCHTASKS, path -> XML; a document leaves when
    // its file object goes, as the platform's does.
    std::map<std::wstring, std::wstring> taskDocuments;
    std::vector<std::wstring> savedTaskDocuments;  // every document saved, in order
    bool taskDocumentsSavable = true;
    std::function<TaskDefinition(const std::wstring& xml)> documentDefinition;
    LocalTime now{2026, 12, 11, 9, 30, 0};
    bool schedulerAnswers = true;       // false: every read is noAnswer
    bool definitionsReadable = true;    // false: a task is found, its XML not read
    std::function<void()> whileCommandRuns;  // called inside each RunCommandLine
    // The unit's page: how it answers every request, and the user's reply
    // when asked whether to register anyway.
    PageAnswer pageAnswer{PageAnswer::Kind::status, 200};
    bool registerUnanswered = false;
    ReportedVersion version{6, 1};
    bool nativeAmd64 = true;
    std::wstring userName = L"taro";

    // Short names for paths in the log, so expectations stay readable.
    std::map<std::wstring, std::wstring> tags;
    std::wstring Tag(const std::wstring& path) const {
        auto it = tags.find(path);
        return it == tags.end() ? path : it->second;
    }
};

class FakeTextFile final : public TextFileOutput {
public:
    FakeTextFile(FakeWorld& world, std::wstring path) : world_(world), path_(std::move(path)) {}
    void WriteString(const std::wstring& text) override {
        if (world_.failingWrites.count(path_)) {
            world_.log.push_back(L"write failed " + world_.Tag(path_));
            throw FileError{FileErrorCause::diskFull, 112, path_};
        }
        auto bytes = EncodeForDisk(text);
        if (!bytes) throw FileError{FileErrorCause::diskFull, 0, path_};
        world_.disk[path_] += *bytes;
    }
    void Close() override {
        open_ = false;
        world_.log.push_back(L"wrote " + world_.Tag(path_));
    }
    ~FakeTextFile() override {
        if (open_) world_.log.push_back(L"dropped " + world_.Tag(path_));
    }

private:
    FakeWorld& world_;
    std::wstring path_;
    bool open_ = true;
};

class FakeFiles final : public FileStore {
public:
    explicit FakeFiles(FakeWorld& world) : world_(world) {}
    std::unique_ptr<TextFileOutput> OpenForWriting(const std::wstring& path) override {
        if (world_.beforeOpen) world_.beforeOpen(path);
        if (world_.unopenable.count(path)) {
            world_.log.push_back(L"open failed " + world_.Tag(path));
            return nullptr;
        }
        world_.disk[path].clear();
        return std::make_unique<FakeTextFile>(world_, path);
    }
    bool Exists(const std::wstring& path) override { return world_.disk.count(path) != 0; }
    void Remove(const std::wstring& path) override {
        if (world_.undeletable.count(path)) {
            world_.log.push_back(L"remove failed " + world_.Tag(path));
            throw FileError{FileErrorCause::accessDenied, 5, path};
        }
        world_.disk.erase(path);
        world_.shortcuts.erase(path);
        world_.log.push_back(L"removed " + world_.Tag(path));
    }
    void RemoveWorkFiles(const std::wstring& path) override { world_.workFilesRemoved.push_back(world_.Tag(path)); }

private:
    FakeWorld& world_;
};

// A task as SCHTASKS /SC DAILY /ST registers it: one Exec action, one
// calendar trigger every day.
inline TaskDefinition DailyTask(const std::wstring& command, const std::wstring& arguments,
                                const std::wstring& startBoundary = L"2026-12-10T05:00:00", int daysInterval = 1) {
    TaskDefinition definition;
    definition.principal.logonType = L"InteractiveToken";
    definition.actions.push_back(TaskAction{true, command, arguments});
    TaskTrigger trigger;
    trigger.calendar = true;
    trigger.daysInterval = daysInterval;
    trigger.startBoundary = startBoundary;
    definition.triggers.push_back(trigger);
    return definition;
}

// The text between `open` and the next `close` after it; empty when absent.
inline std::wstring Between(const std::wstring& text, const std::wstring& open, const std::wstring& close) {
    const std::size_t begin = text.find(open);
    if (begin == std::wstring::npos) return {};
    const std::size_t end = text.find(close, begin + open.size());
    return end == std::wstring::npos ? std::wstring() : text.substr(begin + open.size(), end - begin - open.size());
}

class FakeCommands final : public CommandRunner {
public:
    explicit FakeCommands(FakeWorld& world) : world_(world) {}
    int RunCommandLine(const std::wstring& commandLine) override {
        world_.commandLines.push_back(commandLine);
        const bool create = commandLine.rfind(L"SCHTASKS /Create", 0) == 0;
        world_.log.push_back(create ? L"create task" : L"delete task");
        if (world_.whileCommandRuns) world_.whileCommandRuns();
        if (world_.commandStatus == 0) {
            const std::wstring document = Between(commandLine, L" /XML \"", L"\"");
            if (create && !document.empty()) {
                const auto saved = world_.taskDocuments.find(document);
                if (saved == world_.taskDocuments.end()) return 1;  // SCHTASKS finds no file
                if (world_.documentDefinition) {
                    world_.tasks[Between(commandLine, L"/TN \"", L"\"")] = world_.documentDefinition(saved->second);
                }
            } else if (create) {
                // SCHTASKS splits /TR at its first blank into program and arguments.
                std::wstring action = Between(commandLine, L" /TR \"", L"\" /SC ");
                for (std::size_t at = action.find(L"\\\""); at != std::wstring::npos; at = action.find(L"\\\"", at)) {
                    action.erase(at, 1);
                    ++at;
                }
                const TaskAction split = SplitTaskRun(action);
                world_.tasks[Between(commandLine, L"/TN \"", L"\"")] =
                    DailyTask(split.command, split.arguments, L"2026-12-10T" + Between(commandLine, L" /ST ", L" "));
            } else {
                world_.tasks.erase(Between(commandLine, L"/tn \"", L"\""));
            }
        }
        return world_.commandStatus;
    }

private:
    FakeWorld& world_;
};

class FakeTasks final : public TaskScheduler {
public:
    explicit FakeTasks(FakeWorld& world) : world_(world) {}
    ScheduledTask ReadTask(const std::wstring& taskName) override {
        world_.log.push_back(L"read task");
        ScheduledTask task;
        if (!world_.schedulerAnswers) return task;
        const auto it = world_.tasks.find(taskName);
        if (it == world_.tasks.end()) {
            task.lookup = TaskLookup::missing;
            return task;
        }
        task.lookup = TaskLookup::found;
        if (world_.definitionsReadable) task.definition = it->second;
        return task;
    }
    LocalTime LocalNow() override { return world_.now; }
    std::unique_ptr<TaskDocumentFile> SaveTaskDocument(const std::wstring& xml) override {
        world_.log.push_back(L"save task document");
        if (!world_.taskDocumentsSavable) return nullptr;
        world_.savedTaskDocuments.push_back(xml);
        return std::make_unique<Document>(world_, xml);
    }

private:
    class Document final : public TaskDocumentFile {
    public:
        Document(FakeWorld& world, const std::wstring& xml)
            : world_(world), path_(L"C:\\Windows\\Temp\\doc" + std::to_wstring(world.savedTaskDocuments.size()) +
                                   L"\\task.xml") {
            world_.taskDocuments[path_] = xml;
        }
        ~Document() override {
            world_.taskDocuments.erase(path_);
            world_.log.push_back(L"task document removed");
        }
        const std::wstring& Path() const override { return path_; }

    private:
        FakeWorld& world_;
        std::wstring path_;
    };

    FakeWorld& world_;
};

class FakeSystem final : public SystemInfo {
public:
    explicit FakeSystem(FakeWorld& world) : world_(world) {}
    std::wstring QueryUserName() override { return world_.userName; }
    ReportedVersion QueryReportedVersion() override { return world_.version; }
    bool IsNativeAmd64() override { return world_.nativeAmd64; }

private:
    FakeWorld& world_;
};

class FakeShortcuts final : public ShortcutWriter {
public:
    explicit FakeShortcuts(FakeWorld& world) : world_(world) {}
    bool SaveShortcut(const ShortcutRecord& record) override {
        if (world_.failingSaves.count(record.linkPath)) {
            world_.log.push_back(L"save failed " + world_.Tag(record.linkPath));
            return false;
        }
        world_.shortcuts[record.linkPath] = record;
        world_.disk[record.linkPath] = "lnk";
        world_.log.push_back(L"saved " + world_.Tag(record.linkPath));
        return true;
    }

private:
    FakeWorld& world_;
};

class FakePages final : public PageProbe {
public:
    explicit FakePages(FakeWorld& world) : world_(world) {}
    PageAnswer RequestPage(const std::wstring& linkAddress) override {
        world_.log.push_back(L"request " + linkAddress);
        return world_.pageAnswer;
    }

private:
    FakeWorld& world_;
};

// Reads back the fake disk: file bytes as written, a shortcut's arguments as saved.
class FakeSetUpReader final : public SetUpReader {
public:
    explicit FakeSetUpReader(FakeWorld& world) : world_(world) {}
    std::optional<std::string> ReadFileBytes(const std::wstring& path) override {
        auto it = world_.disk.find(path);
        if (it == world_.disk.end() || unreadable.count(path)) return std::nullopt;
        return it->second;
    }
    std::optional<ShortcutTarget> ReadShortcut(const std::wstring& path) override {
        auto it = world_.shortcuts.find(path);
        if (it == world_.shortcuts.end() || unreadable.count(path)) return std::nullopt;
        return ShortcutTarget{it->second.targetPath, it->second.arguments};
    }

    std::set<std::wstring> unreadable;  // files that exist but cannot be read

private:
    FakeWorld& world_;
};

// The dialog: its settings member, and the state of its controls that
// ReadControls copies into that member.
class FakeDialog final : public DialogHost {
public:
    explicit FakeDialog(FakeWorld& world) : world_(world) { UpdatePageSuffix(controls); }
    void ShowMessage(const std::wstring& text) override { world_.log.push_back(L"message " + text); }
    bool ReadControls() override {
        settings = controls;
        world_.log.push_back(L"read controls");
        return true;
    }
    void CloseWithOk() override { world_.log.push_back(L"closed"); }
    void FocusUnitAddress() override { world_.log.push_back(L"focus address"); }
    bool ConfirmUnansweredPage(const std::wstring& linkAddress, const std::wstring& reason) override {
        world_.log.push_back(L"ask register anyway " + linkAddress + L" (" + reason + L")");
        return world_.registerUnanswered;
    }

    Settings settings;  // the member the procedures read
    Settings controls;  // what the controls show

private:
    FakeWorld& world_;
};

// The services over one world.
struct FakeServices {
    FakeWorld world;
    FakeFiles files{world};
    FakeCommands commands{world};
    FakeSystem system{world};
    FakeShortcuts shortcutWriter{world};
    FakeTasks tasks{world};
    FakePages pages{world};
    PlatformServices Services() { return {files, commands, system, shortcutWriter, tasks, pages}; }

    // The log entries that begin with `kind` (e.g. L"wrote "), without it.
    std::vector<std::wstring> Logged(const std::wstring& kind) const {
        std::vector<std::wstring> entries;
        for (const std::wstring& entry : world.log) {
            if (entry.rfind(kind, 0) == 0) entries.push_back(entry.substr(kind.size()));
        }
        return entries;
    }
};

// The services and the dialog, with folders whose files have short tags.
struct FakeSetup : FakeServices {
    FakeDialog dialog{world};
    PlatformServices platform = Services();
    KnownFolderPaths folders{L"C:\\Users\\taro\\Desktop", L"C:\\Users\\taro\\Documents",
                             L"C:\\Users\\taro\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"};
    std::wstring browser = L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe";

    std::wstring scriptPath() const { return RefreshScriptPath(folders.documents); }
    std::wstring scfPath() const { return ShowDesktopFilePath(folders.documents); }
    std::wstring scfLinkPath() const { return ShowDesktopShortcutPath(folders.startup); }
    std::wstring startupKioskPath() const { return KioskShortcutPath(folders.startup); }
    std::wstring desktopKioskPath() const { return KioskShortcutPath(folders.desktop); }
    std::wstring taskName() const { return RefreshTaskName(world.userName); }
    // The set-up is for the user the world names, in these folders.
    SetUpTarget target() const {
        return {AccountName{L"KIOSK-PC", world.userName, L"S-1-5-21-7-8-9-1001"}, false, 0, folders};
    }
    // The refresh task as SCHTASKS registers it for this user's script at 05:00.
    void PutTask() {
        world.tasks[taskName()] = DailyTask(L"%windir%\\SysWOW64\\wscript.exe", L"\"" + scriptPath() + L"\"");
    }

    FakeSetup() {
        world.tags = {{scriptPath(), L"script"},
                      {scfPath(), L"scf"},
                      {scfLinkPath(), L"scf shortcut"},
                      {startupKioskPath(), L"startup kiosk"},
                      {desktopKioskPath(), L"desktop kiosk"}};
    }
};

}  // namespace tavrin::testing
