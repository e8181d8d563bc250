# Helpers shared by the folders' CMakeLists.

# project_sources(VAR DIR [EXCLUDE name ...]): the .cpp files of DIR (not recursive),
# picked up afresh whenever a file is added.
function(project_sources var dir)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "EXCLUDE")
  file(GLOB files CONFIGURE_DEPENDS ${dir}/*.cpp)
  foreach(name IN LISTS arg_EXCLUDE)
    list(FILTER files EXCLUDE REGEX "/${name}$")
  endforeach()
  set(${var} ${files} PARENT_SCOPE)
endfunction()

# The environment every program started by ctest runs in.
set(PROJECT_TEST_ENVIRONMENT
  WINEPREFIX=${PROJECT_WINEPREFIX}
  WINEDEBUG=-all
  WINEDLLOVERRIDES=mscoree,mshtml=
  LANG=zh_CN.UTF-8
  LC_ALL=zh_CN.UTF-8
  GTEST_COLOR=no)

# project_add_test(NAME SOURCES... LIBS ... [MAIN com|plain|own]): one GoogleTest
# executable, run by ctest under Wine. MAIN com (the default) initialises COM for the
# test thread in the multithreaded apartment; plain uses gtest_main; own brings its main.
function(project_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "MAIN" "SOURCES;LIBS")
  if(NOT arg_MAIN)
    set(arg_MAIN com)
  endif()
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} gmock test_support)
  if(arg_MAIN STREQUAL "com")
    target_link_libraries(${name} PRIVATE test_com_main)
  elseif(arg_MAIN STREQUAL "plain")
    target_link_libraries(${name} PRIVATE gtest_main)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${PROJECT_TEST_ENVIRONMENT}" TIMEOUT 600)
endfunction()

# project_add_page_test(NAME SOURCES... LIBS ...): a test of pages served end to end by
# the real vellum.dll in isapi-host (in the test's process), driven over loopback by a real
# HTTP client through PageSite.
function(project_add_page_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBS")
  project_add_test(${name}
    SOURCES ${arg_SOURCES}
            ${CMAKE_SOURCE_DIR}/tests/engine/app/PageSite.cpp
            ${CMAKE_SOURCE_DIR}/tests/tools/isapi-host/TestClient.cpp
    LIBS isapi_host_lib ${arg_LIBS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/engine/app
                             ${CMAKE_SOURCE_DIR}/tests/tools/isapi-host)
  add_dependencies(${name} vellum)
  target_compile_definitions(${name} PRIVATE VELLUM_DLL_PATH="$<TARGET_FILE:vellum>")
endfunction()

# project_static_library(NAME SOURCES...): a static library that may still be empty
# while its folder is being filled.
function(project_static_library name)
  set(sources ${ARGN})
  if(NOT sources)
    set(empty ${CMAKE_BINARY_DIR}/empty_${name}.cpp)
    file(WRITE ${empty} "// ${name} has no sources yet.\n")
    set(sources ${empty})
  endif()
  add_library(${name} STATIC ${sources})
endfunction()
