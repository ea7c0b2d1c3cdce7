if(WIN32)
  kapto_add_test(NAME imaging_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_bitmap_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/imaging_tests.rc
    LIBS Kaptolib kfw gdiplus ole32 oleaut32 uuid gdi32 user32
    TIMEOUT 300)
else()
  kapto_add_test(NAME native_imaging_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/processors_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/processors_random_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/processors_threads_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/reference_processors.cpp
    LIBS kapto_portable)
endif()
