if(WIN32)
  kapto_add_test(NAME hook_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/kp_hook_test.cpp
    LIBS Hook user32
    TIMEOUT 120)
endif()
