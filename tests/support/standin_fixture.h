// Stand-in AutoCAD products registered in the test prefix's registry, each
// with its own copy of the stand-in, for one test suite at a time.
#pragma once

#include "support/win_temp_dir.h"

#include <memory>
#include <string>

namespace ps::test {

class RegisteredStandins {
public:
    RegisteredStandins();  // registers (replacing any AutoCAD entries)
    ~RegisteredStandins(); // removes them again
    const std::string& root() const { return root_.path(); }

private:
    TempDir root_;
};

// A folder beside the program holding a companion file, as an installation has.
std::string MakeProgramFolder(const TempDir& dir);

} // namespace ps::test
