#pragma once

// The start-up environment for the tests of procedures, command line and
// dialog: one person at the screen who, by default, runs the tool.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "procedures/StartupEnvironment.h"

namespace tavrin::testing {

// The facts of `process` running in session 1, where `user` is logged on
// (also the console's user); nullopt for nobody.
inline DisplayUserFacts SessionFacts(std::optional<AccountName> process, std::optional<AccountName> user) {
    DisplayUserFacts facts;
    facts.process = std::move(process);
    facts.ownSession = 1;
    facts.ownSessionUser = SessionUser{true, user};
    facts.consoleSession = 1;
    facts.consoleUser = SessionUser{true, std::move(user)};
    return facts;
}

// An agent in session 0 as `process`, with `user` at the console (nullopt: nobody).
inline DisplayUserFacts AgentFacts(AccountName process, std::optional<AccountName> user) {
    DisplayUserFacts facts;
    facts.process = std::move(process);
    facts.ownSession = 0;
    facts.ownSessionUser = SessionUser{true, std::nullopt};
    facts.consoleSession = 1;
    facts.consoleUser = SessionUser{true, std::move(user)};
    return facts;
}

// Records "query folders" / "look up folders" (with " of DOMAIN\name" for
// another user), "release folders" and "find browser" in the log it is given.
class FakeStartupEnvironment : public StartupEnvironment {
public:
    FakeStartupEnvironment(std::vector<std::wstring>& log, AccountName user, KnownFolderPaths folders)
        : facts(SessionFacts(user, user)), log_(log), folders_(std::move(folders)) {}

    DisplayUserFacts facts;
    bool foldersThere = true;
    std::wstring browser = L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe";
    int pauses = 0;

    DisplayUserFacts ReadDisplayUserFacts() override { return facts; }
    void PauseBeforeRetry() override { ++pauses; }
    // Names compared exactly: the platform's own comparison is tested under Wine.
    bool AccountIsNamed(const AccountName& account, const std::wstring& given) override {
        return AccountDisplayName(account) == given;
    }
    bool QueryKnownFolders(const SetUpTarget& target, FolderLookup lookup) override {
        std::wstring entry = lookup == FolderLookup::createMissing ? L"query folders" : L"look up folders";
        if (target.otherUser) entry += L" of " + AccountDisplayName(target.account);
        log_.push_back(entry);
        return foldersThere;
    }
    void ReleaseKnownFolders() override {
        log_.push_back(L"release folders");
        if (onRelease) onRelease();
    }
    std::function<void()> onRelease;  // called as the dialog ends
    KnownFolderPaths KnownFolders() const override { return folders_; }
    std::wstring FindBrowserPath() override {
        log_.push_back(L"find browser");
        return browser;
    }

private:
    std::vector<std::wstring>& log_;
    KnownFolderPaths folders_;
};

}  // namespace tavrin::testing
