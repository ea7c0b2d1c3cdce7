# Capture overlays: the tip panel, the object tip, the rectangle selection
# overlay and the scrolling capture's panel. Windows only.
set(KP_OVERLAYS_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/snap_tip_edit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dlg_snap_obj_helper.cpp
  ${CMAKE_CURRENT_LIST_DIR}/snap_rect_overlay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/snap_scroll_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_list.cpp)
