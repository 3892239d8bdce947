#include "procedures/StartupEnvironment.h"

#include "texts/Messages.h"

namespace tavrin {

StartupResult RunStartupChecks(StartupEnvironment& environment, StartupUser& user, const SetUpTarget& target,
                               FolderLookup lookup) {
    StartupResult result;
    result.ready = true;
    result.target = target;
    if (environment.QueryKnownFolders(target, lookup)) {
        result.target.folders = environment.KnownFolders();
    } else {
        user.ReportMissing(kKnownFoldersMissingMessage);
        result.ready = false;
    }
    result.browserPath = environment.FindBrowserPath();
    if (result.browserPath.empty()) {
        user.ReportMissing(kBrowserMissingMessage);
        result.ready = false;
    }
    if (result.ready) result.ready = user.ConfirmSetUpFor(result.target);
    return result;
}

}  // namespace tavrin
