# The markup canvas: one drag step's repaint on a 4K picture.
add_executable(markup_bench ${CMAKE_CURRENT_LIST_DIR}/markup_bench.cpp ${PROJECT_SOURCE_DIR}/app/markup/markup_canvas.cpp
               ${PROJECT_SOURCE_DIR}/app/markup/markup_marks.cpp)
target_compile_options(markup_bench PRIVATE -O2)
target_include_directories(markup_bench PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/app
                           ${PROJECT_SOURCE_DIR}/app/markup ${PROJECT_SOURCE_DIR}/lib/include)
target_link_libraries(markup_bench PRIVATE kfw gdiplus gdi32 user32)
