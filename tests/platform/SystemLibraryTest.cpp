#include <windows.h>
#include <wtsapi32.h>

#include <gtest/gtest.h>

#include "platform/SystemLibrary.h"

namespace tavrin::platform {
namespace {

// Copied beside this test program at build time; it is nowhere in the system folder.
constexpr const wchar_t* kPlantedOnlyHere = L"tavrin-planted-only-here.dll";

TEST(SystemLibraryTest, LoadsASystemDllAndItsFunctionsTypedFromTheSdk) {
    const UniqueModule module = LoadSystemLibrary(L"wtsapi32.dll");
    ASSERT_TRUE(module.IsValid()) << ::GetLastError();
    EXPECT_NE(SystemFunction<decltype(::WTSQuerySessionInformationW)>(module, "WTSQuerySessionInformationW"), nullptr);
    EXPECT_NE(SystemFunction<decltype(::WTSFreeMemory)>(module, "WTSFreeMemory"), nullptr);
    EXPECT_EQ(SystemFunction<decltype(::WTSFreeMemory)>(module, "NoSuchFunction"), nullptr);
    EXPECT_EQ(SystemFunction<decltype(::WTSFreeMemory)>(UniqueModule(), "WTSFreeMemory"), nullptr);
}

TEST(SystemLibraryTest, NeverLoadsADllFromTheProgramsFolderOrTheCurrentFolder) {
    wchar_t program[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    ASSERT_GT(length, 0u);
    std::wstring folder(program, length);
    folder.resize(folder.find_last_of(L'\\'));
    wchar_t previous[MAX_PATH];
    ASSERT_GT(::GetCurrentDirectoryW(MAX_PATH, previous), 0u);
    ASSERT_TRUE(::SetCurrentDirectoryW(folder.c_str()));

    // First: a DLL already loaded is found by its name whatever the search.
    const UniqueModule fromSystem = LoadSystemLibrary(kPlantedOnlyHere);
    EXPECT_FALSE(fromSystem.IsValid());
    // The ordinary search finds the DLL there: the refusal above is the helper's doing.
    const UniqueModule ordinary(::LoadLibraryW(kPlantedOnlyHere));
    EXPECT_TRUE(ordinary.IsValid()) << ::GetLastError();
    ::SetCurrentDirectoryW(previous);
}

}  // namespace
}  // namespace tavrin::platform
