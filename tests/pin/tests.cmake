# A pinned picture's arithmetic and zoomed pixels (window-free, native); the
# pin's window is tested end to end (tests/e2e).
if(NOT WIN32)
  kapto_add_test(NAME native_pin_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/pin_geometry_test.cpp ${CMAKE_CURRENT_LIST_DIR}/pin_pixels_test.cpp
    LIBS kapto_portable)
endif()
