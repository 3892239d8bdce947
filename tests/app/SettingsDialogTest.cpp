// The settings dialog in-process, with fake services: defaults, the
// exchange between controls and settings, start-up checks, the ways it
// closes and the command boundary.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

#include "DialogDriver.h"
#include "Fakes.h"
#include "app/TavrinDlg.h"
#include "app/resource.h"
#include "procedures/FileError.h"
#include "procedures/Procedures.h"

namespace tavrin::app::testing {
namespace {

// The message-box caption is the executable's name without extension.
constexpr const wchar_t* kTestProgramName = L"tavrin_app_tests";

constexpr const wchar_t* kRegistered = L"ショートカットを作成しました";
constexpr const wchar_t* kRemoved = L"タスクとショートカットの削除に成功しました。";
constexpr const wchar_t* kFoldersMissing =
    L"ショートカットの保存先が見つかりませんでした\nアプリケーションを終了します";
constexpr const wchar_t* kBrowserMissing =
    L"Microsoft Edgeが見つかりません。\nMicrosoft Edgeをインストールして再度実行してください。";

HWND AddressField(HWND hwnd, int index) {
    HWND field = ::GetWindow(::GetDlgItem(hwnd, IDC_UNIT_ADDRESS), GW_CHILD);
    for (int i = 0; i < index && field != nullptr; ++i) field = ::GetWindow(field, GW_HWNDNEXT);
    return field;
}

void SelectHour(HWND hwnd, const wchar_t* hour) {
    const HWND list = ::GetDlgItem(hwnd, IDC_REFRESH_HOUR);
    const LRESULT index =
        ::SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(hour));
    ASSERT_NE(index, CB_ERR) << hour;
    ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

HICON SystemIcon(const wchar_t* id) { return ::LoadIconW(nullptr, id); }

class SettingsDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
        ::InitCommonControlsEx(&classes);
    }

    SettingsDialogTest() {
        watcher.onShown = [this](const ShownBox& box) { log.push_back(L"message: " + box.text); };
    }

    INT_PTR Run(std::vector<DialogScript::Step> steps) {
        script = std::make_unique<DialogScript>(std::move(steps));
        return script->Run(dialog);
    }

    const Settings& Current() const { return dialog.CurrentSettings(); }

    EventLog log;
    FakeEnvironment environment{log};
    FakePlatform platform;
    CTavrinDlg dialog{environment, platform.Services()};
    MessageBoxWatcher watcher;
    std::unique_ptr<DialogScript> script;
};

TEST_F(SettingsDialogTest, OpensWithTheDefaultsCentredWithTheFocusInTheAddress) {
    const INT_PTR result = Run({[](HWND hwnd) {
        int filled = 0;
        EXPECT_EQ(AddressOf(hwnd, IDC_UNIT_ADDRESS, &filled), 0xC0A80101u);
        EXPECT_EQ(filled, 4);
        EXPECT_TRUE(IsChecked(hwnd, IDC_SIZE_HD));
        EXPECT_FALSE(IsChecked(hwnd, IDC_SIZE_FULL_HD));
        EXPECT_EQ(ItemText(hwnd, IDC_PAGE_SUFFIX), L"/display.htm?size=1");
        EXPECT_EQ(ItemText(hwnd, IDC_REFRESH_HOUR), L"0");
        EXPECT_EQ(TextOf(hwnd), L"Quorvix画面設定ツール");

        // The hour items in resource order, not sorted; 2 and 3 are absent.
        const wchar_t* const hours[] = {L"0",  L"1",  L"4",  L"5",  L"6",  L"7",  L"8",  L"9",
                                        L"10", L"11", L"12", L"13", L"14", L"15", L"16", L"17",
                                        L"18", L"19", L"20", L"21", L"22", L"23"};
        const HWND list = ::GetDlgItem(hwnd, IDC_REFRESH_HOUR);
        ASSERT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(std::size(hours)));
        for (std::size_t i = 0; i < std::size(hours); ++i) {
            wchar_t item[8] = {};
            ::SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            EXPECT_STREQ(item, hours[i]) << "item " << i;
        }

        const HWND address = ::GetDlgItem(hwnd, IDC_UNIT_ADDRESS);
        const HWND focus = ::GetFocus();
        EXPECT_TRUE(focus == address || ::IsChild(address, focus));

        RECT work{};
        RECT window{};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        ::GetWindowRect(hwnd, &window);
        EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 1);
        EXPECT_NEAR((window.top + window.bottom) / 2, (work.top + work.bottom) / 2, 1);

        const LRESULT icon = ::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0);
        EXPECT_NE(icon, 0);
        EXPECT_EQ(::SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), icon);
        EXPECT_EQ(::SendMessageW(hwnd, WM_QUERYDRAGICON, 0, 0), icon);
    }});
    EXPECT_EQ(script->StepsRun(), 1u);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(watcher.Boxes().empty());
    EXPECT_EQ(dialog.BrowserPath(), environment.browser);
}

