#pragma once

// Every word the user reads from this tool, in one place: the message boxes
// of the dialog and of the two procedures, and the descriptions the shortcuts
// carry. Two-line texts have a single line feed between the lines.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tavrin {

// -- Start-up -----------------------------------------------------------------
// The settings dialog could not be created: the system's own text for the
// error, and its number.
inline constexpr const wchar_t* kDialogNotShownText = L"設定画面を表示できませんでした。\n%1（エラー %2）";
std::wstring DialogNotShownMessage(const std::wstring& systemText, unsigned long code);
inline constexpr const wchar_t* kKnownFoldersMissingMessage =
    L"ショートカットの保存先が見つかりませんでした\nアプリケーションを終了します";
inline constexpr const wchar_t* kBrowserMissingMessage =
    L"Microsoft Edgeが見つかりません。\nMicrosoft Edgeをインストールして再度実行してください。";

// Said (yes/no, "はい" the default) before anything is written when the tool
// runs as another account (%1) than the user at the screen (%2), whom it
// sets up; both as "DOMAIN\name".
inline constexpr const wchar_t* kDisplayUserNoticeText =
    L"このツールは「%1」として実行されていますが、設定するのは画面の前のユーザー「%2」です。\n"
    L"「%2」のドキュメント、スタートアップ、デスクトップとタスクに設定します。\n"
    L"「%2」に設定しますか？（「いいえ」を押すと何もせずに終了します）";
std::wstring DisplayUserNotice(const std::wstring& processAccount, const std::wstring& displayUser);

// -- "登録" -------------------------------------------------------------------
inline constexpr const wchar_t* kAddressIncompleteMessage = L"IPアドレスを正しく入力してください。";
inline constexpr const wchar_t* kScriptWriteFailedMessage = L"スクリプトファイルの作成に失敗しました";
inline constexpr const wchar_t* kTaskRegistrationFailedMessage = L"タスクスケジューラの登録に失敗しました";
inline constexpr const wchar_t* kStartupShortcutFailedMessage = L"スタートアップへのショートカット作成に失敗しました";
inline constexpr const wchar_t* kDesktopShortcutFailedMessage = L"デスクトップへのショートカット作成に失敗しました";
inline constexpr const wchar_t* kRegisteredMessage = L"ショートカットを作成しました";

// -- Whether the unit's display page opens (登録, /register, /status) -----------
// Why the page could not be opened; %1 is the HTTP status or the error number.
inline constexpr const wchar_t* kPageTimedOutReason = L"5 秒以内に応答がありません";
inline constexpr const wchar_t* kPageRefusedReason = L"接続を拒否されました";
inline constexpr const wchar_t* kPageUnreachableReason = L"ネットワークの経路がなく、ユニットに届きません";
inline constexpr const wchar_t* kPageStatusReason = L"ユニットは応答しましたが、表示画面ではなく HTTP ステータス %1 でした";
std::wstring PageStatusReason(unsigned long status);
inline constexpr const wchar_t* kPageNotHttpReason = L"ユニットは応答しましたが、Web ページではありませんでした";
inline constexpr const wchar_t* kPageFailedReason = L"接続できません。エラー %1";
std::wstring PageFailedReason(unsigned long error);
inline constexpr const wchar_t* kPageStoppedReason = L"確認を中止しました";
// 登録 when the page could not be opened (yes/no, warning icon, "いいえ" the
// default): %1 the link address, %2 the reason. The causes in the order a
// technician on site checks them: the unit itself first, the PC last.
inline constexpr const wchar_t* kPageUnansweredQuestionText =
    L"ユニットの表示画面 %1 を開けませんでした（%2）。\n"
    L"次の順に確かめてください: ユニットの電源が入っているか、IPアドレスがユニットに設定したものと同じか、"
    L"ユニットと PC の LAN ケーブルがつながっているか。\n"
    L"このまま登録しますか？（ユニットをまだ接続していないときなど）";
