# Image processing: the pixel processors and their worker threads are
# portable; the bitmap that runs them on GDI is Windows only.
set(KP_IMAGING_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/image_processor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_rotator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_shearer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_resizer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_flipper.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_color_processors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_blurrer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_sharpener.cpp
  ${CMAKE_CURRENT_LIST_DIR}/worker_pool.cpp
  ${CMAKE_CURRENT_LIST_DIR}/box_thumbnail.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixel_pack.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wide_loops_dispatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wide_loops_base.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wide_loops_avx2.cpp)
set(KP_IMAGING_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/image_bitmap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pointer_stamp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/screen_grab.cpp)
# The pixel loops are always built optimised (the results are exact either
# way: no fast-math, no contraction), whatever the build type.
# They stay units of their own in a unity build, where they would lose
# their options.
set_source_files_properties(${KP_IMAGING_PORTABLE_SOURCES} PROPERTIES COMPILE_OPTIONS "-O3" SKIP_UNITY_BUILD_INCLUSION ON)
# The second build of the sampling loops, chosen at run time only where the
# processor has AVX2.
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/wide_loops_avx2.cpp PROPERTIES COMPILE_OPTIONS "-O3;-mavx2")
