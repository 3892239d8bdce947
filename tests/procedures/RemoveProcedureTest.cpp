#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>

#include "fakes/FakePlatform.h"
#include "procedures/Procedures.h"

namespace tavrin::testing {
namespace {

using Log = std::vector<std::wstring>;

// The texts as the user must read them, written out here on purpose.
const std::wstring kRemoved = L"message タスクとショートカットの削除に成功しました。";
const std::wstring kFailed = L"message ショートカットの削除に失敗しました。";
const std::wstring kTaskFailed = L"message タスクの削除に失敗しました。";

struct RemoveScenario {
    const char* name;
    std::function<void(FakeSetup&)> arrange;
    Log expected;
    std::vector<std::wstring> leftTags;  // files still on disk afterwards
};

void PrintTo(const RemoveScenario& scenario, std::ostream* os) { *os << scenario.name; }

class RemoveScenarioTest : public ::testing::TestWithParam<RemoveScenario> {};

void PutEverything(FakeSetup& s) {
    for (const auto& tagged : s.world.tags) s.world.disk[tagged.first] = "x";
}

TEST_P(RemoveScenarioTest, RemovesWhatIsThereAndReports) {
    FakeSetup s;
    GetParam().arrange(s);
    RunRemoveProcedure(s.dialog, s.target(), s.platform);
    EXPECT_EQ(s.world.log, GetParam().expected);

    std::vector<std::wstring> left;
    for (const auto& file : s.world.disk) left.push_back(s.world.Tag(file.first));
    std::vector<std::wstring> expectedLeft = GetParam().leftTags;
    std::sort(left.begin(), left.end());
    std::sort(expectedLeft.begin(), expectedLeft.end());
    EXPECT_EQ(left, expectedLeft);
}

INSTANTIATE_TEST_SUITE_P(
    Remove, RemoveScenarioTest,
    ::testing::Values(
        // SCHTASKS refuses to delete a task that is not there; the Task
        // Scheduler confirms it is not there.
        RemoveScenario{"NothingRegistered", [](FakeSetup& s) { s.world.commandStatus = 1; },
                       {L"delete task", L"read task", kRemoved}, {}},
        RemoveScenario{"EverythingRegisteredOnShowDesktopPlatform", PutEverything,
                       {L"delete task", L"read task", L"removed script", L"removed startup kiosk", L"removed desktop kiosk",
                        kRemoved},
                       {L"scf", L"scf shortcut"}},
        RemoveScenario{"ReadOnlyScript",
                       [](FakeSetup& s) {
                           PutEverything(s);
                           s.world.undeletable.insert(s.scriptPath());
                       },
                       {L"delete task", L"read task", L"remove failed script", L"removed startup kiosk",
                        L"removed desktop kiosk", kFailed},
                       {L"script", L"scf", L"scf shortcut"}},
        RemoveScenario{"BothShortcutsLocked",
                       [](FakeSetup& s) {
                           PutEverything(s);
                           s.world.undeletable.insert(s.startupKioskPath());
                           s.world.undeletable.insert(s.desktopKioskPath());
                       },
                       {L"delete task", L"read task", L"removed script", L"remove failed startup kiosk",
                        L"remove failed desktop kiosk", kFailed},
                       {L"startup kiosk", L"desktop kiosk", L"scf", L"scf shortcut"}},
        RemoveScenario{"OnlyDesktopShortcut",
                       [](FakeSetup& s) { s.world.disk[s.desktopKioskPath()] = "x"; },
                       {L"delete task", L"read task", L"removed desktop kiosk", kRemoved}, {}},
        // Without a SCHTASKS that runs the task stays; the files still go,
        // and no success is claimed.
        RemoveScenario{"DeleteCommandCannotStart",
                       [](FakeSetup& s) {
                           s.world.commandStatus = -1;
                           s.PutTask();
                           s.world.disk[s.scriptPath()] = "x";
                       },
                       {L"delete task", L"read task", L"removed script", kTaskFailed}, {}},
        // A task that was never there needs no SCHTASKS to be gone.
        RemoveScenario{"DeleteCommandCannotStartNothingRegistered",
                       [](FakeSetup& s) { s.world.commandStatus = -1; },
                       {L"delete task", L"read task", kRemoved}, {}},
        RemoveScenario{"DeleteRefusedTaskStillThere",
                       [](FakeSetup& s) {
                           PutEverything(s);
                           s.PutTask();
                           s.world.commandStatus = 1;
                       },
                       {L"delete task", L"read task", L"removed script", L"removed startup kiosk",
                        L"removed desktop kiosk", kTaskFailed},
                       {L"scf", L"scf shortcut"}},
        // SCHTASKS exits 1 for "no such task" and for "cannot answer" alike:
        // a scheduler that does not answer is no proof that the task is gone.
        RemoveScenario{"DeleteRefusedSchedulerSilent",
                       [](FakeSetup& s) {
                           s.world.commandStatus = 1;
                           s.world.schedulerAnswers = false;
                       },
                       {L"delete task", L"read task", kTaskFailed}, {}},
        // SCHTASKS said it deleted the task: a scheduler that cannot be asked
        // afterwards does not undo that.
        RemoveScenario{"DeletedSchedulerSilentAfterwards",
                       [](FakeSetup& s) {
                           s.PutTask();
                           s.world.schedulerAnswers = false;
                       },
                       {L"delete task", L"read task", kRemoved}, {}},
        RemoveScenario{"TaskAndScriptBothStay",
                       [](FakeSetup& s) {
                           PutEverything(s);
                           s.PutTask();
                           s.world.commandStatus = 1;
                           s.world.undeletable.insert(s.scriptPath());
                       },
                       {L"delete task", L"read task", L"remove failed script", L"removed startup kiosk",
                        L"removed desktop kiosk", kTaskFailed, kFailed},
                       {L"script", L"scf", L"scf shortcut"}}),
    [](const ::testing::TestParamInfo<RemoveScenario>& info) { return std::string(info.param.name); });

TEST(RemoveProcedureTest, DeletesTheCurrentUsersTaskWithoutReadingTheControls) {
    FakeSetup s;
    s.world.userName = L"山田 太郎";
    RunRemoveProcedure(s.dialog, s.target(), s.platform);
    ASSERT_EQ(s.world.commandLines.size(), 1u);
    EXPECT_EQ(s.world.commandLines[0], L"schtasks /delete /f /tn \"Quorvix画面リフレッシュ\uFF08山田 太郎\uFF09\"");
    EXPECT_EQ(std::count(s.world.log.begin(), s.world.log.end(), L"read controls"), 0);
}

TEST(RemoveProcedureTest, AsksTheSchedulerForTheSameTask) {
    FakeSetup s;
    s.world.userName = L"山田 太郎";
    s.world.tasks[L"Quorvix画面リフレッシュ\uFF08山田 太郎\uFF09"] = TaskDefinition{};
    s.world.tasks[L"Quorvix画面リフレッシュ\uFF08taro\uFF09"] = TaskDefinition{};
    s.world.commandStatus = 1;
    EXPECT_FALSE(RunRemoveProcedure(s.dialog, s.target(), s.platform));
    s.world.tasks.erase(L"Quorvix画面リフレッシュ\uFF08山田 太郎\uFF09");
    EXPECT_TRUE(RunRemoveProcedure(s.dialog, s.target(), s.platform));
}

}  // namespace
}  // namespace tavrin::testing