std::wstring PageUnansweredQuestion(const std::wstring& linkAddress, const std::wstring& reason);
// /register when the page could not be opened; the run goes on.
inline constexpr const wchar_t* kPageUnansweredWarningText = L"警告: ユニットの表示画面 %1 を開けませんでした（%2）。";
std::wstring PageUnansweredWarning(const std::wstring& linkAddress, const std::wstring& reason);

// -- "削除" -------------------------------------------------------------------
inline constexpr const wchar_t* kTaskRemoveFailedMessage = L"タスクの削除に失敗しました。";
inline constexpr const wchar_t* kRemoveFailedMessage = L"ショートカットの削除に失敗しました。";
inline constexpr const wchar_t* kRemovedMessage = L"タスクとショートカットの削除に成功しました。";

// -- Shortcut descriptions (shown in the shortcuts' properties) ----------------
struct ShortcutDescriptions {
    const wchar_t* showDesktop;
    const wchar_t* kiosk;
};
inline constexpr ShortcutDescriptions kShortcutDescriptions{L"デスクトップの表示", L"LAN対応ユニット キオスクモード"};

// -- The dialog's own reports ----------------------------------------------------
// Input longer than the control takes.
std::wstring MaxCharsMessage(std::size_t limit);
inline constexpr const wchar_t* kHelpFailedMessage = L"ヘルプの起動に失敗しました。";
inline constexpr const wchar_t* kOutOfMemoryMessage = L"メモリが不足しています。";
inline constexpr const wchar_t* kInternalErrorMessage = L"アプリケーションの内部エラーです。";

// -- A file operation that failed --------------------------------------------------
// The report for a file error of the given cause (the numbers of
// FileErrorCause), with the file's full path in place of %1; "(ファイル名不明)"
// when the path is not known. Causes without a text of their own get the
// general one.
std::wstring FileErrorText(int cause, const std::wstring& path);

// -- Command-line use (tavrin.exe /register, /remove, /status, /?) ------------
// Texts with %1 (and %2) take the parts named in the function below them.

// The usage text, one line a line, within 80 columns; %1 is the executable's
// file name. A line of options that goes on is indented and starts with "[".
inline constexpr const wchar_t* kUsageText =
    L"使い方:\n"
    L"  %1 /register /address A.B.C.D [/size hd|fullhd] [/hour H]\n"
    L"      [/user DOMAIN\\name] [/account current] [/log FILE]\n"
    L"  %1 /remove [/user DOMAIN\\name] [/account current] [/log FILE]\n"
    L"  %1 /status [/user DOMAIN\\name] [/account current] [/log FILE]\n"
    L"  %1 /?\n"
    L"  /register  設定画面の「登録」と同じ設定をします。/address は必ず指定します。\n"
    L"  /address   LAN対応ユニットのIPアドレス（例: 192.168.1.10）\n"
    L"  /size      画面サイズ: hd = ハイビジョン（既定）、fullhd = フルハイビジョン\n"
    L"  /hour      毎日のリフレッシュ時刻（時）: 0、1、4～23 のどれか（既定 0）\n"
    L"  /remove    設定画面の「削除」と同じく、タスク、スクリプト、ショートカットを\n"
    L"             削除します。\n"
    L"  /status    登録の状態を表示します（何も変更しません）。\n"
    L"  /user      DOMAIN\\name: 画面の前のユーザーがこのユーザーのときだけ実行\n"
    L"             します（違えば何もせずに終了コード 5）。\n"
    L"  /account current\n"
    L"             画面の前のユーザーではなく、実行中のアカウントに設定します\n"
    L"             （/status はそのアカウントの状態を表示します）。\n"
    L"  /log       表示する行を日時付きでファイル FILE にも追記します。\n"
    L"  終了コードの意味: 0 完了、1 使い方の誤りか、ログ ファイルを開けない、\n"
    L"    2 すでに実行中、3 起動時の確認で終了、4 手順の失敗、\n"
    L"    5 画面の前のユーザーに設定できない（ログオンしていない、確認できない、\n"
    L"      /user と違う。後で実行し直す）、\n"
    L"    10 登録されていない、11 一部だけ登録されているか不一致\n"
    L"    （1、2、3、5 のときは何もしていません）";
