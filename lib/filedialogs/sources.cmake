# Image file dialogs: the GDI+ codec catalogue and the open and save dialogs
# built on it. Windows only.
set(KP_FILEDIALOGS_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/gdiplus_codec_info.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gdiplus_file_dialogs.cpp)
