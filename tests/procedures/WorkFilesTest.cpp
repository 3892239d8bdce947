#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "procedures/Procedures.h"
#include "procedures/WorkFiles.h"

namespace tavrin::testing {
namespace {

struct WorkFileCase {
    const wchar_t* candidate;
    bool matches;
};

struct ReparseTagCase {
    const char* kind;
    std::uint32_t tag;
    bool keepsFileHere;
};

// Synced folders put placeholders with a reparse tag of their own in Desktop
// and Documents; only tags that lead elsewhere make a file one we refuse.
TEST(WorkFilesTest, OnlyReparseTagsThatLeadElsewhereAreRefused) {
    const ReparseTagCase cases[] = {
        {"symbolic link", 0xA000000C, false},
        {"junction / mount point", 0xA0000003, false},
        {"WSL symbolic link", 0xA000001D, false},
        {"container link (name surrogate)", 0xA0000027, false},
        {"any other name surrogate", 0x20000001, false},
        {"app execution alias", 0x8000001B, false},
        {"Unix socket", 0x80000023, false},
        {"cloud files placeholder", 0x9000001A, true},
        {"cloud files placeholder, sub-tag 1", 0x9000101A, true},
        {"cloud files placeholder, sub-tag F", 0x9000F01A, true},
        {"OneDrive (older)", 0x80000021, true},
        {"deduplicated file", 0x80000013, true},
        {"single-instance storage", 0x80000007, true},
        {"hierarchical storage", 0xC0000004, true},
        {"Windows overlay filter", 0x80000017, true},
    };
    for (const ReparseTagCase& c : cases) {
        EXPECT_EQ(ReparseTagKeepsFileHere(c.tag), c.keepsFileHere) << c.kind;
    }
}

TEST(WorkFilesTest, OnlyTheStoresOwnWorkNamesBesideTheFileMatch) {
    const std::wstring name = L"LAN対応ユニット.lnk";
    const WorkFileCase cases[] = {
        {L"LAN対応ユニット.lnk.1234-1.new", true},
        {L"LAN対応ユニット.lnk.1234-17.old", true},
        {L"LAN対応ユニット.lnk.0-0.new", true},
        {L"LAN対応ユニット.lnk", false},                  // the file itself
        {L"LAN対応ユニット.lnk.1234-1.new.txt", false},   // something after the work suffix
        {L"LAN対応ユニット.lnk.1234-1.tmp", false},
        {L"LAN対応ユニット.lnk.1234-1.NEW", false},       // the store writes it lower case
        {L"LAN対応ユニット.lnk.1234.new", false},         // no serial
        {L"LAN対応ユニット.lnk.-1.new", false},           // no process
        {L"LAN対応ユニット.lnk.1234-.old", false},
        {L"LAN対応ユニット.lnk.12a4-1.new", false},
        {L"LAN対応ユニット.lnk1234-1.new", false},        // no dot after the name
        {L"LAN対応ユニット.lnk.1234-1", false},
        {L"LAN対応ユニット.lnk..1234-1.new", false},
        {L"XLAN対応ユニット.lnk.1234-1.new", false},      // another file's work file
        {L"LAN対応ユニット.lnk.x.1234-1.new", false},
        {L"lan対応ユニット.lnk.1234-1.new", false},       // another name
    };
    for (const WorkFileCase& c : cases) {
        EXPECT_EQ(IsWorkFileOf(name, c.candidate), c.matches) << ::testing::PrintToString(std::wstring(c.candidate));
    }
    EXPECT_FALSE(IsWorkFileOf(L"", L".1-1.new"));
}

const std::vector<std::wstring> kEveryFile = {L"script", L"scf", L"scf shortcut", L"startup kiosk",
                                              L"desktop kiosk"};

TEST(WorkFilesTest, RegisterAndRemoveClearLeftoversOfEveryFileTheyHandleFirst) {
    {
        FakeSetup s;
        s.world.beforeOpen = [&s](const std::wstring&) {
            // Cleared before the first file is opened.
            EXPECT_EQ(s.world.workFilesRemoved, kEveryFile);
        };
        EXPECT_EQ(RunRegisterProcedure(s.dialog, s.dialog.settings, s.target(), s.browser, s.platform),
                  ProcedureResult::done);
        EXPECT_EQ(s.world.workFilesRemoved, kEveryFile);
    }
    {
        FakeSetup s;
        RunRemoveProcedure(s.dialog, s.target(), s.platform);
        EXPECT_EQ(s.world.workFilesRemoved, kEveryFile);
    }
}

TEST(WorkFilesTest, RegisterWithAnIncompleteAddressTouchesNothing) {
    FakeSetup s;
    s.dialog.controls.unitAddressComplete = false;
    EXPECT_EQ(RunRegisterProcedure(s.dialog, s.dialog.settings, s.target(), s.browser, s.platform),
              ProcedureResult::failed);
    EXPECT_TRUE(s.world.workFilesRemoved.empty());
}

}  // namespace
}  // namespace tavrin::testing
