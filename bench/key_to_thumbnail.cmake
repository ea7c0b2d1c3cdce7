# The real Kapto.exe from the person's last action to the new thumbnail, for
# each capture mode (the end-to-end tests' harness drives it).
add_executable(key_to_thumbnail_bench ${CMAKE_CURRENT_LIST_DIR}/key_to_thumbnail_bench.cpp)
target_compile_options(key_to_thumbnail_bench PRIVATE -O2)
target_include_directories(key_to_thumbnail_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/lib/include
                                                          ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_LIST_DIR})
kapto_enable_gtest()
target_link_libraries(key_to_thumbnail_bench PRIVATE e2e_support Kaptolib kfw gdiplus shell32 user32 gdi32 gtest)
add_dependencies(key_to_thumbnail_bench Kapto e2e_target)
