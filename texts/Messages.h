#pragma once

// Every word the user reads from this tool, in one place: the message boxes
// of the dialog and of the two procedures, and the descriptions the shortcuts
// carry. Two-line texts have a single line feed between the lines.

#include <cstddef>
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

// The question asked (yes/no, warning icon) when the tool runs as another
// account than the user logged on to the session; both as "DOMAIN\name".
std::wstring OtherAccountQuestion(const std::wstring& processAccount, const std::wstring& sessionUser);

// -- "登録" -------------------------------------------------------------------
inline constexpr const wchar_t* kAddressIncompleteMessage = L"IPアドレスを正しく入力してください。";
inline constexpr const wchar_t* kScriptWriteFailedMessage = L"スクリプトファイルの作成に失敗しました";
inline constexpr const wchar_t* kTaskRegistrationFailedMessage = L"タスクスケジューラの登録に失敗しました";
inline constexpr const wchar_t* kStartupShortcutFailedMessage = L"スタートアップへのショートカット作成に失敗しました";
inline constexpr const wchar_t* kDesktopShortcutFailedMessage = L"デスクトップへのショートカット作成に失敗しました";
inline constexpr const wchar_t* kRegisteredMessage = L"ショートカットを作成しました";

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

// The usage text, one line a line; %1 is the executable's file name.
inline constexpr const wchar_t* kUsageText =
    L"使い方:\n"
    L"  %1 /register /address A.B.C.D [/size hd|fullhd] [/hour H] [/log FILE]\n"
    L"  %1 /remove [/log FILE]\n"
    L"  %1 /status [/log FILE]\n"
    L"  %1 /?\n"
    L"  /register  ダイアログの「登録」と同じ設定をします。\n"
    L"  /address   LAN対応ユニットの IP アドレス（例: 192.168.1.10）\n"
    L"  /size      画面サイズ: hd = ハイビジョン（既定）、fullhd = フルハイビジョン\n"
    L"  /hour      毎日のリフレッシュ時刻（時）: 0、1、4～23 のどれか（既定 0）\n"
    L"  /remove    ダイアログの「削除」と同じく、タスク、スクリプトとショートカットを削除します。\n"
    L"  /status    登録の状態を表示します（何も変更しません）。\n"
    L"  /log       表示する内容を日時付きでファイル FILE にも追記します。\n"
    L"  終了コード: 0 完了、1 使い方の誤り、2 別に実行中、3 起動時の確認で終了、4 手順の失敗、\n"
    L"              10 登録されていない、11 一部だけ登録されているか不一致";
std::vector<std::wstring> UsageLines(const std::wstring& program);

// What is wrong with a command line; each is followed by the usage text.
inline constexpr const wchar_t* kUnknownOptionText = L"不明な指定です: %1";
std::wstring UnknownOptionMessage(const std::wstring& argument);
inline constexpr const wchar_t* kMissingValueText = L"%1 の後に値を指定してください。";
std::wstring MissingValueMessage(const std::wstring& option);
inline constexpr const wchar_t* kRepeatedOptionText = L"%1 が 2 回以上指定されています。";
std::wstring RepeatedOptionMessage(const std::wstring& option);
inline constexpr const wchar_t* kBadAddressText =
    L"IP アドレスが正しくありません: %1（0～255 の数 4 つをピリオドで区切って指定してください）";
std::wstring BadAddressMessage(const std::wstring& value);
inline constexpr const wchar_t* kBadSizeText = L"画面サイズが正しくありません: %1（hd または fullhd を指定してください）";
std::wstring BadSizeMessage(const std::wstring& value);
inline constexpr const wchar_t* kBadHourText = L"時刻が正しくありません: %1（0、1、4～23 のどれかを指定してください）";
std::wstring BadHourMessage(const std::wstring& value);
inline constexpr const wchar_t* kOptionNotForCommandText = L"%1 は %2 と一緒には使えません。";
std::wstring OptionNotForCommandMessage(const std::wstring& option, const std::wstring& command);
inline constexpr const wchar_t* kOneCommandMessage = L"/register、/remove、/status、/? のうち 1 つだけを指定してください。";
inline constexpr const wchar_t* kAddressRequiredMessage = L"/register には /address でユニットの IP アドレスを指定してください。";
// The log file named by /log could not be opened; nothing was done.
inline constexpr const wchar_t* kLogOpenFailedText = L"ログ ファイルを開けません: %1（何もしていません）";
std::wstring LogOpenFailedMessage(const std::wstring& path);

// The command line's answer when another copy runs, and the dialog's when
// another copy is said to run but none of its windows can be brought forward.
inline constexpr const wchar_t* kAnotherCopyRunsMessage =
    L"このツールは別に実行中です。終わってからもう一度実行してください。";
// Put before the first line of the other-account question, which the command
// line only reports and then goes on.
inline constexpr const wchar_t* kWarningPrefix = L"警告: ";
// The last line of a run, so that a log shows how it ended.
inline constexpr const wchar_t* kExitCodeText = L"終了コード: %1";
std::wstring ExitCodeLine(int code);

// /status, one item a line.
inline constexpr const wchar_t* kStatusAccountText = L"アカウント: %1";
std::wstring StatusAccountLine(const std::wstring& account);
inline constexpr const wchar_t* kStatusTaskText = L"タスク「%1」: %2";
std::wstring StatusTaskLine(const std::wstring& taskName, const std::wstring& state);
inline constexpr const wchar_t* kTaskRegisteredState = L"登録されています";
inline constexpr const wchar_t* kTaskNotRegisteredState = L"登録されていません";
inline constexpr const wchar_t* kTaskUncheckedState = L"確認できません（SCHTASKS を実行できません）";
inline constexpr const wchar_t* kStatusFileText = L"%1: %2";
std::wstring StatusFileLine(const std::wstring& path, const std::wstring& state);
inline constexpr const wchar_t* kFilePresentState = L"あり";
inline constexpr const wchar_t* kFileAbsentState = L"なし";
inline constexpr const wchar_t* kLinkState = L"あり（リンク先 %1）";
std::wstring LinkState(const std::wstring& linkAddress);
inline constexpr const wchar_t* kLinkUnreadableState = L"あり（リンク先を読み取れません）";
inline constexpr const wchar_t* kStatusCompleteMessage = L"状態: すべて登録されています";
inline constexpr const wchar_t* kStatusNothingMessage = L"状態: 登録されていません";
inline constexpr const wchar_t* kStatusPartialMessage = L"状態: 一部だけ登録されているか、リンク先が一致しません";
inline constexpr const wchar_t* kStatusUncheckedMessage = L"状態: タスクを確認できないため判断できません";

}  // namespace tavrin
