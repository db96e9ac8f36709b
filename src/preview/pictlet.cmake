# Pictlet.dll, the thumbnail control (links nothing of the program but the
# reader), for the target's platform: 64-bit in the main build, 32-bit in the
# x86 build beside it.
add_library(Pictlet SHARED preview/pictlet_dll.cpp preview/pictlet_control.cpp preview/pictlet_picture.cpp
            preview/pictlet_properties.cpp preview/pictlet.def)
target_link_libraries(Pictlet PRIVATE ps_preview ole32 oleaut32 uuid user32 gdi32 shlwapi windowscodecs)
set_target_properties(Pictlet PROPERTIES PREFIX "" OUTPUT_NAME Pictlet)
ps_version_resource(Pictlet Pictlet.dll "Plansweeper drawing preview control" VFT_DLL)
ps_split_debug_info(Pictlet)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(PS_WIDL_TARGET --win64)
else()
    set(PS_WIDL_TARGET --win32)
endif()

# Pictlet's type library, compiled by widl and embedded as TYPELIB 1. The
# standard library it imports comes with Wine.
find_program(PS_WIDL NAMES x86_64-w64-mingw32-widl widl REQUIRED)
find_path(PS_STDOLE2_DIR stdole2.tlb REQUIRED
    PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows
          /usr/lib64/wine/x86_64-windows /opt/wine-stable/lib/wine/x86_64-windows
    NO_CMAKE_FIND_ROOT_PATH)
add_custom_command(OUTPUT "${PS_GENERATED}/Pictlet.tlb"
    COMMAND "${PS_WIDL}" ${PS_WIDL_TARGET} -t -L "${PS_STDOLE2_DIR}" -o "${PS_GENERATED}/Pictlet.tlb"
            "${CMAKE_CURRENT_SOURCE_DIR}/preview/pictlet.idl"
    DEPENDS preview/pictlet.idl
    COMMENT "Type library of Pictlet.dll")
target_sources(Pictlet PRIVATE preview/pictlet.rc)
set_source_files_properties(preview/pictlet.rc PROPERTIES OBJECT_DEPENDS "${PS_GENERATED}/Pictlet.tlb")

if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
    # The exports keep their plain names (as COM asks for them); the 32-bit
    # functions behind them are __stdcall.
    target_link_options(Pictlet PRIVATE -Wl,--enable-stdcall-fixup)
endif()