std::vector<std::wstring> UsageLines(const std::wstring& program);

// What is wrong with a command line; each is followed by the usage text.
inline constexpr const wchar_t* kUnknownOptionText =
    L"認識できない引数です: %1（オプションは / で始めます。IPアドレスは /address の後に指定します）";
std::wstring UnknownOptionMessage(const std::wstring& argument);
inline constexpr const wchar_t* kMissingValueText = L"%1 の後に値を指定してください。";
std::wstring MissingValueMessage(const std::wstring& option);
inline constexpr const wchar_t* kRepeatedOptionText = L"%1 が 2 回以上指定されています。";
std::wstring RepeatedOptionMessage(const std::wstring& option);
inline constexpr const wchar_t* kBadAddressText =
    L"IPアドレスが正しくありません: %1（0～255 の数 4 つをピリオドで区切り、010 のような先頭の 0 は付けずに指定して"
    L"ください。例: 192.168.1.10）";
std::wstring BadAddressMessage(const std::wstring& value);
inline constexpr const wchar_t* kBadSizeText = L"画面サイズが正しくありません: %1（hd または fullhd を指定してください）";
std::wstring BadSizeMessage(const std::wstring& value);
inline constexpr const wchar_t* kBadHourText =
    L"時刻が正しくありません: %1（0、1、4～23 のどれかを、04 のような先頭の 0 を付けずに指定してください。例: /hour 4）";
std::wstring BadHourMessage(const std::wstring& value);
inline constexpr const wchar_t* kBadAccountText = L"アカウントの指定が正しくありません: %1（current を指定してください）";
std::wstring BadAccountMessage(const std::wstring& value);
inline constexpr const wchar_t* kBadUserText = L"ユーザーの指定が正しくありません: %1（DOMAIN\\name の形で指定してください）";
std::wstring BadUserMessage(const std::wstring& value);
inline constexpr const wchar_t* kOptionNotForCommandText = L"%1 は %2 と一緒には使えません。";
std::wstring OptionNotForCommandMessage(const std::wstring& option, const std::wstring& command);
inline constexpr const wchar_t* kOneCommandMessage = L"/register、/remove、/status、/? のうち 1 つだけを指定してください。";
inline constexpr const wchar_t* kAddressRequiredMessage = L"/register には /address でユニットのIPアドレスを指定してください。";
// The log file named by /log could not be opened; nothing was done.
inline constexpr const wchar_t* kLogOpenFailedText =
    L"ログ ファイルを開けません: %1（何もしていません。フォルダーがあるか、パスが正しいか、書き込めるかを確認してください）";
std::wstring LogOpenFailedMessage(const std::wstring& path);
// The first line of a run whose /log was not given as a full path (a relative
// one lands in the current folder): where the log is.
inline constexpr const wchar_t* kLogPathText = L"ログ ファイル: %1";
std::wstring LogPathLine(const std::wstring& fullPath);
// Said once, on the output only, when a line could not be added to the log
// (a full volume); the run goes on and its exit code is what its steps give.
inline constexpr const wchar_t* kLogWriteFailedText = L"警告: ログ ファイルに書き込めません: %1（これ以降の行はログに残りません）";
std::wstring LogWriteFailedMessage(const std::wstring& fullPath);

// The command line's answer when another copy runs, and the dialog's when
// another copy is said to run but none of its windows can be brought forward.
inline constexpr const wchar_t* kAnotherCopyRunsMessage =
    L"このツールはすでに実行中です。終わってからもう一度実行してください。";
// The first line of every run except /?: the tool and its version (%1), the
// computer (%2), the account the tool runs as (%3) and the user whose set-up
// the run changes or reads (%4); then the command as it was given, so that
// every log line can be tied to it.
inline constexpr const wchar_t* kRunHeaderText =
    L"Quorvix画面設定ツール %1、コンピューター: %2、アカウント: %3、対象ユーザー: %4";
