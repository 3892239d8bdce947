# What every target of the project shares, defined once.

# The include root: every header is included by its path from the source tree
# ("settings/Settings.h", "platform/Win32Services.h").
add_library(tavrin_root INTERFACE)
target_include_directories(tavrin_root INTERFACE ${PROJECT_SOURCE_DIR})

# Every target that includes <windows.h>: wide Win32 entry points, no min/max
# macros, the lean headers, and Windows 7 as the oldest system, with every
# compiler.
add_library(tavrin_windows INTERFACE)
target_link_libraries(tavrin_windows INTERFACE tavrin_root)
target_compile_definitions(tavrin_windows INTERFACE
    UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601)

# A program whose entry point is wmain or wWinMain.
function(tavrin_wide_entry target)
    target_link_libraries(${target} PRIVATE tavrin_windows)
    if(MINGW)
        target_link_options(${target} PRIVATE -municode)
    endif()
endfunction()

# For code that runs once per start (the command line): small rather than fast.
if(MSVC)
    set(TAVRIN_SIZE_OPTIMIZATION /O1)
else()
    set(TAVRIN_SIZE_OPTIMIZATION -Os)
endif()
