#include "procedures/StartupEnvironment.h"

#include "texts/Messages.h"

namespace tavrin {

StartupResult RunStartupChecks(StartupEnvironment& environment, StartupUser& user, FolderLookup lookup) {
    StartupResult result;
    result.ready = true;
    if (!environment.QueryKnownFolders(lookup)) {
        user.ReportMissing(kKnownFoldersMissingMessage);
        result.ready = false;
    }
    result.browserPath = environment.FindBrowserPath();
    if (result.browserPath.empty()) {
        user.ReportMissing(kBrowserMissingMessage);
        result.ready = false;
    }
    if (result.ready) {
        result.ready = ConfirmAccountToSetUp(
            environment, [&user](const std::wstring& question) { return user.ConfirmOtherAccount(question); });
    }
    return result;
}

}  // namespace tavrin