// Each line of every label is drawn whole in its control, in the font the
// dialog got for its template's "MS UI Gothic" (under Wine the replacement
// the test prefix names): a font that is too wide cuts the ends off.
TEST_F(SettingsDialogTest, EveryLabelFitsItsControl) {
    Run({[](HWND hwnd) {
        for (const int id : {IDC_DESCRIPTION, IDC_STEP1_LABEL, IDC_STEP2_LABEL, IDC_STEP3_LABEL, IDC_SCHEME_LABEL,
                             IDC_PAGE_SUFFIX}) {
            const HWND label = ::GetDlgItem(hwnd, id);
            ASSERT_NE(label, nullptr) << id;
            RECT client{};
            ::GetClientRect(label, &client);
            const HDC dc = ::GetDC(label);
            const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0)));
            const std::wstring text = TextOf(label);
            std::size_t begin = 0;
            for (;;) {
                const std::size_t end = text.find(L'\n', begin);
                const std::wstring line = text.substr(begin, end == std::wstring::npos ? std::wstring::npos : end - begin);
                SIZE extent{};
                ::GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &extent);
                EXPECT_LE(extent.cx, client.right - client.left) << id << " line " << begin;
                if (end == std::wstring::npos) break;
                begin = end + 1;
            }
            ::SelectObject(dc, old);
            ::ReleaseDC(label, dc);
        }
    }});
    EXPECT_EQ(script->StepsRun(), 1u);
}

TEST_F(SettingsDialogTest, ScreenSizeClicksKeepTheSuffixLabelInStep) {
    struct Case {
        int button;
        const wchar_t* label;
        int choice;
    };
    const Case cases[] = {
        {IDC_SIZE_FULL_HD, L"/display.htm?size=2", 1},
        {IDC_SIZE_HD, L"/display.htm?size=1", 0},
        {IDC_SIZE_HD, L"/display.htm?size=1", 0},  // already selected: nothing changes
        {IDC_SIZE_FULL_HD, L"/display.htm?size=2", 1},
    };
    Run({[&](HWND hwnd) {
        for (const Case& c : cases) {
            Click(hwnd, c.button);
            EXPECT_EQ(ItemText(hwnd, IDC_PAGE_SUFFIX), c.label) << "after clicking " << c.button;
            EXPECT_EQ(Current().screenSizeChoice, c.choice);
            EXPECT_EQ(IsChecked(hwnd, IDC_SIZE_FULL_HD), c.choice == 1);
            EXPECT_EQ(IsChecked(hwnd, IDC_SIZE_HD), c.choice == 0);
        }
    }});
    EXPECT_TRUE(watcher.Boxes().empty());
}

// A click reads every control, so it shows how blank address fields read.
TEST_F(SettingsDialogTest, BlankAddressFieldsReadAsZero) {
    struct Case {
        const char* name;
        void (*blank)(HWND);
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"whole control", [](HWND hwnd) { ::SendDlgItemMessageW(hwnd, IDC_UNIT_ADDRESS, IPM_CLEARADDRESS, 0, 0); },
         0x00000000},
        {"second field", [](HWND hwnd) { ::SetWindowTextW(AddressField(hwnd, 1), L""); }, 0xC0000101},
        {"last field", [](HWND hwnd) { ::SetWindowTextW(AddressField(hwnd, 3), L""); }, 0xC0A80100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EventLog caseLog;
        FakeEnvironment caseEnvironment{caseLog};
        CTavrinDlg caseDialog{caseEnvironment, platform.Services()};
        DialogScript caseScript({[&](HWND hwnd) {
            int filled = 0;
            c.blank(hwnd);
            AddressOf(hwnd, IDC_UNIT_ADDRESS, &filled);
            EXPECT_LT(filled, 4);
            Click(hwnd, IDC_SIZE_FULL_HD);
            EXPECT_EQ(caseDialog.CurrentSettings().unitAddress, c.expected);
            // Written back from the member: every field shows a number again.
            EXPECT_EQ(AddressOf(hwnd, IDC_UNIT_ADDRESS, &filled), c.expected);
            EXPECT_EQ(filled, 4);
        }});
        caseScript.Run(caseDialog);
        EXPECT_EQ(caseScript.StepsRun(), 1u);
    }
}

