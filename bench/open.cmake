# Opening image files: the time of an open of a small PNG, a 4K PNG and a
# JPEG; and a folder of files opened one per process, counting the opens
# that crashed or hung.
add_executable(open_bench ${CMAKE_CURRENT_LIST_DIR}/open_bench.cpp ${PROJECT_SOURCE_DIR}/tests/support/decoder_host.cpp)
target_compile_options(open_bench PRIVATE -O2)
target_include_directories(open_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/lib/include)
target_link_libraries(open_bench PRIVATE Kaptolib kfw gdiplus gdi32 user32)
add_dependencies(open_bench Kapto)
