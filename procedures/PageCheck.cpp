#include "procedures/PageCheck.h"

#include "procedures/CommandLine.h"
#include "settings/Settings.h"
#include "texts/Messages.h"

namespace tavrin {

std::optional<std::pair<std::uint32_t, int>> ParseLinkAddress(const std::wstring& linkAddress) {
    const std::wstring scheme = L"http://";
    if (linkAddress.compare(0, scheme.size(), scheme) != 0) return std::nullopt;
    const std::size_t slash = linkAddress.find(L'/', scheme.size());
    if (slash == std::wstring::npos) return std::nullopt;
    const std::optional<std::uint32_t> address =
        ParseUnitAddress(linkAddress.substr(scheme.size(), slash - scheme.size()));
    if (!address) return std::nullopt;
    for (int choice = 0; choice < 2; ++choice) {
        Settings settings;
        settings.unitAddress = *address;
        settings.screenSizeChoice = choice;
        UpdatePageSuffix(settings);
        if (LinkAddress(settings) == linkAddress) return std::make_pair(*address, choice);
    }
    return std::nullopt;
}

bool PageAnswers(const PageAnswer& answer) {
    return answer.kind == PageAnswer::Kind::status && answer.code >= 200 && answer.code <= 399;
}

std::wstring PageProblemReason(const PageAnswer& answer) {
    switch (answer.kind) {
        case PageAnswer::Kind::status: return PageStatusReason(answer.code);
        case PageAnswer::Kind::timedOut: return kPageTimedOutReason;
        case PageAnswer::Kind::refused: return kPageRefusedReason;
        case PageAnswer::Kind::unreachable: return kPageUnreachableReason;
        case PageAnswer::Kind::stopped: return kPageStoppedReason;
        case PageAnswer::Kind::failed: break;
    }
    return PageFailedReason(answer.code);
}

}  // namespace tavrin
