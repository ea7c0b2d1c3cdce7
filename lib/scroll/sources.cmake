# Scrolling capture's stitcher: plain code over pixel buffers, portable.
set(KP_SCROLL_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/scroll_stitcher.cpp)
