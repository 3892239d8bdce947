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

}  // namespace tavrin
