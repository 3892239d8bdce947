#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "procedures/Services.h"
#include "procedures/SetUpTarget.h"

namespace tavrin {

// What a shell shortcut starts.
struct ShortcutTarget {
    std::wstring targetPath;
    std::wstring arguments;
};

// Reads back what "登録" leaves on disk. The Win32 implementation lives in platform/.
class SetUpReader {
public:
    virtual ~SetUpReader() = default;
    // The bytes of a file (the first 64 KiB at most); nullopt when it cannot be read.
    virtual std::optional<std::string> ReadFileBytes(const std::wstring& path) = 0;
    // The program and arguments a shortcut file holds; nullopt when it cannot be loaded.
    virtual std::optional<ShortcutTarget> ReadShortcut(const std::wstring& path) = 0;
};

enum class TaskState { registered, notRegistered, unchecked };

// How an item found differs from what "登録" would write now.
enum class Difference {
    none,
    unreadable,    // there, but what it holds cannot be read (or is no link address 登録 makes)
    content,       // the script or DeskTop.scf: other bytes than the generated file
    program,       // a shortcut that starts another program
    arguments,     // a kiosk shortcut with other arguments than the kiosk arguments
    otherAddress,  // a kiosk shortcut for another link address than the script's
    action,        // the task runs something else, or more
    schedule,      // the task does not start once a day at one of the dialog's hours
};

// One file: whether it is there, the link address it holds (the script and
// the kiosk shortcuts) and how it differs.
struct ItemFacts {
    bool exists = false;
    std::optional<std::wstring> linkAddress;
    Difference difference = Difference::none;
};

struct TaskFacts {
    TaskState state = TaskState::notRegistered;
    // registered: action or schedule; unchecked: unreadable when the
    // scheduler answered but the definition could not be read.
    Difference difference = Difference::none;
    std::optional<int> hour;  // the daily start hour, when it can be read
};

// Everything /status looks at, for the account the set-up is for.
struct SetUpFacts {
    std::wstring user;  // whose set-up was read, "DOMAIN\name"
    std::wstring taskName;
    TaskFacts task;
    ItemFacts script;
    ItemFacts startupKiosk;
    ItemFacts desktopKiosk;
    ItemFacts showDesktopFile;
    ItemFacts showDesktopShortcut;
    // "登録" writes the two Show-Desktop files on this platform (6.2, 6.3).
    bool showDesktopPlatform = false;
};

enum class SetUpState {
    complete,   // every piece exactly as 登録 would write it now for one link address
    nothing,    // no task, no script, no kiosk shortcut ("削除" leaves the Show-Desktop files)
    partial,    // anything in between, or pieces that differ
    unchecked,  // the files are complete, but the task could not be asked about
};

// The settings a registration holds, as far as they can be read.
struct RegisteredSettings {
    std::optional<std::uint32_t> unitAddress;
    std::optional<int> screenSizeChoice;  // 0 = HD, 1 = Full HD
    std::optional<int> hour;
};

// Looks: the task through the Task Scheduler, the files through the file
// store and the reader; compares each with what 登録 would write now with
// `browserPath`. Changes nothing.
SetUpFacts ReadSetUp(const SetUpTarget& target, const std::wstring& browserPath,
                     const PlatformServices& platform, SetUpReader& reader);

SetUpState JudgeSetUp(const SetUpFacts& facts);

// The link address the registration is for (the script's, else a kiosk
// shortcut's) and the task's hour.
RegisteredSettings SettingsOf(const SetUpFacts& facts);

// One line an item, in the order the facts list them, then the verdict, then
// (but for nothing at all) the settings, then the same for scripts as
// key=value pairs.
std::vector<std::wstring> StatusLines(const SetUpFacts& facts, const KnownFolderPaths& folders, SetUpState state);

// The link address the set-up holds: the script's, else a kiosk shortcut's
// (Startup first); nullopt when none holds a link address 登録 makes. Only
// such an address is ever requested: the files can be edited by anyone.
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
