# Capture engine: life cycle, grab, capture modes and the current image, on
# Windows; the image-option chain is portable.
set(KP_CAPTURE_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/kp_image_chain.cpp)
set(KP_CAPTURE_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/kp_core.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kp_window_modes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kp_object_capture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kp_scroll_capture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kp_scroll_run.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dlg_active_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kp_image_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_decoder_helper.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kp_snap_host.cpp)
