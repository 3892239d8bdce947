# The 32-bit product. It uses no threads of the C++ library, so it is built
# with the win32 thread model and carries no winpthreads; a build of the tests
# with this file needs -DTAVRIN_MINGW_THREADS=posix.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TAVRIN_MINGW_PREFIX i686-w64-mingw32)
if(NOT DEFINED TAVRIN_MINGW_THREADS)
    set(TAVRIN_MINGW_THREADS win32)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
