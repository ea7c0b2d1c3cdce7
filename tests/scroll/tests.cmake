# The scrolling capture's stitcher, natively under the sanitizers.
if(NOT WIN32)
  kapto_add_test(NAME native_scroll_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/scroll_stitcher_test.cpp
    LIBS kapto_portable)
endif()
