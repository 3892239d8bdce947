#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "procedures/StartupEnvironment.h"

namespace tavrin::testing {
namespace {

using Log = std::vector<std::wstring>;

class RecordingStartup final : public StartupEnvironment, public StartupUser {
public:
    bool folders = true;
    std::wstring browser = L"C:\\Edge\\msedge.exe";
    std::optional<AccountName> process = AccountName{L"PC", L"display"};
    std::optional<AccountName> session = AccountName{L"PC", L"display"};
    bool answer = true;
    Log log;

    bool QueryKnownFolders(FolderLookup lookup) override {
        log.push_back(lookup == FolderLookup::createMissing ? L"query folders" : L"look up folders");
        return folders;
    }
    void ReleaseKnownFolders() override { log.push_back(L"release folders"); }
    KnownFolderPaths KnownFolders() const override { return {}; }
    std::wstring FindBrowserPath() override {
        log.push_back(L"find browser");
        return browser;
    }
    std::optional<AccountName> ProcessAccount() override { return process; }
    std::optional<AccountName> SessionUser() override { return session; }
    void ReportMissing(const std::wstring& text) override { log.push_back(L"missing: " + text); }
    bool ConfirmOtherAccount(const std::wstring&) override {
        log.push_back(L"asked about the account");
        return answer;
    }
};

const std::wstring kFolders = L"missing: ショートカットの保存先が見つかりませんでした\nアプリケーションを終了します";
const std::wstring kBrowser =
    L"missing: Microsoft Edgeが見つかりません。\nMicrosoft Edgeをインストールして再度実行してください。";

TEST(StartupChecksTest, EverythingMissingIsReportedAndTheAccountIsAskedAboutLast) {
    const struct {
        const char* name;
        bool folders;
        bool browser;
        bool otherAccount;
        bool answer;
        Log expected;
        bool ready;
    } cases[] = {
        {"all there", true, true, false, true, {L"query folders", L"find browser"}, true},
        {"folders missing", false, true, false, true, {L"query folders", kFolders, L"find browser"}, false},
        {"browser missing", true, false, false, true, {L"query folders", L"find browser", kBrowser}, false},
        {"both missing, another account", false, false, true, true,
         {L"query folders", kFolders, L"find browser", kBrowser}, false},
        {"another account, yes", true, true, true, true,
         {L"query folders", L"find browser", L"asked about the account"}, true},
        {"another account, no", true, true, true, false,
         {L"query folders", L"find browser", L"asked about the account"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingStartup startup;
        startup.folders = c.folders;
        if (!c.browser) startup.browser.clear();
        if (c.otherAccount) startup.process = AccountName{L"PC", L"admin"};
        startup.answer = c.answer;
        const StartupResult result = RunStartupChecks(startup, startup);
        EXPECT_EQ(startup.log, c.expected);
        EXPECT_EQ(result.ready, c.ready);
        EXPECT_EQ(result.browserPath, c.browser ? L"C:\\Edge\\msedge.exe" : L"");
    }
}

}  // namespace
}  // namespace tavrin::testing
