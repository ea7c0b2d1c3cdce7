# Capture overlays: the tip panel, the object tip and the rectangle selection
# overlay, read back from the screen of a 1024 x 768 virtual desktop.
if(WIN32)
  kapto_add_test(NAME overlays_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/overlay_test_support.cpp
            ${CMAKE_CURRENT_LIST_DIR}/snap_tip_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/snap_rect_overlay_test.cpp
    LIBS capture_test_support Kaptolib kfw gdiplus msimg32 gdi32 user32
    DESKTOP 1024x768
    LANE side
    TIMEOUT 300)
endif()
