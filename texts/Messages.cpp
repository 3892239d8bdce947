#include "texts/Messages.h"

#include <string_view>

#include "texts/Decimal.h"

namespace tavrin {

namespace {

// One line a cause: its number, a tab, the text with %1 where the file's
// path goes. Cause 1 (and any cause not listed) reads as the general text.
constexpr const wchar_t* kFileErrorTexts = LR"(
1	%1 へのアクセス中にエラーが発生しました。
2	%1 が見つかりませんでした。
3	%1 には無効なパスが含まれています。
4	開いているファイルが多すぎるため、%1 を開けませんでした。
5	%1 へのアクセスが拒否されました。
6	%1 に無効なファイル ハンドルが関連付けられていました。
7	%1 は現在のディレクトリのため削除できませんでした。
8	ディレクトリがいっぱいのため、%1 を作成できませんでした。
9	%1 のシークに失敗しました。
10	%1 へのアクセス中にハードウェア I/O エラーが発生しました。
11	%1 へのアクセス中に共有違反が発生しました。
12	%1 へのアクセス中にロック違反が発生しました。
13	%1 へのアクセス中にディスクがいっぱいになりました。
14	%1 の終わりを越えてアクセスしようとしました。
)";

constexpr int kGeneralFileError = 1;
constexpr const wchar_t* kUnknownFileName = L"(ファイル名不明)";

// The text of one cause from the table; empty when it has none.
std::wstring FileErrorFormat(int cause) {
    const std::wstring table = kFileErrorTexts;
    const std::wstring key = L"\n" + DecimalText(cause) + L"\t";
    const std::size_t at = table.find(key);
    if (at == std::wstring::npos) return {};
    const std::size_t begin = at + key.size();
    return table.substr(begin, table.find(L'\n', begin) - begin);
}

// The pattern with every %1 replaced by `first`, every %2 by `second` and
// so on up to %4; what is put in is never searched again.
// Views rather than strings, so that no caller builds empty strings for the
// values its pattern does not use.
std::wstring FillIn(const wchar_t* pattern, std::wstring_view first, std::wstring_view second = {},
                    std::wstring_view third = {}, std::wstring_view fourth = {}) {
    const std::wstring_view values[] = {first, second, third, fourth};
    std::wstring text;
    for (const wchar_t* at = pattern; *at != L'\0'; ++at) {
        if (at[0] == L'%' && at[1] >= L'1' && at[1] <= L'4') {
            text += values[at[1] - L'1'];
            ++at;
        } else {
            text += *at;
        }
    }
    return text;
}

// Plain decimal digits.
std::wstring Decimal(unsigned long value) {
    wchar_t digits[24];
    wchar_t* at = digits + 24;
    *--at = L'\0';
    do {
        *--at = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return at;
}

}  // namespace

std::wstring DialogNotShownMessage(const std::wstring& systemText, unsigned long code) {
    return FillIn(kDialogNotShownText, systemText, Decimal(code));
}

std::wstring DisplayUserNotice(const std::wstring& processAccount, const std::wstring& displayUser) {
    return FillIn(kDisplayUserNoticeText, processAccount, displayUser);
}

std::wstring MaxCharsMessage(std::size_t limit) { return DecimalText(limit) + L" 文字以内で入力してください。"; }

std::wstring FileErrorText(int cause, const std::wstring& path) {
    std::wstring text = FileErrorFormat(cause);
    if (text.empty()) text = FileErrorFormat(kGeneralFileError);
    text.replace(text.find(L"%1"), 2, path.empty() ? kUnknownFileName : path);
    return text;
}

std::vector<std::wstring> UsageLines(const std::wstring& program) {
    std::vector<std::wstring> lines;
    const std::wstring text = FillIn(kUsageText, program);
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = text.find(L'\n', begin);
        lines.push_back(text.substr(begin, end == std::wstring::npos ? std::wstring::npos : end - begin));
        if (end == std::wstring::npos) return lines;
        begin = end + 1;
    }
}

std::wstring UnknownOptionMessage(const std::wstring& argument) { return FillIn(kUnknownOptionText, argument); }
std::wstring MissingValueMessage(const std::wstring& option) { return FillIn(kMissingValueText, option); }
std::wstring RepeatedOptionMessage(const std::wstring& option) { return FillIn(kRepeatedOptionText, option); }
std::wstring BadAddressMessage(const std::wstring& value) { return FillIn(kBadAddressText, value); }
std::wstring BadSizeMessage(const std::wstring& value) { return FillIn(kBadSizeText, value); }
std::wstring BadHourMessage(const std::wstring& value) { return FillIn(kBadHourText, value); }
std::wstring BadAccountMessage(const std::wstring& value) { return FillIn(kBadAccountText, value); }

std::wstring BadUserMessage(const std::wstring& value) { return FillIn(kBadUserText, value); }

std::wstring DisplayUserUnknownMessage(const std::wstring& process) { return FillIn(kDisplayUserUnknownText, process); }