inline constexpr const wchar_t* kRunCommandText = L"、コマンド: %1";
std::wstring RunHeaderLine(const std::wstring& version, const std::wstring& computer, const std::wstring& account,
                           const std::wstring& displayUser);
std::wstring RunCommandPart(const std::wstring& commandAsGiven);
// The command line's one-line report when it runs as another account (%1)
// than the logged-on user (%2); nobody is there to answer the dialog's question.
inline constexpr const wchar_t* kOtherAccountWarningText =
    L"警告: ログオン中のユーザー「%2」ではなく「%1」として実行されています。設定し、調べるのは「%1」の"
    L"ドキュメント、スタートアップ、デスクトップとタスクです。";
std::wstring OtherAccountWarningLine(const std::wstring& processAccount, const std::wstring& sessionUser);
// A library's own text of an error nobody expected (%1).
inline constexpr const wchar_t* kUnexpectedErrorText = L"予期しないエラーが発生しました: %1";
std::wstring UnexpectedErrorMessage(const std::wstring& libraryText);
// Why a run set up nobody (exit 5); an agent runs it again later.
inline constexpr const wchar_t* kNobodyLoggedOnMessage =
    L"画面の前にログオンしているユーザーがいません。何もしていません（ユーザーがログオンしてから実行し直してください）。";
inline constexpr const wchar_t* kConsoleChangingMessage =
    L"画面の前のユーザーが切り替わっている最中のため確認できません。何もしていません（しばらくしてから実行し直してください）。";
// %1: the account the tool runs as.
inline constexpr const wchar_t* kDisplayUserUnknownText =
    L"画面の前のユーザーを確認できません（このツールは「%1」として実行されています）。何もしていません。";
// %1: the user /user names, %2: the user the run would set up.
inline constexpr const wchar_t* kGuardMismatchText =
    L"/user のユーザー「%1」は、設定する画面の前のユーザー「%2」ではありません。何もしていません。";
std::wstring DisplayUserUnknownMessage(const std::wstring& process);
std::wstring GuardMismatchMessage(const std::wstring& guard, const std::wstring& displayUser);
// Stands for an account or logged-on user that cannot be read, and for nobody logged on.
inline constexpr const wchar_t* kAccountUnreadable = L"（読み取れません）";
inline constexpr const wchar_t* kNobodyShown = L"（なし）";
// The last line of a run, so that a log shows how it ended.
inline constexpr const wchar_t* kExitCodeText = L"終了コード: %1";
std::wstring ExitCodeLine(int code);

