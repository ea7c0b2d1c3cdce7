# Image processing: the pixel processors are portable; the bitmap that runs
# them on GDI is Windows only.
set(KP_IMAGING_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/image_processor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_rotator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_shearer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_resizer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_flipper.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_color_processors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_blurrer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_sharpener.cpp)
set(KP_IMAGING_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/image_bitmap.cpp)
