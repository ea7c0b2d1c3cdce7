# The rectangle overlay: one rubber-band change and release to thumbnail.
add_executable(overlay_bench ${CMAKE_CURRENT_LIST_DIR}/overlay_bench.cpp)
target_compile_options(overlay_bench PRIVATE -O2)
target_include_directories(overlay_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/lib/include)
target_link_libraries(overlay_bench PRIVATE Kaptolib kfw gdiplus gdi32 user32)
