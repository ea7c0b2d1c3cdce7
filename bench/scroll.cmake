# Scrolling capture: placing one frame of 1920 x 1080 on the picture so far.
add_executable(scroll_stitch_bench ${CMAKE_CURRENT_LIST_DIR}/scroll_stitch_bench.cpp
               ${PROJECT_SOURCE_DIR}/lib/scroll/scroll_stitcher.cpp)
target_compile_options(scroll_stitch_bench PRIVATE -O2)
target_include_directories(scroll_stitch_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/lib/include)
