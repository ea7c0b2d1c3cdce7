if(WIN32)
  kapto_add_test(NAME filedialogs_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/gdiplus_codec_info_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/gdiplus_file_dialogs_test.cpp
    LIBS Kaptolib kfw gdiplus comdlg32
    TIMEOUT 300)
endif()
