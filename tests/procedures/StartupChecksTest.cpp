#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fakes/FakeStartup.h"
#include "procedures/StartupEnvironment.h"

namespace tavrin::testing {
namespace {

using Log = std::vector<std::wstring>;

const AccountName kDisplay{L"PC", L"display", L"S-1-5-21-1-2-3-1001"};
const AccountName kAdmin{L"PC", L"admin", L"S-1-5-21-1-2-3-500"};

class RecordingUser final : public StartupUser {
public:
    explicit RecordingUser(Log& log) : log_(log) {}
    bool answer = true;
    void ReportMissing(const std::wstring& text) override { log_.push_back(L"missing: " + text); }
    bool ConfirmSetUpFor(const SetUpTarget& target) override {
        log_.push_back(L"whom: " + AccountDisplayName(target.account));
        return answer;
    }

private:
    Log& log_;
};

const std::wstring kFolders = L"missing: ショートカットの保存先が見つかりませんでした\nアプリケーションを終了します";
const std::wstring kBrowser =
    L"missing: Microsoft Edgeが見つかりません。\nMicrosoft Edgeをインストールして再度実行してください。";

// The folders are the target's, so whom the set-up is for is decided before
// them; the user hears of it only when nothing is missing.
TEST(StartupChecksTest, TheTargetsFoldersThenTheBrowserThenWhom) {
    const SetUpTarget self{kDisplay, false, 0, {}};
    const SetUpTarget other{kDisplay, true, 1, {}};
    const struct {
        const char* name;
        SetUpTarget target;
        bool folders;
        bool browser;
        bool answer;
        Log expected;
        bool ready;
    } cases[] = {
        {"all there", self, true, true, true, {L"query folders", L"find browser", L"whom: PC\\display"}, true},
        {"folders missing", self, false, true, true, {L"query folders", kFolders, L"find browser"}, false},
        {"browser missing", self, true, false, true, {L"query folders", L"find browser", kBrowser}, false},
        {"both missing, another user", other, false, false, true,
         {L"query folders of PC\\display", kFolders, L"find browser", kBrowser}, false},
        {"another user, yes", other, true, true, true,
         {L"query folders of PC\\display", L"find browser", L"whom: PC\\display"}, true},
        {"another user, no", other, true, true, false,
         {L"query folders of PC\\display", L"find browser", L"whom: PC\\display"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Log log;
        FakeStartupEnvironment environment(log, kAdmin, {L"D", L"O", L"S"});
        environment.foldersThere = c.folders;
        if (!c.browser) environment.browser.clear();
        RecordingUser user(log);
        user.answer = c.answer;
        const StartupResult result = RunStartupChecks(environment, user, c.target);
        EXPECT_EQ(log, c.expected);
        EXPECT_EQ(result.ready, c.ready);
        EXPECT_EQ(result.target.account.sid, kDisplay.sid);
        if (c.folders) {
            EXPECT_EQ(result.target.folders.documents, L"O");
        }
        EXPECT_EQ(result.browserPath, c.browser ? environment.browser : L"");
    }
}

}  // namespace
}  // namespace tavrin::testing
