# Cross-compiling for Windows with mingw-w64 (posix threads, static runtime),
# for the triplet the including toolchain file names (PS_MINGW_TRIPLET).
# Test executables run under Wine through the emulator below.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${PS_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PS_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PS_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PS_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No DLLs of the compiler's runtime next to our programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run")
