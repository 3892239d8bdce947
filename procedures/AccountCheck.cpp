#include "procedures/AccountCheck.h"

#include "texts/Messages.h"

namespace tavrin {

namespace {

// Upper case for the letters account names are made of: ASCII, Latin-1,
// Greek, Cyrillic and the full-width Latin letters.
wchar_t Folded(wchar_t c) {
    if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - 0x20);
    if (c >= 0x00E0 && c <= 0x00FE && c != 0x00F7) return static_cast<wchar_t>(c - 0x20);
    if (c >= 0x03B1 && c <= 0x03C9 && c != 0x03C2) return static_cast<wchar_t>(c - 0x20);
    if (c >= 0x0430 && c <= 0x044F) return static_cast<wchar_t>(c - 0x20);
    if (c >= 0x0450 && c <= 0x045F) return static_cast<wchar_t>(c - 0x50);
    if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<wchar_t>(c - 0x20);
    return c;
}

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Folded(a[i]) != Folded(b[i])) return false;
    }
    return true;
}

}  // namespace

std::wstring AccountDisplayName(const AccountName& account) {
    return account.domain.empty() ? account.name : account.domain + L"\\" + account.name;
}

bool IsSameAccount(const AccountName& a, const AccountName& b) {
    return EqualIgnoringCase(a.domain, b.domain) && EqualIgnoringCase(a.name, b.name);
}

std::optional<OtherAccount> FindOtherAccount(AccountInfo& accounts) {
    const std::optional<AccountName> process = accounts.ProcessAccount();
    if (!process || process->name.empty()) return std::nullopt;
    const std::optional<AccountName> session = accounts.SessionUser();
    if (!session || session->name.empty()) return std::nullopt;
    if (IsSameAccount(*process, *session)) return std::nullopt;
    return OtherAccount{*process, *session};
}

std::optional<std::wstring> OtherAccountWarning(AccountInfo& accounts) {
    const std::optional<OtherAccount> other = FindOtherAccount(accounts);
    if (!other) return std::nullopt;
    return OtherAccountQuestion(AccountDisplayName(other->process), AccountDisplayName(other->session));
}

bool IsServiceAccount(const AccountName& account) {
    return account.sid == L"S-1-5-18" || account.sid == L"S-1-5-19" || account.sid == L"S-1-5-20";
}

AccountDecision DecideAccountForCommandLine(AccountInfo& accounts, bool runningAccountMeant) {
    AccountDecision decision;
    decision.process = accounts.ProcessAccount();
    decision.session = accounts.SessionUser();
    if (decision.process && decision.process->name.empty()) decision.process.reset();
    if (decision.session && decision.session->name.empty()) decision.session.reset();
    if (runningAccountMeant) return decision;
    if (decision.process && IsServiceAccount(*decision.process)) {
        decision.refusal = AccountRefusal::serviceAccount;
    } else if (!decision.process || !decision.session) {
        decision.refusal = AccountRefusal::cannotTell;
    } else if (!IsSameAccount(*decision.process, *decision.session)) {
        decision.refusal = AccountRefusal::otherUser;
    }
    return decision;
}

}  // namespace tavrin
