# The monitor geometry, natively under the sanitizers, over layouts no test
# machine shows: mixed scaling, a monitor above the primary one, three of
# different heights.
if(NOT WIN32)
  kapto_add_test(NAME native_screens_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/monitor_layout_test.cpp
    LIBS kapto_portable)
endif()
