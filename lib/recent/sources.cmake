# The recent captures: their bound and the index of earlier sessions' files
# (portable), and the list the program shows (Windows).
set(KP_RECENT_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/recent_bound.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recent_index.cpp)
set(KP_RECENT_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/kp_recent_captures.cpp)