namespace tavrin::testing {
namespace {

// True exactly when the dialog reports success.
TEST(RemoveProcedureTest, ReportsWhetherTheTaskAndEveryFileAreGone) {
    const struct {
        const char* name;
        std::function<void(FakeSetup&)> arrange;
        bool expected;
    } cases[] = {
        {"everything removed", [](FakeSetup& s) { s.world.disk[s.scriptPath()] = "x"; }, true},
        {"nothing was registered", [](FakeSetup& s) { s.world.commandStatus = 1; }, true},
        {"task stays",
         [](FakeSetup& s) {
             s.world.commandStatus = 1;
             s.PutTask();
         },
         false},
        {"SCHTASKS cannot be run, task there",
         [](FakeSetup& s) {
             s.world.commandStatus = -1;
             s.PutTask();
         },
         false},
        {"the scheduler cannot answer", [](FakeSetup& s) {
             s.world.commandStatus = 1;
             s.world.schedulerAnswers = false;
         }, false},
        {"a shortcut stays",
         [](FakeSetup& s) {
             s.world.disk[s.desktopKioskPath()] = "x";
             s.world.undeletable.insert(s.desktopKioskPath());
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSetup s;
        c.arrange(s);
        EXPECT_EQ(RunRemoveProcedure(s.dialog, s.target(), s.platform), c.expected);
    }
}

}  // namespace
}  // namespace tavrin::testing
