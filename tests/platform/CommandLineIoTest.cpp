// What a command-line run reads and writes through the platform: the set-up
// read back for /status, and the lines written to redirected output and to
// the log.

#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Win32CommandLine.h"
#include "platform/Win32Services.h"

namespace tavrin::platform {
namespace {

using testing::ReadBytes;
using testing::ReadOnlyFile;
using testing::ScratchFolder;
using testing::WriteBytes;

// Standard output sent to a file for one test (as `tavrin.exe ... > out.txt`
// does), put back afterwards.
class RedirectedOutput {
public:
    explicit RedirectedOutput(const std::wstring& path)
        : previous_(::GetStdHandle(STD_OUTPUT_HANDLE)),
          file_(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {
        ::SetStdHandle(STD_OUTPUT_HANDLE, file_.Get());
    }
    ~RedirectedOutput() { ::SetStdHandle(STD_OUTPUT_HANDLE, previous_); }
    RedirectedOutput(const RedirectedOutput&) = delete;
    RedirectedOutput& operator=(const RedirectedOutput&) = delete;
    bool IsValid() const { return file_.IsValid(); }
    void Close() { file_.Close(); }

private:
    HANDLE previous_;
    UniqueHandle file_;
};

TEST(CommandLineArgumentsTest, ArgumentsAfterTheProgramName) {
    const std::wstring module = L"C:\\Program Files\\Quorvix Tools\\tavrin.exe";
    using Words = std::vector<std::wstring>;
    const struct {
        std::wstring commandLine;
        Words expected;
    } cases[] = {
        // No arguments: the dialog, however the program name was given.
        {L"", {}},
        {L"\"C:\\Program Files\\Quorvix Tools\\tavrin.exe\"", {}},
        {L"\"C:\\Program Files\\Quorvix Tools\\tavrin.exe\"   ", {}},
        {L"C:\\Program Files\\Quorvix Tools\\tavrin.exe", {}},
        {L"C:\\PROGRAM FILES\\quorvix tools\\TAVRIN.EXE  ", {}},
        {L"tavrin.exe", {}},
        {L"tavrin", {}},
        // Arguments.
        {L"\"C:\\Program Files\\Quorvix Tools\\tavrin.exe\" /status", {L"/status"}},
        {L"C:\\Program Files\\Quorvix Tools\\tavrin.exe /status /log \"C:\\ログ\\a b.log\"",
         {L"/status", L"/log", L"C:\\ログ\\a b.log"}},
        {L"tavrin.exe /register /address 10.0.0.254 -size fullhd", {L"/register", L"/address", L"10.0.0.254", L"-size",
                                                                     L"fullhd"}},
        {L"tavrin.exe \"\"", {L""}},
        // Only the whole path counts as the program's.
        {L"C:\\Program Files\\Quorvix Tools\\tavrin.exe2 /status", {L"Files\\Quorvix", L"Tools\\tavrin.exe2",
                                                                          L"/status"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ArgumentsAfterProgram(c.commandLine, module), c.expected) << testing::ToUtf8(c.commandLine);
    }
    // Without a module path, the runtime's rule alone.
    EXPECT_EQ(ArgumentsAfterProgram(L"C:\\Program Files\\tavrin.exe", L""), Words{L"Files\\tavrin.exe"});
}

TEST(CommandLineOutputTest, RedirectedOutputGetsEachLineAsUtf8WithCrLf) {
    ScratchFolder folder;
    RedirectedOutput redirected(folder / L"out.txt");
    ASSERT_TRUE(redirected.IsValid());
    {
        Win32CommandLineOutput output;
        output.WriteLine(L"終了コード: 0");
        output.WriteLine(L"");
        output.WriteLine(L"C:\\R&D 한글\\LAU_Refresh.vbs: なし");
    }
    redirected.Close();
    EXPECT_EQ(ReadBytes(folder / L"out.txt"),
              "\xE7\xB5\x82\xE4\xBA\x86\xE3\x82\xB3\xE3\x83\xBC\xE3\x83\x89: 0\r\n"
              "\r\n"
              "C:\\R&D \xED\x95\x9C\xEA\xB8\x80\\LAU_Refresh.vbs: \xE3\x81\xAA\xE3\x81\x97\r\n");
}

// Seconds since midnight of a "YYYY-MM-DD HH:MM:SS" stamp of today.
int SecondOfDay(const std::smatch& match) { return std::stoi(match[4]) * 3600 + std::stoi(match[5]) * 60 + std::stoi(match[6]); }

TEST(CommandLineOutputTest, LogLinesAreAppendedTimeStampedByEveryWriter) {
    ScratchFolder folder;
    RedirectedOutput redirected(folder / L"out.txt");
    const std::wstring log = folder / L"roll-out.log";
    WriteBytes(log, "an earlier run\r\n");

    SYSTEMTIME before{};
    ::GetLocalTime(&before);
    {
        Win32CommandLineOutput first;
        first.WriteLine(L"before the log is open");
        ASSERT_TRUE(first.OpenLog(log));
        first.WriteLine(L"ショートカットを作成しました");
        // Another copy appends to the same log while this one has it open.
        Win32CommandLineOutput second;
        ASSERT_TRUE(second.OpenLog(log));
        second.WriteLine(L"このツールは別に実行中です。");
        first.WriteLine(L"終了コード: 0");
    }
    SYSTEMTIME after{};
    ::GetLocalTime(&after);

    const std::string bytes = ReadBytes(log).value_or("");
    const std::regex line("(\\d{4})-(\\d\\d)-(\\d\\d) (\\d\\d):(\\d\\d):(\\d\\d)\t([^\r\n]*)\r\n");
    ASSERT_EQ(bytes.rfind("an earlier run\r\n", 0), 0u) << bytes;
    std::vector<std::string> texts;
    std::string rest = bytes.substr(16);
    std::smatch match;
    while (std::regex_search(rest, match, line, std::regex_constants::match_continuous)) {
        EXPECT_EQ(std::stoi(match[1]), before.wYear);
        const int second = SecondOfDay(match);
        // A run across midnight is not worth the complication here.
        if (before.wDay == after.wDay) {
            EXPECT_GE(second, before.wHour * 3600 + before.wMinute * 60 + before.wSecond);
            EXPECT_LE(second, after.wHour * 3600 + after.wMinute * 60 + after.wSecond);
        }
        texts.push_back(match[7]);
        rest = match.suffix();
    }
    EXPECT_EQ(rest, "");
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "\xE3\x82\xB7\xE3\x83\xA7\xE3\x83\xBC\xE3\x83\x88\xE3\x82\xAB\xE3\x83\x83\xE3\x83\x88\xE3\x82\x92"
                         "\xE4\xBD\x9C\xE6\x88\x90\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F",
                         "\xE3\x81\x93\xE3\x81\xAE\xE3\x83\x84\xE3\x83\xBC\xE3\x83\xAB\xE3\x81\xAF\xE5\x88\xA5\xE3\x81\xAB"
                         "\xE5\xAE\x9F\xE8\xA1\x8C\xE4\xB8\xAD\xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82",
                         "\xE7\xB5\x82\xE4\xBA\x86\xE3\x82\xB3\xE3\x83\xBC\xE3\x83\x89: 0"}));
}

// Notepad and Excel need the mark to read the log as UTF-8; it comes once,
// when the log is new or empty, and never again in the middle of the file.
TEST(CommandLineOutputTest, ANewLogStartsWithOneByteOrderMark) {
    ScratchFolder folder;
    RedirectedOutput redirected(folder / L"out.txt");
    const std::wstring fresh = folder / L"fresh.log";
    const std::wstring empty = folder / L"empty.log";
    WriteBytes(empty, "");
    for (const std::wstring& log : {fresh, empty}) {
        for (const char* text : {"first run", "second run"}) {
            Win32CommandLineOutput output;
            ASSERT_TRUE(output.OpenLog(log));
            output.WriteLine(testing::FromUtf8(text));
        }
        const std::string bytes = ReadBytes(log).value_or("");
        EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF", 0), 0u) << bytes;
        EXPECT_EQ(bytes.find("\xEF\xBB\xBF", 1), std::string::npos) << bytes;
        EXPECT_NE(bytes.find("\tfirst run\r\n"), std::string::npos) << bytes;
        EXPECT_NE(bytes.find("\tsecond run\r\n"), std::string::npos) << bytes;
    }
}

TEST(CommandLineOutputTest, ALogThatCannotBeOpenedIsRefused) {
    ScratchFolder folder;
    RedirectedOutput redirected(folder / L"out.txt");
    const std::wstring readOnlyLog = folder / L"read-only.log";
    WriteBytes(readOnlyLog, "kept\r\n");
    const ReadOnlyFile readOnly(readOnlyLog);
    for (const std::wstring& path : {folder / L"no such folder\\x.log", readOnlyLog, folder.Path(), std::wstring()}) {
        Win32CommandLineOutput output;
        EXPECT_FALSE(output.OpenLog(path)) << testing::ToUtf8(path);
        output.WriteLine(L"not logged");
    }
    EXPECT_EQ(ReadBytes(readOnlyLog), "kept\r\n");
}

TEST(SetUpReaderTest, ReadsTheBytesOfAFile) {
    ScratchFolder folder;
    Win32SetUpReader reader;
    const std::string script = std::string("Addr = \"http://10.0.0.254/display.htm?size=2\"\r\n") + '\0' + "\xFF";
    WriteBytes(folder / L"LAU_Refresh.vbs", script);
    WriteBytes(folder / L"big.vbs", std::string(70000, 'x'));
    EXPECT_EQ(reader.ReadFileBytes(folder / L"LAU_Refresh.vbs"), script);
    EXPECT_EQ(reader.ReadFileBytes(folder / L"big.vbs"), std::string(65536, 'x'));
    EXPECT_EQ(reader.ReadFileBytes(folder / L"missing.vbs"), std::nullopt);
    EXPECT_EQ(reader.ReadFileBytes(folder.Path()), std::nullopt);
    EXPECT_EQ(reader.ReadFileBytes(L""), std::nullopt);
}

TEST(SetUpReaderTest, ReadsTheProgramAndArgumentsOfAShortcut) {
    ScratchFolder folder;
    const std::wstring arguments =
        L"--ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk \"http://10.0.0.254/display.htm?size=2\"";
    Win32FileStore files;
    Win32ShortcutWriter writer(files);
    // As 登録 does it: the program and the Show-Desktop file exist first.
    WriteBytes(folder / L"msedge.exe", "MZ");
    WriteBytes(folder / L"DeskTop.scf", "[Shell]\r\n");
    ASSERT_TRUE(writer.SaveShortcut({folder / L"LAN対応ユニット.lnk", folder / L"msedge.exe", arguments,
                                     L"%HOMEDRIVE%%HOMEPATH%", L"LAN対応ユニット キオスクモード"}));
    ASSERT_TRUE(writer.SaveShortcut({folder / L"DeskTop.lnk", folder / L"DeskTop.scf", L"", L"", L""}));
    WriteBytes(folder / L"not-a-shortcut.lnk", "plain text\r\n");

    Win32SetUpReader reader;
    const std::optional<ShortcutTarget> kiosk = reader.ReadShortcut(folder / L"LAN対応ユニット.lnk");
    ASSERT_TRUE(kiosk.has_value());
    EXPECT_EQ(kiosk->targetPath, folder / L"msedge.exe");
    EXPECT_EQ(kiosk->arguments, arguments);
    const std::optional<ShortcutTarget> showDesktop = reader.ReadShortcut(folder / L"DeskTop.lnk");
    ASSERT_TRUE(showDesktop.has_value());
    EXPECT_EQ(showDesktop->targetPath, folder / L"DeskTop.scf");
    EXPECT_EQ(showDesktop->arguments, L"");
    EXPECT_FALSE(reader.ReadShortcut(folder / L"not-a-shortcut.lnk").has_value());
    EXPECT_FALSE(reader.ReadShortcut(folder / L"missing.lnk").has_value());
}

}  // namespace
}  // namespace tavrin::platform
