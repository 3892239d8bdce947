# Runs the Windows test programs under Wine 64-bit in a prefix of this build tree.

# The Wine facts (programs, debug channels, DLL overrides) from cmake/wine.env.
set(TAVRIN_WINE_ENV_FILE "${CMAKE_CURRENT_LIST_DIR}/wine.env")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${TAVRIN_WINE_ENV_FILE}")
file(STRINGS "${TAVRIN_WINE_ENV_FILE}" tavrin_wine_lines REGEX "^TAVRIN_[A-Z0-9_]+=")
foreach(line IN LISTS tavrin_wine_lines)
    string(REGEX MATCH "^(TAVRIN_[A-Z0-9_]+)=(.*)$" unused "${line}")
    set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
endforeach()
if(NOT EXISTS "${TAVRIN_WINE64}")
    message(FATAL_ERROR "Wine 64-bit is needed to run the Windows tests (apt-get install wine64)")
endif()

set(TAVRIN_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
message(STATUS "Preparing Wine prefix ${TAVRIN_WINEPREFIX}")
execute_process(COMMAND sh "${PROJECT_SOURCE_DIR}/cmake/make-wine-prefix.sh" "${TAVRIN_WINEPREFIX}"
                RESULT_VARIABLE tavrin_prefix_result)
if(NOT tavrin_prefix_result EQUAL 0)
    message(FATAL_ERROR "Could not create the Wine prefix (${tavrin_prefix_result})")
endif()

# One argv, no shell in between: a CMake list must never pass through `sh -c`.
set(TAVRIN_WINE_ENV
    WINEPREFIX=${TAVRIN_WINEPREFIX} WINEDEBUG=${TAVRIN_WINEDEBUG} WINEDLLOVERRIDES=${TAVRIN_WINEDLLOVERRIDES}
    HOME=${TAVRIN_WINEPREFIX}/home)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env ${TAVRIN_WINE_ENV} ${TAVRIN_WINE64})

function(tavrin_wine_test_properties out)
    set(${out} FIXTURES_REQUIRED wine_server RESOURCE_LOCK wine_prefix PARENT_SCOPE)
endfunction()

function(tavrin_add_wine_fixtures)
    # A persistent wineserver: without it every test process pays ~3 s.
    # The server and the services it starts must not hold CTest's output
    # pipes, or the first test never ends: start both with their output
    # detached, before any test runs.
    # Under Wine the wineserver makes the sockets: it must start inside the
    # tests' network namespace (tools/in-test-netns.sh), never outside one,
    # and a server left from a run outside is ended first.
    string(REPLACE ";" " " env_words "${TAVRIN_WINE_ENV}")
    add_test(NAME wine_server_start
             COMMAND sh -c "sh '${PROJECT_SOURCE_DIR}/tools/in-test-netns.sh' --check || exit 1; export ${env_words}; '${TAVRIN_WINESERVER}' -k >/dev/null 2>&1; '${TAVRIN_WINESERVER}' -p </dev/null >/dev/null 2>&1 && '${TAVRIN_WINE64}' cmd /c exit 0 </dev/null >/dev/null 2>&1")
    set_tests_properties(wine_server_start PROPERTIES FIXTURES_SETUP wine_server)
    add_test(NAME wine_server_stop
             COMMAND sh -c "WINEPREFIX='${TAVRIN_WINEPREFIX}' '${TAVRIN_WINESERVER}' -k; exit 0")
    set_tests_properties(wine_server_stop PROPERTIES FIXTURES_CLEANUP wine_server)
endfunction()
