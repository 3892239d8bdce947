#pragma once

// Every word the user reads from this tool, in one place: the message boxes
// of the dialog and of the two procedures, and the descriptions the shortcuts
// carry. Two-line texts have a single line feed between the lines.

#include <cstddef>
#include <string>

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

}  // namespace tavrin
