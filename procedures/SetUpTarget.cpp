#include "procedures/SetUpTarget.h"

#include "settings/Settings.h"

namespace tavrin {

std::wstring TargetTaskName(const SetUpTarget& target) { return RefreshTaskName(target.account.name); }

std::wstring TargetTaskPrincipal(const SetUpTarget& target) {
    return target.otherUser ? target.account.sid : std::wstring();
}

TargetChoice ChooseSetUpTarget(DisplayUserSource& source, const TargetRequest& request) {
    DisplayUserFacts facts;
    const DisplayUserDecision decision = FindDisplayUser(source, &facts);
    TargetChoice choice;
    if (facts.process && !facts.process->name.empty()) choice.running = facts.process;
    choice.displayUser = decision.user;

    if (request.runningAccountMeant) {
        if (!choice.running) {
            choice.refusal = TargetRefusal::cannotTell;
            return choice;
        }
        choice.target = SetUpTarget{*choice.running, false, 0, {}};
    } else {
        switch (decision.outcome) {
            case DisplayUserOutcome::self:
                choice.target = SetUpTarget{*choice.running, false, 0, {}};
                break;
            case DisplayUserOutcome::ownSessionUser:
            case DisplayUserOutcome::consoleUser:
                choice.target = SetUpTarget{*decision.user, true, decision.session, {}};
                break;
            case DisplayUserOutcome::nobodyLoggedOn: choice.refusal = TargetRefusal::nobodyLoggedOn; return choice;
            case DisplayUserOutcome::consoleChanging: choice.refusal = TargetRefusal::consoleChanging; return choice;
            case DisplayUserOutcome::cannotTell: choice.refusal = TargetRefusal::cannotTell; return choice;
        }
    }
    if (!request.guard.empty() && !source.AccountIsNamed(choice.target->account, request.guard)) {
        choice.refusal = TargetRefusal::guardMismatch;
    }
    return choice;
}

SetUpTarget DialogSetUpTarget(const TargetChoice& choice) {
    if (choice.target) return *choice.target;
    SetUpTarget target;
    if (choice.running) target.account = *choice.running;
    return target;
}

}  // namespace tavrin