// /status, one item a line.
inline constexpr const wchar_t* kStatusTaskText = L"タスク「%1」: %2";
std::wstring StatusTaskLine(const std::wstring& taskName, const std::wstring& state);
inline constexpr const wchar_t* kTaskDailyText = L"登録されています（毎日 %1 時）";
std::wstring TaskDailyState(const std::wstring& hour);
inline constexpr const wchar_t* kTaskActionDiffersState = L"登録されています（実行する内容が違います）";
inline constexpr const wchar_t* kTaskScheduleDiffersState = L"登録されています（開始時刻か繰り返しが違います）";
inline constexpr const wchar_t* kTaskNotRegisteredState = L"登録されていません";
inline constexpr const wchar_t* kTaskUncheckedState = L"確認できません（タスク スケジューラからタスクを読み取れません）";
inline constexpr const wchar_t* kTaskUnreadableState = L"確認できません（タスクの内容を読み取れません）";
// %1 the item's label, %2 its path, %3 its state.
inline constexpr const wchar_t* kStatusFileText = L"%1「%2」: %3";
std::wstring StatusFileLine(const std::wstring& label, const std::wstring& path, const std::wstring& state);
inline constexpr const wchar_t* kScriptLabel = L"スクリプト";
inline constexpr const wchar_t* kStartupKioskLabel = L"スタートアップのショートカット";
inline constexpr const wchar_t* kDesktopKioskLabel = L"デスクトップのショートカット";
inline constexpr const wchar_t* kShowDesktopFileLabel = L"デスクトップ表示ファイル";
inline constexpr const wchar_t* kShowDesktopShortcutLabel = L"デスクトップ表示のショートカット";
inline constexpr const wchar_t* kFilePresentState = L"あり";
inline constexpr const wchar_t* kFileAbsentState = L"なし";
inline constexpr const wchar_t* kLinkState = L"あり（リンク先 %1）";
std::wstring LinkState(const std::wstring& linkAddress);
inline constexpr const wchar_t* kLinkUnreadableState = L"あり（リンク先を読み取れません）";
// A file that is there but differs from what 登録 writes: %1 the link address
// it holds, %2 one of the words below.
inline constexpr const wchar_t* kLinkDiffersState = L"あり（リンク先 %1、%2）";
std::wstring LinkDiffersState(const std::wstring& linkAddress, const std::wstring& word);
inline constexpr const wchar_t* kDiffersState = L"あり（%1）";
std::wstring DiffersState(const std::wstring& word);
inline constexpr const wchar_t* kContentDiffersWord = L"内容が違います";
inline constexpr const wchar_t* kProgramDiffersWord = L"起動するものが違います";
inline constexpr const wchar_t* kArgumentsDifferWord = L"引数が違います";
inline constexpr const wchar_t* kOtherAddressWord = L"スクリプトと違います";
// /status: whether the registered link address answers now.
inline constexpr const wchar_t* kStatusPageAnswersText = L"表示画面「%1」: 開けます";
inline constexpr const wchar_t* kStatusPageUnansweredText = L"表示画面「%1」: 開けません（%2）";
std::wstring StatusPageLine(const std::wstring& linkAddress, bool answers, const std::wstring& reason);
inline constexpr const wchar_t* kStatusPageUncheckedMessage = L"表示画面: 確認していません（リンク先が登録されていません）";
inline constexpr const wchar_t* kStatusCompleteMessage = L"状態: すべて登録されています";
inline constexpr const wchar_t* kStatusNothingMessage = L"状態: 登録されていません";
inline constexpr const wchar_t* kStatusPartialMessage =
    L"状態: 一部だけ登録されているか、内容が一致しません（もう一度登録してください。すべて置き換わります）";
inline constexpr const wchar_t* kStatusUncheckedMessage =
    L"状態: タスクを読み取れないため判断できません（Task Scheduler サービスが実行中か確かめてください）";
// What is registered, as far as it can be read: the unit address, the screen
// size and the daily hour; 不明 for what cannot be read.
inline constexpr const wchar_t* kStatusSettingsText = L"設定: アドレス %1、画面サイズ %2、リフレッシュ %3";
inline constexpr const wchar_t* kUnknownSetting = L"不明";
inline constexpr const wchar_t* kDailyHourText = L"毎日 %1 時";
std::wstring StatusSettingsLine(const std::optional<std::wstring>& address, std::optional<int> screenSizeChoice,
                                const std::optional<std::wstring>& hour);
// The same for scripts, last before the exit code line, always:
// "registered=complete|partial|none|unknown address=A.B.C.D size=hd|fullhd hour=H user=DOMAIN\name",
// with "-" for what cannot be read.
std::wstring StatusKeysLine(const wchar_t* registered, const std::optional<std::wstring>& address,
                            std::optional<int> screenSizeChoice, const std::optional<std::wstring>& hour,
                            const std::wstring& user);

// /register and /remove, last before the exit code line, always (once the
// command line was read): "result=done|partial|failed|refused exit=N", and
// for /register the settings it was given, "address=A.B.C.D size=hd|fullhd hour=H".
struct RegisterKeys {
    std::wstring address;
    int screenSizeChoice = 0;
    std::wstring hour;
};
std::wstring ResultKeysLine(const wchar_t* result, int exitCode, const std::optional<RegisterKeys>& settings);

}  // namespace tavrin
