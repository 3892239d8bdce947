#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tavrin {

// A Windows account as domain (or computer) and user name.
struct AccountName {
    std::wstring domain;
    std::wstring name;
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

// Asks `askYesNo` the warning, if there is one. True when the tool may go on:
// no warning, or the answer was yes.
bool ConfirmAccountToSetUp(AccountInfo& accounts, const std::function<bool(const std::wstring&)>& askYesNo);

}  // namespace tavrin
