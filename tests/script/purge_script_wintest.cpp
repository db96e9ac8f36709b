// The script file as AutoCAD will read it: a real file in the ANSI code page.
#include "script/purge_script.h"

#include "core/memory_registry.h"
#include "platform/text.h"
#include "platform/win_file_system.h"
#include "support/win_temp_dir.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

TEST(RealScriptFile, AnsiBytesCrLfAndTruncation) {
    test::TempDir dir;
    MemoryRegistry reg;
    reg.putString(RegRoot::LocalMachine, "Software\\Autodesk\\AutoCAD LT\\R10\\ACADLT-4001:409",
                  "ProductName", "AutoCAD LT 2005");
    WinFileSystem files;
    WinAnsiCodec codec;
    const ScriptEnvironment env{files, codec, dir.file("purge"), dir.path()};
    const ScriptProduct lt = ScriptProductOf(reg, "AutoCAD LT 2005", true);
    Settings s;
    s.ProdName = "AutoCAD LT 2005";
    s.PurgeTimes = 3;
    s.PurgeAll = -1;
    ASSERT_EQ(CreateSCRpurge(env, s, lt, SaveFormat{ReleaseFamily::R16}, "C:\\D\\Größe.dwg"),
              ScriptResult::Written);
    s.PurgeTimes = 1;
    s.ZoomE = -1;
    ASSERT_EQ(CreateSCRpurge(env, s, lt, SaveFormat{ReleaseFamily::R16}, "C:\\D\\Größe.dwg"),
              ScriptResult::Written);
    EXPECT_EQ(test::ReadFileBytes(dir.file("purge.scr")),
              "_cmdecho 0\r\n_expert 0\r\n_.purge _A * _n\r\n_.zoom _e\r\n_.saveas\r\n_2004\r\n"
              "\"C:\\D\\Gr\xF6\xDF"
              "e.dwg\"\r\n_.quit _Y \r\n");
    // A folder that cannot be written to.
    const ScriptEnvironment nowhere{files, codec, dir.file("missing\\purge"), dir.path()};
    EXPECT_EQ(CreateSCRpurge(nowhere, s, lt, SaveFormat{ReleaseFamily::R16}, "C:\\D\\a.dwg"),
              ScriptResult::Failed);
}

} // namespace
} // namespace ps
