#pragma once

#include <optional>
#include <string>

namespace tavrin {

// A Windows account as domain (or computer) and user name, with its security
// identifier in string form ("S-1-5-18") where the platform gave one.
struct AccountName {
    std::wstring domain;
    std::wstring name;
    std::wstring sid = {};
};

// "DOMAIN\name", or the name alone when there is no domain.
std::wstring AccountDisplayName(const AccountName& account);

// SYSTEM, LOCAL SERVICE or NETWORK SERVICE, told by the security identifier:
// their names are translated on many Windows installations.
bool IsServiceAccount(const AccountName& account);

// The same account: the same security identifier (names are no proof: a
// renamed account keeps its identifier, and letter case folds differently
// from one language to the next).
bool IsSameAccount(const AccountName& a, const AccountName& b);

// What WTSGetActiveConsoleSessionId answers while the console is being
// attached to another session.
inline constexpr unsigned long kConsoleChangingHands = 0xFFFFFFFFul;

// The user of one session as the platform read it.
struct SessionUser {
    bool readable = false;            // false: the session could not be asked
    std::optional<AccountName> user;  // readable: nullopt when nobody is logged on
};

// The plain facts the choice of the display user rests on.
struct DisplayUserFacts {
    std::optional<AccountName> process;  // the process token's account; nullopt when unreadable
    unsigned long ownSession = 0;        // 0: the services' session (an agent)
    SessionUser ownSessionUser;
    unsigned long consoleSession = kConsoleChangingHands;
    SessionUser consoleUser;
};

// Whom a run sets up: the person at the screen, whoever runs the tool.
enum class DisplayUserOutcome {
    self,              // the process account is the display user: today's path
    ownSessionUser,    // another account runs the tool in the display user's session (an administrator over the shoulder)
    consoleUser,       // the tool runs outside any user's session (SYSTEM, an agent): the console's user
    nobodyLoggedOn,    // nobody to set up
    consoleChanging,   // the console was changing hands on every try
    cannotTell,        // an account or a session could not be read
};

struct DisplayUserDecision {
    DisplayUserOutcome outcome = DisplayUserOutcome::cannotTell;
    std::optional<AccountName> user;  // the display user (self and the two other-user outcomes)
    unsigned long session = 0;        // the display user's session
};

DisplayUserDecision DecideDisplayUser(const DisplayUserFacts& facts);

// Where the facts come from, and how long to wait between tries while the
// console changes hands.
class DisplayUserSource {
public:
    virtual ~DisplayUserSource() = default;
    virtual DisplayUserFacts ReadDisplayUserFacts() = 0;
    virtual void PauseBeforeRetry() = 0;
    // Whether `given` ("DOMAIN\name", as on the command line) names the
    // account, in the platform's own comparison of account names.
    virtual bool AccountIsNamed(const AccountName& account, const std::wstring& given) = 0;
};

// How many times the facts are read while the console changes hands.
inline constexpr int kDisplayUserTries = 6;

// Reads the facts and decides; retries while the console changes hands.
DisplayUserDecision FindDisplayUser(DisplayUserSource& source, DisplayUserFacts* lastFacts = nullptr);

}  // namespace tavrin
