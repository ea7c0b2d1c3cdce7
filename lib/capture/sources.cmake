# Capture engine: life cycle, grab, image options and the current image.
# Windows only.
set(KP_CAPTURE_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/kp_core.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kp_image_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_list.cpp)
