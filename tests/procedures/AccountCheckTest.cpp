#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "procedures/AccountCheck.h"
#include "procedures/SetUpTarget.h"

namespace tavrin::testing {
namespace {

using O = DisplayUserOutcome;

const AccountName kDisplay{L"KIOSK-PC", L"display", L"S-1-5-21-1-2-3-1001"};
const AccountName kAdmin{L"KIOSK-PC", L"admin", L"S-1-5-21-1-2-3-500"};
const AccountName kSystem{L"NT AUTHORITY", L"SYSTEM", L"S-1-5-18"};
const AccountName kLocalService{L"NT AUTHORITY", L"LOCAL SERVICE", L"S-1-5-19"};
const AccountName kNetworkService{L"NT AUTHORITY", L"NETWORK SERVICE", L"S-1-5-20"};

SessionUser In(const AccountName& user) { return {true, user}; }
const SessionUser kNobody{true, std::nullopt};
const SessionUser kUnreadable{false, std::nullopt};

// The facts of a process in `session` with `user` there, and the console.
DisplayUserFacts Facts(std::optional<AccountName> process, unsigned long session, SessionUser user,
                       unsigned long console, SessionUser consoleUser) {
    return {std::move(process), session, std::move(user), console, std::move(consoleUser)};
}

TEST(DisplayUserTest, WhomTheSetUpIsFor) {
    AccountName displayRenamed = kDisplay;  // the same identifier under another name
    displayRenamed.name = L"Łucja";
    AccountName sameNameOtherSid = kDisplay;
    sameNameOtherSid.sid = L"S-1-5-21-9-9-9-1001";
    AccountName displayNoSid = kDisplay;
    displayNoSid.sid.clear();
    AccountName lowerCaseSid = kDisplay;
    lowerCaseSid.sid = L"s-1-5-21-1-2-3-1001";
    const struct {
        const char* name;
        DisplayUserFacts facts;
        O outcome;
        std::optional<std::wstring> user;  // the display user's name, when one is chosen
        unsigned long session;
    } cases[] = {
        {"the display user elevated", Facts(kDisplay, 1, In(kDisplay), 1, In(kDisplay)), O::self, L"display", 1},
        {"same identifier, other name", Facts(kDisplay, 1, In(displayRenamed), 1, In(displayRenamed)), O::self,
         L"Łucja", 1},
        {"identifier spelled in lower case", Facts(kDisplay, 1, In(lowerCaseSid), 1, In(lowerCaseSid)), O::self,
         L"display", 1},
        {"same name, other identifier", Facts(kDisplay, 1, In(sameNameOtherSid), 1, In(sameNameOtherSid)),
         O::ownSessionUser, L"display", 1},
        {"administrator over the shoulder", Facts(kAdmin, 1, In(kDisplay), 1, In(kDisplay)), O::ownSessionUser,
         L"display", 1},
        {"administrator in a remote session, another user at the console",
         Facts(kAdmin, 3, In(kAdmin), 1, In(kDisplay)), O::self, L"admin", 3},
        {"SYSTEM in session 0", Facts(kSystem, 0, kNobody, 1, In(kDisplay)), O::consoleUser, L"display", 1},
        {"SYSTEM in session 0, its session unreadable", Facts(kSystem, 0, kUnreadable, 1, In(kDisplay)),
         O::consoleUser, L"display", 1},
        {"LOCAL SERVICE in session 0", Facts(kLocalService, 0, kNobody, 2, In(kDisplay)), O::consoleUser,
         L"display", 2},
        {"NETWORK SERVICE in session 0", Facts(kNetworkService, 0, kNobody, 1, In(kDisplay)), O::consoleUser,
         L"display", 1},
        {"SYSTEM started in the user's session", Facts(kSystem, 1, In(kDisplay), 1, In(kDisplay)),
         O::ownSessionUser, L"display", 1},
        {"an agent's account in session 0", Facts(kAdmin, 0, kNobody, 1, In(kDisplay)), O::consoleUser, L"display",
         1},
        {"an agent's account that is the console user", Facts(kAdmin, 0, kNobody, 1, In(kAdmin)), O::self,
         L"admin", 1},
        {"nobody at the console", Facts(kSystem, 0, kNobody, 1, kNobody), O::nobodyLoggedOn, std::nullopt, 1},
        {"nobody in the own session nor at the console", Facts(kAdmin, 2, kNobody, 1, kNobody), O::nobodyLoggedOn,
         std::nullopt, 1},
        {"console changing hands", Facts(kSystem, 0, kNobody, kConsoleChangingHands, kUnreadable),
         O::consoleChanging, std::nullopt, kConsoleChangingHands},
        {"console user unreadable", Facts(kSystem, 0, kNobody, 1, kUnreadable), O::cannotTell, std::nullopt, 1},
        {"own session user unreadable", Facts(kAdmin, 1, kUnreadable, 1, In(kDisplay)), O::cannotTell,
         std::nullopt, 1},
        {"display user without identifier", Facts(kAdmin, 1, In(displayNoSid), 1, In(displayNoSid)), O::cannotTell,
         L"display", 1},
        {"process account unreadable", Facts(std::nullopt, 1, In(kDisplay), 1, In(kDisplay)), O::cannotTell,
         std::nullopt, 1},
        {"process account without identifier", Facts(AccountName{L"KIOSK-PC", L"admin"}, 1, In(kDisplay), 1,
                                                     In(kDisplay)),
         O::cannotTell, std::nullopt, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DisplayUserDecision decision = DecideDisplayUser(c.facts);
        EXPECT_EQ(decision.outcome, c.outcome);
        EXPECT_EQ(decision.user ? std::optional<std::wstring>(decision.user->name) : std::nullopt, c.user);
        EXPECT_EQ(decision.session, c.session);
    }
}

TEST(DisplayUserTest, ServiceAccountsAreToldByIdentifierNotByName) {
    EXPECT_TRUE(IsServiceAccount(kSystem));
    EXPECT_TRUE(IsServiceAccount(AccountName{L"NT-AUTORITÄT", L"SYSTEM", L"S-1-5-18"}));
    EXPECT_TRUE(IsServiceAccount(kLocalService));
    EXPECT_TRUE(IsServiceAccount(kNetworkService));
    EXPECT_FALSE(IsServiceAccount(AccountName{L"NT AUTHORITY", L"SYSTEM", L"S-1-5-21-1-2-3-1001"}));
    EXPECT_FALSE(IsServiceAccount(kAdmin));
}

// The facts in turn, one a read; names compared as the fake platform does
// (exactly), the platform's own comparison is tested under Wine.
class ScriptedSource final : public DisplayUserSource {
public:
    std::vector<DisplayUserFacts> reads;
    int read = 0;
    int pauses = 0;
    DisplayUserFacts ReadDisplayUserFacts() override {
        const DisplayUserFacts facts = reads[std::min<std::size_t>(read, reads.size() - 1)];
        ++read;
        return facts;
    }
    void PauseBeforeRetry() override { ++pauses; }
    bool AccountIsNamed(const AccountName& account, const std::wstring& given) override {
        return AccountDisplayName(account) == given;
    }
};

TEST(DisplayUserTest, RetriesWhileTheConsoleChangesHandsThenGivesUp) {
    const DisplayUserFacts changing = Facts(kSystem, 0, kNobody, kConsoleChangingHands, kUnreadable);
    const DisplayUserFacts settled = Facts(kSystem, 0, kNobody, 1, In(kDisplay));
    {
        ScriptedSource source;
        source.reads = {changing, changing, settled};
        EXPECT_EQ(FindDisplayUser(source).outcome, O::consoleUser);
        EXPECT_EQ(source.read, 3);
        EXPECT_EQ(source.pauses, 2);
    }
    {
        ScriptedSource source;
        source.reads = {changing};
        EXPECT_EQ(FindDisplayUser(source).outcome, O::consoleChanging);
        EXPECT_EQ(source.read, kDisplayUserTries);
        EXPECT_EQ(source.pauses, kDisplayUserTries - 1);
    }
    {
        ScriptedSource source;  // a settled answer is not asked again
        source.reads = {Facts(kSystem, 0, kNobody, 1, kNobody)};
        EXPECT_EQ(FindDisplayUser(source).outcome, O::nobodyLoggedOn);
        EXPECT_EQ(source.read, 1);
        EXPECT_EQ(source.pauses, 0);
    }
}

TEST(SetUpTargetTest, ChoiceWithTheGuardAndTheRunningAccount) {
    using R = TargetRefusal;
    const DisplayUserFacts over = Facts(kAdmin, 1, In(kDisplay), 1, In(kDisplay));
    const DisplayUserFacts agent = Facts(kSystem, 0, kNobody, 1, In(kDisplay));
    const DisplayUserFacts self = Facts(kDisplay, 1, In(kDisplay), 1, In(kDisplay));
    const DisplayUserFacts nobody = Facts(kSystem, 0, kNobody, 1, kNobody);
    const DisplayUserFacts unreadable = Facts(kSystem, 0, kNobody, 1, kUnreadable);
    const DisplayUserFacts noProcess = Facts(std::nullopt, 1, In(kDisplay), 1, In(kDisplay));
    const struct {
        const char* name;
        DisplayUserFacts facts;
        TargetRequest request;
        R refusal;
        std::optional<std::wstring> account;  // whom the target names
        bool otherUser;
        std::wstring principal;
    } cases[] = {
        {"self", self, {}, R::none, L"display", false, L""},
        {"administrator over the shoulder", over, {}, R::none, L"display", true, kDisplay.sid},
        {"agent", agent, {}, R::none, L"display", true, kDisplay.sid},
        {"agent, guard names the display user", agent, {false, L"KIOSK-PC\\display"}, R::none, L"display", true,
         kDisplay.sid},
        {"agent, guard names someone else", agent, {false, L"KIOSK-PC\\other"}, R::guardMismatch, L"display", true,
         kDisplay.sid},
        {"self, guard without the domain's spelling", self, {false, L"OTHER-PC\\display"}, R::guardMismatch,
         L"display", false, L""},
        {"nobody logged on", nobody, {}, R::nobodyLoggedOn, std::nullopt, false, L""},
        {"nobody logged on, guard given", nobody, {false, L"KIOSK-PC\\display"}, R::nobodyLoggedOn, std::nullopt,
         false, L""},
        {"console user unreadable", unreadable, {}, R::cannotTell, std::nullopt, false, L""},
        {"/account current over the shoulder", over, {true, L""}, R::none, L"admin", false, L""},
        {"/account current as SYSTEM with nobody logged on", nobody, {true, L""}, R::none, L"SYSTEM", false, L""},
        {"/account current with a guard naming the running account", over, {true, L"KIOSK-PC\\admin"}, R::none,
         L"admin", false, L""},
        {"/account current with a guard naming the display user", over, {true, L"KIOSK-PC\\display"},
         R::guardMismatch, L"admin", false, L""},
        {"/account current, running account unreadable", noProcess, {true, L""}, R::cannotTell, std::nullopt, false,
         L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSource source;
        source.reads = {c.facts};
        const TargetChoice choice = ChooseSetUpTarget(source, c.request);
        EXPECT_EQ(choice.refusal, c.refusal);
        ASSERT_EQ(choice.target.has_value(), c.account.has_value());
        if (!choice.target) continue;
        EXPECT_EQ(choice.target->account.name, *c.account);
        EXPECT_EQ(choice.target->otherUser, c.otherUser);
        EXPECT_EQ(TargetTaskPrincipal(*choice.target), c.principal);
        EXPECT_EQ(TargetTaskName(*choice.target), L"Quorvix画面リフレッシュ（" + *c.account + L"）");
    }
}

// The dialog has a person in front of it: without a display user it sets up
// the running account, as it always did.
TEST(SetUpTargetTest, TheDialogFallsBackToTheRunningAccount) {
    ScriptedSource source;
    source.reads = {Facts(kAdmin, 1, kUnreadable, 1, kUnreadable)};
    const SetUpTarget target = DialogSetUpTarget(ChooseSetUpTarget(source, {}));
    EXPECT_EQ(target.account.sid, kAdmin.sid);
    EXPECT_FALSE(target.otherUser);
    source.reads = {Facts(kAdmin, 1, In(kDisplay), 1, In(kDisplay))};
    source.read = 0;
    const SetUpTarget other = DialogSetUpTarget(ChooseSetUpTarget(source, {}));
    EXPECT_EQ(other.account.sid, kDisplay.sid);
    EXPECT_TRUE(other.otherUser);
}

}  // namespace
}  // namespace tavrin::testing