// "登録" with a blank address field says so, puts the focus in the address
// and sets up nothing; a complete address with typed zeros goes on.
TEST_F(SettingsDialogTest, RegisterRefusesAnAddressWithABlankField) {
    struct Case {
        const char* name;
        void (*edit)(HWND);
        bool refused;
    };
    const Case cases[] = {
        {"all fields blank", [](HWND hwnd) { ::SendDlgItemMessageW(hwnd, IDC_UNIT_ADDRESS, IPM_CLEARADDRESS, 0, 0); },
         true},
        {"only the first field typed",
         [](HWND hwnd) {
             ::SendDlgItemMessageW(hwnd, IDC_UNIT_ADDRESS, IPM_CLEARADDRESS, 0, 0);
             ::SetWindowTextW(AddressField(hwnd, 0), L"10");
         },
         true},
        {"last field blank", [](HWND hwnd) { ::SetWindowTextW(AddressField(hwnd, 3), L""); }, true},
        {"zeros typed", [](HWND hwnd) { ::SendDlgItemMessageW(hwnd, IDC_UNIT_ADDRESS, IPM_SETADDRESS, 0, 0); },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EventLog caseLog;
        FakeEnvironment caseEnvironment{caseLog};
        FakePlatform casePlatform;
        CTavrinDlg caseDialog{caseEnvironment, casePlatform.Services()};
        const std::size_t boxesBefore = watcher.Boxes().size();
        bool focusInAddress = false;
        DialogScript caseScript({[&](HWND hwnd) {
            c.edit(hwnd);
            ::SetFocus(::GetDlgItem(hwnd, IDC_SIZE_HD));
            Click(hwnd, IDOK);
            const HWND address = ::GetDlgItem(hwnd, IDC_UNIT_ADDRESS);
            focusInAddress = ::GetFocus() == address || ::IsChild(address, ::GetFocus());
        }});
        const INT_PTR result = caseScript.Run(caseDialog);
        ASSERT_EQ(watcher.Boxes().size(), boxesBefore + 1);
        if (c.refused) {
            EXPECT_EQ(result, IDCANCEL);  // still open after the step: the script cancelled it
            EXPECT_EQ(watcher.Boxes().back().text, L"IPアドレスを正しく入力してください。");
            EXPECT_TRUE(focusInAddress);
            EXPECT_TRUE(casePlatform.world.disk.empty());
            EXPECT_TRUE(casePlatform.world.commandLines.empty());
        } else {
            EXPECT_EQ(result, IDOK);
            EXPECT_EQ(watcher.Boxes().back().text, L"ショートカットを作成しました");
            EXPECT_NE(casePlatform.world.disk[L"C:\\Users\\技術者\\Documents\\LAU_Refresh.vbs"].find(
                          "http://0.0.0.0/display.htm?size=1"),
                      std::string::npos);
        }
    }
}

// Enter reaches the default button "登録" wherever the focus is; the
// procedure gets what the controls show.
TEST_F(SettingsDialogTest, EnterRunsRegisterWithTheValuesOfTheControls) {
    struct Case {
        const char* name;
        HWND (*focus)(HWND);
    };
    const Case cases[] = {
        {"address control", [](HWND hwnd) { return AddressField(hwnd, 0); }},
        {"radio button", [](HWND hwnd) { return ::GetDlgItem(hwnd, IDC_SIZE_FULL_HD); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EventLog caseLog;
        FakeEnvironment caseEnvironment{caseLog};
        FakePlatform casePlatform;
        CTavrinDlg caseDialog{caseEnvironment, casePlatform.Services()};
        DialogScript caseScript({[&](HWND hwnd) {
            ::SendDlgItemMessageW(hwnd, IDC_UNIT_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 0, 0, 254));
            Click(hwnd, IDC_SIZE_FULL_HD);
            SelectHour(hwnd, L"23");
            ::SetFocus(c.focus(hwnd));
            PressKey(::GetFocus(), VK_RETURN);
        }});
        const std::size_t boxesBefore = watcher.Boxes().size();
        EXPECT_EQ(caseScript.Run(caseDialog), IDOK);

        const std::wstring script = L"C:\\Users\\技術者\\Documents\\LAU_Refresh.vbs";
        EXPECT_EQ(casePlatform.Logged(L"wrote "), std::vector<std::wstring>{script});
        EXPECT_NE(casePlatform.world.disk[script].find("http://10.0.0.254/display.htm?size=2"), std::string::npos);
        ASSERT_EQ(casePlatform.world.commandLines.size(), 1u);
        EXPECT_NE(casePlatform.world.commandLines[0].find(L"/ST 23:00:00"), std::wstring::npos);
        ASSERT_EQ(casePlatform.world.shortcuts.size(), 2u);
        for (const auto& saved : casePlatform.world.shortcuts) {
            EXPECT_EQ(saved.second.targetPath, caseEnvironment.browser);
        }
        ASSERT_EQ(watcher.Boxes().size(), boxesBefore + 1);
        EXPECT_EQ(watcher.Boxes().back().text, kRegistered);
        // Closed by the procedure: the folders are left for the process end.
        EXPECT_EQ(caseLog, (EventLog{L"query folders", L"find browser"}));
    }
}

TEST_F(SettingsDialogTest, MissingFoldersOrBrowserAreReportedInOrderAndEndTheDialog) {
    struct Case {
        const char* name;
        bool folders;
        bool browser;
        EventLog expected;
    };
    const Case cases[] = {
        {"folders missing", false, true,
         {L"query folders", std::wstring(L"message: ") + kFoldersMissing, L"release folders", L"find browser"}},
        {"browser missing", true, false,
         {L"query folders", L"find browser", std::wstring(L"message: ") + kBrowserMissing, L"release folders"}},
        {"both missing", false, false,
         {L"query folders", std::wstring(L"message: ") + kFoldersMissing, L"release folders", L"find browser",
          std::wstring(L"message: ") + kBrowserMissing, L"release folders"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        const std::size_t boxesBefore = watcher.Boxes().size();
        FakeEnvironment caseEnvironment{log};
        caseEnvironment.foldersThere = c.folders;
        if (!c.browser) caseEnvironment.browser.clear();
        CTavrinDlg caseDialog{caseEnvironment, platform.Services()};
        DialogScript caseScript({[](HWND) {}});

        EXPECT_EQ(caseScript.Run(caseDialog), IDCANCEL);
        EXPECT_EQ(caseScript.StepsRun(), 0u) << "the dialog took input";
        EXPECT_EQ(log, c.expected);
        for (std::size_t i = boxesBefore; i < watcher.Boxes().size(); ++i) {
            EXPECT_EQ(watcher.Boxes()[i].caption, kTestProgramName);
            EXPECT_EQ(watcher.Boxes()[i].icon, nullptr);
        }
    }
    EXPECT_TRUE(platform.world.disk.empty());
}

// Started by another account than the user at the screen (an
// administrator's name typed into the elevation prompt), the tool says whom
// it sets up before it shows the dialog, "はい" the default: "はい" sets up
// the user at the screen, "いいえ" ends it with nothing done.
TEST_F(SettingsDialogTest, AnotherAccountSaysItSetsUpTheUserAtTheScreen) {
    const std::wstring notice =
        L"このツールは「KIOSK-PC\\admin」として実行されていますが、設定するのは画面の前のユーザー「KIOSK-PC\\display」"
        L"です。\n「KIOSK-PC\\display」のドキュメント、スタートアップ、デスクトップとタスクに設定します。\n"
        L"「KIOSK-PC\\display」に設定しますか？（「いいえ」を押すと何もせずに終了します）";
    const AccountName admin{L"KIOSK-PC", L"admin", L"S-1-5-21-11-22-33-500"};
    const AccountName display{L"KIOSK-PC", L"display", L"S-1-5-21-11-22-33-1002"};
    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "yes" : "no");
        EventLog caseLog;
        FakeEnvironment caseEnvironment{caseLog};
        caseEnvironment.facts = tavrin::testing::SessionFacts(admin, display);
        FakePlatform casePlatform;
        CTavrinDlg caseDialog{caseEnvironment, casePlatform.Services()};
        const std::size_t boxesBefore = watcher.Boxes().size();
        bool shownBeforeTheNotice = false;
        watcher.onShown = [&](const ShownBox&) {
            const HWND hwnd = caseDialog.DialogWindow().Handle();
            if (watcher.Boxes().size() == boxesBefore + 1) {
                shownBeforeTheNotice = hwnd != nullptr && ::IsWindowVisible(hwnd);
            }
        };
        watcher.answer = answer;  // the one-button boxes that follow close on any answer
        DialogScript caseScript({[](HWND hwnd) { Click(hwnd, IDOK); }});
        const INT_PTR result = caseScript.Run(caseDialog);

        ASSERT_GE(watcher.Boxes().size(), boxesBefore + 1);
        const ShownBox& asked = watcher.Boxes()[boxesBefore];
        EXPECT_EQ(asked.text, notice);
        EXPECT_EQ(asked.caption, kTestProgramName);
        EXPECT_EQ(asked.icon, SystemIcon(IDI_INFORMATION));
        EXPECT_EQ(asked.defaultButton, IDYES);
        EXPECT_FALSE(shownBeforeTheNotice);
        if (answer == IDNO) {
            EXPECT_EQ(result, IDCANCEL);
            EXPECT_EQ(caseScript.StepsRun(), 0u) << "the dialog took input";
            EXPECT_EQ(watcher.Boxes().size(), boxesBefore + 1);
            EXPECT_TRUE(casePlatform.world.disk.empty());
            EXPECT_TRUE(casePlatform.world.commandLines.empty());
            EXPECT_EQ(caseLog, (EventLog{L"query folders of KIOSK-PC\\display", L"find browser", L"release folders"}));
        } else {
            EXPECT_EQ(result, IDOK);
            ASSERT_EQ(watcher.Boxes().size(), boxesBefore + 2);
            EXPECT_EQ(watcher.Boxes().back().text, L"ショートカットを作成しました");
            ASSERT_EQ(casePlatform.world.commandLines.size(), 1u);
            EXPECT_NE(casePlatform.world.commandLines[0].find(L"（display）"), std::wstring::npos);
        }
    }
}

// 登録 with a unit whose page does not answer: a yes/no question with the
// warning icon and "いいえ" as the default. "いいえ" leaves the dialog open
// with the focus in the address and nothing written; "はい" registers.
TEST_F(SettingsDialogTest, APageThatDoesNotAnswerIsAskedAboutWithNoAsTheDefault) {
    const std::wstring question =
        L"ユニットの表示画面 http://192.168.1.1/display.htm?size=1 を開けませんでした"
        L"（ユニットは応答しましたが、表示画面ではなく HTTP ステータス 404 でした）。\n"
        L"次の順に確かめてください: ユニットの電源が入っているか、IPアドレスがユニットに設定したものと同じか、"
        L"ユニットと PC の LAN ケーブルがつながっているか。\n"
        L"このまま登録しますか？（ユニットをまだ接続していないときなど）";
    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "yes" : "no");
        EventLog caseLog;
        FakeEnvironment caseEnvironment{caseLog};
        FakePlatform casePlatform;
        casePlatform.world.pageAnswer = {PageAnswer::Kind::status, 404};
        CTavrinDlg caseDialog{caseEnvironment, casePlatform.Services()};
        const std::size_t boxesBefore = watcher.Boxes().size();
        watcher.answer = answer;
        bool focusInAddress = false;
        DialogScript caseScript({[](HWND hwnd) { Click(hwnd, IDOK); },
                                 [&](HWND hwnd) {
                                     const HWND focus = ::GetFocus();
                                     const HWND address = ::GetDlgItem(hwnd, IDC_UNIT_ADDRESS);
                                     focusInAddress = focus != nullptr && ::IsChild(address, focus);
                                 }});
        const INT_PTR result = caseScript.Run(caseDialog);

        ASSERT_GE(watcher.Boxes().size(), boxesBefore + 1);
        const ShownBox& asked = watcher.Boxes()[boxesBefore];
        EXPECT_EQ(asked.text, question);
        EXPECT_EQ(asked.caption, kTestProgramName);
        EXPECT_EQ(asked.icon, SystemIcon(IDI_WARNING));
        EXPECT_EQ(asked.defaultButton, IDNO);
        if (answer == IDNO) {
            EXPECT_EQ(result, IDCANCEL);  // still open after the question; the script cancelled it
            EXPECT_EQ(watcher.Boxes().size(), boxesBefore + 1);
            EXPECT_TRUE(focusInAddress);
            EXPECT_TRUE(casePlatform.world.disk.empty());
            EXPECT_TRUE(casePlatform.world.commandLines.empty());
        } else {
            EXPECT_EQ(result, IDOK);
            ASSERT_EQ(watcher.Boxes().size(), boxesBefore + 2);
            EXPECT_EQ(watcher.Boxes().back().text, kRegistered);
            EXPECT_EQ(casePlatform.world.commandLines.size(), 1u);
        }
    }
}

