# Configuration: the XML tree and file, and the configuration store.
if(WIN32)
  kapto_add_test(NAME config_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/xml_tree_test.cpp ${CMAKE_CURRENT_LIST_DIR}/kp_config_test.cpp
    LIBS Kaptolib)
else()
  kapto_add_test(NAME native_config_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/xml_tree_test.cpp ${CMAKE_CURRENT_LIST_DIR}/kp_config_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/corpus_replay_test.cpp
    LIBS kapto_portable)
  target_compile_definitions(native_config_tests PRIVATE
    KAPTO_CONFIG_CORPUS_DIR="${CMAKE_CURRENT_LIST_DIR}/corpus"
    KAPTO_TEST_BIN_DIR="$<TARGET_FILE_DIR:native_config_tests>")

  # libFuzzer over the reader, the writer and the store (tools/fuzz-config).
  if(KAPTO_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
      message(FATAL_ERROR "KAPTO_FUZZ needs clang")
    endif()
    # Coverage feedback from the library code under test, not only the target.
    target_compile_options(kapto_portable PRIVATE -fsanitize=fuzzer-no-link)
    add_executable(fuzz_config ${CMAKE_CURRENT_LIST_DIR}/fuzz_config.cpp)
    target_include_directories(fuzz_config PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_compile_options(fuzz_config PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_config PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_config PRIVATE kapto_portable)
    set_target_properties(fuzz_config PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  endif()
endif()
