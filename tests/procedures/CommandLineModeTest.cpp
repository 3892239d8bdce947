#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "fakes/FakeStartup.h"
#include "procedures/CommandLineMode.h"
#include "procedures/Procedures.h"

namespace tavrin::testing {
namespace {

using Lines = std::vector<std::wstring>;
using Args = std::vector<std::wstring>;

// The console and the log: every line, and which of them went to the log.
class RecordingOutput final : public CommandLineOutput {
public:
    void WriteLine(const std::wstring& line) override {
        lines.push_back(line);
        if (logOpen) logged.push_back(line);
    }
    bool OpenLog(const std::wstring& path) override {
        logPaths.push_back(path);
        logOpen = logOpens;
        return logOpens;
    }
    std::wstring LogPath() const override { return fullLogPath.empty() ? logPaths.back() : fullLogPath; }

    bool logOpens = true;
    bool logOpen = false;
    Lines lines;
    Lines logged;
    Lines logPaths;
    std::wstring fullLogPath;  // what LogPath gives; empty: the path as given
};

class RecordingGuard final : public RunningCopyGuard {
public:
    bool AnotherCopyRuns() override {
        ++asked;
        return anotherCopy;
    }
    bool anotherCopy = false;
    int asked = 0;
};

const AccountName kTaro{L"PC", L"taro", L"S-1-5-21-1-2-3-1001"};
const AccountName kAdmin{L"PC", L"admin", L"S-1-5-21-1-2-3-500"};
const AccountName kSystem{L"NT AUTHORITY", L"SYSTEM", L"S-1-5-18"};

struct CliSetup : FakeSetup {
    RecordingOutput output;
    RecordingGuard guard;
    FakeStartupEnvironment environment{world.log, kTaro, folders};
    FakeSetUpReader reader{world};
    CommandLineContext context{L"tavrin.exe", output, guard, environment, platform, reader, L"9.8.7.6", L"KIOSK-01"};

