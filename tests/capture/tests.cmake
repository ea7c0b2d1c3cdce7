# Capture engine and image store: Windows programs run under Wine in a
# 1024 x 768 virtual desktop.
if(WIN32)
  kapto_add_test_support(NAME capture_test_support
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture_test_support.cpp ${PROJECT_SOURCE_DIR}/tests/support/decoder_host.cpp
    LIBS Kaptolib kfw)
  # A helper that answers as the tests ask, in the sandbox the library makes.
  add_executable(decoder_stand_in WIN32 ${CMAKE_CURRENT_LIST_DIR}/decoder_stand_in.cpp)
  target_include_directories(decoder_stand_in PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/lib/include
                                                      ${PROJECT_SOURCE_DIR}/lib/capture)

  kapto_add_test(NAME capture_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture_engine_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/image_store_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/image_store_dialog_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/image_decoder_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/recent_captures_test.cpp
    LIBS capture_test_support Kaptolib kfw gdiplus gdi32 user32
    DESKTOP 1024x768
    LANE side
    TIMEOUT 300)
  add_dependencies(capture_tests decoder_stand_in)
endif()

# The window modes and object capture, with windows of another thread for
# other programs and injected mouse and keys.
if(WIN32)
  kapto_add_test(NAME window_capture_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_thread.cpp
            ${CMAKE_CURRENT_LIST_DIR}/window_modes_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/object_capture_test.cpp
    LIBS capture_test_support Kaptolib kfw gdiplus gdi32 user32
    DESKTOP 1024x768
    LANE side
    TIMEOUT 600)
endif()

# Hundreds of captures; slower, so a program of its own.
if(WIN32)
  kapto_add_test(NAME capture_reliability_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture_reliability_test.cpp
    LIBS capture_test_support Kaptolib kfw gdiplus psapi gdi32 user32
    DESKTOP 1024x768
    LANE side
    TIMEOUT 900)
endif()

# The image-option chain is portable: built and checked natively, under the
# sanitizers, in milliseconds.
if(NOT WIN32)
  kapto_add_test(NAME native_capture_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_chain_test.cpp
    LIBS kapto_portable)
endif()
