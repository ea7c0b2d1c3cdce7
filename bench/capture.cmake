# Whole-screen capture latency, split into grab, copy, conversion and
# thumbnail, against a memcpy of one frame measured in the same run.
add_executable(capture_bench ${CMAKE_CURRENT_LIST_DIR}/capture_bench.cpp)
target_compile_options(capture_bench PRIVATE -O2)
target_include_directories(capture_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/lib/include)
target_link_libraries(capture_bench PRIVATE Kaptolib kfw gdiplus gdi32 user32)
