if(WIN32)
  kapto_add_test(NAME imaging_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_bitmap_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/image_threads_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/imaging_tests.rc
    LIBS Kaptolib kfw gdiplus ole32 oleaut32 uuid gdi32 user32
    TIMEOUT 300)
  # The unload test loads Kaptolib only through this library, and frees it.
  add_library(imaging_unload_probe SHARED ${CMAKE_CURRENT_LIST_DIR}/unload_probe.cpp)
  set_target_properties(imaging_unload_probe PROPERTIES PREFIX "")
  target_include_directories(imaging_unload_probe PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/lib/include)
  target_link_libraries(imaging_unload_probe PRIVATE Kaptolib kfw)
  kapto_add_test(NAME imaging_unload_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/unload_test.cpp
    TIMEOUT 120)
  add_dependencies(imaging_unload_tests imaging_unload_probe)
else()
  kapto_add_test(NAME native_imaging_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/processors_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/processors_random_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/processors_threads_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/box_thumbnail_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/reference_processors.cpp
    LIBS kapto_portable)
endif()
