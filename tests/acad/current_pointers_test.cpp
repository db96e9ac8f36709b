#include "acad/current_pointers.h"

#include "registration.h"

#include "acad/products.h"
#include "core/memory_registry.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

class Pointers : public testing::Test {
protected:
    void SetUp() override {
        standin::RegisterStandins(reg, "C:\\Standin",
                                  [](const standin::StandinProduct&, const std::string&) { return true; });
    }
    MemoryRegistry reg;
    MemoryRunOwnership runs;               // the run that records
    MemoryRunOwnership gone{"next-start"}; // a later program, to which that run is gone
};

// The guard puts back the raw values it found, including a pointer that
// names a product key that does not exist and a value that was missing.
TEST_F(Pointers, TheGuardWritesBackExactlyWhatItFound) {
    reg.putString(RegRoot::LocalMachine, "Software\\Autodesk\\AutoCAD\\R18.0", "CurVer", "ACAD-201:409");
    reg.deleteValue(RegRoot::LocalMachine, "Software\\Autodesk\\AutoCAD LT", "CurVer");
    reg.putString(RegRoot::LocalMachine32, "Software\\Autodesk\\AutoCAD\\R15.0\\ACAD-1:409", "ProductName",
                  "Old");
    const auto before = ReadCurrentPointers(reg);
    {
        PointerGuard guard(reg, runs);
        PointerGuard inner(reg, runs);               // a nested guard owns nothing
        ASSERT_TRUE(MakeProductCurrent(reg, "Old")); // in the 32-bit view
        ASSERT_TRUE(MakeProductCurrent(reg, "AutoCAD LT 2008"));
        inner.restore();
        EXPECT_EQ(AcadCurrentProductName(reg), "AutoCAD LT 2008");
    }
    EXPECT_EQ(ReadCurrentPointers(reg), before);
    EXPECT_FALSE(reg.queryValue(RegRoot::LocalMachine32, "Software\\Autodesk", "CurProd"));
    EXPECT_FALSE(reg.keyExists(RegRoot::CurrentUser, kPendingPointersKey));
}

// What the next start does after a killed run: the record alone suffices.
TEST_F(Pointers, TheRecordOfAKilledRunIsWrittenBackAtTheNextStart) {
    const auto before = ReadCurrentPointers(reg);
    PointerGuard guard(reg, runs);
    ASSERT_TRUE(MakeProductCurrent(reg, "AutoCAD 2004"));
    ASSERT_NE(ReadCurrentPointers(reg), before);
    EXPECT_TRUE(RestorePendingPointers(reg, gone));
    EXPECT_EQ(ReadCurrentPointers(reg), before);
    EXPECT_FALSE(RestorePendingPointers(reg, gone));
}

TEST(PointerRecord, EncodesEveryValueShapeAndRefusesDamagedLines) {
    const PointerValue values[] = {
        {RegRoot::LocalMachine, "Software\\A|B", "CurVer", RegSzValue("R18.0")},
        {RegRoot::CurrentUser, "Software\\P", "", std::nullopt},
        {RegRoot::LocalMachine, "Software\\Q", "n", RawRegValue{kRegBinary, {}}},
    };
    for (const auto& v : values)
        EXPECT_EQ(DecodePointer(EncodePointer(v)), v);
    for (const char* bad : {"", "9|1|00|n|p", "2|1|0|n|p", "2|x|00|n|p", "2|1|zz|n|p", "2|1|00"})
        EXPECT_FALSE(DecodePointer(bad).has_value()) << bad;
}

} // namespace
} // namespace ps
