# Test programs: GoogleTest from Debian's sources, built with this tree's
# compiler. On Windows builds every test program runs under Wine through
# tools/wine-run, inside the project's virtual desktop; natively it runs as is.

set(KAPTO_GTEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package googletest)")

# The Windows test programs are built without debug information: it is about
# a sixth of their compile time, and under Wine a failure is read from the
# test's output, not in a debugger. The program and its libraries keep
# theirs; the sanitizer builds keep it for their reports.
if(WIN32)
  set(KAPTO_TEST_COMPILE_OPTIONS -g0)
endif()

macro(kapto_enable_gtest)
  if(NOT TARGET gtest)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(${KAPTO_GTEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    # GoogleTest is not ours to keep warning-free.
    foreach(t gtest gtest_main)
      target_compile_options(${t} PRIVATE -w ${KAPTO_TEST_COMPILE_OPTIONS})
    endforeach()
  endif()
endmacro()

# windows.h and GoogleTest are more than half of every Windows test file's
# compile time (about 2.7 s of 5): all test programs share one precompiled
# copy of them. Every test file is compiled with the same flags, which is
# what lets GCC take it. (With ccache, set CCACHE_SLOPPINESS to
# pch_defines,time_macros for it to cache such files.)
function(kapto_use_test_pch target)
  if(NOT WIN32)
    return()
  endif()
  if(NOT TARGET kapto_test_pch)
    set(anchor ${CMAKE_BINARY_DIR}/kapto_test_pch.cpp)
    file(WRITE ${anchor} "// The precompiled header's own unit.\n")
    add_library(kapto_test_pch STATIC ${anchor})
    target_compile_options(kapto_test_pch PRIVATE ${KAPTO_TEST_COMPILE_OPTIONS})
    target_link_libraries(kapto_test_pch PRIVATE gtest)
    target_precompile_headers(kapto_test_pch PRIVATE <windows.h> <gtest/gtest.h>)
  endif()
  target_precompile_headers(${target} REUSE_FROM kapto_test_pch)
endfunction()

# kapto_add_test_support(NAME n SOURCES ... [LIBS ...]): code that several
# test programs share, compiled once; the programs name it in their LIBS.
function(kapto_add_test_support)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  kapto_enable_gtest()
  add_library(${T_NAME} OBJECT ${T_SOURCES})
  target_compile_options(${T_NAME} PRIVATE ${KAPTO_TEST_COMPILE_OPTIONS})
  target_link_libraries(${T_NAME} PUBLIC ${T_LIBS} gtest)
  target_include_directories(${T_NAME} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/lib/include
                                              ${PROJECT_SOURCE_DIR}/tests)
  kapto_use_test_pch(${T_NAME})
endfunction()

# kapto_add_test(NAME n SOURCES ... [LIBS ...] [DESKTOP WxH|root] [LANE name]
#                [TIMEOUT s] [ENVIRONMENT VAR=value ...] [FIXTURES name ...])
# FIXTURES: ctest fixtures the test needs (set up before it, cleaned up after).
# LANE: under Wine the tests of one lane run one after another, and beside
# those of the other lanes (ctest -j): a lane has a Wine prefix, an X display
# and a copy of the program folder of its own (tools/wine-run --lane), so
# that hot keys, the clipboard, the pointer and config.xml are never shared.
# The tests without a lane share the display ctest was given; DESKTOP root
# is a lane of its own.
function(kapto_add_test)
  cmake_parse_arguments(T "" "NAME;DESKTOP;LANE;TIMEOUT" "SOURCES;LIBS;ENVIRONMENT;FIXTURES" ${ARGN})
  kapto_enable_gtest()
  add_executable(${T_NAME} ${T_SOURCES})
  target_compile_options(${T_NAME} PRIVATE ${KAPTO_TEST_COMPILE_OPTIONS})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gtest_main gtest)
  kapto_use_test_pch(${T_NAME})
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/lib/include
                                               ${PROJECT_SOURCE_DIR}/tests)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  if(WIN32 AND CMAKE_HOST_WIN32)
    # Built on Windows: the test programs run as they are.
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK desktop TIMEOUT ${T_TIMEOUT})
  elseif(WIN32)
    set(desktop 1024x768)
    if(T_DESKTOP)
      set(desktop ${T_DESKTOP})
    endif()
    # Without a virtual desktop (DESKTOP root: the X display's own
    # monitors), in a prefix of its own: the others keep theirs.
    set(lane ${T_LANE})
    if(desktop STREQUAL "root")
      set(lane root)
    endif()
    if(lane)
      add_test(NAME ${T_NAME}
               COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-run --lane ${lane} --desktop ${desktop}
                       $<TARGET_FILE:${T_NAME}>)
      set(env "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-${lane}" ${T_ENVIRONMENT})
      set(lock wine-${lane})
    else()
      add_test(NAME ${T_NAME}
               COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-run --desktop ${desktop} $<TARGET_FILE:${T_NAME}>)
      set(env "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix" ${T_ENVIRONMENT})
      set(lock wine)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES
      ENVIRONMENT "${env}"
      RESOURCE_LOCK ${lock} TIMEOUT ${T_TIMEOUT})
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
    if(T_ENVIRONMENT)
      set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${T_ENVIRONMENT}")
    endif()
  endif()
  if(T_FIXTURES)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED "${T_FIXTURES}")
  endif()
endfunction()