// The same identifier is the same account, however its name is spelled.
TEST_F(SettingsDialogTest, TheSameAccountUnderAnotherNameIsNotAskedAbout) {
    EventLog caseLog;
    FakeEnvironment caseEnvironment{caseLog};
    caseEnvironment.facts = tavrin::testing::SessionFacts(AccountName{L"kiosk-pc", L"DISPLAY", L"S-1-5-21-5-6-7-1001"},
                                                          AccountName{L"KIOSK-PC", L"Łucja", L"S-1-5-21-5-6-7-1001"});
    CTavrinDlg caseDialog{caseEnvironment, platform.Services()};
    DialogScript caseScript({[](HWND) {}});
    EXPECT_EQ(caseScript.Run(caseDialog), IDCANCEL);
    EXPECT_EQ(caseScript.StepsRun(), 1u);
    EXPECT_TRUE(watcher.Boxes().empty());
}

TEST_F(SettingsDialogTest, CancelEscapeAndCloseBoxEndWithoutReadingTheControls) {
    struct Case {
        const char* name;
        void (*close)(HWND);
    };
    const Case cases[] = {
        {"キャンセル", [](HWND hwnd) { Click(hwnd, IDCANCEL); }},
        {"Escape", [](HWND) { PressKey(::GetFocus(), VK_ESCAPE); }},
        {"close box", [](HWND hwnd) { ::PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        FakeEnvironment caseEnvironment{log};
        CTavrinDlg caseDialog{caseEnvironment, platform.Services()};
        DialogScript caseScript({[&](HWND hwnd) {
            ::SendDlgItemMessageW(hwnd, IDC_UNIT_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 1, 2, 3));
            SelectHour(hwnd, L"5");
            c.close(hwnd);
        }});
        EXPECT_EQ(caseScript.Run(caseDialog), IDCANCEL);
        EXPECT_EQ(caseScript.StepsRun(), 1u);
        EXPECT_EQ(caseDialog.CurrentSettings().unitAddress, 0xC0A80101u);
        EXPECT_EQ(caseDialog.CurrentSettings().refreshHour, L"0");
        EXPECT_EQ(log, (EventLog{L"query folders", L"find browser", L"release folders"}));
    }
    EXPECT_TRUE(watcher.Boxes().empty());
    EXPECT_TRUE(platform.world.disk.empty());
}

// Whatever a command throws is reported on the dialog, which stays open:
// the same "登録" then goes through once the fault is gone.
TEST_F(SettingsDialogTest, AFailingCommandIsReportedAndTheDialogKeepsWorking) {
    struct Case {
        const char* name;
        void (*fault)(const std::wstring& path);
        std::wstring text;
        const wchar_t* icon;
        bool topmost;
    };
    const Case cases[] = {
        {"disk full",
         [](const std::wstring& path) { throw FileError{FileErrorCause::diskFull, ERROR_DISK_FULL, path}; },
         L"C:\\Users\\技術者\\Documents\\LAU_Refresh.vbs へのアクセス中にディスクがいっぱいになりました。",
         IDI_HAND, false},
        {"access denied",
         [](const std::wstring& path) { throw FileError{FileErrorCause::accessDenied, ERROR_ACCESS_DENIED, path}; },
         L"C:\\Users\\技術者\\Documents\\LAU_Refresh.vbs へのアクセスが拒否されました。", IDI_HAND, false},
        {"out of memory", [](const std::wstring&) { throw std::bad_alloc(); }, L"メモリが不足しています。",
         IDI_EXCLAMATION, true},
        {"error with a text", [](const std::wstring&) { throw std::runtime_error("変換できない文字があります。"); },
         L"変換できない文字があります。", IDI_HAND, false},
        {"anything else", [](const std::wstring&) { throw 42; }, L"アプリケーションの内部エラーです。", IDI_HAND,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EventLog caseLog;
        FakeEnvironment caseEnvironment{caseLog};
        FakePlatform casePlatform;
        casePlatform.world.beforeOpen = c.fault;
        CTavrinDlg caseDialog{caseEnvironment, casePlatform.Services()};
        const std::size_t boxesBefore = watcher.Boxes().size();
        DialogScript caseScript({
            [&](HWND hwnd) {
                Click(hwnd, IDOK);
                ASSERT_EQ(watcher.Boxes().size(), boxesBefore + 1);
                const ShownBox& box = watcher.Boxes().back();
                EXPECT_EQ(box.text, c.text);
                EXPECT_EQ(box.caption, kTestProgramName);
                EXPECT_EQ(box.icon, SystemIcon(c.icon));
                if (c.topmost) {
                    EXPECT_TRUE(box.topmost);
                }
                EXPECT_TRUE(::IsWindowVisible(hwnd));
                EXPECT_TRUE(::IsWindowEnabled(hwnd));
                casePlatform.world.beforeOpen = nullptr;
            },
            [](HWND hwnd) { Click(hwnd, IDOK); },
        });
        EXPECT_EQ(caseScript.Run(caseDialog), IDOK);
        EXPECT_EQ(caseScript.StepsRun(), 2u);
        ASSERT_FALSE(watcher.Boxes().empty());
        EXPECT_EQ(watcher.Boxes().back().text, kRegistered);
    }
}

// No supplied hour is longer than 3 characters; an item that is shows the
// validation message and the exchange stops with the focus on the list.
TEST_F(SettingsDialogTest, AnHourLongerThanThreeCharactersFailsValidation) {
    Run({[&](HWND hwnd) {
        const HWND list = ::GetDlgItem(hwnd, IDC_REFRESH_HOUR);
        const auto index = ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"1234"));
        ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Click(hwnd, IDC_SIZE_FULL_HD);

        ASSERT_EQ(watcher.Boxes().size(), 1u);
        EXPECT_EQ(watcher.Boxes()[0].text, L"3 文字以内で入力してください。");
        EXPECT_EQ(watcher.Boxes()[0].icon, SystemIcon(IDI_EXCLAMATION));
        EXPECT_EQ(::GetFocus(), list);
        // Everything before the check was read; the label still follows the click.
        EXPECT_EQ(Current().screenSizeChoice, 1);
        EXPECT_EQ(ItemText(hwnd, IDC_PAGE_SUFFIX), L"/display.htm?size=2");
    }});
    EXPECT_EQ(script->StepsRun(), 1u);
}

