# Writes the ctest lines of one test executable with one test per suite (all its cases in one
# process) instead of one per case. Run after the executable is built:
#
#   cmake -D TEST_EXECUTABLE=<exe> -D TEST_WORKING_DIR=<dir> -D TEST_ENVIRONMENT=<VAR=value;...>
#         -D TEST_TIMEOUT=<s> -D OUTPUT=<file> -P gtest_suites.cmake
#
# A sanitized build spends most of a test's time starting the process and checking it for leaks at
# its end; a suite at a time keeps that to once per suite, and the suites still run apart.
execute_process(
    COMMAND "${TEST_EXECUTABLE}" --gtest_list_tests
    WORKING_DIRECTORY "${TEST_WORKING_DIR}"
    OUTPUT_VARIABLE listing
    RESULT_VARIABLE result
    TIMEOUT 120)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${TEST_EXECUTABLE} --gtest_list_tests failed (${result}):\n${listing}")
endif()

set(content "")
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
    # Suite lines start in the first column: "Suite." or "Prefix/Suite.  # TypeParam = ...".
    if(line MATCHES "^([^ #][^ ]*)\\.")
        set(suite "${CMAKE_MATCH_1}")
        if(suite MATCHES "^DISABLED_")
            continue()
        endif()
        set(name "${suite}.*")
        string(APPEND content
            "add_test([=[${name}]=] [=[${TEST_EXECUTABLE}]=] [=[--gtest_filter=${name}]=])\n"
            "set_tests_properties([=[${name}]=] PROPERTIES WORKING_DIRECTORY [=[${TEST_WORKING_DIR}]=]"
            " TIMEOUT ${TEST_TIMEOUT} ENVIRONMENT [=[${TEST_ENVIRONMENT}]=])\n")
    endif()
endforeach()
file(WRITE "${OUTPUT}" "${content}")
