// Registers the stand-in AutoCAD products in this machine's registry (HKLM
// product tree, HKCU profiles), each in a folder of its own with its own copy
// of the stand-in. For tests and demonstrations only.
//
//   acad-standin-register [--root <folder>]    register (default root: .\products beside this tool)
//   acad-standin-register --remove             remove every AutoCAD registry entry again
#include "registration.h"
#include "standin_io.h"

#include "platform/text.h"
#include "platform/win_registry.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string ToolFolder() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::string folder = ps::Narrow(exe);
    return folder.substr(0, folder.find_last_of('\\'));
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::string root = ToolFolder() + "\\products";
    bool remove = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--root" && i + 1 < argc)
            root = ps::Narrow(argv[++i]);
        else if (arg == L"--remove")
            remove = true;
        else {
            std::fprintf(stderr, "usage: acad-standin-register [--root <folder>] [--remove]\n");
            return 2;
        }
    }
    ps::WinRegistry registry;
    if (remove) {
        standin::UnregisterStandins(registry);
        std::printf("stand-in products removed\n");
        return 0;
    }
    const std::string programs = ToolFolder();
    const auto folders = standin::RegisterStandins(
        registry, root, [&](const standin::StandinProduct& p, const std::string& folder) {
            return standin::InstallStandin(p, folder, programs);
        });
    for (std::size_t i = 0; i < folders.size(); ++i)
        std::printf("%s\t%s\n", standin::StandinProducts()[i].name.c_str(), folders[i].c_str());
    if (folders.size() != standin::StandinProducts().size()) {
        std::fprintf(stderr, "could not install the stand-in under %s\n", root.c_str());
        return 1;
    }
    return 0;
}
