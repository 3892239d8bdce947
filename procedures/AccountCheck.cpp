#include "procedures/AccountCheck.h"

namespace tavrin {

namespace {

// Security identifiers in string form are "S-" and decimal numbers; only the
// prefix letter can differ in case between sources.
bool SameSidText(const std::wstring& a, const std::wstring& b) {
    if (a.empty() || a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const wchar_t x = a[i] == L's' ? L'S' : a[i];
        const wchar_t y = b[i] == L's' ? L'S' : b[i];
        if (x != y) return false;
    }
    return true;
}

bool Known(const std::optional<AccountName>& account) {
    return account && !account->name.empty() && !account->sid.empty();
}

// The decision for a session with somebody in it; nullopt when nobody is.
std::optional<DisplayUserDecision> UserOf(const SessionUser& session, unsigned long id, const AccountName& process,
                                          DisplayUserOutcome other) {
    if (!session.readable) return DisplayUserDecision{DisplayUserOutcome::cannotTell, std::nullopt, id};
    if (!session.user || session.user->name.empty()) return std::nullopt;
    // Compared by identifier only: a user whose identifier cannot be had
    // cannot be told apart from the running account.
    if (session.user->sid.empty()) return DisplayUserDecision{DisplayUserOutcome::cannotTell, session.user, id};
    const DisplayUserOutcome outcome = IsSameAccount(*session.user, process) ? DisplayUserOutcome::self : other;
    return DisplayUserDecision{outcome, session.user, id};
}

}  // namespace

std::wstring AccountDisplayName(const AccountName& account) {
    return account.domain.empty() ? account.name : account.domain + L"\\" + account.name;
}

bool IsServiceAccount(const AccountName& account) {
    return account.sid == L"S-1-5-18" || account.sid == L"S-1-5-19" || account.sid == L"S-1-5-20";
}

bool IsSameAccount(const AccountName& a, const AccountName& b) { return SameSidText(a.sid, b.sid); }

DisplayUserDecision DecideDisplayUser(const DisplayUserFacts& facts) {
    if (!Known(facts.process)) return {DisplayUserOutcome::cannotTell, std::nullopt, facts.ownSession};
    const AccountName& process = *facts.process;
    // Session 0 holds no user's desktop: an agent there sets up the console's user.
    if (facts.ownSession != 0) {
        if (auto decision = UserOf(facts.ownSessionUser, facts.ownSession, process, DisplayUserOutcome::ownSessionUser)) {
            return *decision;
        }
    }
    if (facts.consoleSession == kConsoleChangingHands) {
        return {DisplayUserOutcome::consoleChanging, std::nullopt, facts.consoleSession};
    }
    if (auto decision = UserOf(facts.consoleUser, facts.consoleSession, process, DisplayUserOutcome::consoleUser)) {
        return *decision;
    }
    return {DisplayUserOutcome::nobodyLoggedOn, std::nullopt, facts.consoleSession};
}

DisplayUserDecision FindDisplayUser(DisplayUserSource& source, DisplayUserFacts* lastFacts) {
    DisplayUserDecision decision;
    for (int attempt = 0; attempt < kDisplayUserTries; ++attempt) {
        if (attempt > 0) source.PauseBeforeRetry();
        const DisplayUserFacts facts = source.ReadDisplayUserFacts();
        decision = DecideDisplayUser(facts);
        if (lastFacts != nullptr) *lastFacts = facts;
        if (decision.outcome != DisplayUserOutcome::consoleChanging) break;
    }
    return decision;
}

}  // namespace tavrin