std::wstring GuardMismatchMessage(const std::wstring& guard, const std::wstring& displayUser) {
    return FillIn(kGuardMismatchText, guard, displayUser);
}

std::wstring OptionNotForCommandMessage(const std::wstring& option, const std::wstring& command) {
    return FillIn(kOptionNotForCommandText, option, command);
}

std::wstring LogOpenFailedMessage(const std::wstring& path) { return FillIn(kLogOpenFailedText, path); }
std::wstring ExitCodeLine(int code) { return FillIn(kExitCodeText, DecimalText(code)); }

std::wstring RunHeaderLine(const std::wstring& version, const std::wstring& computer, const std::wstring& account,
                           const std::wstring& displayUser) {
    return FillIn(kRunHeaderText, version, computer, account, displayUser);
}

std::wstring RunCommandPart(const std::wstring& commandAsGiven) { return FillIn(kRunCommandText, commandAsGiven); }

std::wstring OtherAccountWarningLine(const std::wstring& processAccount, const std::wstring& sessionUser) {
    return FillIn(kOtherAccountWarningText, processAccount, sessionUser);
}

std::wstring UnexpectedErrorMessage(const std::wstring& libraryText) {
    return FillIn(kUnexpectedErrorText, libraryText);
}

std::wstring LogPathLine(const std::wstring& fullPath) { return FillIn(kLogPathText, fullPath); }
std::wstring LogWriteFailedMessage(const std::wstring& fullPath) { return FillIn(kLogWriteFailedText, fullPath); }

std::wstring StatusTaskLine(const std::wstring& taskName, const std::wstring& state) {
    return FillIn(kStatusTaskText, taskName, state);
}

std::wstring LinkState(const std::wstring& linkAddress) { return FillIn(kLinkState, linkAddress); }
std::wstring LinkDiffersState(const std::wstring& linkAddress, const std::wstring& word) {
    return FillIn(kLinkDiffersState, linkAddress, word);
}
std::wstring DiffersState(const std::wstring& word) { return FillIn(kDiffersState, word); }
std::wstring TaskDailyState(const std::wstring& hour) { return FillIn(kTaskDailyText, hour); }

std::wstring StatusSettingsLine(const std::optional<std::wstring>& address, std::optional<int> screenSizeChoice,
                                const std::optional<std::wstring>& hour) {
    const std::wstring size = !screenSizeChoice       ? kUnknownSetting
                              : *screenSizeChoice == 1 ? L"フルハイビジョン"
                                                       : L"ハイビジョン";
    return FillIn(kStatusSettingsText, address.value_or(kUnknownSetting), size,
                  hour ? FillIn(kDailyHourText, *hour) : std::wstring(kUnknownSetting));
}

std::wstring StatusKeysLine(const wchar_t* registered, const std::optional<std::wstring>& address,
                            std::optional<int> screenSizeChoice, const std::optional<std::wstring>& hour,
                            const std::wstring& user) {
    const wchar_t* size = !screenSizeChoice ? L"-" : *screenSizeChoice == 1 ? L"fullhd" : L"hd";
    // Appended in place: one string, not one for each sum.
    std::wstring line = L"registered=";
    line += registered;
    line += L" address=";
    line += address ? std::wstring_view(*address) : std::wstring_view(L"-");
    line += L" size=";
    line += size;
    line += L" hour=";
    line += hour ? std::wstring_view(*hour) : std::wstring_view(L"-");
    line += L" user=";
    line += user.empty() ? std::wstring_view(L"-") : std::wstring_view(user);
    return line;
}

std::wstring ResultKeysLine(const wchar_t* result, int exitCode, const std::optional<RegisterKeys>& settings) {
    std::wstring line = L"result=";
    line += result;
    line += L" exit=";
    line += DecimalText(exitCode);
    if (settings) {
        line += L" address=";
        line += settings->address;
        line += settings->screenSizeChoice == 1 ? L" size=fullhd" : L" size=hd";
        line += L" hour=";
        line += settings->hour;
    }
    return line;
}

std::wstring StatusFileLine(const std::wstring& label, const std::wstring& path, const std::wstring& state) {
    return FillIn(kStatusFileText, label, path, state);
}

std::wstring PageStatusReason(unsigned long status) { return FillIn(kPageStatusReason, DecimalText(status)); }
std::wstring PageFailedReason(unsigned long error) { return FillIn(kPageFailedReason, DecimalText(error)); }

std::wstring PageUnansweredQuestion(const std::wstring& linkAddress, const std::wstring& reason) {
    return FillIn(kPageUnansweredQuestionText, linkAddress, reason);
}

std::wstring PageUnansweredWarning(const std::wstring& linkAddress, const std::wstring& reason) {
    return FillIn(kPageUnansweredWarningText, linkAddress, reason);
}

std::wstring StatusPageLine(const std::wstring& linkAddress, bool answers, const std::wstring& reason) {
    return FillIn(answers ? kStatusPageAnswersText : kStatusPageUnansweredText, linkAddress, reason);
}

}  // namespace tavrin
