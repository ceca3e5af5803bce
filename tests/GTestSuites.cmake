# Adds one CTest entry per GoogleTest suite of a test program, named PREFIX.SUITE, which runs
# that suite's tests in one process (--gtest_filter=SUITE.*). A process per test would pay the
# sanitizers' and Qt's start-up about a thousand times; a process per suite keeps the entries
# small enough that the failing test stays easy to find: GoogleTest names it in the output.
#
# CTest runs this file each time it reads the build folder's tests (see wt_add_gtest_suites in
# tests/CMakeLists.txt), so the entries always match the program as built. The suites come
# from the program's --gtest_list_tests. When the program cannot list its tests (not built,
# crashing), a single entry PREFIX.list runs the listing again so that the failure shows and
# fails the run instead of leaving it with fewer tests.
#
# Set by the including file: WT_GTEST_EXECUTABLE, WT_GTEST_PREFIX, WT_GTEST_ENVIRONMENT (a list
# of NAME=VALUE for the listing and every entry), WT_GTEST_TIMEOUT (seconds per suite),
# WT_GTEST_COSTS (a list of SUITE=SECONDS: the long suites, started first), WT_CMAKE_COMMAND.

set(_wt_list_command "${WT_CMAKE_COMMAND}" -E env ${WT_GTEST_ENVIRONMENT} "${WT_GTEST_EXECUTABLE}"
                     --gtest_list_tests)
set(_wt_listed FALSE)
if(EXISTS "${WT_GTEST_EXECUTABLE}")
    execute_process(COMMAND ${_wt_list_command}
                    OUTPUT_VARIABLE _wt_output ERROR_VARIABLE _wt_errors RESULT_VARIABLE _wt_result
                    TIMEOUT 60)
    if(_wt_result EQUAL 0)
        set(_wt_listed TRUE)
    endif()
endif()

if(NOT _wt_listed)
    add_test("${WT_GTEST_PREFIX}.list" ${_wt_list_command})
    return()
endif()

set(_wt_suites "")
string(REPLACE "\n" ";" _wt_lines "${_wt_output}")
foreach(_wt_line IN LISTS _wt_lines)
    # A suite line is "Suite." or, for typed suites, "Suite.  # TypeParam = ..."; the tests
    # below it are indented.
    if(_wt_line MATCHES "^([^ #][^ ]*)\\.( +#.*)?$")
        set(_wt_suite "${CMAKE_MATCH_1}")
        if(NOT _wt_suite MATCHES "^DISABLED_")
            list(APPEND _wt_suites "${_wt_suite}")
        endif()
    endif()
endforeach()

if(NOT _wt_suites)
    # A program without a single suite is a broken build, not a pass.
    add_test("${WT_GTEST_PREFIX}.list" "${WT_CMAKE_COMMAND}" -E echo
             "${WT_GTEST_EXECUTABLE} lists no test suites")
    set_tests_properties("${WT_GTEST_PREFIX}.list" PROPERTIES WILL_FAIL TRUE)
    return()
endif()

foreach(_wt_suite IN LISTS _wt_suites)
    set(_wt_name "${WT_GTEST_PREFIX}.${_wt_suite}")
    add_test("${_wt_name}" "${WT_GTEST_EXECUTABLE}" "--gtest_filter=${_wt_suite}.*")
    set_tests_properties("${_wt_name}" PROPERTIES TIMEOUT "${WT_GTEST_TIMEOUT}")
    if(WT_GTEST_ENVIRONMENT)
        set_tests_properties("${_wt_name}" PROPERTIES ENVIRONMENT "${WT_GTEST_ENVIRONMENT}")
    endif()
    foreach(_wt_cost IN LISTS WT_GTEST_COSTS)
        if(_wt_cost MATCHES "^(.*)=([0-9]+)$" AND CMAKE_MATCH_1 STREQUAL _wt_suite)
            set_tests_properties("${_wt_name}" PROPERTIES COST "${CMAKE_MATCH_2}")
        endif()
    endforeach()
endforeach()
