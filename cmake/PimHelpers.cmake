# pim_add_layer(NAME DEPS...): the static library of one src/ folder, built
# from every .cpp/.h in it. Headers are included as "<layer>/Name.h".
function(pim_add_layer name)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(pim_${name} STATIC ${_src})
  target_include_directories(pim_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(pim_${name} PUBLIC ${ARGN})
endfunction()

# pim_add_gtest(NAME SOURCES... LIBS ...): one GoogleTest executable whose
# cases ctest runs one by one, each in a temporary folder of its own (see
# tests/support/TestEnv.cpp); the hygiene check runs after them.
function(pim_add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/TestEnv.cpp)
  target_compile_definitions(${name} PRIVATE PIM_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  target_link_libraries(${name} PRIVATE ${T_LIBS} pim_test_support GTest::gtest GTest::gtest_main Qt6::Test)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  math(EXPR T_TIMEOUT "${T_TIMEOUT} * ${PIM_TEST_TIMEOUT_SCALE}")
  math(EXPR _discovery "5 * ${PIM_TEST_TIMEOUT_SCALE}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT ${_discovery}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES TIMEOUT ${T_TIMEOUT} FIXTURES_REQUIRED pim_hygiene)
endfunction()
