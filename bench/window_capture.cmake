# Object capture from the click to the thumbnail, and the object tip's
# repaint per mouse move.
add_executable(window_capture_bench ${CMAKE_CURRENT_LIST_DIR}/window_capture_bench.cpp)
target_compile_options(window_capture_bench PRIVATE -O2)
target_include_directories(window_capture_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/lib/include)
target_link_libraries(window_capture_bench PRIVATE Kaptolib kfw gdiplus gdi32 user32)
