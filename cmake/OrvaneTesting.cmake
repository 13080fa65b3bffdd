# Test helpers. Test executables are Windows programs: CTest starts them through
# scripts/wine-run (the cross-compiling emulator), which uses the build tree's own prefix.
set(ORVANE_TEST_BIN_DIR "${ORVANE_BIN_DIR}/tests")
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/scripts/wine-run")

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
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} orvane_gmock orvane_gtest_main orvane_gtest)
  target_include_directories(${T_NAME} PRIVATE "${CMAKE_SOURCE_DIR}/src" "${CMAKE_SOURCE_DIR}/tests")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_brief=1
           WORKING_DIRECTORY "${ORVANE_TEST_BIN_DIR}")
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
endfunction()

# orvane_add_pytest(NAME name SCRIPT file.py [LABELS gui|e2e] [TIMEOUT s] [DEPENDS targets])
# A Python test driving Windows programs under Wine from the Linux side (xdotool, ffprobe).
function(orvane_add_pytest)
  cmake_parse_arguments(T "" "NAME;SCRIPT;TIMEOUT" "LABELS;DEPENDS" ${ARGN})
  if(NOT T_LABELS)
    set(T_LABELS gui)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${T_NAME}
           COMMAND python3 "${CMAKE_CURRENT_SOURCE_DIR}/${T_SCRIPT}" -v)
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "PYTHONPATH=${CMAKE_SOURCE_DIR}/tests/harness;ORVANE_BIN=${ORVANE_BIN_DIR};ORVANE_BUILD=${CMAKE_BINARY_DIR};ORVANE_SRC=${CMAKE_SOURCE_DIR}")
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
