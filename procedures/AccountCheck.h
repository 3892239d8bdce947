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

// Who the tool runs as, and who is logged on to the session it runs in.
// Everything the tool sets up belongs to the first.
class AccountInfo {
public:
    virtual ~AccountInfo() = default;
    // The account of this process's token; nullopt when it cannot be read.
    virtual std::optional<AccountName> ProcessAccount() = 0;
    // The user logged on to this process's session; nullopt when it cannot be read.
    virtual std::optional<AccountName> SessionUser() = 0;
};

// "DOMAIN\name", or the name alone when there is no domain.
std::wstring AccountDisplayName(const AccountName& account);

// Same domain and same name, ignoring letter case as Windows does for
// account names.
bool IsSameAccount(const AccountName& a, const AccountName& b);

// The two accounts when the process's account is not the logged-on user;
// nullopt when they are the same or either cannot be read.
struct OtherAccount {
    AccountName process;
    AccountName session;
};
std::optional<OtherAccount> FindOtherAccount(AccountInfo& accounts);

// The warning to give before setting up the process's account when that is
// not the logged-on user (an administrator's name typed into the elevation
// prompt); nullopt when they are the same or either cannot be read.
std::optional<std::wstring> OtherAccountWarning(AccountInfo& accounts);

// SYSTEM, LOCAL SERVICE or NETWORK SERVICE, told by the security identifier:
// their names are translated on many Windows installations.
bool IsServiceAccount(const AccountName& account);

// Why a command line must not set up (or take away) the running account's
// set-up: nobody is there to be asked, so anything but the logged-on user
// is refused unless the command line says the running account is meant.
enum class AccountRefusal {
    none,            // the running account is the logged-on user, or the command line says it is meant
    otherUser,       // another account than the logged-on user
    serviceAccount,  // SYSTEM, LOCAL SERVICE or NETWORK SERVICE
    cannotTell,      // the logged-on user (or the running account) cannot be read, or nobody is logged on
};

struct AccountDecision {
    AccountRefusal refusal = AccountRefusal::none;
    std::optional<AccountName> process;
    std::optional<AccountName> session;
};

AccountDecision DecideAccountForCommandLine(AccountInfo& accounts, bool runningAccountMeant);

// Asks `askYesNo` (called with the warning's text, answering true for yes) the
// warning, if there is one. True when the tool may go on: no warning, or the
// answer was yes.
template <typename AskYesNo>
bool ConfirmAccountToSetUp(AccountInfo& accounts, AskYesNo&& askYesNo) {
    const std::optional<std::wstring> warning = OtherAccountWarning(accounts);
    return !warning || askYesNo(*warning);
}

}  // namespace tavrin
