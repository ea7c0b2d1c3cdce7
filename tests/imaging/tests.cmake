if(WIN32)
else()
  kapto_add_test(NAME native_imaging_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/processors_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/processors_random_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/reference_processors.cpp
    LIBS kapto_portable)
endif()
