#pragma once

// DLLs that are not among the system's known DLLs are never named in the
// executable's import table: Windows would look for them in the executable's
// own folder first (a USB stick, a share, Downloads), and a DLL planted there
// would run with the tool's administrator rights. They are loaded at run time
// from the system folder only, through this helper.

#include <windows.h>

#include <string>

#include "platform/Win32Handles.h"

namespace tavrin::platform {

struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type module) { return module != nullptr; }
    static bool Free(Type module) { return ::FreeLibrary(module) != FALSE; }
};

using UniqueModule = ScopedResource<ModuleTraits>;

// The first thing the process does: every later load by name, by the tool or
// by a system DLL on its behalf, searches the system folder only (never the
// executable's folder nor the current folder).
void RestrictDllSearchToSystemFolder();

// The system folder's full path (System32, or SysWOW64 as a 32-bit process on
// 64-bit Windows sees it); empty when it cannot be read.
std::wstring SystemFolder();

// `name` (a bare file name such as L"wtsapi32.dll") loaded from the system
// folder only; an empty owner when it is not there.
UniqueModule LoadSystemLibrary(const wchar_t* name);

// A function of a loaded system DLL, typed from the SDK's own declaration:
// SystemFunction<decltype(::WinHttpOpen)>(module, "WinHttpOpen"). Null when
// the DLL does not export it.
template <typename Function>
Function* SystemFunction(const UniqueModule& module, const char* name) {
    if (!module.IsValid()) return nullptr;
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(::GetProcAddress(module.Get(), name)));
}

}  // namespace tavrin::platform
