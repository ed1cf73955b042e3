# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads,
# which std::thread and Qt need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(METRINO_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${METRINO_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${METRINO_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${METRINO_MINGW}-windres)

# Headers, libraries and packages only from the target's root, never the
# host's (which hold Linux builds of zlib, pcre2 and the like); programs
# from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${METRINO_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
