# Test helpers. Test executables are Windows programs run under Wine. Every test made here
# starts through tests/harness/slot-run, in a slot of its own that scripts/run-tests.sh prepares
# (DISPLAY, PULSE_SERVER and WINEPREFIX of that slot): each test asks CTest for one "session"
# resource, so tests run side by side without sharing a display, a sound server or a prefix.
set(ORVANE_TEST_BIN_DIR "${ORVANE_BIN_DIR}/tests")
set(ORVANE_SLOT_RUN "${CMAKE_SOURCE_DIR}/tests/harness/slot-run")
# Skipped tests end with this code (tests/harness/gtest_main.cpp, tests/harness/runtest.py).
set(ORVANE_SKIP_RETURN_CODE 77)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/scripts/wine-run")

# The gtest main of every test program: prints each skip's reason, ends skipped runs with the
# skip code.
add_library(orvane_test_main STATIC "${CMAKE_SOURCE_DIR}/tests/harness/gtest_main.cpp")
target_link_libraries(orvane_test_main PUBLIC orvane_gtest)

# What every test gets: its labels, time-out, slot and skip code.
function(orvane_test_properties NAME LABELS TIMEOUT)
  set_tests_properties(${NAME} PROPERTIES LABELS "${LABELS}" TIMEOUT ${TIMEOUT}
    RESOURCE_GROUPS "session:1" SKIP_RETURN_CODE ${ORVANE_SKIP_RETURN_CODE})
  set_property(TEST ${NAME} APPEND PROPERTY ENVIRONMENT "ORVANE_BUILD_DIR=${CMAKE_BINARY_DIR}")
endfunction()

# orvane_add_gtest(NAME name SOURCES ... [LIBS ...] [LABELS unit|gui|e2e] [TIMEOUT s])
# One executable, one CTest entry; its working directory is the folder of the program.
function(orvane_add_gtest)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${ORVANE_TEST_BIN_DIR}")
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} orvane_gmock orvane_test_main orvane_gtest)
  target_include_directories(${T_NAME} PRIVATE "${CMAKE_SOURCE_DIR}/src" "${CMAKE_SOURCE_DIR}/tests")
  add_test(NAME ${T_NAME} COMMAND "${ORVANE_SLOT_RUN}" "$<TARGET_FILE:${T_NAME}>" --gtest_brief=1
           WORKING_DIRECTORY "${ORVANE_TEST_BIN_DIR}")
  orvane_test_properties(${T_NAME} "${T_LABELS}" ${T_TIMEOUT})
endfunction()

# orvane_add_pytest(NAME name SCRIPT file.py [LABELS gui|e2e] [TIMEOUT s] [DEPENDS targets])
# A Python test driving Windows programs under Wine from the Linux side (xdotool, ffprobe),
# run case by case by tests/harness/runtest.py.
function(orvane_add_pytest)
  cmake_parse_arguments(T "" "NAME;SCRIPT;TIMEOUT" "LABELS;DEPENDS" ${ARGN})
  if(NOT T_LABELS)
    set(T_LABELS gui)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${T_NAME}
           COMMAND "${ORVANE_SLOT_RUN}" python3 "${CMAKE_SOURCE_DIR}/tests/harness/runtest.py"
                   "${CMAKE_CURRENT_SOURCE_DIR}/${T_SCRIPT}")
  orvane_test_properties(${T_NAME} "${T_LABELS}" ${T_TIMEOUT})
  set_property(TEST ${T_NAME} APPEND PROPERTY ENVIRONMENT
    "PYTHONPATH=${CMAKE_SOURCE_DIR}/tests/harness" "ORVANE_BIN=${ORVANE_BIN_DIR}"
    "ORVANE_BUILD=${CMAKE_BINARY_DIR}" "ORVANE_SRC=${CMAKE_SOURCE_DIR}")
endfunction()

# A Windows helper program used by tests (a scene, a probe); built into the tests folder.
function(orvane_add_test_program NAME)
  cmake_parse_arguments(T "WIN32" "" "SOURCES;LIBS" ${ARGN})
  if(T_WIN32)
    add_executable(${NAME} WIN32 ${T_SOURCES})
  else()
    add_executable(${NAME} ${T_SOURCES})
  endif()
  set_target_properties(${NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${ORVANE_TEST_BIN_DIR}")
  target_include_directories(${NAME} PRIVATE "${CMAKE_SOURCE_DIR}/src" "${CMAKE_SOURCE_DIR}/tests")
  target_link_libraries(${NAME} PRIVATE ${T_LIBS})
endfunction()
