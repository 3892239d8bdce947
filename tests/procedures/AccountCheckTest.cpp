#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "procedures/AccountCheck.h"

namespace tavrin::testing {
namespace {

class FakeAccounts final : public AccountInfo {
public:
    std::optional<AccountName> process;
    std::optional<AccountName> session;
    std::optional<AccountName> ProcessAccount() override { return process; }
    std::optional<AccountName> SessionUser() override { return session; }
};

const AccountName kDisplayUser{L"KIOSK-PC", L"display"};

TEST(AccountCheckTest, AsksOnlyWhenTheToolRunsAsSomeoneElseAndGoesOnOnlyOnYes) {
    const std::wstring adminQuestion =
        L"このツールは「KIOSK-PC\\admin」として実行されています（ログオン中のユーザーは「KIOSK-PC\\display」です）。\n"
        L"続けると、「KIOSK-PC\\admin」のドキュメント、スタートアップ、デスクトップとタスクに設定します。"
        L"「KIOSK-PC\\display」がログオンしてもキオスクは表示されず、リフレッシュも動きません。\n"
        L"「KIOSK-PC\\display」に設定するには「いいえ」を押し、お読みください.txt の「はじめに」のとおりに"
        L"実行し直してください。\n続けますか？";
    const struct {
        const char* name;
        std::optional<AccountName> process;
        std::optional<AccountName> session;
        std::optional<std::wstring> question;  // nullopt: nothing is asked
    } cases[] = {
        {"same user", kDisplayUser, kDisplayUser, std::nullopt},
        {"same user in another letter case", AccountName{L"kiosk-pc", L"DISPLAY"}, kDisplayUser, std::nullopt},
        {"same user, full-width and accented letters in another case", AccountName{L"ＫＩＯＳＫ", L"ÉLODIE"},
         AccountName{L"ｋｉｏｓｋ", L"élodie"}, std::nullopt},
        {"different user", AccountName{L"KIOSK-PC", L"admin"}, kDisplayUser, adminQuestion},
        {"different domain",
         AccountName{L"CORP", L"display"}, kDisplayUser,
         L"このツールは「CORP\\display」として実行されています（ログオン中のユーザーは「KIOSK-PC\\display」です）。\n"
        L"続けると、「CORP\\display」のドキュメント、スタートアップ、デスクトップとタスクに設定します。"
        L"「KIOSK-PC\\display」がログオンしてもキオスクは表示されず、リフレッシュも動きません。\n"
        L"「KIOSK-PC\\display」に設定するには「いいえ」を押し、お読みください.txt の「はじめに」のとおりに"
        L"実行し直してください。\n続けますか？"},
        {"session user unreadable", AccountName{L"KIOSK-PC", L"admin"}, std::nullopt, std::nullopt},
        {"session user empty (nobody logged on)", AccountName{L"KIOSK-PC", L"admin"}, AccountName{L"", L""},
         std::nullopt},
        {"process account unreadable", std::nullopt, kDisplayUser, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool answer : {true, false}) {
            FakeAccounts accounts;
            accounts.process = c.process;
            accounts.session = c.session;
            std::vector<std::wstring> asked;
            const bool goOn = ConfirmAccountToSetUp(accounts, [&](const std::wstring& text) {
                asked.push_back(text);
                return answer;
            });
            if (c.question) {
                EXPECT_EQ(asked, std::vector<std::wstring>{*c.question});
                EXPECT_EQ(goOn, answer);
            } else {
                EXPECT_TRUE(asked.empty());
                EXPECT_TRUE(goOn);
            }
        }
    }
}

// The command line cannot ask: anything but the logged-on user is refused,
// unless /account current says the running account is meant.
TEST(AccountCheckTest, CommandLineRefusesEveryAccountButTheLoggedOnUser) {
    const AccountName display{L"KIOSK-PC", L"display", L"S-1-5-21-1-2-3-1001"};
    const AccountName admin{L"KIOSK-PC", L"admin", L"S-1-5-21-1-2-3-500"};
    const AccountName system{L"NT AUTHORITY", L"SYSTEM", L"S-1-5-18"};
    using R = AccountRefusal;
    const struct {
        const char* name;
        std::optional<AccountName> process;
        std::optional<AccountName> session;
        AccountRefusal refusal;  // without /account current; with it, always none
    } cases[] = {
        {"same user", display, AccountName{L"kiosk-pc", L"DISPLAY"}, R::none},
        {"other user", admin, display, R::otherUser},
        {"same name in another domain", AccountName{L"CORP", L"display", L"S-1-5-21-9-9-9-1001"}, display,
         R::otherUser},
        {"SYSTEM, nobody logged on", system, std::nullopt, R::serviceAccount},
        {"SYSTEM while the display user is logged on", system, display, R::serviceAccount},
        // Decided by the identifier: names differ by language.
        {"SYSTEM under a translated name", AccountName{L"NT AUTHORITY", L"Système", L"S-1-5-18"}, display,
         R::serviceAccount},
        {"LOCAL SERVICE", AccountName{L"NT AUTHORITY", L"LOCAL SERVICE", L"S-1-5-19"}, display, R::serviceAccount},
        {"NETWORK SERVICE", AccountName{L"NT AUTHORITY", L"NETWORK SERVICE", L"S-1-5-20"}, display,
         R::serviceAccount},
        {"a user who is named SYSTEM and logged on", AccountName{L"KIOSK-PC", L"SYSTEM", L"S-1-5-21-1-2-3-1002"},
         AccountName{L"KIOSK-PC", L"SYSTEM"}, R::none},
        {"logged-on user unreadable", display, std::nullopt, R::cannotTell},
        {"nobody logged on to the session", display, AccountName{L"", L""}, R::cannotTell},
        {"running account unreadable", std::nullopt, display, R::cannotTell},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool meant : {false, true}) {
            FakeAccounts accounts;
            accounts.process = c.process;
            accounts.session = c.session;
            const AccountDecision decision = DecideAccountForCommandLine(accounts, meant);
            EXPECT_EQ(decision.refusal, meant ? R::none : c.refusal) << "meant " << meant;
            EXPECT_EQ(decision.process.has_value(), c.process.has_value());
            EXPECT_EQ(decision.session.has_value(), c.session.has_value() && !c.session->name.empty());
        }
    }
}

TEST(AccountCheckTest, AccountWithoutDomainIsShownByNameAlone) {
    EXPECT_EQ(AccountDisplayName(AccountName{L"", L"display"}), L"display");
    EXPECT_EQ(AccountDisplayName(AccountName{L"CORP", L"山田"}), L"CORP\\山田");
}

}  // namespace
}  // namespace tavrin::testing
