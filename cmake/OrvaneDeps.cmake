# Imported targets for the dependencies that scripts/setup.sh builds.
set(_p "${ORVANE_DEPS_PREFIX}")

add_library(orvane_zlib STATIC IMPORTED GLOBAL)
set_target_properties(orvane_zlib PROPERTIES IMPORTED_LOCATION "${CMAKE_FIND_ROOT_PATH}/lib/libz.a")

add_library(orvane_png STATIC IMPORTED GLOBAL)
set_target_properties(orvane_png PROPERTIES
  IMPORTED_LOCATION "${_p}/lib/libpng16.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_p}/include"
  INTERFACE_LINK_LIBRARIES orvane_zlib)

add_library(orvane_gtest STATIC IMPORTED GLOBAL)
set_target_properties(orvane_gtest PROPERTIES
  IMPORTED_LOCATION "${_p}/lib/libgtest.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_p}/include")
add_library(orvane_gmock STATIC IMPORTED GLOBAL)
set_target_properties(orvane_gmock PROPERTIES
  IMPORTED_LOCATION "${_p}/lib/libgmock.a"
  INTERFACE_LINK_LIBRARIES orvane_gtest)
add_library(orvane_gtest_main STATIC IMPORTED GLOBAL)
set_target_properties(orvane_gtest_main PROPERTIES
  IMPORTED_LOCATION "${_p}/lib/libgtest_main.a"
  INTERFACE_LINK_LIBRARIES orvane_gtest)

# lame_enc.dll is loaded at run time; it only has to lie beside the program.
set(ORVANE_LAME_DLL "${_p}/bin/lame_enc.dll")
set(ORVANE_LAME_INCLUDE "${_p}/include/lame")
# Test programs that run the program's own code find it beside them too.
add_custom_command(OUTPUT "${ORVANE_BIN_DIR}/lame_enc.dll" "${ORVANE_BIN_DIR}/tests/lame_enc.dll"
  COMMAND ${CMAKE_COMMAND} -E copy_if_different "${ORVANE_LAME_DLL}" "${ORVANE_BIN_DIR}/lame_enc.dll"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${ORVANE_BIN_DIR}/tests"
  COMMAND ${CMAKE_COMMAND} -E copy_if_different "${ORVANE_LAME_DLL}" "${ORVANE_BIN_DIR}/tests/lame_enc.dll"
  DEPENDS "${ORVANE_LAME_DLL}")
add_custom_target(orvane_lame_dll ALL DEPENDS "${ORVANE_BIN_DIR}/lame_enc.dll" "${ORVANE_BIN_DIR}/tests/lame_enc.dll")
