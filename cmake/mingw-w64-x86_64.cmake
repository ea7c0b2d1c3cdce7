# Cross build for 64-bit Windows with the mingw-w64 compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KAPTO_TRIPLE x86_64-w64-mingw32)

# The posix thread model: the standard library's std::mutex and friends, which
# GoogleTest needs. Its runtime is linked in statically (see CMakeLists.txt).
find_program(CMAKE_C_COMPILER NAMES ${KAPTO_TRIPLE}-gcc-posix ${KAPTO_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${KAPTO_TRIPLE}-g++-posix ${KAPTO_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KAPTO_TRIPLE}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${KAPTO_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
