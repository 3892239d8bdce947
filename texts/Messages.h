#pragma once

// Every word the user reads from this tool, in one place: the message boxes
// of the dialog and of the two procedures, and the descriptions the shortcuts
// carry. Two-line texts have a single line feed between the lines.

#include <cstddef>
#include <string>
#include <vector>

namespace tavrin {

// -- Start-up -----------------------------------------------------------------
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
// The usage text, one entry a line; `program` is the executable's file name.
std::vector<std::wstring> UsageLines(const std::wstring& program);

// What is wrong with a command line; each is followed by the usage text.
std::wstring UnknownOptionMessage(const std::wstring& argument);
std::wstring MissingValueMessage(const std::wstring& option);
std::wstring RepeatedOptionMessage(const std::wstring& option);
std::wstring BadAddressMessage(const std::wstring& value);
std::wstring BadSizeMessage(const std::wstring& value);
std::wstring BadHourMessage(const std::wstring& value);
std::wstring OptionNotForCommandMessage(const std::wstring& option, const std::wstring& command);
inline constexpr const wchar_t* kOneCommandMessage = L"/register、/remove、/status、/? のうち 1 つだけを指定してください。";
inline constexpr const wchar_t* kAddressRequiredMessage = L"/register には /address でユニットの IP アドレスを指定してください。";
// The log file named by /log could not be opened; nothing was done.
std::wstring LogOpenFailedMessage(const std::wstring& path);

inline constexpr const wchar_t* kAnotherCopyRunsMessage =
    L"このツールは別に実行中です。終わってからもう一度実行してください。";
// Put before the first line of the other-account question, which the command
// line only reports and then goes on.
inline constexpr const wchar_t* kWarningPrefix = L"警告: ";
// The last line of a run, so that a log shows how it ended.
std::wstring ExitCodeLine(int code);

// /status, one item a line.
std::wstring StatusAccountLine(const std::wstring& account);
inline constexpr const wchar_t* kTaskRegisteredState = L"登録されています";
inline constexpr const wchar_t* kTaskNotRegisteredState = L"登録されていません";
inline constexpr const wchar_t* kTaskUncheckedState = L"確認できません（SCHTASKS を実行できません）";
std::wstring StatusTaskLine(const std::wstring& taskName, const std::wstring& state);
inline constexpr const wchar_t* kFilePresentState = L"あり";
inline constexpr const wchar_t* kFileAbsentState = L"なし";
inline constexpr const wchar_t* kLinkUnreadableState = L"あり（リンク先を読み取れません）";
std::wstring LinkState(const std::wstring& linkAddress);
std::wstring StatusFileLine(const std::wstring& path, const std::wstring& state);
inline constexpr const wchar_t* kStatusCompleteMessage = L"状態: すべて登録されています";
inline constexpr const wchar_t* kStatusNothingMessage = L"状態: 登録されていません";
inline constexpr const wchar_t* kStatusPartialMessage = L"状態: 一部だけ登録されているか、リンク先が一致しません";
inline constexpr const wchar_t* kStatusUncheckedMessage = L"状態: タスクを確認できないため判断できません";

}  // namespace tavrin
