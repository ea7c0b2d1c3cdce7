# Automatic saving's names, the recent captures' bound and the index of
# earlier sessions' files: portable, checked natively under the sanitizers.
if(NOT WIN32)
  kapto_add_test(NAME native_recent_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture_name_test.cpp ${CMAKE_CURRENT_LIST_DIR}/recent_index_test.cpp
    LIBS kapto_portable)
endif()
