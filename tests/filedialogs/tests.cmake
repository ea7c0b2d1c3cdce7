if(WIN32)
  kapto_add_test(NAME filedialogs_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/gdiplus_codec_info_test.cpp
    LIBS Kaptolib gdiplus
    TIMEOUT 120)
endif()
