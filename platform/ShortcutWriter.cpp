#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <optional>
#include <string>

#include "platform/Win32Services.h"

namespace tavrin::platform {

using Microsoft::WRL::ComPtr;

namespace {

// The shortcut's bytes as the link object saves them into memory; nothing
// when the object cannot be made or saved.
std::optional<std::string> ShortcutBytes(const ShortcutRecord& record) {
    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) {
        return std::nullopt;
    }
    // A shortcut that could not be filled in is not saved: a setter's failure
    // is the step's failure. A target that does not exist yet makes SetPath
    // return S_FALSE, a success, and that must not stop the shortcut.
    if (FAILED(link->SetPath(record.targetPath.c_str())) || FAILED(link->SetArguments(record.arguments.c_str())) ||
        FAILED(link->SetWorkingDirectory(record.workingDirectory.c_str())) ||
        FAILED(link->SetDescription(record.description.c_str()))) {
        return std::nullopt;
    }

    ComPtr<IPersistStream> persist;
    if (FAILED(link.As(&persist))) return std::nullopt;
    // The stream owns its memory and frees it when released.
    ComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return std::nullopt;
    if (FAILED(persist->Save(stream.Get(), TRUE))) return std::nullopt;

    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (FAILED(::GetHGlobalFromStream(stream.Get(), &memory)) || FAILED(stream->Stat(&stat, STATFLAG_NONAME)) ||
        stat.cbSize.HighPart != 0) {
        return std::nullopt;
    }
    const void* data = ::GlobalLock(memory);
    if (data == nullptr) return std::nullopt;
    std::string bytes(static_cast<const char*>(data), stat.cbSize.LowPart);
    ::GlobalUnlock(memory);
    return bytes;
}

}  // namespace

bool Win32ShortcutWriter::SaveShortcut(const ShortcutRecord& record) {
    // A shortcut at a path of 260 characters or more could be saved, but the
    // file store cannot see it afterwards (Remove would pass it by): refused
    // before anything is touched.
    if (record.linkPath.size() >= MAX_PATH) return false;

    // Every call; S_FALSE (already initialised) is success. COM stays
    // initialised on this thread for the rest of the process.
    if (FAILED(::CoInitialize(nullptr))) return false;

    const std::optional<std::string> bytes = ShortcutBytes(record);
    if (!bytes) return false;

    // Written as the generated files are: complete beside its name, then in
    // its place; never through a link planted at the path.
    const std::unique_ptr<ByteFileOutput> file = files_.OpenBytesForWriting(record.linkPath);
    if (!file) return false;
    try {
        file->WriteBytes(*bytes);
        file->Close();
    } catch (const FileError&) {
        // The old shortcut, if any, is as it was; a shortcut that could not
        // be saved is this step's failure like any other.
        return false;
    }
    return true;
}

}  // namespace tavrin::platform
