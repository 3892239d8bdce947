#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "procedures/PageCheck.h"
#include "procedures/TaskDefinition.h"

namespace tavrin {

// What the procedures need from the platform, in small pieces so that each
// rule can be tested with fakes. The Win32 implementations live in platform/.

// The current user's folders the tool writes into, as the platform gave them
// (no trailing separator).
struct KnownFolderPaths {
    std::wstring desktop;
    std::wstring documents;
    std::wstring startup;
};

// A generated-text file open for writing. WriteString and Close throw
// FileError (cause diskFull, the full path of the file) when a character
// cannot be written or the bytes cannot reach the disk. Only a Close that
// succeeds puts the new file in place; until then, and after any failure,
// the file at the path is as it was (or still absent). Destroying a file that
// is still open throws nothing and discards what was written (that only
// happens after a write has already thrown).
class TextFileOutput {
public:
    virtual ~TextFileOutput() = default;
    virtual void WriteString(const std::wstring& text) = 0;  // no line end is added
    virtual void Close() = 0;
};

class FileStore {
public:
    virtual ~FileStore() = default;
    // Starts a new file that replaces the one at the path, or creates it, at
    // Close. Null when it cannot be opened (a file that is read-only, hidden,
    // system, held open by another program, or a link; a missing folder or
    // drive; a path of 260 characters or more); that is never raised as an
    // error and leaves the disk as it was.
    virtual std::unique_ptr<TextFileOutput> OpenForWriting(const std::wstring& path) = 0;
    // True when a file or folder exists at exactly this path.
    virtual bool Exists(const std::wstring& path) = 0;
    // Deletes the file; throws FileError when the platform refuses.
    virtual void Remove(const std::wstring& path) = 0;
    // Deletes the work files a copy killed while writing this file left
    // beside it (see IsWorkFileOf) and nothing else; one that cannot be
    // deleted stays, silently.
    virtual void RemoveWorkFiles(const std::wstring& path) = 0;
};

// What RunCommandLine returns when the program could not be started.
inline constexpr int kCommandDidNotRun = -1;

class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    // Runs the command line and waits for it. Returns the exit code, or
    // kCommandDidNotRun when the program could not be started or did not end
    // within the runner's time limit (it is ended then).
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
    std::wstring linkPath;
    std::wstring targetPath;
    std::wstring arguments;
    std::wstring workingDirectory;
    std::wstring description;
};

class ShortcutWriter {
public:
    virtual ~ShortcutWriter() = default;
    virtual bool SaveShortcut(const ShortcutRecord& record) = 0;  // true when saved
};

// What the Task Scheduler answers about a task of its root folder.
enum class TaskLookup {
    found,
    missing,   // the scheduler answered that there is no such task
    noAnswer,  // any other failure: the service stopped, access refused, ...
};

struct ScheduledTask {
    TaskLookup lookup = TaskLookup::noAnswer;
    // When found: what the task runs and when, as the scheduler holds it;
    // nullopt when its document cannot be read.
    std::optional<TaskDefinition> definition;
};

// A task document saved for SCHTASKS /XML to read. The file and its folder
// go when this goes.
class TaskDocumentFile {
public:
    virtual ~TaskDocumentFile() = default;
    virtual const std::wstring& Path() const = 0;
};

// Reads tasks through the Task Scheduler itself (not SCHTASKS, whose exit
// code is the same for "no such task" and "cannot answer").
class TaskScheduler {
public:
    virtual ~TaskScheduler() = default;
    virtual ScheduledTask ReadTask(const std::wstring& taskName) = 0;
    // This PC's local time, which the scheduler's boundaries are read in.
    virtual LocalTime LocalNow() = 0;
    // The document saved as a new file where no user can plant or change one;
    // null when that cannot be done.
    virtual std::unique_ptr<TaskDocumentFile> SaveTaskDocument(const std::wstring& xml) = 0;
};

struct PlatformServices {
    FileStore& files;
    CommandRunner& commands;
    SystemInfo& system;
    ShortcutWriter& shortcuts;
    TaskScheduler& tasks;
    PageProbe& pages;
};

}  // namespace tavrin
