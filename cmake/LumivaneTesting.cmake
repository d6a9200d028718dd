# Test registration helpers. Every test gets its own throw-away HOME and XDG
# folders under the build tree, so no test touches the real per-user data or
# settings; widget tests also get the offscreen platform.

function(_lumivane_isolate_test name)
  set(home ${CMAKE_BINARY_DIR}/test-homes/${name})
  file(MAKE_DIRECTORY ${home}/config ${home}/data ${home}/cache)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT
    "HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_CACHE_HOME=${home}/cache;QT_QPA_PLATFORM=offscreen;LUMIVANE_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
endfunction()

# lumivane_add_gtest(NAME <name> SOURCES <files...> [LIBS <targets...>] [TIMEOUT <s>] [NO_GTEST_MAIN])
# A GoogleTest executable; core tests link the core alone. NO_GTEST_MAIN: the
# sources bring their own main (tests of Qt adapters run a Qt event loop).
function(lumivane_add_gtest)
  cmake_parse_arguments(T "NO_GTEST_MAIN" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest lumivane_test_support_core)
  if(NOT T_NO_GTEST_MAIN)
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  _lumivane_isolate_test(${T_NAME})
  if(T_TIMEOUT)
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
  else()
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 120)
  endif()
endfunction()

# lumivane_add_qttest(NAME <name> SOURCES <files...> [LIBS <targets...>] [TIMEOUT <s>])
# A Qt Test executable, run on the offscreen platform.
function(lumivane_add_qttest)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES AUTOMOC ON)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test lumivane_test_support_qt)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  _lumivane_isolate_test(${T_NAME})
  if(T_TIMEOUT)
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
  else()
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 180)
  endif()
endfunction()
