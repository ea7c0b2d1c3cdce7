# Automatic saving: the names captures are given (portable) and the worker
# that encodes and writes them (Windows).
set(KP_AUTOSAVE_PORTABLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/capture_name.cpp)
set(KP_AUTOSAVE_WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/save_worker.cpp)
