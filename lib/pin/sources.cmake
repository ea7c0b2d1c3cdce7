# A picture pinned on the screen: its zoom, opacity and place, and its
# zoomed pixels. Portable; the pin's window is the program's (app/pin).
set(KP_PIN_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/pin_geometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pin_pixels.cpp)
# The pixel loop is built optimised whatever the build type, as the
# imaging loops are (exact either way).
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/pin_pixels.cpp PROPERTIES COMPILE_OPTIONS "-O3"
                            SKIP_UNITY_BUILD_INCLUSION ON)
