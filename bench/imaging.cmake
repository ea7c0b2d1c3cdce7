# Pixel processors and CImageBitmap::ProcessImage on full-HD and 4K frames,
# each as a ratio to a memcpy of one 32-bit frame measured in the same run.
add_executable(imaging_bench ${CMAKE_CURRENT_LIST_DIR}/imaging_bench.cpp)
target_compile_options(imaging_bench PRIVATE -O2)
target_include_directories(imaging_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/lib/include)
target_link_libraries(imaging_bench PRIVATE Kaptolib kfw gdi32 user32)
