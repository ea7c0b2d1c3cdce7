# A pinned picture: opening, dragging and zooming a 4K pin, and fifty
# full-HD pins opened and closed against the process's private bytes.
set(KAPTO_PIN_BENCH_APP ${PROJECT_SOURCE_DIR}/app)
add_executable(pin_bench ${CMAKE_CURRENT_LIST_DIR}/pin_bench.cpp ${KAPTO_PIN_BENCH_APP}/pin/pin_board.cpp
               ${KAPTO_PIN_BENCH_APP}/pin/pin_window.cpp ${KAPTO_PIN_BENCH_APP}/markup/markup_dlg.cpp
               ${KAPTO_PIN_BENCH_APP}/markup/markup_canvas.cpp ${KAPTO_PIN_BENCH_APP}/markup/markup_marks.cpp)
target_compile_options(pin_bench PRIVATE -O2)
target_include_directories(pin_bench PRIVATE ${PROJECT_SOURCE_DIR} ${KAPTO_PIN_BENCH_APP} ${PROJECT_SOURCE_DIR}/lib/include)
target_link_libraries(pin_bench PRIVATE Kaptolib kfw gdiplus comctl32 comdlg32 psapi gdi32 user32)
