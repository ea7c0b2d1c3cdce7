# The XML tree and file, and the configuration store.
set(KP_CONFIG_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/xml_tree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xml_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kp_config.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_commit.cpp)
# The program directory comes from the Windows module; the native build has
# its own in native/.
set(KP_CONFIG_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/app_path_win.cpp)
