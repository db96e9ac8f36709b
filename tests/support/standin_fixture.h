// Stand-in AutoCAD products registered in the test prefix's registry, each
// with its own copy of the stand-in, for one test suite at a time.
#pragma once

#include "support/win_temp_dir.h"

#include <gtest/gtest.h>

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

// A test suite that drives the stand-in AutoCAD: its products are registered
// once before the suite's first test and removed after its last.
template <typename Base = testing::Test> class WithStandins : public Base {
protected:
    static void SetUpTestSuite() { products_ = std::make_unique<RegisteredStandins>(); }
    static void TearDownTestSuite() { products_.reset(); }
    static const RegisteredStandins& products() { return *products_; }

private:
    static inline std::unique_ptr<RegisteredStandins> products_;
};

// A folder beside the program holding a companion file, as an installation has.
std::string MakeProgramFolder(const TempDir& dir);

} // namespace ps::test
