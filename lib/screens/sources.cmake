# The monitors: the geometry over a list of them (portable) and the list
# read from the system (Windows).
set(KP_SCREENS_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/monitor_layout.cpp)
set(KP_SCREENS_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/monitor_enum.cpp)