TEST_F(SettingsDialogTest, RemoveLeavesTheDialogOpenWithItsValues) {
    const INT_PTR result = Run({
        [](HWND hwnd) {
            Click(hwnd, IDC_SIZE_FULL_HD);
            Click(hwnd, IDC_REMOVE);
            EXPECT_TRUE(::IsWindowVisible(hwnd));
            EXPECT_TRUE(IsChecked(hwnd, IDC_SIZE_FULL_HD));
            EXPECT_EQ(ItemText(hwnd, IDC_PAGE_SUFFIX), L"/display.htm?size=2");
        },
        [](HWND hwnd) { Click(hwnd, IDOK); },
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(watcher.Boxes().size(), 2u);
    EXPECT_EQ(watcher.Boxes()[0].text, kRemoved);
    EXPECT_EQ(watcher.Boxes()[1].text, kRegistered);
    const std::string& script = platform.world.disk[L"C:\\Users\\技術者\\Documents\\LAU_Refresh.vbs"];
    EXPECT_NE(script.find("size=2"), std::string::npos);
}

// The command runner dispatches messages while SCHTASKS runs. Meanwhile the
// dialog is disabled, and a command or close request that still reaches it
// neither starts a second procedure nor ends the dialog under the first.
TEST_F(SettingsDialogTest, CommandsAndClosingArrivingWhileACommandRunsAreIgnored) {
    struct Arrival {
        const char* name;
        void (*arrive)(HWND);
    };
    const Arrival arrivals[] = {
        {"登録 clicked", [](HWND hwnd) { ::PostMessageW(::GetDlgItem(hwnd, IDOK), BM_CLICK, 0, 0); }},
        {"登録 command",
         [](HWND hwnd) {
             ::PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                            reinterpret_cast<LPARAM>(::GetDlgItem(hwnd, IDOK)));
         }},
        {"削除 command",
         [](HWND hwnd) {
             ::PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_REMOVE, BN_CLICKED),
                            reinterpret_cast<LPARAM>(::GetDlgItem(hwnd, IDC_REMOVE)));
         }},
        {"キャンセル command", [](HWND hwnd) { ::PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0); }},
        {"close box", [](HWND hwnd) { ::PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", [](HWND hwnd) { ::PostMessageW(hwnd, WM_CLOSE, 0, 0); }},
    };
    // With SCHTASKS failing, 登録 stops after its one command; 削除 asks
    // the Task Scheduler whether the task is there (it is not) and reports
    // success.
    const struct {
        const char* name;
        int button;
        const wchar_t* message;
        int commands;
    } procedures[] = {
        {"登録", IDOK, L"タスクスケジューラの登録に失敗しました", 1},
        {"削除", IDC_REMOVE, kRemoved, 1},
    };
    for (const auto& procedure : procedures) {
        for (const Arrival& arrival : arrivals) {
            SCOPED_TRACE(std::string(procedure.name) + " / " + arrival.name);
            EventLog caseLog;
            FakeEnvironment caseEnvironment{caseLog};
            FakePlatform casePlatform;
            casePlatform.world.commandStatus = 1;  // 登録 stops with its message, the dialog stays
            CTavrinDlg caseDialog{caseEnvironment, casePlatform.Services()};
            int commandsRun = 0;
            bool disabledMeanwhile = false;
            casePlatform.world.whileCommandRuns = [&] {
                if (++commandsRun > 1) return;
                const HWND hwnd = caseDialog.DialogWindow().Handle();
                disabledMeanwhile = !::IsWindowEnabled(hwnd);
                arrival.arrive(hwnd);
                MSG message;
                while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                    ::TranslateMessage(&message);
                    ::DispatchMessageW(&message);
                }
            };
            const std::size_t boxesBefore = watcher.Boxes().size();
            DialogScript caseScript({[&](HWND hwnd) {
                const HWND button = ::GetDlgItem(hwnd, procedure.button);
                ::SetFocus(button);
                Click(hwnd, procedure.button);
                EXPECT_TRUE(disabledMeanwhile);
                EXPECT_EQ(commandsRun, procedure.commands);
                EXPECT_TRUE(::IsWindowVisible(hwnd));
                EXPECT_TRUE(::IsWindowEnabled(hwnd));
                EXPECT_EQ(::GetFocus(), button);
            }});
            EXPECT_EQ(caseScript.Run(caseDialog), IDCANCEL);
            EXPECT_EQ(caseScript.StepsRun(), 1u);
            EXPECT_EQ(casePlatform.world.commandLines.size(), static_cast<std::size_t>(procedure.commands));
            ASSERT_EQ(watcher.Boxes().size(), boxesBefore + 1);
            EXPECT_EQ(watcher.Boxes().back().text, procedure.message);
        }
    }
}

