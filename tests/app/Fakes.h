#pragma once

// Recording stand-ins for the start-up environment and the platform services.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "procedures/StartupEnvironment.h"
#include "fakes/FakePlatform.h"

namespace tavrin::app::testing {

// Events of a run in the order they happened: environment calls and the
// texts of the message boxes, so tests can check what came before what.
using EventLog = std::vector<std::wstring>;

class FakeEnvironment final : public StartupEnvironment {
public:
    explicit FakeEnvironment(EventLog& log) : log_(log) {}

    bool foldersAvailable = true;
    std::wstring browserPath = L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe";

    bool QueryKnownFolders(FolderLookup lookup) override {
        log_.push_back(lookup == FolderLookup::createMissing ? L"query folders" : L"look up folders");
        return foldersAvailable;
    }
    void ReleaseKnownFolders() override {
        log_.push_back(L"release folders");
        if (onRelease) onRelease();
    }
    std::function<void()> onRelease;  // called as the dialog ends
    KnownFolderPaths KnownFolders() const override {
        return {L"C:\\Users\\技術者\\Desktop", L"C:\\Users\\技術者\\Documents",
                L"C:\\Users\\技術者\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"};
    }
    std::wstring FindBrowserPath() override {
        log_.push_back(L"find browser");
        return browserPath;
    }

    // The same account by default: nothing is asked.
    std::optional<AccountName> processAccount = AccountName{L"KIOSK-PC", L"技術者"};
    std::optional<AccountName> sessionUser = AccountName{L"KIOSK-PC", L"技術者"};
    std::optional<AccountName> ProcessAccount() override {
        return processAccount;
    }
    std::optional<AccountName> SessionUser() override {
        return sessionUser;
    }

private:
    EventLog& log_;
};

// The platform services: the recording fakes the procedure tests use.
using FakePlatform = tavrin::testing::FakeServices;

}  // namespace tavrin::app::testing
