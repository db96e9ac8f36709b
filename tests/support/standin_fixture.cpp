#include "support/standin_fixture.h"

#include "registration.h"
#include "standin_io.h"

#include "platform/text.h"
#include "platform/win_registry.h"
#include "support/win_process.h"

#include <windows.h>

namespace ps::test {

RegisteredStandins::RegisteredStandins() {
    WinRegistry reg;
    standin::UnregisterStandins(reg);
    const std::string programs = ProgramFolder() + "\\standin";
    standin::RegisterStandins(reg, root_.path(),
                              [&](const standin::StandinProduct& p, const std::string& folder) {
                                  return standin::InstallStandin(p, folder, programs);
                              });
}

RegisteredStandins::~RegisteredStandins() {
    WinRegistry reg;
    standin::UnregisterStandins(reg);
}

std::string MakeProgramFolder(const TempDir& dir) {
    const std::string folder = dir.file("program");
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    WriteFileBytes(folder + "\\Plansweeper.VLX", "compiled companion");
    return folder;
}

} // namespace ps::test
