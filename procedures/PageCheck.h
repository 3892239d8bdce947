#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace tavrin {

// How the unit's display page answered one GET of the link address.
struct PageAnswer {
    enum class Kind {
        status,       // an HTTP answer came; `code` is its status
        timedOut,     // no answer within the limit
        refused,      // the unit (or whatever has the address) refused the connection
        unreachable,  // no route to the address, or the host is unreachable
        failed,       // any other failure; `code` is the platform's error number
        stopped,      // the check was ended before it had an answer (the dialog was closed)
    };
    Kind kind = Kind::failed;
    unsigned long code = 0;
};

// The unit address and screen size choice of a link address exactly as 登録
// makes it; nullopt for any other text. The one reading of a link address:
// what /status finds in the files and what a request may go to.
std::optional<std::pair<std::uint32_t, int>> ParseLinkAddress(const std::wstring& linkAddress);

class PageProbe {
public:
    virtual ~PageProbe() = default;
    // One GET of exactly this address, straight to the host (no proxy),
    // following no redirect, within the probe's time limit. An address that
    // is not a link address 登録 makes is refused without a request.
    virtual PageAnswer RequestPage(const std::wstring& linkAddress) = 0;
};

// "The page answers": an HTTP status from 200 to 399.
bool PageAnswers(const PageAnswer& answer);

// Why the page does not answer, in the technician's words.
std::wstring PageProblemReason(const PageAnswer& answer);

}  // namespace tavrin