// What the dialog looks like to someone at it: the cursor the dialog sets
// when the mouse is over it, and whether 登録, 削除 and キャンセル can be clicked.
struct Looks {
    bool waitCursor;
    bool registerEnabled;
    bool removeEnabled;
    bool cancelEnabled;
    bool operator==(const Looks& other) const {
        return waitCursor == other.waitCursor && registerEnabled == other.registerEnabled &&
               removeEnabled == other.removeEnabled && cancelEnabled == other.cancelEnabled;
    }
};

void PrintTo(const Looks& looks, std::ostream* os) {
    *os << (looks.waitCursor ? "wait cursor" : "own cursor") << ", 登録 " << looks.registerEnabled << ", 削除 "
        << looks.removeEnabled << ", キャンセル " << looks.cancelEnabled;
}

Looks LooksOf(HWND hwnd) {
    const HCURSOR wait = ::LoadCursorW(nullptr, IDC_WAIT);
    ::SetCursor(nullptr);
    ::SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return {::GetCursor() == wait, ::IsWindowEnabled(::GetDlgItem(hwnd, IDOK)) != FALSE,
            ::IsWindowEnabled(::GetDlgItem(hwnd, IDC_REMOVE)) != FALSE,
            ::IsWindowEnabled(::GetDlgItem(hwnd, IDCANCEL)) != FALSE};
}