    int Run(const Args& args) { return RunFromCommandLine(args, context); }
    void PutEverything() {
        for (const auto& tagged : world.tags) world.disk[tagged.first] = "x";
    }
};

const Args kRegister = {L"/register", L"/address", L"10.0.0.254"};
const Args kRemove = {L"/remove"};
const Args kStatus = {L"/status"};

const std::wstring kDocuments = L"C:\\Users\\taro\\Documents";
const std::wstring kStartup = L"C:\\Users\\taro\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
const std::wstring kDesktop = L"C:\\Users\\taro\\Desktop";
const std::wstring kLink = L"http://10.0.0.254/display.htm?size=1";


const Lines kUsage = {
    L"使い方:",
    L"  tavrin.exe /register /address A.B.C.D [/size hd|fullhd] [/hour H]",
    L"      [/user DOMAIN\\name] [/account current] [/log FILE]",
    L"  tavrin.exe /remove [/user DOMAIN\\name] [/account current] [/log FILE]",
    L"  tavrin.exe /status [/user DOMAIN\\name] [/account current] [/log FILE]",
    L"  tavrin.exe /?",
    L"  /register  設定画面の「登録」と同じ設定をします。/address は必ず指定します。",
    L"  /address   LAN対応ユニットのIPアドレス（例: 192.168.1.10）",
    L"  /size      画面サイズ: hd = ハイビジョン（既定）、fullhd = フルハイビジョン",
    L"  /hour      毎日のリフレッシュ時刻（時）: 0、1、4～23 のどれか（既定 0）",
    L"  /remove    設定画面の「削除」と同じく、タスク、スクリプト、ショートカットを",
    L"             削除します。",
    L"  /status    登録の状態を表示します（何も変更しません）。",
    L"  /user      DOMAIN\\name: 画面の前のユーザーがこのユーザーのときだけ実行",
    L"             します（違えば何もせずに終了コード 5）。",
    L"  /account current",
    L"             画面の前のユーザーではなく、実行中のアカウントに設定します",
    L"             （/status はそのアカウントの状態を表示します）。",
    L"  /log       表示する行を日時付きでファイル FILE にも追記します。",
    L"  終了コードの意味: 0 完了、1 使い方の誤りか、ログ ファイルを開けない、",
    L"    2 すでに実行中、3 起動時の確認で終了、4 手順の失敗、",
    L"    5 画面の前のユーザーに設定できない（ログオンしていない、確認できない、",
    L"      /user と違う。後で実行し直す）、",
    L"    10 登録されていない、11 一部だけ登録されているか不一致",
    L"    （1、2、3、5 のときは何もしていません）",
};

// The first line of every run but /?.
const std::wstring kHeader =
    L"Quorvix画面設定ツール 9.8.7.6、コンピューター: KIOSK-01、アカウント: PC\\taro、対象ユーザー: PC\\taro";
std::wstring Header(const std::wstring& running, const std::wstring& target) {
    return L"Quorvix画面設定ツール 9.8.7.6、コンピューター: KIOSK-01、アカウント: " + running + L"、対象ユーザー: " +
           target;
}

Lines Then(Lines head, const Lines& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

struct Scenario {
    const char* name;
    Args args;
    std::function<void(CliSetup&)> arrange;
    int exitCode;
    Lines lines;  // after the first line
    std::wstring header = kHeader;
};

void PrintTo(const Scenario& scenario, std::ostream* os) { *os << scenario.name; }

class CommandLineScenarioTest : public ::testing::TestWithParam<Scenario> {};

// The first line ends with the command as given; these arguments need no quotes.
std::wstring WithCommand(const std::wstring& header, const Args& args) {
    std::wstring line = header + L"、コマンド:";
    for (const std::wstring& arg : args) line += L" " + arg;
    return line;
}

TEST_P(CommandLineScenarioTest, LinesAndExitCode) {
    CliSetup s;
    GetParam().arrange(s);
    EXPECT_EQ(s.Run(GetParam().args), GetParam().exitCode);
    EXPECT_EQ(s.output.lines, Then({WithCommand(GetParam().header, GetParam().args)}, GetParam().lines));
}

const Lines kStatusOfNothing = {
    L"タスク「Quorvix画面リフレッシュ（taro）」: 登録されていません",
    L"スクリプト「" + kDocuments + L"\\LAU_Refresh.vbs」: なし",
    L"スタートアップのショートカット「" + kStartup + L"\\LAN対応ユニット.lnk」: なし",
    L"デスクトップのショートカット「" + kDesktop + L"\\LAN対応ユニット.lnk」: なし",
    L"デスクトップ表示ファイル「" + kDocuments + L"\\DeskTop.scf」: なし",
    L"デスクトップ表示のショートカット「" + kStartup + L"\\DeskTop.lnk」: なし",
    L"表示画面: 確認していません（リンク先が登録されていません）",
    L"状態: 登録されていません",
    L"registered=none address=- size=- hour=- user=PC\\taro",
};

void RegisterFirst(CliSetup& s) {
    CliSetup first;
    ASSERT_EQ(first.Run(kRegister), 0);
    s.world.disk = first.world.disk;
    s.world.shortcuts = first.world.shortcuts;
    s.world.tasks = first.world.tasks;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, CommandLineScenarioTest,
    ::testing::Values(
        Scenario{"RegisterEveryStepDone", kRegister, [](CliSetup&) {}, 0,
                 {L"ショートカットを作成しました", L"result=done exit=0 address=10.0.0.254 size=hd hour=0", L"終了コード: 0"}},
        // PCs are often set up before the unit is connected: a warning, and the
        // run goes on; the exit code is the steps'.
        Scenario{"RegisterPageDoesNotAnswer", kRegister,
                 [](CliSetup& s) { s.world.pageAnswer = {PageAnswer::Kind::unreachable, 0}; }, 0,
                 {L"警告: ユニットの表示画面 " + kLink +
                      L" を開けませんでした（ネットワークの経路がなく、ユニットに届きません）。",
                  L"ショートカットを作成しました", L"result=done exit=0 address=10.0.0.254 size=hd hour=0", L"終了コード: 0"}},
        Scenario{"RegisterPageTimesOutAndSchtasksFails", kRegister,
                 [](CliSetup& s) {
                     s.world.pageAnswer = {PageAnswer::Kind::timedOut, 0};
                     s.world.commandStatus = 1;
                 },
                 4,
                 {L"警告: ユニットの表示画面 " + kLink + L" を開けませんでした（5 秒以内に応答がありません）。",
                  L"タスクスケジューラの登録に失敗しました", L"result=partial exit=4 address=10.0.0.254 size=hd hour=0", L"終了コード: 4"}},
        Scenario{"RegisterSchtasksFails", kRegister, [](CliSetup& s) { s.world.commandStatus = 1; }, 4,
                 {L"タスクスケジューラの登録に失敗しました", L"result=partial exit=4 address=10.0.0.254 size=hd hour=0", L"終了コード: 4"}},
        Scenario{"RegisterScriptCannotBeOpened", kRegister,
                 [](CliSetup& s) { s.world.unopenable.insert(s.scriptPath()); }, 4,
                 {L"スクリプトファイルの作成に失敗しました", L"result=failed exit=4 address=10.0.0.254 size=hd hour=0", L"終了コード: 4"}},
        // The dialog would close with success after this; the command line
        // still says a step failed.
        Scenario{"RegisterOneKioskShortcutFails", kRegister,
                 [](CliSetup& s) { s.world.failingSaves.insert(s.startupKioskPath()); }, 4,
                 {L"スタートアップへのショートカット作成に失敗しました", L"ショートカットを作成しました",
                  L"result=partial exit=4 address=10.0.0.254 size=hd hour=0", L"終了コード: 4"}},
        Scenario{"RegisterDiskFull", kRegister, [](CliSetup& s) { s.world.failingWrites.insert(s.scriptPath()); }, 4,
                 {kDocuments + L"\\LAU_Refresh.vbs へのアクセス中にディスクがいっぱいになりました。", L"result=failed exit=4 address=10.0.0.254 size=hd hour=0", L"終了コード: 4"}},
        Scenario{"RegisterOutOfMemory", kRegister,
                 [](CliSetup& s) { s.world.beforeOpen = [](const std::wstring&) { throw std::bad_alloc(); }; }, 4,
                 {L"メモリが不足しています。", L"result=failed exit=4 address=10.0.0.254 size=hd hour=0", L"終了コード: 4"}},
        Scenario{"RegisterStandardExceptionWithText", kRegister,
                 [](CliSetup& s) {
                     s.world.beforeOpen = [](const std::wstring&) { throw std::runtime_error("vector::reserve"); };
                 },
                 4, {L"予期しないエラーが発生しました: vector::reserve", L"result=failed exit=4 address=10.0.0.254 size=hd hour=0", L"終了コード: 4"}},
        Scenario{"RegisterStandardExceptionWithoutReadableText", kRegister,
                 [](CliSetup& s) {
                     s.world.beforeOpen = [](const std::wstring&) { throw std::runtime_error("\xFF\xFE"); };
                 },
                 4, {L"アプリケーションの内部エラーです。", L"result=failed exit=4 address=10.0.0.254 size=hd hour=0", L"終了コード: 4"}},
        Scenario{"RegisterSomethingElseThrown", kRegister,
                 [](CliSetup& s) { s.world.beforeOpen = [](const std::wstring&) { throw 42; }; }, 4,
                 {L"アプリケーションの内部エラーです。", L"result=failed exit=4 address=10.0.0.254 size=hd hour=0", L"終了コード: 4"}},
        Scenario{"RemoveEverything", kRemove, [](CliSetup& s) { s.PutEverything(); }, 0,
                 {L"タスクとショートカットの削除に成功しました。", L"result=done exit=0", L"終了コード: 0"}},
        Scenario{"RemoveNothingThere", kRemove, [](CliSetup& s) { s.world.commandStatus = 1; }, 0,
                 {L"タスクとショートカットの削除に成功しました。", L"result=done exit=0", L"終了コード: 0"}},
        Scenario{"RemoveTaskStays", kRemove,
                 [](CliSetup& s) {
                     s.world.commandStatus = 1;
                     s.PutTask();
                 },
                 4, {L"タスクの削除に失敗しました。", L"result=failed exit=4", L"終了コード: 4"}},
        Scenario{"RemoveScriptStays", kRemove,
                 [](CliSetup& s) {
                     s.PutEverything();
                     s.world.undeletable.insert(s.scriptPath());
                 },
                 4, {L"ショートカットの削除に失敗しました。", L"result=partial exit=4", L"終了コード: 4"}},
        Scenario{"StatusNothing", kStatus, [](CliSetup& s) { s.world.commandStatus = 1; }, 10,
                 Then(kStatusOfNothing, {L"終了コード: 10"})},
        Scenario{"StatusComplete", kStatus, RegisterFirst, 0,
                 {L"タスク「Quorvix画面リフレッシュ（taro）」: 登録されています（毎日 0 時）",
                  L"スクリプト「" + kDocuments + L"\\LAU_Refresh.vbs」: あり（リンク先 " + kLink + L"）",
                  L"スタートアップのショートカット「" + kStartup + L"\\LAN対応ユニット.lnk」: あり（リンク先 " + kLink + L"）",
                  L"デスクトップのショートカット「" + kDesktop + L"\\LAN対応ユニット.lnk」: あり（リンク先 " + kLink + L"）",
                  L"デスクトップ表示ファイル「" + kDocuments + L"\\DeskTop.scf」: なし",
                  L"デスクトップ表示のショートカット「" + kStartup + L"\\DeskTop.lnk」: なし",
                  L"表示画面「" + kLink + L"」: 開けます", L"状態: すべて登録されています",
                  L"設定: アドレス 10.0.0.254、画面サイズ ハイビジョン、リフレッシュ 毎日 0 時",
                  L"registered=complete address=10.0.0.254 size=hd hour=0 user=PC\\taro", L"終了コード: 0"}},
        // Whether the page answers is shown, not judged: verdict and exit code stay.
        Scenario{"StatusCompletePageDoesNotAnswer", kStatus,
                 [](CliSetup& s) {
                     RegisterFirst(s);
                     s.world.pageAnswer = {PageAnswer::Kind::refused, 0};
                 },
                 0,
                 {L"タスク「Quorvix画面リフレッシュ（taro）」: 登録されています（毎日 0 時）",
                  L"スクリプト「" + kDocuments + L"\\LAU_Refresh.vbs」: あり（リンク先 " + kLink + L"）",
                  L"スタートアップのショートカット「" + kStartup + L"\\LAN対応ユニット.lnk」: あり（リンク先 " + kLink + L"）",
                  L"デスクトップのショートカット「" + kDesktop + L"\\LAN対応ユニット.lnk」: あり（リンク先 " + kLink + L"）",
                  L"デスクトップ表示ファイル「" + kDocuments + L"\\DeskTop.scf」: なし",
                  L"デスクトップ表示のショートカット「" + kStartup + L"\\DeskTop.lnk」: なし",
                  L"表示画面「" + kLink + L"」: 開けません（接続を拒否されました）", L"状態: すべて登録されています",
                  L"設定: アドレス 10.0.0.254、画面サイズ ハイビジョン、リフレッシュ 毎日 0 時",
                  L"registered=complete address=10.0.0.254 size=hd hour=0 user=PC\\taro", L"終了コード: 0"}},
        Scenario{"StatusScriptDeleted", kStatus,
                 [](CliSetup& s) {
                     RegisterFirst(s);
                     s.world.disk.erase(s.scriptPath());
                     s.world.pageAnswer = {PageAnswer::Kind::status, 404};
                 },
                 11,
                 {L"タスク「Quorvix画面リフレッシュ（taro）」: 登録されています（毎日 0 時）",
                  L"スクリプト「" + kDocuments + L"\\LAU_Refresh.vbs」: なし",
                  L"スタートアップのショートカット「" + kStartup + L"\\LAN対応ユニット.lnk」: あり（リンク先 " + kLink + L"）",
                  L"デスクトップのショートカット「" + kDesktop + L"\\LAN対応ユニット.lnk」: あり（リンク先 " + kLink + L"）",
                  L"デスクトップ表示ファイル「" + kDocuments + L"\\DeskTop.scf」: なし",
                  L"デスクトップ表示のショートカット「" + kStartup + L"\\DeskTop.lnk」: なし",
                  L"表示画面「" + kLink + L"」: 開けません（ユニットは応答しましたが、表示画面ではなく HTTP ステータス 404 でした）",
                  L"状態: 一部だけ登録されているか、内容が一致しません（もう一度登録してください。すべて置き換わります）",
                  L"設定: アドレス 10.0.0.254、画面サイズ ハイビジョン、リフレッシュ 毎日 0 時",
                  L"registered=partial address=10.0.0.254 size=hd hour=0 user=PC\\taro", L"終了コード: 11"}},
        Scenario{"StatusTaskCannotBeChecked", kStatus, [](CliSetup& s) { s.world.schedulerAnswers = false; },
                 4,
                 Then({L"タスク「Quorvix画面リフレッシュ（taro）」: 確認できません（タスク スケジューラからタスクを読み取れません）"},
                      Then(Lines(kStatusOfNothing.begin() + 1, kStatusOfNothing.end() - 2),
                           {L"状態: タスクを読み取れないため判断できません（Task Scheduler サービスが実行中か確かめてください）",
                            L"設定: アドレス 不明、画面サイズ 不明、リフレッシュ 不明",
                            L"registered=unknown address=- size=- hour=- user=PC\\taro", L"終了コード: 4"}))},
        Scenario{"StatusNamesTheAccountWithoutADomain", kStatus,
                 [](CliSetup& s) {
                     s.world.commandStatus = 1;
                     const AccountName taro{L"", L"taro", kTaro.sid};
                     s.environment.facts = SessionFacts(taro, taro);
                 },
                 10,
                 Then(Lines(kStatusOfNothing.begin(), kStatusOfNothing.end() - 1),
                      {L"registered=none address=- size=- hour=- user=taro", L"終了コード: 10"}),
                 Header(L"taro", L"taro")},
        // Whose set-up it would read cannot be told: nothing is read.
        Scenario{"StatusAccountUnreadable", kStatus,
                 [](CliSetup& s) { s.environment.facts.process.reset(); }, 5,
                 {L"画面の前のユーザーを確認できません（このツールは「（読み取れません）」として実行されています）。"
                  L"何もしていません。",
                  L"終了コード: 5"},
                 Header(L"taro", L"（読み取れません）")},
        Scenario{"AnotherCopyRuns", kRegister, [](CliSetup& s) { s.guard.anotherCopy = true; }, 2,
                 {L"このツールはすでに実行中です。終わってからもう一度実行してください。", L"result=refused exit=2 address=10.0.0.254 size=hd hour=0", L"終了コード: 2"}},
        Scenario{"NoBrowser", kRegister, [](CliSetup& s) { s.environment.browser.clear(); }, 3,
                 {L"Microsoft Edgeが見つかりません。", L"Microsoft Edgeをインストールして再度実行してください。",
                  L"result=refused exit=3 address=10.0.0.254 size=hd hour=0", L"終了コード: 3"}},
        Scenario{"NoKnownFolders", kRemove, [](CliSetup& s) { s.environment.foldersThere = false; }, 3,
                 {L"ショートカットの保存先が見つかりませんでした", L"アプリケーションを終了します", L"result=refused exit=3", L"終了コード: 3"}},
        Scenario{"NothingThereAtAll", kStatus,
                 [](CliSetup& s) {
                     s.environment.foldersThere = false;
                     s.environment.browser.clear();
                 },
                 3,
                 {L"ショートカットの保存先が見つかりませんでした", L"アプリケーションを終了します",
                  L"Microsoft Edgeが見つかりません。", L"Microsoft Edgeをインストールして再度実行してください。",
                  L"終了コード: 3"}},
        // Whoever runs the tool, the user at the screen is set up.
        Scenario{"AdministratorOverTheShoulderRegisters", kRegister,
                 [](CliSetup& s) { s.environment.facts = SessionFacts(kAdmin, kTaro); }, 0,
                 {L"ショートカットを作成しました", L"result=done exit=0 address=10.0.0.254 size=hd hour=0", L"終了コード: 0"}, Header(L"PC\\admin", L"PC\\taro")},
        Scenario{"AgentAsSystemRemoves", kRemove,
                 [](CliSetup& s) {
                     s.PutEverything();
                     s.environment.facts = AgentFacts(kSystem, kTaro);
                 },
                 0, {L"タスクとショートカットの削除に成功しました。", L"result=done exit=0", L"終了コード: 0"},
                 Header(L"NT AUTHORITY\\SYSTEM", L"PC\\taro")},
        Scenario{"AnotherAccountStatus", kStatus,
                 [](CliSetup& s) {
                     s.world.commandStatus = 1;
                     s.environment.facts = SessionFacts(kAdmin, kTaro);
                 },
                 10, Then(kStatusOfNothing, {L"終了コード: 10"}), Header(L"PC\\admin", L"PC\\taro")},
        Scenario{"GuardNamesTheDisplayUser", Then(kRegister, {L"/user", L"PC\\taro"}),
                 [](CliSetup& s) { s.environment.facts = AgentFacts(kSystem, kTaro); }, 0,
                 {L"ショートカットを作成しました", L"result=done exit=0 address=10.0.0.254 size=hd hour=0", L"終了コード: 0"}, Header(L"NT AUTHORITY\\SYSTEM", L"PC\\taro")},
        // Nobody to set up: exit 5, one line, nothing done; an agent retries later.
        Scenario{"NobodyLoggedOn", kRegister, [](CliSetup& s) { s.environment.facts = AgentFacts(kSystem, std::nullopt); },
                 5,
                 {L"画面の前にログオンしているユーザーがいません。何もしていません（ユーザーがログオンしてから"
                  L"実行し直してください）。",
                  L"result=refused exit=5 address=10.0.0.254 size=hd hour=0", L"終了コード: 5"},
                 Header(L"NT AUTHORITY\\SYSTEM", L"（なし）")},
        Scenario{"ConsoleChangingHands", kRemove,
                 [](CliSetup& s) {
                     s.environment.facts = AgentFacts(kSystem, kTaro);
                     s.environment.facts.consoleSession = kConsoleChangingHands;
                 },
                 5,
                 {L"画面の前のユーザーが切り替わっている最中のため確認できません。何もしていません（しばらくしてから"
                  L"実行し直してください）。",
                  L"result=refused exit=5", L"終了コード: 5"},
                 Header(L"NT AUTHORITY\\SYSTEM", L"（読み取れません）")},
        Scenario{"DisplayUserUnreadable", kRemove,
                 [](CliSetup& s) { s.environment.facts.ownSessionUser.readable = false; }, 5,
                 {L"画面の前のユーザーを確認できません（このツールは「PC\\taro」として実行されています）。"
                  L"何もしていません。",
                  L"result=refused exit=5", L"終了コード: 5"},
                 Header(L"PC\\taro", L"（読み取れません）")},
        Scenario{"GuardNamesSomeoneElse", Then(kStatus, {L"/user", L"PC\\hanako"}),
                 [](CliSetup& s) { s.environment.facts = AgentFacts(kSystem, kTaro); }, 5,
                 {L"/user のユーザー「PC\\hanako」は、設定する画面の前のユーザー「PC\\taro」ではありません。"
                  L"何もしていません。",
                  L"終了コード: 5"},
                 Header(L"NT AUTHORITY\\SYSTEM", L"PC\\taro")},
        // /account current: the running account, as before, with one warning line.
        Scenario{"AnotherAccountMeant", Then(kRegister, {L"/account", L"current"}),
                 [](CliSetup& s) { s.environment.facts = SessionFacts(kAdmin, kTaro); }, 0,
                 {L"警告: ログオン中のユーザー「PC\\taro」ではなく「PC\\admin」として実行されています。"
                  L"設定し、調べるのは「PC\\admin」のドキュメント、スタートアップ、デスクトップとタスクです。",
                  L"ショートカットを作成しました", L"result=done exit=0 address=10.0.0.254 size=hd hour=0", L"終了コード: 0"},
                 Header(L"PC\\admin", L"PC\\admin")},
        Scenario{"SystemMeant", Then(kRemove, {L"/account", L"current"}),
                 [](CliSetup& s) { s.environment.facts = AgentFacts(kSystem, std::nullopt); }, 0,
                 {L"タスクとショートカットの削除に成功しました。", L"result=done exit=0", L"終了コード: 0"},
                 Header(L"NT AUTHORITY\\SYSTEM", L"NT AUTHORITY\\SYSTEM")},
        Scenario{"UsageError", {L"/register"}, [](CliSetup&) {}, 1,
                 Then(Then({L"/register には /address でユニットのIPアドレスを指定してください。"}, kUsage),
                      {L"終了コード: 1"})},
        Scenario{"LogCannotBeOpened", {L"/remove", L"/log", L"Q:\\nowhere\\remove.log"},
                 [](CliSetup& s) { s.output.logOpens = false; }, 1,
                 {L"ログ ファイルを開けません: Q:\\nowhere\\remove.log（何もしていません。フォルダーがあるか、"
                  L"パスが正しいか、書き込めるかを確認してください）",
                  L"result=refused exit=1", L"終了コード: 1"}}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

TEST(CommandLineModeTest, EachUsageProblemHasItsLine) {
    const struct {
        Args args;
        std::wstring line;
    } cases[] = {
        {{L"/frobnicate"},
         L"認識できない引数です: /frobnicate（オプションは / で始めます。IPアドレスは /address の後に指定します）"},
        // The address alone, as a technician may type it.
        {{L"/register", L"192.168.1.10"},
         L"認識できない引数です: 192.168.1.10（オプションは / で始めます。IPアドレスは /address の後に指定します）"},
        {{L"/status", L"/log"}, L"/log の後に値を指定してください。"},
        {{L"/status", L"/LOG", L"a", L"/log", L"b"}, L"/log が 2 回以上指定されています。"},
        {{L"/register", L"/address", L"1.2.3.256"},
         L"IPアドレスが正しくありません: 1.2.3.256（0～255 の数 4 つをピリオドで区切り、010 のような先頭の 0 は付けずに"
         L"指定してください。例: 192.168.1.10）"},
        {{L"/register", L"/address", L"192.168.001.10"},
         L"IPアドレスが正しくありません: 192.168.001.10（0～255 の数 4 つをピリオドで区切り、010 のような先頭の 0 は"
         L"付けずに指定してください。例: 192.168.1.10）"},
        {{L"/register", L"/address", L"1.2.3.4", L"/size", L"4k"},
         L"画面サイズが正しくありません: 4k（hd または fullhd を指定してください）"},
        {{L"/register", L"/address", L"1.2.3.4", L"/hour", L"2"},
         L"時刻が正しくありません: 2（0、1、4～23 のどれかを、04 のような先頭の 0 を付けずに指定してください。例: /hour 4）"},
        {{L"/register", L"/address", L"1.2.3.4", L"/hour", L"04"},
         L"時刻が正しくありません: 04（0、1、4～23 のどれかを、04 のような先頭の 0 を付けずに指定してください。例: /hour 4）"},
        {{L"/remove", L"/status"}, L"/register、/remove、/status、/? のうち 1 つだけを指定してください。"},
        {{L"/log", L"x.log"}, L"/register、/remove、/status、/? のうち 1 つだけを指定してください。"},
        {{L"-Remove", L"-Address", L"1.2.3.4"}, L"-Address は -Remove と一緒には使えません。"},
        {{L"/remove", L"/account", L"me"}, L"アカウントの指定が正しくありません: me（current を指定してください）"},
    };
    for (const auto& c : cases) {
        CliSetup s;
        EXPECT_EQ(s.Run(c.args), 1);
        EXPECT_EQ(s.output.lines, Then(Then({WithCommand(kHeader, c.args), c.line}, kUsage), {L"終了コード: 1"}));
    }
}

// /? shows the usage text alone: no first line, no exit code line.
TEST(CommandLineModeTest, HelpIsTheUsageTextAlone) {
    for (const Args& args : {Args{L"/?"}, Args{L"-?"}}) {
        CliSetup s;
        EXPECT_EQ(s.Run(args), 0);
        EXPECT_EQ(s.output.lines, kUsage);
    }
}

// Columns a console gives a character: two for the wide (Japanese) ones.
std::size_t ConsoleColumns(const std::wstring& line) {
    std::size_t columns = 0;
    for (const wchar_t c : line) columns += c >= 0x1100 && !(c >= 0xFF61 && c <= 0xFF9F) ? 2 : 1;
    return columns;
}

// The usage text fits an 80-column console, and its legend of exit codes
// cannot be mistaken for the last line of a run in a log search.
TEST(CommandLineModeTest, UsageTextFitsEightyColumnsAndHasNoExitCodeLine) {
    CliSetup s;
    s.Run({L"/?"});
    ASSERT_FALSE(s.output.lines.empty());
    for (const std::wstring& line : s.output.lines) {
        EXPECT_LT(ConsoleColumns(line), 80u) << ::testing::PrintToString(line);
        EXPECT_EQ(line.find(L"終了コード: "), std::wstring::npos) << ::testing::PrintToString(line);
    }
}

// The first line names the command as given, on one line whatever the
// arguments hold: a line break in an argument must not start a line of its own
// in the log.
TEST(CommandLineModeTest, TheFirstLineNamesTheCommandOnOneLine) {
    const struct {
        Args args;
        std::wstring shown;
    } cases[] = {
        {{L"/STATUS", L"/log", L"C:\\logs\\a.log"}, L"/STATUS /log C:\\logs\\a.log"},
        {{L"/status", L"/log", L"C:\\Kiosk Logs\\a.log"}, L"/status /log \"C:\\Kiosk Logs\\a.log\""},
        {{L"/status", L"/log", L"a\"b"}, L"/status /log \"a\"\"b\""},
        {{L"/status", L""}, L"/status \"\""},
        {{L"/status", L"/log", L"x\r\n2026-01-01 00:00:00\tforged"},
         L"/status /log \"x\\x0D\\x0A2026-01-01 00:00:00\\x09forged\""},
    };
    for (const auto& c : cases) {
        CliSetup s;
        s.Run(c.args);
        ASSERT_FALSE(s.output.lines.empty());
        EXPECT_EQ(s.output.lines[0], kHeader + L"、コマンド: " + c.shown);
    }
}

// The key line carries the settings as they were given, in ASCII.
TEST(CommandLineModeTest, RegisterKeysNameTheGivenSettings) {
    CliSetup s;
    EXPECT_EQ(s.Run({L"/register", L"/address", L"192.168.10.200", L"/size", L"FullHD", L"/hour", L"23"}), 0);
    ASSERT_GE(s.output.lines.size(), 2u);
    EXPECT_EQ(s.output.lines[s.output.lines.size() - 2],
              L"result=done exit=0 address=192.168.10.200 size=fullhd hour=23");
}

// Refused or help-only runs touch nothing: no log, no single-copy place, no
// folders, no SCHTASKS.
TEST(CommandLineModeTest, RefusedLinesAndHelpDoNothing) {
    const Args cases[] = {
        {L"/?"},
        {L"/register", L"/address", L"1.2.3.4", L"/log", L"x.log", L"/bogus"},
        {L"/remove", L"/log", L"x.log", L"/address", L"1.2.3.4"},
        {L"/register", L"/log", L"x.log"},
    };
    for (const Args& args : cases) {
        CliSetup s;
        s.PutEverything();
        const auto diskBefore = s.world.disk;
        s.Run(args);
        EXPECT_TRUE(s.output.logPaths.empty());
        EXPECT_EQ(s.guard.asked, 0);
        EXPECT_TRUE(s.world.log.empty());
        EXPECT_EQ(s.world.disk, diskBefore);
    }
}

// Nobody to set up: not even the folders are looked at, nothing is written
// or removed, no SCHTASKS runs; the lines reach the log.
TEST(CommandLineModeTest, NobodyToSetUpChangesNothing) {
    const struct {
        const char* name;
        Args args;
        std::function<void(CliSetup&)> arrange;
    } cases[] = {
        {"nobody logged on", {L"/register", L"/address", L"10.0.0.254", L"/log", L"x.log"},
         [](CliSetup& s) { s.environment.facts = AgentFacts(kSystem, std::nullopt); }},
        {"guard", {L"/remove", L"/log", L"x.log", L"/user", L"PC\\hanako"}, [](CliSetup&) {}},
        {"display user unreadable", {L"/remove", L"/log", L"x.log"},
         [](CliSetup& s) {
             s.environment.facts = AgentFacts(kSystem, kTaro);
             s.environment.facts.consoleUser.readable = false;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CliSetup s;
        s.PutEverything();
        const auto diskBefore = s.world.disk;
        c.arrange(s);
        EXPECT_EQ(s.Run(c.args), 5);
        EXPECT_TRUE(s.world.log.empty());
        EXPECT_EQ(s.world.disk, diskBefore);
        EXPECT_EQ(s.output.logged, s.output.lines);
    }
}

// The folders asked for are the display user's, and its task is the one
// registered, read and deleted; the running account's own is never touched.
TEST(CommandLineModeTest, AnotherAccountWorksOnTheDisplayUsersSetUp) {
    const AccountName hanako{L"PC", L"hanako", L"S-1-5-21-1-2-3-1002"};
    for (const Args& args : {kRegister, kRemove, kStatus}) {
        SCOPED_TRACE(::testing::PrintToString(args));
        CliSetup s;
        s.world.userName = L"hanako";  // the fakes' task name
        s.environment.facts = AgentFacts(kSystem, hanako);
        s.Run(args);
        ASSERT_FALSE(s.world.log.empty());
        EXPECT_EQ(s.world.log.front(), (args == kStatus ? L"look up folders of PC\\hanako"
                                                        : L"query folders of PC\\hanako"));
        for (const std::wstring& entry : s.world.log) {
            EXPECT_EQ(entry.find(L"（taro）"), std::wstring::npos) << ::testing::PrintToString(entry);
            EXPECT_EQ(entry.find(L"SYSTEM"), std::wstring::npos) << ::testing::PrintToString(entry);
        }
        if (args == kStatus) {
            EXPECT_EQ(s.output.lines[1], L"タスク「Quorvix画面リフレッシュ（hanako）」: 登録されていません");
            EXPECT_EQ(s.output.lines[s.output.lines.size() - 2],
                      L"registered=none address=- size=- hour=- user=PC\\hanako");
        }
    }
}

TEST(CommandLineModeTest, ASecondCopyDoesNothingButSaysSoInTheLog) {
    CliSetup s;
    s.guard.anotherCopy = true;
    EXPECT_EQ(s.Run({L"/remove", L"/log", L"C:\\logs\\remove.log"}), 2);
    EXPECT_EQ(s.output.logPaths, Lines{L"C:\\logs\\remove.log"});
    EXPECT_EQ(s.output.logged, s.output.lines);
    EXPECT_TRUE(s.world.log.empty());  // not even the known folders were asked for
}

TEST(CommandLineModeTest, EveryLineOfARunReachesTheLog) {
    CliSetup s;
    s.world.failingSaves.insert(s.desktopKioskPath());
    EXPECT_EQ(s.Run({L"/log", L"run.log", L"/register", L"/address", L"10.0.0.254"}), 4);
    EXPECT_EQ(s.output.logPaths, Lines{L"run.log"});
    EXPECT_EQ(s.output.logged, (Lines{kHeader + L"、コマンド: /log run.log /register /address 10.0.0.254",
                                      L"デスクトップへのショートカット作成に失敗しました",
                                      L"ショートカットを作成しました",
                                      L"result=partial exit=4 address=10.0.0.254 size=hd hour=0", L"終了コード: 4"}));
    EXPECT_EQ(s.output.logged, s.output.lines);
}

// The same steps, files and SCHTASKS line as the dialog for the same settings.
TEST(CommandLineModeTest, RegisterUsesTheChosenSettingsAsTheDialogWould) {
    FakeSetup dialogRun;
    dialogRun.world.version = {6, 3};
    dialogRun.dialog.controls.unitAddress = 0x0A0000FE;
    dialogRun.dialog.controls.screenSizeChoice = 1;
    UpdatePageSuffix(dialogRun.dialog.controls);
    dialogRun.dialog.controls.refreshHour = L"5";
    RunRegisterProcedure(dialogRun.dialog, dialogRun.dialog.settings, dialogRun.target(), dialogRun.browser,
                         dialogRun.platform);

    CliSetup s;
    s.world.version = {6, 3};
    EXPECT_EQ(s.Run({L"/register", L"/address", L"10.0.0.254", L"/size", L"fullhd", L"/hour", L"5"}), 0);

    EXPECT_EQ(s.world.commandLines,
              Lines{L"SCHTASKS /Create /TN \"Quorvix画面リフレッシュ（taro）\" /TR "
                    L"\"%windir%\\SysWOW64\\wscript.exe \\\"C:\\Users\\taro\\Documents\\LAU_Refresh.vbs\\\"\" "
                    L"/SC DAILY /ST 05:00:00 /IT /F"});
    EXPECT_EQ(s.world.commandLines, dialogRun.world.commandLines);
    EXPECT_EQ(s.world.disk, dialogRun.world.disk);
    ASSERT_EQ(s.world.shortcuts.size(), 3u);
    for (const auto& [path, record] : dialogRun.world.shortcuts) {
        const ShortcutRecord& cli = s.world.shortcuts.at(path);
        EXPECT_EQ(cli.targetPath, record.targetPath);
        EXPECT_EQ(cli.arguments, record.arguments);
        EXPECT_EQ(cli.workingDirectory, record.workingDirectory);
        EXPECT_EQ(cli.description, record.description);
    }
    EXPECT_EQ(s.world.shortcuts.at(s.desktopKioskPath()).arguments,
              L"--ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk "
              L"\"http://10.0.0.254/display.htm?size=2\"");
    // The logs differ only where the dialog reads its controls and closes.
    Lines dialogSteps;
    for (const std::wstring& entry : dialogRun.world.log) {
        if (entry != L"read controls" && entry != L"closed" && entry.rfind(L"message ", 0) != 0) {
            dialogSteps.push_back(entry);
        }
    }
    Lines cliSteps(s.world.log.begin() + 2, s.world.log.end());  // after "query folders", "find browser"
    EXPECT_EQ(cliSteps, dialogSteps);
}

TEST(CommandLineModeTest, WriteMessageSplitsAtLineFeeds) {
    const struct {
        std::wstring text;
        Lines lines;
    } cases[] = {
        {L"one", {L"one"}},
        {L"one\ntwo", {L"one", L"two"}},
        {L"one\n\nthree", {L"one", L"", L"three"}},
        {L"", {L""}},
    };
    for (const auto& c : cases) {
        RecordingOutput output;
        WriteMessage(output, c.text);
        EXPECT_EQ(output.lines, c.lines);
    }
}

// /status must change nothing, so it does not create a missing folder; the
// runs that write keep asking for them as the dialog does.
TEST(CommandLineModeTest, OnlyTheRunsThatWriteCreateMissingFolders) {
    const struct {
        Args args;
        const wchar_t* asked;
    } cases[] = {{kStatus, L"look up folders"}, {kRegister, L"query folders"}, {kRemove, L"query folders"}};
    for (const auto& c : cases) {
        CliSetup s;
        s.Run(c.args);
        ASSERT_FALSE(s.world.log.empty()) << ::testing::PrintToString(c.args);
        EXPECT_EQ(s.world.log.front(), c.asked) << ::testing::PrintToString(c.args);
    }
}

// A log given as a relative path lands in the current folder: the run's first
// line says where. A full path is not repeated.
// Right after the first line, which names the tool, the computer and the account.
TEST(CommandLineModeTest, TheSecondLineNamesALogNotGivenInFull) {
    CliSetup plain;
    const int plainCode = plain.Run(kStatus);
    const struct {
        std::wstring given;
        std::wstring full;
        Lines between;  // what comes after the first line of a run without a log
    } cases[] = {
        {L"run.log", L"C:\\Windows\\System32\\run.log", {L"ログ ファイル: C:\\Windows\\System32\\run.log"}},
        {L"..\\run.log", L"C:\\Windows\\run.log", {L"ログ ファイル: C:\\Windows\\run.log"}},
        {L"C:\\logs\\run.log", L"C:\\logs\\run.log", {}},
    };
    for (const auto& c : cases) {
        CliSetup s;
        s.output.fullLogPath = c.full;
        EXPECT_EQ(s.Run({L"/status", L"/log", c.given}), plainCode);
        Lines expected = plain.output.lines;
        expected[0] += L" /log " + c.given;
        expected.insert(expected.begin() + 1, c.between.begin(), c.between.end());
        EXPECT_EQ(s.output.lines, expected) << ::testing::PrintToString(c.given);
        EXPECT_EQ(s.output.logged, s.output.lines);
    }
}

}  // namespace
}  // namespace tavrin::testing

namespace tavrin::testing {
namespace {

TEST(CommandLineModeTest, LogLinesStartWithTheLocalTime) {
    const struct {
        LocalTime time;
        std::wstring text;
        std::wstring expected;
    } cases[] = {
        {{2024, 3, 7, 5, 4, 9}, L"終了コード: 0", L"2024-03-07 05:04:09\t終了コード: 0"},
        {{2031, 12, 31, 23, 59, 59}, L"", L"2031-12-31 23:59:59\t"},
        {{999, 1, 1, 0, 0, 0}, L"x", L"0999-01-01 00:00:00\tx"},
    };
    for (const auto& c : cases) EXPECT_EQ(LogLine(c.time, c.text), c.expected);
}

}  // namespace
}  // namespace tavrin::testing
