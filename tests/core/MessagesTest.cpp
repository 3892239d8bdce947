#include <gtest/gtest.h>

#include <string>

#include "texts/Messages.h"

namespace tavrin {
namespace {

// What the user reads for each cause of a failed file operation.
TEST(MessagesTest, FileErrorTextForEveryCause) {
    const std::wstring path = L"C:\\Users\\技術者\\Documents\\LAU_Refresh.vbs";
    const struct {
        int cause;
        std::wstring expected;
    } cases[] = {
        {0, path + L" へのアクセス中にエラーが発生しました。"},
        {1, path + L" へのアクセス中にエラーが発生しました。"},
        {2, path + L" が見つかりませんでした。"},
        {3, path + L" には無効なパスが含まれています。"},
        {4, L"開いているファイルが多すぎるため、" + path + L" を開けませんでした。"},
        {5, path + L" へのアクセスが拒否されました。"},
        {6, path + L" に無効なファイル ハンドルが関連付けられていました。"},
        {7, path + L" は現在のディレクトリのため削除できませんでした。"},
        {8, L"ディレクトリがいっぱいのため、" + path + L" を作成できませんでした。"},
        {9, path + L" のシークに失敗しました。"},
        {10, path + L" へのアクセス中にハードウェア I/O エラーが発生しました。"},
        {11, path + L" へのアクセス中に共有違反が発生しました。"},
        {12, path + L" へのアクセス中にロック違反が発生しました。"},
        {13, path + L" へのアクセス中にディスクがいっぱいになりました。"},
        {14, path + L" の終わりを越えてアクセスしようとしました。"},
        {15, path + L" へのアクセス中にエラーが発生しました。"},
        {-1, path + L" へのアクセス中にエラーが発生しました。"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileErrorText(c.cause, path), c.expected) << c.cause;
    }
    EXPECT_EQ(FileErrorText(13, L""), L"(ファイル名不明) へのアクセス中にディスクがいっぱいになりました。");
}

TEST(MessagesTest, TextsBuiltFromParts) {
    EXPECT_EQ(MaxCharsMessage(3), L"3 文字以内で入力してください。");
    // The system's text as it comes, its number in full (no sign, no digit lost).
    EXPECT_EQ(DialogNotShownMessage(L"ウィンドウ ハンドルが無効です。", 1400),
              L"設定画面を表示できませんでした。\nウィンドウ ハンドルが無効です。（エラー 1400）");
    EXPECT_EQ(DialogNotShownMessage(L"%2 50%", 0), L"設定画面を表示できませんでした。\n%2 50%（エラー 0）");
    EXPECT_EQ(DialogNotShownMessage(L"", 4294967295UL), L"設定画面を表示できませんでした。\n（エラー 4294967295）");
    EXPECT_EQ(DisplayUserNotice(L"PC\\admin", L"PC\\display"),
              L"このツールは「PC\\admin」として実行されていますが、設定するのは画面の前のユーザー「PC\\display」です。\n"
              L"「PC\\display」のドキュメント、スタートアップ、デスクトップとタスクに設定します。\n"
              L"「PC\\display」に設定しますか？（「いいえ」を押すと何もせずに終了します）");
    // Four values, each put in once and never searched again.
    EXPECT_EQ(RunHeaderLine(L"1.2", L"PC%1", L"PC\\admin", L"PC\\表示"),
              L"Quorvix画面設定ツール 1.2、コンピューター: PC%1、アカウント: PC\\admin、対象ユーザー: PC\\表示");
}

}  // namespace
}  // namespace tavrin
