# Fails when the end-to-end cases listed with their runners (LISTED, one a line) and the
# cases that TEST_PROGRAM holds differ, naming each case that differs: a new case must be
# given its runners, and a renamed one must not silently leave them.
execute_process(COMMAND ${TEST_PROGRAM} --gtest_list_tests OUTPUT_VARIABLE listing
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TEST_PROGRAM} could not list its cases")
endif()

# GoogleTest lists each suite as "Suite." and its cases below it, indented, with a
# parameter's value after a "#".
string(REPLACE "\n" ";" lines "${listing}")
set(held)
foreach(line IN LISTS lines)
  if(line MATCHES "^([^ ].*\\.)$")
    set(suite ${CMAKE_MATCH_1})
  elseif(line MATCHES "^  ([^ #]+)")
    list(APPEND held ${suite}${CMAKE_MATCH_1})
  endif()
endforeach()

file(STRINGS ${LISTED} listed)
set(unlisted ${held})
list(REMOVE_ITEM unlisted ${listed})
set(vanished ${listed})
list(REMOVE_ITEM vanished ${held})
if(unlisted OR vanished)
  list(JOIN unlisted "\n  " unlisted_text)
  list(JOIN vanished "\n  " vanished_text)
  message(FATAL_ERROR "The end-to-end cases and their runners (tests/acceptance/CMakeLists.txt) "
                      "do not match the test program.\nCases with no runners listed:\n  "
                      "${unlisted_text}\nListed cases the program does not have:\n  ${vanished_text}")
endif()
