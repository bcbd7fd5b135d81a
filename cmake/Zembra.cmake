# zembra_library(NAME SOURCES... [DEPS libs...])
# One static library per source folder; headers are included by their path from the top.
function(zembra_library name)
  cmake_parse_arguments(Z "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${Z_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${Z_DEPS})
endfunction()

# zembra_test(NAME SOURCES... [DEPS libs...]): one GoogleTest executable, registered with CTest.
function(zembra_test name)
  cmake_parse_arguments(Z "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${Z_SOURCES})
  target_link_libraries(${name} PRIVATE ${Z_DEPS} GTest::gtest GTest::gtest_main)
  target_compile_options(${name} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/support/QtPrint.h)
  target_compile_definitions(${name} PRIVATE ZEMBRA_TEST_BINARY_DIR="${CMAKE_CURRENT_BINARY_DIR}"
                                             ZEMBRA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()

# Sources of a folder: every .cpp in it (new files join at the next build).
macro(zembra_sources var)
  file(GLOB ${var} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
endmacro()
