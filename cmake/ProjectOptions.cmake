# Compiler settings shared by every target of ours (not by third-party code).
add_library(ps_options INTERFACE)
target_compile_features(ps_options INTERFACE cxx_std_20)
target_include_directories(ps_options INTERFACE "${CMAKE_SOURCE_DIR}/src")

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(ps_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                                -Wold-style-cast -Wcast-align -Woverloaded-virtual)
endif()

if(WIN32)
    # Unicode Win32 API, Windows 7 and later headers, no min/max macros.
    target_compile_definitions(ps_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                    _WIN32_WINNT=0x0601 WINVER=0x0601)
endif()

if(PS_SANITIZE)
    target_compile_options(ps_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                -fno-sanitize-recover=undefined)
    target_link_options(ps_options INTERFACE -fsanitize=address,undefined)
endif()

if(PS_FUZZ)
    # Coverage for libFuzzer in everything of ours; the fuzz targets add the driver.
    target_compile_options(ps_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    target_link_options(ps_options INTERFACE -fsanitize=address,undefined)
endif()

# A program or DLL we ship keeps its debug information in <file>.debug beside
# it, linked by name. Loaded with the debug sections inside, the program maps
# twenty-odd megabytes it never reads at every start.
function(ps_split_debug_info target)
    if(NOT WIN32 OR NOT CMAKE_OBJCOPY)
        return()
    endif()
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND "${CMAKE_OBJCOPY}" --only-keep-debug "$<TARGET_FILE:${target}>" "$<TARGET_FILE:${target}>.debug"
        COMMAND "${CMAKE_OBJCOPY}" --strip-debug "--add-gnu-debuglink=$<TARGET_FILE:${target}>.debug"
                "$<TARGET_FILE:${target}>"
        VERBATIM)
endfunction()