constexpr Looks kIdle{false, true, true, true};
// キャンセル and the close box stay: they end the page check.
constexpr Looks kCheckingPage{true, false, false, true};

// While the unit's page is asked (up to 5 s), the dialog looks busy, and
// looks as before however the check ends: the page answers, it does not
// (the question follows), or the dialog is closed meanwhile.
TEST_F(SettingsDialogTest, LooksBusyWhileThePageIsAskedAndNotAfterwards) {
    const struct {
        const char* name;
        PageAnswer answer;
        bool closeMeanwhile;
    } endings[] = {
        {"answers", {PageAnswer::Kind::status, 200}, false},
        {"does not answer", {PageAnswer::Kind::timedOut, 0}, false},
        {"dialog closed", {PageAnswer::Kind::stopped, 0}, true},
    };
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.name);
        EventLog caseLog;
        FakeEnvironment caseEnvironment{caseLog};
        FakePlatform casePlatform;
        casePlatform.world.pageAnswer = ending.answer;
        casePlatform.world.commandStatus = 1;  // 登録 stops after the task: the dialog stays
        CTavrinDlg caseDialog{caseEnvironment, casePlatform.Services()};
        std::optional<Looks> meanwhile;
        std::optional<Looks> whenAsked;
        std::optional<Looks> whenClosed;
        casePlatform.world.whilePageRequested = [&] {
            const HWND hwnd = caseDialog.DialogWindow().Handle();
            meanwhile = LooksOf(hwnd);
            if (ending.closeMeanwhile) {
                ::PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
                MSG message;
                while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                    ::TranslateMessage(&message);
                    ::DispatchMessageW(&message);
                }
            }
        };
        watcher.onShown = [&](const ShownBox&) {
            if (!whenAsked) whenAsked = LooksOf(caseDialog.DialogWindow().Handle());
        };
        caseEnvironment.onRelease = [&] {
            if (!whenClosed) whenClosed = LooksOf(caseDialog.DialogWindow().Handle());
        };
        std::optional<Looks> after;
        DialogScript caseScript({[&](HWND hwnd) {
                                     EXPECT_EQ(LooksOf(hwnd), kIdle);
                                     Click(hwnd, IDOK);
                                 },
                                 [&](HWND hwnd) { after = LooksOf(hwnd); }});
        caseScript.Run(caseDialog);
        watcher.onShown = nullptr;

        ASSERT_TRUE(meanwhile.has_value());
        EXPECT_EQ(*meanwhile, kCheckingPage);
        if (ending.closeMeanwhile) {
            ASSERT_TRUE(whenClosed.has_value());
            EXPECT_EQ(*whenClosed, kIdle);
            EXPECT_FALSE(whenAsked.has_value());
            EXPECT_EQ(caseScript.StepsRun(), 1u);
        } else {
            // The next box (the question, or SCHTASKS's failure) finds it idle.
            ASSERT_TRUE(whenAsked.has_value());
            EXPECT_EQ(*whenAsked, kIdle);
            ASSERT_TRUE(after.has_value());
            EXPECT_EQ(*after, kIdle);
        }
    }
}

// The SCHTASKS run looks busy as well, with
// the whole dialog disabled for the command.
TEST_F(SettingsDialogTest, LooksBusyWhileSchtasksRunsAndNotAfterwards) {
    EventLog caseLog;
    FakeEnvironment caseEnvironment{caseLog};
    FakePlatform casePlatform;
    CTavrinDlg caseDialog{caseEnvironment, casePlatform.Services()};
    std::optional<Looks> meanwhile;
    casePlatform.world.whileCommandRuns = [&] { meanwhile = LooksOf(caseDialog.DialogWindow().Handle()); };
    std::optional<Looks> after;
    DialogScript caseScript({[&](HWND hwnd) { Click(hwnd, IDC_REMOVE); }, [&](HWND hwnd) { after = LooksOf(hwnd); }});
    caseScript.Run(caseDialog);
    ASSERT_TRUE(meanwhile.has_value());
    EXPECT_TRUE(meanwhile->waitCursor);
    EXPECT_FALSE(meanwhile->registerEnabled);
    EXPECT_FALSE(meanwhile->removeEnabled);
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(*after, kIdle);
}

}  // namespace
}  // namespace tavrin::app::testing
