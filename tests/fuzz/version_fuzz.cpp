// libFuzzer target: the DWG and DXF header readers on arbitrary bytes, both
// as pure functions and through the file path with either extension, and
// the saved-file check that reads what a header declares.
#include "core/memory_file_system.h"
#include "drawinglist/version.h"
#include "drawinglist/wholeness.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string dwg = ps::DwgLabelFromHeader(bytes);
    const std::string code = ps::DxfCodeFromHeader(bytes);
    const std::string dxf = ps::DxfLabelFromCode(code);
    if (dwg.empty() || dxf.empty() || code.size() > 6)
        __builtin_trap();

    ps::MemoryFileSystem fs;
    fs.addFile("C:\\f\\x.dwg", bytes);
    fs.addFile("C:\\f\\x.dxf", bytes);
    if (ps::DwgVers(fs, "C:\\f\\x.dwg") != dwg || ps::DwgVers(fs, "C:\\f\\x.dxf") != dxf)
        __builtin_trap();
    // Any verdict will do; it must come without reading out of bounds.
    ps::SavedDrawingWholeness(fs, "C:\\f\\x.dwg");
    ps::SavedDrawingWholeness(fs, "C:\\f\\x.dxf");
    return 0;
}
