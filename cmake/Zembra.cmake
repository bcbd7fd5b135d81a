# zembra_library(NAME SOURCES... [DEPS libs...])
# One static library per source folder; headers are included by their path from the top.
function(zembra_library name)
  cmake_parse_arguments(Z "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${Z_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${Z_DEPS})
  # Libraries that reach the widgets share one precompiled header; those below them another.
  set(nivel core)
  foreach(dep IN LISTS Z_DEPS)
    if(dep MATCHES "^Qt6::(Widgets|PrintSupport)$")
      set(nivel widgets)
    elseif(TARGET ${dep})
      get_target_property(suyo ${dep} ZEMBRA_PCH_NIVEL)
      if(suyo STREQUAL "widgets")
        set(nivel widgets)
      endif()
    endif()
  endforeach()
  set_property(TARGET ${name} PROPERTY ZEMBRA_PCH_NIVEL ${nivel})
  if(NOT CMAKE_DISABLE_PRECOMPILE_HEADERS)
    if(nivel STREQUAL "widgets")
      zembra_pch(zembra_pch_widgets cmake/comunes.h Qt6::Platform Qt6::Core Qt6::Gui Qt6::Widgets Qt6::PrintSupport)
    else()
      zembra_pch(zembra_pch_core cmake/comunes.h Qt6::Platform Qt6::Core)
    endif()
    target_precompile_headers(${name} REUSE_FROM zembra_pch_${nivel})
  endif()
  if(ZEMBRA_CHECK_LIBRARIES)
    # Every object of the library, linked with nothing but the libraries it names: a call into
    # a layer above it (or a missing dependency) fails the build here.
    add_executable(solo_${name} ${PROJECT_SOURCE_DIR}/cmake/solo.cpp)
    target_link_libraries(solo_${name} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}>")
    zembra_fast_link(solo_${name})
  endif()
endfunction()

# zembra_fast_link(TARGET): a program that is never shipped (a test, a library's lone link)
# links with lld when the compiler can use it: the debug information of the static
# libraries makes the default linker the slowest step of an incremental build. Replaces the
# target's link options inherited from the folder.
function(zembra_fast_link target)
  if(ZEMBRA_FAST_LINK_OPTIONS)
    set_property(TARGET ${target} PROPERTY LINK_OPTIONS ${ZEMBRA_FAST_LINK_OPTIONS})
  endif()
endfunction()

# zembra_pch(HOLDER HEADER LIBS...): a target that only precompiles HEADER (from the top of the
# source tree) with the compile flags of LIBS, made once, for other targets to reuse: parsing
# the Qt and test framework headers was most of each compile, and one header per library cost
# more than it saved in the small ones.
function(zembra_pch holder header)
  if(TARGET ${holder} OR CMAKE_DISABLE_PRECOMPILE_HEADERS)
    return()
  endif()
  add_library(${holder} OBJECT ${PROJECT_SOURCE_DIR}/cmake/pch.cpp)
  set_target_properties(${holder} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_include_directories(${holder} PRIVATE ${PROJECT_SOURCE_DIR})
  # Of Qt's modules only the include folders: their QT_<MODULE>_LIB definitions differ between
  # the targets that reuse the header, and GCC refuses a header made with a macro they lack.
  foreach(lib IN LISTS ARGN)
    if(lib MATCHES "^Qt6::")
      target_include_directories(${holder} SYSTEM PRIVATE $<TARGET_PROPERTY:${lib},INTERFACE_INCLUDE_DIRECTORIES>)
    else()
      target_link_libraries(${holder} PRIVATE ${lib})
    endif()
  endforeach()
  target_compile_definitions(${holder} PRIVATE $<$<NOT:$<CONFIG:Debug>>:QT_NO_DEBUG>)
  target_precompile_headers(${holder} PRIVATE ${PROJECT_SOURCE_DIR}/${header})
endfunction()

# zembra_test_headers(TARGET): the readable QString printer in every source of a test program,
# with the test headers precompiled once for all of them (made by the first test program's
# folder, reused by the others).
function(zembra_test_headers target)
  if(CMAKE_DISABLE_PRECOMPILE_HEADERS)
    target_compile_options(${target} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/support/QtPrint.h)
    return()
  endif()
  zembra_pch(zembra_pch_pruebas cmake/comunes-pruebas.h Qt6::Platform Qt6::Core Qt6::Gui Qt6::Widgets Qt6::PrintSupport GTest::gtest)
  target_precompile_headers(${target} REUSE_FROM zembra_pch_pruebas)
endfunction()

# zembra_test(NAME SOURCES... [DEPS libs...] [ENGINES filter]): one GoogleTest executable,
# registered with CTest. With ENGINES the suite runs on both engines: label "sqlite" on the data
# folder's file, label "postgres" once more on a schema of the test cluster (the tests that
# `filter`, a gtest filter, selects).
function(zembra_test name)
  cmake_parse_arguments(Z "" "ENGINES" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${Z_SOURCES})
  target_link_libraries(${name} PRIVATE ${Z_DEPS} GTest::gtest GTest::gtest_main)
  zembra_test_headers(${name})
  zembra_fast_link(${name})
  target_compile_definitions(${name} PRIVATE ZEMBRA_TEST_BINARY_DIR="${CMAKE_CURRENT_BINARY_DIR}"
                                             ZEMBRA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  include(GoogleTest)
  if(NOT Z_ENGINES)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
    return()
  endif()
  target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/ServerEngine.cpp)
  target_link_libraries(${name} PRIVATE PkgConfig::LIBPQ)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       PROPERTIES LABELS sqlite ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
  zembra_test_server()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_PREFIX "postgres." TEST_FILTER "${Z_ENGINES}"
                       PROPERTIES LABELS postgres FIXTURES_REQUIRED servidor
                                  ENVIRONMENT "ZEMBRA_TEST_SERVIDOR=${ZEMBRA_TEST_SERVER_DIR}/servidor")
endfunction()

# The private PostgreSQL cluster of a test run: started before the first test that needs it,
# stopped after the last (CTest fixture "servidor"), under the build folder.
set(ZEMBRA_TEST_SERVER_DIR ${CMAKE_BINARY_DIR}/servidor-pruebas)
function(zembra_test_server)
  get_property(made GLOBAL PROPERTY ZEMBRA_TEST_SERVER_MADE)
  if(made)
    return()
  endif()
  set_property(GLOBAL PROPERTY ZEMBRA_TEST_SERVER_MADE TRUE)
  add_test(NAME servidor.arranca COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/pg-test.sh start ${ZEMBRA_TEST_SERVER_DIR})
  add_test(NAME servidor.para COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/pg-test.sh stop ${ZEMBRA_TEST_SERVER_DIR})
  set_tests_properties(servidor.arranca PROPERTIES FIXTURES_SETUP servidor LABELS postgres)
  set_tests_properties(servidor.para PROPERTIES FIXTURES_CLEANUP servidor LABELS postgres)
endfunction()

# Sources of a folder: every .cpp in it (new files join at the next build).
macro(zembra_sources var)
  file(GLOB ${var} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
endmacro()

# zembra_module(NAME SOURCES... [DEPS libs...]): a module the program loads on first use
# (platform/rtl/Modules.h), built next to the programs in the build's app folder. Only its entry
# point is visible; what it takes from the program stays undefined until it is loaded.
set(ZEMBRA_MODULE_DIR ${CMAKE_BINARY_DIR}/app)
function(zembra_module name)
  cmake_parse_arguments(Z "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} MODULE ${Z_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${Z_DEPS})
  set_target_properties(${name} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${ZEMBRA_MODULE_DIR}
                                           CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  set_property(GLOBAL APPEND PROPERTY ZEMBRA_MODULES ${name})
endfunction()
