#include "procedures/PageCheck.h"

#include "texts/Messages.h"

namespace tavrin {

bool PageAnswers(const PageAnswer& answer) {
    return answer.kind == PageAnswer::Kind::status && answer.code >= 200 && answer.code <= 399;
}

std::wstring PageProblemReason(const PageAnswer& answer) {
    switch (answer.kind) {
        case PageAnswer::Kind::status: return PageStatusReason(answer.code);
        case PageAnswer::Kind::timedOut: return kPageTimedOutReason;
        case PageAnswer::Kind::refused: return kPageRefusedReason;
        case PageAnswer::Kind::unreachable: return kPageUnreachableReason;
        case PageAnswer::Kind::notHttp: return kPageNotHttpReason;
        case PageAnswer::Kind::stopped: return kPageStoppedReason;
        case PageAnswer::Kind::failed: break;
    }
    return PageFailedReason(answer.code);
}

}  // namespace tavrin
