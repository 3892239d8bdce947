#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "procedures/Services.h"

namespace tavrin {

// Reads back what "登録" leaves on disk. The Win32 implementation lives in platform/.
class SetUpReader {
public:
    virtual ~SetUpReader() = default;
    // The bytes of a file (the first 64 KiB at most); nullopt when it cannot be read.
    virtual std::optional<std::string> ReadFileBytes(const std::wstring& path) = 0;
    // The arguments a shortcut file holds; nullopt when it cannot be loaded.
    virtual std::optional<std::wstring> ReadShortcutArguments(const std::wstring& path) = 0;
};

enum class TaskState { registered, notRegistered, unchecked };

// A file that carries a link address: whether it is there and, when it is
// and the address can be read from it, that address.
struct LinkFileFacts {
    bool exists = false;
    std::optional<std::wstring> linkAddress;
};

// Everything /status looks at, for the account the tool runs as.
struct SetUpFacts {
    std::wstring taskName;
    TaskState task = TaskState::notRegistered;
    LinkFileFacts script;
    LinkFileFacts startupKiosk;
    LinkFileFacts desktopKiosk;
    bool showDesktopFile = false;
    bool showDesktopShortcut = false;
    // "登録" writes the two Show-Desktop files on this platform (6.2, 6.3).
    bool showDesktopPlatform = false;
};

enum class SetUpState {
    complete,   // task, script and both kiosk shortcuts, one link address; the Show-Desktop files where due
    nothing,    // no task, no script, no kiosk shortcut ("削除" leaves the Show-Desktop files)
    partial,    // anything in between, or files that disagree about the link address
    unchecked,  // the files agree, but whether the task is there could not be found out
};

// Looks: the task through SCHTASKS /query, the files through the file store
// and the reader. Changes nothing.
SetUpFacts ReadSetUp(const KnownFolderPaths& folders, const PlatformServices& platform, SetUpReader& reader);

SetUpState JudgeSetUp(const SetUpFacts& facts);

// One line an item, in the order the facts list them, then the verdict.
std::vector<std::wstring> StatusLines(const SetUpFacts& facts, const KnownFolderPaths& folders, SetUpState state);

// The link address the set-up holds: the script's, else a kiosk shortcut's
// (Startup first); nullopt when none holds a readable one.
std::optional<std::wstring> RegisteredLinkAddress(const SetUpFacts& facts);

// The /status line on the unit's page at the registered link address, asked
// now; without a registered link address nothing is asked.
std::wstring RegisteredPageLine(const SetUpFacts& facts, PageProbe& pages);

// The link address of a refresh script: the text between the quotes of its
// `Addr = "..."` line (VBScript's letter case and blanks allowed); nullopt
// when there is no such line or the text is not printable ASCII.
std::optional<std::wstring> ScriptLinkAddress(std::string_view scriptBytes);

// The link address of a kiosk shortcut: its last argument, which must be
// quoted; nullopt otherwise.
std::optional<std::wstring> ShortcutLinkAddress(const std::wstring& arguments);

}  // namespace tavrin
