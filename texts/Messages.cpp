#include "texts/Messages.h"

namespace tavrin {

namespace {

// One line a cause: its number, a tab, the text with %1 where the file's
// path goes. Cause 1 (and any cause not listed) reads as the general text.
constexpr const wchar_t* kFileErrorTexts = LR"(
1	%1 へのアクセス中にエラーが発生しました。
2	%1 が見つかりませんでした。
3	%1 には無効なパスが含まれています。
4	開いているファイルが多すぎるため、%1 を開けませんでした。
5	%1 へのアクセスが拒否されました。
6	%1 に無効なファイル ハンドルが関連付けられていました。
7	%1 は現在のディレクトリのため削除できませんでした。
8	ディレクトリがいっぱいのため、%1 を作成できませんでした。
9	%1 のシークに失敗しました。
10	%1 へのアクセス中にハードウェア I/O エラーが発生しました。
11	%1 へのアクセス中に共有違反が発生しました。
12	%1 へのアクセス中にロック違反が発生しました。
13	%1 へのアクセス中にディスクがいっぱいになりました。
14	%1 の終わりを越えてアクセスしようとしました。
)";

constexpr int kGeneralFileError = 1;
constexpr const wchar_t* kUnknownFileName = L"(ファイル名不明)";

// The text of one cause from the table; empty when it has none.
std::wstring FileErrorFormat(int cause) {
    const std::wstring table = kFileErrorTexts;
    const std::wstring key = L"\n" + std::to_wstring(cause) + L"\t";
    const std::size_t at = table.find(key);
    if (at == std::wstring::npos) return {};
    const std::size_t begin = at + key.size();
    return table.substr(begin, table.find(L'\n', begin) - begin);
}

}  // namespace

std::wstring OtherAccountQuestion(const std::wstring& processAccount, const std::wstring& sessionUser) {
    return L"このツールは「" + processAccount + L"」として実行されています。\nログオン中のユーザー「" + sessionUser +
           L"」ではなく、「" + processAccount + L"」のドキュメント、スタートアップ、デスクトップとタスクに設定します。\n続けますか？";
}

std::wstring MaxCharsMessage(std::size_t limit) { return std::to_wstring(limit) + L" 文字以内で入力してください。"; }

std::wstring FileErrorText(int cause, const std::wstring& path) {
    std::wstring text = FileErrorFormat(cause);
    if (text.empty()) text = FileErrorFormat(kGeneralFileError);
    text.replace(text.find(L"%1"), 2, path.empty() ? kUnknownFileName : path);
    return text;
}

std::vector<std::wstring> UsageLines(const std::wstring& program) {
    return {
        L"使い方:",
        L"  " + program + L" /register /address A.B.C.D [/size hd|fullhd] [/hour H] [/log FILE]",
        L"  " + program + L" /remove [/log FILE]",
        L"  " + program + L" /status [/log FILE]",
        L"  " + program + L" /?",
        L"  /register  ダイアログの「登録」と同じ設定をします。",
        L"  /address   LAN対応ユニットの IP アドレス（例: 192.168.1.10）",
        L"  /size      画面サイズ: hd = ハイビジョン（既定）、fullhd = フルハイビジョン",
        L"  /hour      毎日のリフレッシュ時刻（時）: 0、1、4～23 のどれか（既定 0）",
        L"  /remove    ダイアログの「削除」と同じく、タスク、スクリプトとショートカットを削除します。",
        L"  /status    登録の状態を表示します（何も変更しません）。",
        L"  /log       表示する内容を日時付きでファイル FILE にも追記します。",
        L"  終了コード: 0 完了、1 使い方の誤り、2 別に実行中、3 起動時の確認で終了、4 手順の失敗、",
        L"              10 登録されていない、11 一部だけ登録されているか不一致",
    };
}

std::wstring UnknownOptionMessage(const std::wstring& argument) { return L"不明な指定です: " + argument; }

std::wstring MissingValueMessage(const std::wstring& option) { return option + L" の後に値を指定してください。"; }

std::wstring RepeatedOptionMessage(const std::wstring& option) { return option + L" が 2 回以上指定されています。"; }

std::wstring BadAddressMessage(const std::wstring& value) {
    return L"IP アドレスが正しくありません: " + value + L"（0～255 の数 4 つをピリオドで区切って指定してください）";
}

std::wstring BadSizeMessage(const std::wstring& value) {
    return L"画面サイズが正しくありません: " + value + L"（hd または fullhd を指定してください）";
}

std::wstring BadHourMessage(const std::wstring& value) {
    return L"時刻が正しくありません: " + value + L"（0、1、4～23 のどれかを指定してください）";
}

std::wstring OptionNotForCommandMessage(const std::wstring& option, const std::wstring& command) {
    return option + L" は " + command + L" と一緒には使えません。";
}

std::wstring LogOpenFailedMessage(const std::wstring& path) {
    return L"ログ ファイルを開けません: " + path + L"（何もしていません）";
}

std::wstring ExitCodeLine(int code) { return L"終了コード: " + std::to_wstring(code); }

std::wstring StatusAccountLine(const std::wstring& account) { return L"アカウント: " + account; }

std::wstring StatusTaskLine(const std::wstring& taskName, const std::wstring& state) {
    return L"タスク「" + taskName + L"」: " + state;
}

std::wstring LinkState(const std::wstring& linkAddress) { return L"あり（リンク先 " + linkAddress + L"）"; }

std::wstring StatusFileLine(const std::wstring& path, const std::wstring& state) { return path + L": " + state; }

}  // namespace tavrin
