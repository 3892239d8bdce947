#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/DisplayUser.h"
#include "platform/KnownFolders.h"
#include "platform/Win32Services.h"

namespace tavrin::platform {
namespace {

using testing::FileOrFolderExists;
using testing::ScopedRegistryValue;
using testing::ScratchFolder;

const wchar_t kUserShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// The three folders are redirected into a scratch folder, where they do not
// exist yet; a folder placed under a plain file can never be created.
class KnownFoldersTest : public ::testing::Test {
protected:
    void Redirect(const wchar_t* valueName, const std::wstring& path) {
        testing::SetRegistryString(HKEY_CURRENT_USER, kUserShellFolders, valueName, path, REG_EXPAND_SZ);
    }

    ScratchFolder scratch_;
    ScopedRegistryValue desktop_{HKEY_CURRENT_USER, kUserShellFolders, L"Desktop"};
    ScopedRegistryValue documents_{HKEY_CURRENT_USER, kUserShellFolders, L"Personal"};
    ScopedRegistryValue startup_{HKEY_CURRENT_USER, kUserShellFolders, L"Startup"};
};

TEST_F(KnownFoldersTest, CreatesMissingFoldersAndReleasesThemOnce) {
    const std::wstring desktop = scratch_ / L"Desk top";
    const std::wstring documents = scratch_ / L"R&D 書類";
    const std::wstring startup = scratch_ / L"Start\\up";
    Redirect(L"Desktop", desktop);
    Redirect(L"Personal", documents);
    Redirect(L"Startup", startup);

    KnownFolderSlots slots;
    ASSERT_TRUE(slots.QueryKnownFolders());
    const KnownFolderPaths paths = slots.Paths();
    EXPECT_EQ(paths.desktop, desktop);
    EXPECT_EQ(paths.documents, documents);
    EXPECT_EQ(paths.startup, startup);
    for (const std::wstring& folder : {desktop, documents, startup}) {
        EXPECT_TRUE(FileOrFolderExists(folder)) << testing::ToUtf8(folder);
    }

    slots.Release();
    slots.Release();
    const KnownFolderPaths released = slots.Paths();
    EXPECT_TRUE(released.desktop.empty() && released.documents.empty() && released.startup.empty());
}

TEST_F(KnownFoldersTest, StopsAtTheFirstFolderThatCannotBeHad) {
    testing::WriteBytes(scratch_ / L"blocker", "a file, not a folder");
    const std::wstring impossible = scratch_ / L"blocker\\folder";
    const std::wstring desktop = scratch_ / L"Desktop";
    const std::wstring documents = scratch_ / L"Documents";
    const std::wstring startup = scratch_ / L"Startup";
    const struct {
        const wchar_t* failing;
        KnownFolderPaths expected;  // what the slots hold afterwards
    } cases[] = {
        {L"Desktop", {L"", L"", L""}},
        {L"Personal", {desktop, L"", L""}},
        {L"Startup", {desktop, documents, L""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::ToUtf8(c.failing));
        Redirect(L"Desktop", desktop);
        Redirect(L"Personal", documents);
        Redirect(L"Startup", startup);
        Redirect(c.failing, impossible);
        testing::DeleteTree(startup);  // shows that a query not made creates nothing

        KnownFolderSlots slots;
        EXPECT_FALSE(slots.QueryKnownFolders());
        const KnownFolderPaths paths = slots.Paths();
        if (!c.expected.desktop.empty()) {
            EXPECT_EQ(paths.desktop, c.expected.desktop);
        }
        if (!c.expected.documents.empty()) {
            EXPECT_EQ(paths.documents, c.expected.documents);
        }
        // A failed call may leave a buffer in its slot; the later ones stay empty.
        if (c.expected.desktop.empty()) {
            EXPECT_TRUE(paths.documents.empty());
        }
        EXPECT_TRUE(paths.startup.empty());
        EXPECT_FALSE(FileOrFolderExists(startup));
        slots.Release();
    }
}

const wchar_t kEdgeAppPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msedge.exe";

std::vector<BYTE> Bytes(const std::wstring& text, bool terminated) {
    const BYTE* begin = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(begin, begin + (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}

// A file at `path` for one test, with the folders it needed; the file and
// every folder made for it are removed afterwards, innermost first.
class ScopedFile {
public:
    explicit ScopedFile(std::wstring path) : path_(std::move(path)) {
        for (std::size_t at = path_.find(L'\\', 3); at != std::wstring::npos; at = path_.find(L'\\', at + 1)) {
            const std::wstring folder = path_.substr(0, at);
            if (::CreateDirectoryW(folder.c_str(), nullptr)) made_.push_back(folder);
        }
        testing::WriteBytes(path_, "MZ");
    }
    ~ScopedFile() {
        ::DeleteFileW(path_.c_str());
        for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder) ::RemoveDirectoryW(folder->c_str());
    }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;

private:
    std::wstring path_;
    std::vector<std::wstring> made_;
};

TEST(BrowserPathTest, ReadsTheDefaultValueOfTheAppPathsKey) {
    const testing::RegistryKeySnapshot restore(HKEY_LOCAL_MACHINE, kEdgeAppPath);
    const std::wstring edge = L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe";
    const testing::ScratchFolder scratch;
    const std::wstring longest = testing::PathOfLength(scratch.Path(), 259);
    const std::wstring tooLong = longest + L"x";  // 260 characters
    const std::wstring unexpanded = L"%ProgramFiles(x86)%\\Microsoft\\Edge\\Application\\msedge.exe";
    ASSERT_EQ(longest.size(), 259u);
    const ScopedFile edgeFile(edge);
    const ScopedFile longestFile(longest);
    const DWORD number = 1;

    struct Value {
        DWORD type;
        std::vector<BYTE> data;
    };
    const struct {
        const char* name;
        bool keyExists;
        std::optional<Value> defaultValue;
        std::wstring expected;
    } cases[] = {
        {"no key", false, std::nullopt, L""},
        {"key without default value", true, std::nullopt, L""},
        {"empty default value", true, Value{REG_SZ, Bytes(L"", true)}, L""},
        {"blank default value", true, Value{REG_SZ, Bytes(L"   ", true)}, L""},
        {"plain path", true, Value{REG_SZ, Bytes(edge, true)}, edge},
        {"quoted path", true, Value{REG_SZ, Bytes(L"\"" + edge + L"\"", true)}, edge},
        {"blanks and quotes around the path", true, Value{REG_SZ, Bytes(L"  \"" + edge + L"\" ", true)}, edge},
        {"259 characters", true, Value{REG_SZ, Bytes(longest, true)}, longest},
        {"260 characters", true, Value{REG_SZ, Bytes(tooLong, true)}, L""},
        {"260 characters, no terminating NUL", true, Value{REG_SZ, Bytes(tooLong, false)}, L""},
        {"expandable value is expanded", true, Value{REG_EXPAND_SZ, Bytes(unexpanded, true)}, edge},
        {"environment references in a plain text value stay as they are", true,
         Value{REG_SZ, Bytes(unexpanded, true)}, L""},
        {"a number", true,
         Value{REG_DWORD, std::vector<BYTE>(reinterpret_cast<const BYTE*>(&number),
                                            reinterpret_cast<const BYTE*>(&number) + sizeof number)},
         L""},
        {"text of another type", true, Value{REG_MULTI_SZ, Bytes(edge + L'\0', true)}, L""},
        {"file that does not exist", true,
         Value{REG_SZ, Bytes(L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge2.exe", true)}, L""},
        {"a folder", true, Value{REG_SZ, Bytes(L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application", true)},
         L""},
        {"arguments after a quoted path", true, Value{REG_SZ, Bytes(L"\"" + edge + L"\" --kiosk", true)}, L""},
        {"arguments after a plain path", true, Value{REG_SZ, Bytes(edge + L" --kiosk", true)}, L""},
        {"no terminating NUL", true, Value{REG_SZ, Bytes(edge, false)}, edge},
        {"odd byte count", true, Value{REG_SZ, [&] { auto b = Bytes(edge, false); b.push_back('x'); return b; }()},
         edge},
        {"text up to the first NUL", true, Value{REG_SZ, Bytes(edge + L'\0' + L"tail", true)}, edge},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kEdgeAppPath);
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kEdgeAppPath);
        if (c.keyExists) testing::SetRegistryString(HKEY_LOCAL_MACHINE, kEdgeAppPath, L"Path", L"C:\\Edge");
        if (c.defaultValue) {
            testing::SetRegistryBytes(HKEY_LOCAL_MACHINE, kEdgeAppPath, L"", c.defaultValue->type,
                                      c.defaultValue->data.data(), static_cast<DWORD>(c.defaultValue->data.size()));
        }
        EXPECT_EQ(FindBrowserPath(), c.expected);
    }
}

// One user runs the tests: the account of the process is the user logged on
// to its session (and the console's), found by identifier, so whom the
// set-up is for is the running account itself.
TEST(AccountsTest, TheProcessRunsAsTheDisplayUser) {
    const DisplayUserFacts facts = ReadDisplayUserFacts();
    ASSERT_TRUE(facts.process.has_value());
    const AccountName& process = *facts.process;
    EXPECT_EQ(process.name, Win32SystemInfo().QueryUserName());
    EXPECT_FALSE(process.domain.empty());
    // A user's own identifier (S-1-5-21-…), which is no service account's.
    EXPECT_EQ(process.sid.rfind(L"S-1-5-21-", 0), 0u) << testing::ToUtf8(process.sid);
    EXPECT_FALSE(IsServiceAccount(process));
    ASSERT_TRUE(facts.ownSessionUser.readable);
    ASSERT_TRUE(facts.ownSessionUser.user.has_value());
    EXPECT_EQ(facts.ownSessionUser.user->sid, process.sid);
    const DisplayUserDecision decision = DecideDisplayUser(facts);
    EXPECT_EQ(decision.outcome, DisplayUserOutcome::self);
    EXPECT_TRUE(AccountIsNamed(process, AccountDisplayName(process)));
    std::wstring shouted = AccountDisplayName(process);
    for (wchar_t& c : shouted) c = static_cast<wchar_t>(::towupper(c));
    EXPECT_TRUE(AccountIsNamed(process, shouted));
    EXPECT_FALSE(AccountIsNamed(process, process.domain + L"\\" + process.name + L"x"));
    EXPECT_FALSE(AccountIsNamed(process, process.name));
}

// The thread's own impersonation token, if any.
bool ThreadImpersonates() {
    HANDLE token = nullptr;
    if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) return false;
    ::CloseHandle(token);
    return true;
}

// A store that notes, for each call, whether the thread acted as someone else.
class ActingRecorder final : public ByteFileStore {
public:
    std::vector<bool> acting;

    class Output final : public ByteFileOutput {
    public:
        explicit Output(std::vector<bool>& acting) : acting_(acting) {}
        ~Output() override { acting_.push_back(ThreadImpersonates()); }
        void WriteString(const std::wstring&) override { acting_.push_back(ThreadImpersonates()); }
        void WriteBytes(const std::string&) override { acting_.push_back(ThreadImpersonates()); }
        void Close() override { acting_.push_back(ThreadImpersonates()); }

    private:
        std::vector<bool>& acting_;
    };
    std::unique_ptr<TextFileOutput> OpenForWriting(const std::wstring&) override {
        acting.push_back(ThreadImpersonates());
        return std::make_unique<Output>(acting);
    }
    std::unique_ptr<ByteFileOutput> OpenBytesForWriting(const std::wstring&) override {
        acting.push_back(ThreadImpersonates());
        return std::make_unique<Output>(acting);
    }
    bool Exists(const std::wstring&) override {
        acting.push_back(ThreadImpersonates());
        return true;
    }
    void Remove(const std::wstring&) override { acting.push_back(ThreadImpersonates()); }
    void RemoveWorkFiles(const std::wstring&) override { acting.push_back(ThreadImpersonates()); }
};

// The token route's seam, with the process's own token standing in for the
// display user's (only SYSTEM gets another user's token): each store
// operation acts as the token's user and the thread is itself again after
// it; without a token nothing is impersonated.
TEST(DisplayUserTest, StoreOperationsActAsTheTokensUserAndRevert) {
    HANDLE process = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process));
    UniqueHandle processToken(process);
    HANDLE duplicate = nullptr;
    ASSERT_TRUE(::DuplicateTokenEx(processToken.Get(), TOKEN_IMPERSONATE | TOKEN_QUERY | TOKEN_DUPLICATE, nullptr,
                                   SecurityImpersonation, TokenImpersonation, &duplicate));
    UserToken token;
    token.Hold(UniqueHandle(duplicate));
    {
        const ImpersonationScope scope(token.Get());
        EXPECT_TRUE(scope.Acting());
        EXPECT_TRUE(ThreadImpersonates());
    }
    EXPECT_FALSE(ThreadImpersonates());
    {
        const ImpersonationScope none(nullptr);
        EXPECT_TRUE(none.Acting());
        EXPECT_FALSE(ThreadImpersonates());
    }

    // Every call and every write, close and discard of a file it opened.
    for (const UserToken* user : {static_cast<const UserToken*>(&token), static_cast<const UserToken*>(nullptr)}) {
        const UserToken noToken;
        ActingRecorder recorder;
        UserFileStore files(recorder, user != nullptr ? *user : noToken);
        files.OpenForWriting(L"C:\\a")->WriteString(L"x");
        std::unique_ptr<ByteFileOutput> bytes = files.OpenBytesForWriting(L"C:\\b");
        bytes->WriteBytes("x");
        bytes->Close();
        bytes.reset();
        files.Exists(L"C:\\a");
        files.Remove(L"C:\\a");
        files.RemoveWorkFiles(L"C:\\a");
        EXPECT_EQ(recorder.acting, std::vector<bool>(10, user != nullptr));
        EXPECT_FALSE(ThreadImpersonates());
    }

    ScratchFolder folder;
    Win32FileStore own;
    Win32SetUpReader ownReader;
    const UserToken noToken;
    for (const UserToken* user : {static_cast<const UserToken*>(&token), &noToken}) {
        SCOPED_TRACE(user == &token ? "with the token" : "without one");
        UserFileStore files(own, *user);
        UserSetUpReader reader(ownReader, *user);
        const std::wstring path = folder / L"LAU_Refresh.vbs";
        std::unique_ptr<TextFileOutput> file = files.OpenForWriting(path);
        ASSERT_TRUE(file);
        EXPECT_FALSE(ThreadImpersonates());
        file->WriteString(L"Addr = \"x\"\n");
        file->Close();
        file.reset();
        EXPECT_FALSE(ThreadImpersonates());
        EXPECT_TRUE(files.Exists(path));
        EXPECT_EQ(reader.ReadFileBytes(path), std::optional<std::string>("Addr = \"x\"\r\n"));
        Win32ShortcutWriter shortcuts(files);
        EXPECT_TRUE(shortcuts.SaveShortcut({folder / L"k.lnk", path, L"", L"", L""}));
        EXPECT_TRUE(reader.ReadShortcut(folder / L"k.lnk").has_value());
        files.Remove(path);
        files.Remove(folder / L"k.lnk");
        EXPECT_FALSE(files.Exists(path));
        EXPECT_FALSE(ThreadImpersonates());
    }
}

TEST(SystemInfoTest, UserNameIsTheLogonName) {
    Win32SystemInfo system;
    const std::optional<std::wstring> expected = testing::EnvironmentValue(L"USERNAME");
    ASSERT_TRUE(expected && !expected->empty());
    EXPECT_EQ(system.QueryUserName(), *expected);
}

// The test programs are x64 builds, which run natively only on x64 hosts.
TEST(SystemInfoTest, NativeArchitectureIsAmd64) {
    Win32SystemInfo system;
    EXPECT_TRUE(system.IsNativeAmd64());
}

// The version a program without supported-OS declarations is told: Windows
// 8 and every later version say 6.2. The helper has the tool's kind of
// manifest; Wine is told which Windows to claim for it alone.
TEST(SystemInfoTest, ReportedVersionIsTheOneGivenToAProgramWithoutCompatibilityDeclarations) {
    if (!testing::RunningUnderWine()) GTEST_SKIP() << "needs Wine to claim other Windows versions";
    const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\tavrin_platform_helper.exe";
    const testing::RegistryKeySnapshot restore(HKEY_CURRENT_USER, appDefaults);
    const struct {
        const wchar_t* windows;
        DWORD reported;  // major * 100 + minor
    } cases[] = {{L"win7", 601}, {L"win8", 602}, {L"win81", 602}, {L"win10", 602}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::ToUtf8(c.windows));
        testing::SetRegistryString(HKEY_CURRENT_USER, appDefaults, L"Version", c.windows);
        const std::wstring helper = testing::ModuleFolder() + L"\\tavrin_platform_helper.exe";
        std::wstring line = L"\"" + helper + L"\" version";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(::CreateProcessW(helper.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                     &startup, &process));
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD exitCode = 0;
        ::GetExitCodeProcess(process.hProcess, &exitCode);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        EXPECT_EQ(exitCode, c.reported);
    }
}

}  // namespace
}  // namespace tavrin::platform
