#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include "platform/Win32Services.h"

namespace tavrin::platform {

using Microsoft::WRL::ComPtr;

bool Win32ShortcutWriter::SaveShortcut(const ShortcutRecord& record) {
    // A shortcut at a path of 260 characters or more could be saved, but the
    // file store cannot see it afterwards (Remove would pass it by): refused
    // before anything is touched.
    if (record.linkPath.size() >= MAX_PATH) return false;

    // Every call; S_FALSE (already initialised) is success. COM stays
    // initialised on this thread for the rest of the process.
    if (FAILED(::CoInitialize(nullptr))) return false;

    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) {
        return false;
    }
    // Only the save decides the outcome: a target that does not exist yet
    // makes SetPath return S_FALSE, and that must not stop the shortcut.
    link->SetPath(record.targetPath.c_str());
    link->SetArguments(record.arguments.c_str());
    link->SetWorkingDirectory(record.workingDirectory.c_str());
    link->SetDescription(record.description.c_str());

    ComPtr<IPersistFile> persist;
    if (FAILED(link.As(&persist))) return false;
    const bool saved = SUCCEEDED(persist->Save(record.linkPath.c_str(), TRUE));
    persist.Reset();
    link.Reset();
    return saved;
}

}  // namespace tavrin::platform
