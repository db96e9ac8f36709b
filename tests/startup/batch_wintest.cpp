// End to end: plansweeper-batch over list files, with the stand-in AutoCAD
// registered in the test prefix, real files, processes and registry.
#include "acad/products.h"
#include "acad/profile_values.h"
#include "acad/registry_helpers.h"
#include "drawinglist/drawing_list.h"
#include "drawinglist/list_file.h"
#include "drawinglist/wholeness.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "platform/win_file_system.h"
#include "platform/win_registry.h"
#include "settings/settings_store.h"
#include "support/corpus.h"
#include "support/standin_fixture.h"
#include "support/win_process.h"
#include "support/win_temp_dir.h"
#include "sample_drawings.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace ps {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;
using namespace std::string_literals;

const std::string kDwg2000 = "AC1015" + std::string(2042, 'a');
const std::string kDwg2004 = "AC1018" + std::string(5114, 'b');
const std::string kDwg2007 = "AC1021" + std::string(1018, 'c');
const std::string kDxf2000 =
    "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1015\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n";

class Batch : public test::WithStandins<> {
protected:
    void SetUp() override { store_.DeleteSetting(kSettingsApp); }
    // Runs after a failed assertion too: a test's batch (its ChildProcess)
    // has been ended by then, and no AutoCAD it left may outlive the test.
    void TearDown() override {
        test::EndStandins();
        store_.DeleteSetting(kSettingsApp);
    }

    std::string drawing(const std::string& name, const std::string& bytes,
                        const std::string& directives = {}) {
        const std::string path = dir_.write(name, bytes);
        if (!directives.empty())
            WriteFileBytes(path + ".standin", directives);
        return path;
    }
    // A list file of pending rows for these paths (folder rows for folders).
    std::string listOf(const std::vector<std::string>& paths) {
        DrawingList list;
        for (const auto& p : paths) {
            const DWORD attrs = GetFileAttributesW(Widen(p).c_str());
            if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                list.append(MakeFolderRow(p));
                continue;
            }
            DrawingRow row;
            row.cells[kColFilename] = p.substr(p.rfind('\\') + 1);
            row.cells[kColPath] = p.substr(0, p.rfind('\\'));
            row.cells[kColSizeAfter] = " ";
            list.append(row);
        }
        const std::string file = dir_.file("list.log");
        EXPECT_EQ(WriteListFile(files_, codec_, file, list), std::nullopt);
        return file;
    }
    DWORD batch(const std::string& arguments, DWORD limit = 120000) {
        test::ChildProcess child;
        EXPECT_TRUE(child.start("\"" + test::ProgramFolder() + "\\plansweeper-batch.exe\" " + arguments,
                                dir_.file("out.txt")));
        EXPECT_TRUE(child.waitFor(limit));
        output_ = ReadFileBytes(dir_.file("out.txt"));
        return child.exitCode();
    }
    DrawingList readList(const std::string& file) {
        DrawingList list;
        EXPECT_EQ(ReadListFile(files_, codec_, file, list).error, std::nullopt);
        return list;
    }
    // The status of a row of a list file; a missing row says so instead of crashing.
    std::string statusIn(const std::string& file, std::size_t row) {
        const DrawingList list = readList(file);
        return row < list.size() ? list[row].cell(kColStatus) : "<no row " + std::to_string(row) + ">";
    }
    static bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

    test::TempDir dir_;
    WinRegistry reg_;
    RegistrySettingsStore store_{reg_};
    WinFileSystem files_;
    WinAnsiCodec codec_;
    std::string output_;
};

TEST_F(Batch, ConvertsAListOfSeveralReleases) {
    const auto a = drawing("a2000.dwg", kDwg2000);
    const auto b = drawing("b2004.dwg", kDwg2004);
    const auto c = drawing("c2007.dwg", kDwg2007);
    const auto d = drawing("d2000.dxf", kDxf2000);
    const auto e = drawing("e.dwg", "not a drawing");
    const std::string list = listOf({a, b, c, d, e});
    const DWORD code =
        batch("run \"" + list + "\" --set R15=\"AutoCAD R2010 DWG\" --set R17=\"AutoCAD R2004 DWG\"");
    EXPECT_EQ(code, 0u) << output_;
    const DrawingList rows = readList(list);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].cell(kColStatus), "OK") << output_;
    EXPECT_EQ(rows[0].cell(kColVersion), "2010");
    EXPECT_EQ(rows[1].cell(kColStatus), "OK");
    EXPECT_EQ(rows[1].cell(kColVersion), "2004");
    EXPECT_EQ(rows[1].cell(kColSizeBefore), "5");
    EXPECT_EQ(rows[2].cell(kColStatus), "OK");
    EXPECT_EQ(rows[2].cell(kColVersion), "2004");
    // A DXF drawing: its DWG beside it.
    EXPECT_EQ(rows[3].cell(kColStatus), "OK");
    EXPECT_EQ(ReadFileBytes(dir_.file("d2000.dwg")).substr(0, 6), "AC1024");
    EXPECT_EQ(ReadFileBytes(d), kDxf2000);
    EXPECT_EQ(rows[4].cell(kColStatus), "Skipped: Not recognized as a drawing file");
    EXPECT_TRUE(Has(output_, "1/5\tOK\t" + a)) << output_;
    EXPECT_TRUE(Has(output_, "Total files OK: 4")) << output_;
    // The settings store was not touched by the overrides.
    EXPECT_EQ(store_.GetSetting(kSettingsApp, kSettingsSection, "R15", "<absent>"), "<absent>");
}

// Real 2013 and 2018 drawings with AutoCAD 2026, whose profile asks before
// loading code from folders it does not trust (the program's is not): the
// run trusts its folder for the time of the run, so nothing is asked.
TEST_F(Batch, CurrentReleasesWithSecureLoadAndTheirTrustedPathsAsFound) {
    const std::string d2013 = test::CorpusPath("acs_sample_AC1027.dwg");
    const std::string d2018 = test::CorpusPath("acs_sample_AC1032.dwg");
    if (GetFileAttributesW(Widen(d2013).c_str()) == INVALID_FILE_ATTRIBUTES ||
        GetFileAttributesW(Widen(d2018).c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no 2013 and 2018 drawings in the corpus";
    const auto a = drawing("a2013.dwg", ReadFileBytes(d2013));
    const auto b = drawing("b2018.dwg", ReadFileBytes(d2018));
    const auto c = drawing("c2000.dwg", kDwg2000);
    const std::string variables =
        ProfilesKeyPath("AutoCAD", "R25.1", "ACAD-9101:409") + "<<Unnamed Profile>>\\Variables";
    CreateRegKeyValue(reg_, RegRoot::CurrentUser, variables, "TRUSTEDPATHS", "E:\\Tools");
    WriteRegValue(reg_, RegRoot::CurrentUser, variables, "SECURELOAD", std::int32_t{1});
    const std::string list = listOf({a, b, c});
    const DWORD code = batch("run \"" + list +
                             "\" --set ProdName=\"AutoCAD 2026\" --set R15=\"AutoCAD R2018 DWG\""
                             " --set R22=\"AutoCAD R2013 DWG\"");
    EXPECT_EQ(code, 0u) << output_;
    const DrawingList rows = readList(list);
    ASSERT_EQ(rows.size(), 3u);
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].cell(kColStatus), "OK") << i << output_;
    EXPECT_EQ(rows[0].cell(kColVersion), "2013");
    EXPECT_EQ(rows[1].cell(kColVersion), "2013");
    EXPECT_EQ(ReadFileBytes(c).substr(0, 6), "AC1032");
    const std::string journal = ReadFileBytes(a + ".journal");
    EXPECT_TRUE(Has(journal, "secure load 1, trusted paths: E:\\Tools;" + test::ProgramFolder())) << journal;
    EXPECT_TRUE(Has(journal, "loaded " + test::ProgramFolder())) << journal;
    EXPECT_FALSE(Has(journal, "Security Concern")) << journal;
    EXPECT_EQ(RegText(ReadRegValue(reg_, RegRoot::CurrentUser, variables, "TRUSTEDPATHS")), "E:\\Tools");

    // A 2010 product cannot open a 2018 drawing.
    const std::string again = listOf({drawing("d2018.dwg", ReadFileBytes(d2018))});
    EXPECT_EQ(batch("run \"" + again + "\" --set ProdName=\"AutoCAD 2010\""), 0u) << output_;
    EXPECT_EQ(statusIn(again, 0), "Skipped: Cannot open that version");
    DeleteRegTree(reg_, RegRoot::CurrentUser, variables);
}

// A 2026 profile that takes its support files from a project ignores its
// trusted paths, and the test's program folder is not below Program Files:
// the run says so once and stops before AutoCAD starts, the drawing as it was.
TEST_F(Batch, AProjectAwareProfileStopsARunInstalledForOneUser) {
    const auto a = drawing("a.dwg", kDwg2000);
    const std::string variables =
        ProfilesKeyPath("AutoCAD", "R25.1", "ACAD-9101:409") + "<<Unnamed Profile>>\\Variables";
    reg_.createKey(RegRoot::CurrentUser, variables);
    WriteRegValue(reg_, RegRoot::CurrentUser, variables, "PROJECTAWARE", std::int32_t{1});
    const std::string list = listOf({a});
    const DWORD code = batch("run \"" + list + "\" --set ProdName=\"AutoCAD 2026\"");
    DeleteRegTree(reg_, RegRoot::CurrentUser, variables);
    EXPECT_EQ(code, 1u) << output_;
    EXPECT_TRUE(Has(output_,
                    "AutoCAD 2026 locks its trusted paths for this profile: install Plansweeper for all "
                    "users"))
        << output_;
    EXPECT_EQ(ReadFileBytes(a), kDwg2000);
    EXPECT_EQ(ReadFileBytes(a + ".journal"), "");
}

// A drawing that would make AutoCAD ask when it opens (a missing font, a
// needed recovery, another program's save, xrefs missing and present) runs
// through without a question: the run sets the profile's variables first
// and puts them back after. Without any one of them the stand-in asks (the
// run then times out) or says so in its journal.
TEST_F(Batch, ADrawingThatWouldAskOpensQuietly) {
    const std::string xref = dir_.write("site.dwg", kDwg2000);
    const auto a = drawing("a.dwg", kDwg2000,
                           "font-missing=gothic.shx\r\nneeds-recovery\r\nforeign-dwg\r\n"
                           "xref-missing=Survey\r\nxref=" +
                               xref + "\r\n");
    const std::string variables =
        ProfilesKeyPath("AutoCAD", "R25.1", "ACAD-9101:409") + "<<Unnamed Profile>>\\Variables";
    const bool hadKey = reg_.keyExists(RegRoot::CurrentUser, variables);
    const std::string list = listOf({a});
    EXPECT_EQ(batch("run \"" + list + "\" --set Timeout=8 --set ProdName=\"AutoCAD 2026\""), 0u) << output_;
    EXPECT_EQ(statusIn(list, 0), "OK") << output_;
    const std::string journal = ReadFileBytes(a + ".journal");
    EXPECT_TRUE(Has(journal,
                    "variables: FONTALT=simplex.shx XREFNOTIFY=0 RECOVERAUTO=2 XLOADCTL=2 DWGCHECK=0 "
                    "FILEDIA=0"))
        << journal;
    EXPECT_TRUE(Has(journal, "recovered without notice")) << journal;
    EXPECT_TRUE(Has(journal, ": opened as a copy")) << journal;
    EXPECT_FALSE(Has(journal, "xref notification")) << journal;
    EXPECT_FALSE(Has(journal, "dialog ")) << journal;
    EXPECT_EQ(reg_.keyExists(RegRoot::CurrentUser, variables), hadKey);
    if (hadKey) {
        EXPECT_FALSE(reg_.queryValue(RegRoot::CurrentUser, variables, "RECOVERAUTO").has_value());
    }
}

// AutoCAD without a licence to run on shows its licensing window: it is not
// answered, that AutoCAD is ended, the drawing is as it was, and the run
// stops before the next drawing, saying why.
TEST_F(Batch, ALicenceWindowStopsTheRunWithTheDrawingPutBack) {
    const auto a = drawing("a.dwg", kDwg2000, "licence-prompt\r\n");
    const auto b = drawing("b.dwg", kDwg2000);
    const std::string list = listOf({a, b});
    const DWORD code = batch("run \"" + list + "\" --set ProdName=\"AutoCAD 2010\"");
    EXPECT_EQ(code, 1u) << output_;
    EXPECT_EQ(statusIn(list, 0), "Skipped: AutoCAD asked for its licence") << output_;
    EXPECT_EQ(statusIn(list, 1), "");
    EXPECT_EQ(ReadFileBytes(a), kDwg2000);
    const std::string journal = ReadFileBytes(a + ".journal");
    EXPECT_TRUE(Has(journal, "dialog Let's Get Started: shown")) << journal;
    EXPECT_EQ(journal.find("dialog Let's Get Started: ", journal.find(": shown")), std::string::npos)
        << journal; // neither a choice nor a close
    EXPECT_EQ(ReadFileBytes(b + ".journal"), "");
    EXPECT_TRUE(Has(output_, "The run stopped: AutoCAD asked for its licence")) << output_;
}

// AutoCAD 2026's console engine on a real 2018 drawing and a DXF: no
// window, the script of the drawing, the profile the settings name.
TEST_F(Batch, TheConsoleEngineProcessesA2018DrawingAndADxf) {
    const std::string d2018 = test::CorpusPath("acs_sample_AC1032.dwg");
    const std::string dxf = test::CorpusPath("ldwg_sample_2010.dxf");
    if (GetFileAttributesW(Widen(d2018).c_str()) == INVALID_FILE_ATTRIBUTES ||
        GetFileAttributesW(Widen(dxf).c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no 2018 drawing and 2010 DXF in the corpus";
    const auto a = drawing("a2018.dwg", ReadFileBytes(d2018));
    const auto b = drawing("b2010.dxf", ReadFileBytes(dxf));
    const std::string list = listOf({a, b});
    const DWORD code = batch("run \"" + list +
                             "\" --console --set ProdName=\"AutoCAD 2026\" --set Profile=Plansweeper"
                             " --set R22=\"AutoCAD R2013 DWG\"");
    EXPECT_EQ(code, 0u) << output_;
    const DrawingList rows = readList(list);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cell(kColStatus), "OK") << output_;
    EXPECT_EQ(rows[0].cell(kColVersion), "2013");
    EXPECT_EQ(rows[1].cell(kColStatus), "OK") << output_;
    EXPECT_EQ(ReadFileBytes(dir_.file("b2010.dwg")).substr(0, 6), "AC1024");
    EXPECT_EQ(ReadFileBytes(b), ReadFileBytes(dxf));
    for (const auto& path : {a, b}) {
        const std::string journal = ReadFileBytes(path + ".journal");
        EXPECT_TRUE(Has(journal, "\\AutoCAD 2026\\accoreconsole.exe\" /i \"" + path)) << journal;
        EXPECT_TRUE(Has(journal, "console: " + path + " script ")) << journal;
        EXPECT_TRUE(Has(journal, "profile Plansweeper: ")) << journal;
        EXPECT_TRUE(Has(journal, "quit, exit code 0")) << journal;
    }
}

// The console engine's words are its output: they become the row's transcript.
TEST_F(Batch, TheConsoleEnginesOutputIsTheDrawingsTranscript) {
    const auto a = drawing("a.dwg", kDwg2004);
    const std::string logs = dir_.file("logs");
    const std::string list = listOf({a});
    EXPECT_EQ(batch("run \"" + list + "\" --console --set ProdName=\"AutoCAD 2026\" --logs \"" + logs + "\""),
              0u)
        << output_;
    const std::string transcript = ReadFileBytes(logs + "\\0001-a.dwg.log");
    EXPECT_TRUE(Has(transcript, "console: " + a + " script ")) << transcript;
}

TEST_F(Batch, FailuresAreRecordedAndTheRunGoesOn) {
    const auto hung = drawing("hung.dwg", kDwg2004, "hang-in-save\r\n");
    const auto nosave = drawing("nosave.dwg", kDwg2004, "no-save\r\n");
    const auto crash = drawing("crash.dwg", kDwg2004, "crash-during-save\r\n");
    const auto ro = drawing("ro.dwg", kDwg2004);
    SetFileAttributesW(Widen(ro).c_str(), FILE_ATTRIBUTE_READONLY);
    const auto locked = drawing("locked.dwg", kDwg2004);
    const auto ok = drawing("ok.dwg", kDwg2004);
    const std::string list = listOf({hung, nosave, crash, ro, locked, ok});
    UniqueFile hold(CreateFileW(Widen(locked).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    const DWORD code = batch("run \"" + list + "\" --set Timeout=3 --set R16=\"AutoCAD R2010 DWG\"");
    hold.reset();
    EXPECT_EQ(code, 1u) << output_;
    const DrawingList rows = readList(list);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].cell(kColStatus), "Timeouted") << output_;
    EXPECT_EQ(ReadFileBytes(hung), kDwg2004); // put back byte for byte
    EXPECT_EQ(rows[1].cell(kColStatus), "Not saved");
    EXPECT_EQ(rows[2].cell(kColStatus), "Not saved");
    EXPECT_EQ(ReadFileBytes(crash), kDwg2004);
    EXPECT_EQ(rows[3].cell(kColStatus), "ReadOnly");
    EXPECT_EQ(rows[4].cell(kColStatus), "Access Denied");
    EXPECT_EQ(rows[5].cell(kColStatus), "OK");
    EXPECT_EQ(ReadFileBytes(ok).substr(0, 6), "AC1024");
}

// Three AutoCAD processes at once over failures of every kind and a pop-up:
// each drawing ends as it would one at a time, and AutoCAD's values are back.
TEST_F(Batch, SeveralAtOnceEndEachDrawingAsOneAtATimeWould) {
    const auto hung = drawing("hung.dwg", kDwg2004, "hang-in-save\r\n");
    const auto nosave = drawing("nosave.dwg", kDwg2004, "no-save\r\n");
    const auto crash = drawing("crash.dwg", kDwg2004, "crash-during-save\r\n");
    const auto error = drawing("error.dwg", kDwg2004, "popup=AutoCAD Error|OK\r\n");
    const auto ro = drawing("ro.dwg", kDwg2004);
    SetFileAttributesW(Widen(ro).c_str(), FILE_ATTRIBUTE_READONLY);
    const auto ok1 = drawing("ok1.dwg", kDwg2004, "slow-start=2\r\n");
    const auto ok2 = drawing("ok2.dwg", kDwg2004);
    const std::string profile = AcadProfileKey(reg_, "AutoCAD 2010", "<<Unnamed Profile>>");
    const auto proxyBefore =
        ReadRegValue(reg_, RegRoot::CurrentUser, profile + "\\General", "ShowProxyDialog");
    const std::string list = listOf({hung, nosave, crash, error, ro, ok1, ok2});
    const DWORD code = batch("run \"" + list + "\" --jobs 3 --set Timeout=4 --set R16=\"AutoCAD R2010 DWG\"");
    EXPECT_EQ(code, 1u) << output_;
    const DrawingList rows = readList(list);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].cell(kColStatus), "Timeouted") << output_;
    EXPECT_EQ(rows[1].cell(kColStatus), "Not saved");
    EXPECT_EQ(rows[2].cell(kColStatus), "Not saved");
    EXPECT_EQ(rows[3].cell(kColStatus), "Terminated");
    EXPECT_EQ(rows[4].cell(kColStatus), "ReadOnly");
    EXPECT_EQ(rows[5].cell(kColStatus), "OK");
    EXPECT_EQ(rows[6].cell(kColStatus), "OK");
    for (const auto& kept : {hung, nosave, crash, error})
        EXPECT_EQ(ReadFileBytes(kept), kDwg2004) << kept;
    EXPECT_EQ(ReadFileBytes(ok2).substr(0, 6), "AC1024");
    // Each AutoCAD had a script of its own.
    EXPECT_TRUE(Has(ReadFileBytes(nosave + ".journal") + ReadFileBytes(crash + ".journal"), "purge2\""))
        << output_;
    EXPECT_EQ(ReadRegValue(reg_, RegRoot::CurrentUser, profile + "\\General", "ShowProxyDialog"),
              proxyBefore);
    EXPECT_FALSE(reg_.keyExists(RegRoot::CurrentUser, kPendingProfileValuesKey));
}

// The batch command killed with four drawings half saved: the list keeps
// them to do, and the next start puts every drawing and value back.
TEST_F(Batch, AKillWithFourDrawingsInProgressIsPutRightAtTheNextStart) {
    std::vector<std::string> paths;
    for (const char* name : {"a.dwg", "b.dwg", "c.dwg", "d.dwg"})
        paths.push_back(drawing(name, kDwg2000, "save-in-place\r\nhang-in-save\r\n"));
    const std::string list = listOf(paths);
    test::ChildProcess child;
    ASSERT_TRUE(child.start("\"" + test::ProgramFolder() + "\\plansweeper-batch.exe\" run \"" + list +
                                "\" --jobs 4 --set R15=\"AutoCAD R2010 DWG\"",
                            dir_.file("out.txt")));
    // Until every drawing is cut short by its own AutoCAD: four starts at
    // once, with room for a busy two-core machine.
    ASSERT_TRUE(test::WaitUntil(
        [&] {
            for (const auto& path : paths)
                if (ReadFileBytes(path) == kDwg2000)
                    return false;
            return true;
        },
        180000));
    child.kill();
    // Every AutoCAD of the run ends with it: none writes on after the kill.
    EXPECT_TRUE(test::WaitUntil([] { return test::StandinsRunning() == 0; }, 10000));
    for (const auto& path : paths)
        WriteFileBytes(path + ".standin", "");
    test::EndStandins();
    for (const auto& row : readList(list))
        EXPECT_EQ(row.cell(kColStatus), "");
    EXPECT_TRUE(reg_.keyExists(RegRoot::CurrentUser, kPendingProfileValuesKey));
    EXPECT_EQ(batch("run \"" + list + "\" --jobs 4 --set R15=\"AutoCAD R2010 DWG\""), 0u) << output_;
    EXPECT_TRUE(Has(output_, "profile values an earlier run left changed were put back")) << output_;
    EXPECT_FALSE(reg_.keyExists(RegRoot::CurrentUser, kPendingProfileValuesKey));
    const DrawingList rows = readList(list);
    ASSERT_EQ(rows.size(), paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(rows[i].cell(kColStatus), "OK") << output_;
        EXPECT_EQ(ReadFileBytes(paths[i]).substr(0, 6), "AC1024");
    }
}

// A second batch starts (and stops at once for a missing list) while the
// first one's AutoCAD saves slowly and then crashes in the middle of the
// save: the second leaves the first's safety copy alone, so the first puts
// the drawing back whole.
TEST_F(Batch, ASecondRunLeavesTheWorkOfALiveRunAlone) {
    const std::string path =
        drawing("a.dwg", kDwg2000, "save-in-place\r\nslow-save=4\r\ncrash-during-save\r\n");
    const std::string list = listOf({path});
    test::ChildProcess first;
    ASSERT_TRUE(first.start("\"" + test::ProgramFolder() + "\\plansweeper-batch.exe\" run \"" + list +
                                "\" --set R15=\"AutoCAD R2010 DWG\"",
                            dir_.file("first.txt")));
    // AutoCAD has the drawing open: its safety copy is made, the save not begun.
    const std::string lock = path.substr(0, path.size() - 4) + ".dwl";
    ASSERT_TRUE(test::WaitUntil(
        [&] { return GetFileAttributesW(Widen(lock).c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000));
    EXPECT_EQ(batch("run \"" + dir_.file("nonexistent.log") + "\""), 2u) << output_;
    ASSERT_TRUE(first.waitFor(60000));
    const std::string out = ReadFileBytes(dir_.file("first.txt"));
    EXPECT_TRUE(ReadFileBytes(path) == kDwg2000) << out; // put back whole, not cut by the crash
    EXPECT_EQ(statusIn(list, 0), "Not saved") << out;
}

TEST_F(Batch, FolderRowsExpandAndTheirTemporaryFilesAreCleaned) {
    const std::string folder = dir_.file("jobs");
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    CreateDirectoryW(Widen(folder + "\\sub").c_str(), nullptr);
    drawing("jobs\\p1.dwg", kDwg2000);
    drawing("jobs\\sub\\p2.dwg", kDwg2000);
    const auto oldBak = drawing("jobs\\old.bak", "backup");
    const auto newBak = drawing("jobs\\new.bak", "backup");
    // Last written three days ago.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= 3ULL * 864'000'000'000ULL;
    const FileTimes old{t.QuadPart, t.QuadPart, t.QuadPart};
    ASSERT_TRUE(files_.setFileTimes(oldBak, old));
    const std::string list = listOf({folder});
    const DWORD code = batch("run \"" + list + "\" --set DeleteBak=-1 --set DeleteDays=1");
    EXPECT_EQ(code, 0u) << output_;
    const DrawingList rows = readList(list);
    ASSERT_EQ(rows.size(), 2u) << output_;
    EXPECT_EQ(FullPath(rows[0]), folder + "\\p1.dwg");
    EXPECT_EQ(FullPath(rows[1]), folder + "\\sub\\p2.dwg");
    EXPECT_EQ(rows[1].cell(kColStatus), "OK");
    EXPECT_EQ(GetFileAttributesW(Widen(oldBak).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(Widen(newBak).c_str()), INVALID_FILE_ATTRIBUTES);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string log = ReadFileBytes(Narrow(temp) + "PlansweeperDeletedFiles.log");
    EXPECT_TRUE(Has(log, oldBak + ";old;bak;0\r\n")) << log;
    EXPECT_FALSE(Has(log, "new.bak"));
}

TEST_F(Batch, AKilledBatchLeavesEveryStatusItGathered) {
    const auto a = drawing("a.dwg", kDwg2000);
    const auto b = drawing("b.dwg", kDwg2000);
    const auto c = drawing("c.dwg", kDwg2000, "hang\r\n");
    const std::string list = listOf({a, b, c});
    const std::string out = dir_.file("statuses.log");
    const std::string before = AcadCurrentProductName(reg_);
    test::ChildProcess child;
    // 2000 drawings go to an override product of another release: the run
    // switches AutoCAD's current product for them.
    ASSERT_TRUE(child.start("\"" + test::ProgramFolder() + "\\plansweeper-batch.exe\" run \"" + list +
                                "\" --out \"" + out + "\" --set HCA15=\"AutoCAD 2004\"",
                            dir_.file("out.txt")));
    // Wait until AutoCAD is on the third drawing, then pull the plug.
    HWND third = nullptr;
    ASSERT_TRUE(test::WaitUntil(
        [&] {
            third = FindWindowW(nullptr, L"AutoCAD 2004 - [c.dwg]");
            return third != nullptr;
        },
        60000));
    child.kill();
    EXPECT_EQ(AcadCurrentProductName(reg_), "AutoCAD 2004"); // left switched by the kill
    DWORD pid = 0;
    GetWindowThreadProcessId(third, &pid);
    HANDLE acad = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
    TerminateProcess(acad, 1);
    CloseHandle(acad);
    const DrawingList rows = readList(out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].cell(kColStatus), "OK");
    EXPECT_EQ(rows[1].cell(kColStatus), "OK");
    EXPECT_EQ(rows[2].cell(kColStatus), "");
    EXPECT_EQ(ReadFileBytes(list), ReadFileBytes(list)); // the input list is left alone
    EXPECT_EQ(statusIn(list, 0), "");
    // The profile values it had changed are put back by the next start.
    EXPECT_TRUE(reg_.keyExists(RegRoot::CurrentUser, kPendingProfileValuesKey));
    EXPECT_EQ(batch("run \"" + out + "\" --dry-run"), 0u) << output_;
    EXPECT_TRUE(reg_.keyExists(RegRoot::CurrentUser, kPendingProfileValuesKey)); // a dry run changes nothing
    WriteFileBytes(c + ".standin", "");
    EXPECT_EQ(batch("run \"" + out + "\""), 0u) << output_;
    EXPECT_TRUE(Has(output_, "profile values an earlier run left changed were put back")) << output_;
    EXPECT_FALSE(reg_.keyExists(RegRoot::CurrentUser, kPendingProfileValuesKey));
    EXPECT_EQ(statusIn(out, 2), "OK");
    // So are AutoCAD's current-product pointers; the copy made before AutoCAD
    // opened c.dwg equals the drawing (AutoCAD saved nothing) and simply goes.
    EXPECT_TRUE(Has(output_, "current product and profile, left changed by an earlier run, were put back"))
        << output_;
    EXPECT_EQ(AcadCurrentProductName(reg_), before);
    EXPECT_FALSE(Has(output_, "safety copy")) << output_;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string copies = Narrow(temp) + "Plansweeper\\Safety copies";
    WIN32_FIND_DATAW found;
    const HANDLE leftover = FindFirstFileW(Widen(copies + "\\*.copy").c_str(), &found);
    EXPECT_EQ(leftover, INVALID_HANDLE_VALUE);
    if (leftover != INVALID_HANDLE_VALUE)
        FindClose(leftover);
    test::RemoveTree(copies);
}

TEST_F(Batch, ADryRunLeavesEverythingAlone) {
    const std::string folder = dir_.file("jobs");
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    const auto a = drawing("jobs\\a.dwg", kDwg2004);
    const auto ro = drawing("jobs\\ro.dwg", kDwg2004);
    SetFileAttributesW(Widen(ro).c_str(), FILE_ATTRIBUTE_READONLY);
    const auto bak = drawing("jobs\\a.bak", "old backup");
    const std::string list = listOf({folder});
    const std::string listBefore = ReadFileBytes(list);
    const std::string profile = AcadProfileKey(reg_, "AutoCAD 2010", "<<Unnamed Profile>>");
    const auto proxyBefore =
        ReadRegValue(reg_, RegRoot::CurrentUser, profile + "\\General", "ShowProxyDialog");
    // Another product current before, so a change would show.
    ASSERT_TRUE(SetAcadCurRelease(reg_, "R17.0"));
    ASSERT_TRUE(SetAcadCurProductKey(reg_, "ACAD-5001:409"));
    const std::string scripts = dir_.file("scripts");
    const DWORD code = batch("run \"" + list + "\" --dry-run --scripts \"" + scripts +
                             "\" --set DeleteBak=-1 --set DeleteDays=0 --set ProdName=\"AutoCAD 2010\" --set "
                             "R16=\"AutoCAD R2000 DWG\"");
    EXPECT_EQ(code, 1u) << output_; // the read-only drawing would fail
    EXPECT_TRUE(Has(output_, "would run\tAutoCAD 2010 | <<Unnamed Profile>> | _2000\t" + a)) << output_;
    EXPECT_TRUE(Has(output_, "ReadOnly")) << output_;
    EXPECT_EQ(ReadFileBytes(a), kDwg2004);
    EXPECT_EQ(ReadFileBytes(bak), "old backup");
    EXPECT_EQ(ReadFileBytes(list), listBefore);
    EXPECT_EQ(ReadRegValue(reg_, RegRoot::CurrentUser, profile + "\\General", "ShowProxyDialog"),
              proxyBefore);
    EXPECT_EQ(AcadCurrentProductName(reg_), "AutoCAD 2007");
    EXPECT_TRUE(Has(ReadFileBytes(scripts + "\\1.scr"), "(setq lst (list \"_2000\""));
    EXPECT_EQ(GetFileAttributesW(Widen(scripts + "\\2.scr").c_str()), INVALID_FILE_ATTRIBUTES); // refused row
    SetAcadCurRelease(reg_, "R18.0");
    SetAcadCurProductKey(reg_, "ACAD-8001:409");
}

TEST_F(Batch, UsageErrorsAndAMissingCompanionStopTheRun) {
    EXPECT_EQ(batch("run"), 2u);
    EXPECT_TRUE(Has(output_, "usage: plansweeper-batch run <listfile>")) << output_;
    EXPECT_EQ(batch("/?"), 0u);
    EXPECT_TRUE(Has(output_, "Exit codes:")) << output_;
    EXPECT_EQ(batch("run \"" + dir_.file("missing.log") + "\""), 2u);
    EXPECT_EQ(batch("run \"" + listOf({}) + "\" --set Nonsense=1"), 2u);
    EXPECT_EQ(batch("run \"" + listOf({}) + "\" --set ProdName=\"AutoCAD 2099\""), 2u);
    EXPECT_TRUE(Has(output_, "not an installed AutoCAD product")) << output_;
    EXPECT_EQ(batch("run \"" + listOf({}) + "\" --set ProdName="), 2u) << output_;
    WriteFileBytes(dir_.file("control.log"), "a.dwg;C:\\D;;;1; ;d;\r\nb\0.dwg;C:\\D;;;1; ;d;\r\n"s);
    EXPECT_EQ(batch("run \"" + dir_.file("control.log") + "\""), 2u);
    EXPECT_TRUE(Has(output_, "line 2 holds a control character")) << output_;
    // An --out that cannot be written: refused before any drawing, nothing left half-written.
    const auto first = drawing("first.dwg", kDwg2004);
    const std::string nowhere = dir_.file("no such folder\\out.log");
    EXPECT_EQ(batch("run \"" + listOf({first}) + "\" --out \"" + nowhere + "\""), 3u) << output_;
    EXPECT_EQ(ReadFileBytes(first), kDwg2004);
    EXPECT_EQ(GetFileAttributesW(Widen(nowhere + ".partial").c_str()), INVALID_FILE_ATTRIBUTES);

    // A copy of the program without the companion application beside it.
    const std::string lonely = dir_.file("lonely");
    CreateDirectoryW(Widen(lonely).c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(Widen(test::ProgramFolder() + "\\plansweeper-batch.exe").c_str(),
                          Widen(lonely + "\\plansweeper-batch.exe").c_str(), FALSE));
    const auto a = drawing("a.dwg", kDwg2004);
    const auto b = drawing("b.dwg", kDwg2004);
    const std::string list = listOf({a, b});
    test::ChildProcess child;
    ASSERT_TRUE(
        child.start("\"" + lonely + "\\plansweeper-batch.exe\" run \"" + list + "\"", dir_.file("out.txt")));
    ASSERT_TRUE(child.waitFor(60000));
    EXPECT_EQ(child.exitCode(), 1u); // its drawings are left undone
    EXPECT_TRUE(Has(ReadFileBytes(dir_.file("out.txt")),
                    "Error in CreateSCRpurge: " + lonely + "\\Plansweeper.VLX not found"));
    EXPECT_EQ(statusIn(list, 0), "");
    EXPECT_EQ(ReadFileBytes(a), kDwg2004);
}

// A list split over two desks: each part is an ordinary list, a part run
// twice ends as one run once, and the merge brings every outcome back; a
// part of another list is refused.
TEST_F(Batch, SplitPartsRunAnywhereAndMergeBack) {
    const std::string folder = dir_.file("jobs");
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    for (const char* name : {"jobs\\a.dwg", "jobs\\b.dwg", "jobs\\c.dwg"})
        drawing(name, kDwg2004);
    const std::string list = listOf({folder});
    EXPECT_EQ(batch("split \"" + list + "\" --parts 2 --out \"" + dir_.file("parts") + "\""), 0u) << output_;
    const std::string one = dir_.file("parts\\list part 1 of 2.log");
    const std::string two = dir_.file("parts\\list part 2 of 2.log");
    EXPECT_EQ(batch("run \"" + one + "\""), 0u) << output_;
    EXPECT_EQ(batch("run \"" + two + "\""), 0u) << output_;
    EXPECT_EQ(batch("run \"" + two + "\""), 0u) << output_; // the desk's job started again
    EXPECT_EQ(batch("merge \"" + list + "\" \"" + one + "\" \"" + two + "\""), 0u) << output_;
    const DrawingList merged = readList(list);
    ASSERT_EQ(merged.size(), 3u);
    for (const auto& row : merged)
        EXPECT_EQ(row.cell(kColStatus), "OK") << FullPath(row);
    DrawingList strangers;
    strangers.append(MakeFolderRow(dir_.path()));
    ASSERT_EQ(WriteListFile(files_, codec_, dir_.file("other.log"), strangers), std::nullopt);
    EXPECT_EQ(batch("merge \"" + list + "\" \"" + dir_.file("other.log") + "\""), 2u) << output_;
}

// Two batches at once on one desk, each with its own drawings: each writes
// its scripts and the companion's records in its own run folder, so neither
// reads the other's, and every drawing ends OK.
TEST_F(Batch, TwoBatchesAtOnceKeepTheirScriptsApart) {
    std::vector<std::string> lists;
    for (const char* set : {"first", "second"}) {
        std::vector<std::string> drawings;
        for (int i = 0; i < 3; ++i)
            drawings.push_back(
                drawing(std::string(set) + std::to_string(i) + ".dwg", kDwg2004, "slow-save=1\r\n"));
        // Each batch its own list file.
        const std::string own = dir_.file(std::string(set) + ".log");
        MoveFileExW(Widen(listOf(drawings)).c_str(), Widen(own).c_str(), MOVEFILE_REPLACE_EXISTING);
        lists.push_back(own);
    }
    test::ChildProcess one, two;
    const std::string exe = "\"" + test::ProgramFolder() + "\\plansweeper-batch.exe\" run ";
    ASSERT_TRUE(one.start(exe + "\"" + lists[0] + "\" --set PurgeAll=-1", dir_.file("one.txt")));
    ASSERT_TRUE(two.start(exe + "\"" + lists[1] + "\" --set PurgeAll=-1", dir_.file("two.txt")));
    EXPECT_TRUE(one.waitFor(120000));
    EXPECT_TRUE(two.waitFor(120000));
    for (const auto& list : lists)
        for (std::size_t row = 0; row < 3; ++row)
            EXPECT_EQ(statusIn(list, row), "OK")
                << list << " " << row << "\n"
                << ReadFileBytes(dir_.file("one.txt")) << ReadFileBytes(dir_.file("two.txt"));
}

// Each drawing keeps AutoCAD's own transcript, under its row's number:
// two drawings of one name processed at once each get theirs. The JSON
// names it, and the report shows a failure's last lines.
TEST_F(Batch, EveryDrawingKeepsItsOwnTranscript) {
    const std::string one = dir_.file("one");
    const std::string two = dir_.file("two");
    CreateDirectoryW(Widen(one).c_str(), nullptr);
    CreateDirectoryW(Widen(two).c_str(), nullptr);
    const auto a1 = drawing("one\\a.dwg", kDwg2004, "slow-save=1\r\n");
    const auto a2 = drawing("two\\a.dwg", kDwg2004, "slow-save=1\r\n");
    const auto failed = drawing("nosave.dwg", kDwg2004, "no-save\r\n");
    const std::string logs = dir_.file("logs");
    const std::string json = dir_.file("run.json");
    const std::string report = dir_.file("run.html");
    const std::string list = listOf({a1, a2, failed});
    EXPECT_EQ(batch("run \"" + list + "\" --jobs 2 --set PurgeAll=-1 --logs \"" + logs + "\" --json \"" +
                    json + "\" --report \"" + report + "\""),
              1u)
        << output_;
    EXPECT_EQ(statusIn(list, 0), "OK");
    EXPECT_EQ(statusIn(list, 1), "OK");
    EXPECT_EQ(statusIn(list, 2), "Not saved");
    const std::string first = ReadFileBytes(logs + "\\0001-a.dwg.log");
    const std::string second = ReadFileBytes(logs + "\\0002-a.dwg.log");
    EXPECT_TRUE(Has(first, "opened " + a1)) << first;
    EXPECT_FALSE(Has(first, a2)) << first;
    EXPECT_TRUE(Has(second, "opened " + a2)) << second;
    EXPECT_TRUE(Has(ReadFileBytes(logs + "\\0003-nosave.dwg.log"), "save skipped"));
    std::string escaped;
    for (char c : logs + "\\0001-a.dwg.log")
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    EXPECT_TRUE(Has(ReadFileBytes(json), "\"log\": \"" + escaped + "\"")) << ReadFileBytes(json);
    EXPECT_TRUE(Has(ReadFileBytes(report), "AutoCAD's last lines</summary><pre>")) << ReadFileBytes(report);
}

// A report asked for and not written fails the batch, even when every
// drawing would be fine.
// What the companion recorded reaches the JSON and the CSV beside the list;
// the CSV in the desk's own separators.
TEST_F(Batch, TheJsonAndTheCsvCarryWhatTheCleaningDid) {
    const auto a = drawing("a.dwg", kDwg2004);
    test::WriteFileBytes(a + ".standin", "unused=layers:3\r\nxref-missing=Site plan\r\nproxy-objects=2\r\n");
    const std::string json = dir_.file("run.json");
    const std::string csv = dir_.file("run.csv");
    EXPECT_EQ(
        batch("run \"" + listOf({a}) + "\" --set PurgeAll=-1 --json \"" + json + "\" --csv \"" + csv + "\""),
        0u)
        << output_;
    const std::string text = ReadFileBytes(json);
    EXPECT_TRUE(Has(text, "\"status\": \"OK\", \"failed\": false, \"version_before\": \"2004\"")) << text;
    EXPECT_TRUE(Has(text, "\"layers\": 3")) << text;
    EXPECT_TRUE(Has(text, "\"proxy_objects\": 2, \"missing_xrefs\": [\"Site plan\"]")) << text;
    const ListSeparators desk = UserListSeparators();
    const std::string table = ReadFileBytes(csv);
    EXPECT_EQ(table.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_TRUE(Has(table, "a.dwg" + desk.list + dir_.path() + desk.list + "OK" + desk.list + "false" +
                               desk.list + "2004" + desk.list))
        << table;
    EXPECT_TRUE(Has(table, desk.list + "3" + desk.list)) << table;
    EXPECT_TRUE(Has(table, desk.list + "2" + desk.list + "Site plan" + desk.list + desk.list + "\r\n"))
        << table;
}

TEST_F(Batch, AReportThatCannotBeWrittenFailsTheBatch) {
    const std::string list = listOf({drawing("a.dwg", kDwg2004)});
    EXPECT_EQ(batch("run \"" + list + "\" --dry-run"), 0u) << output_;
    const std::string nowhere = dir_.file("no such folder\\r.html");
    EXPECT_EQ(batch("run \"" + list + "\" --dry-run --report \"" + nowhere + "\""), 1u) << output_;
    EXPECT_TRUE(Has(output_, "The report could not be written to " + nowhere)) << output_;
}

// The exit code follows the list as it stands after the run, and every row
// prints one line, also rows no drawing work was done for.
TEST_F(Batch, EveryRowPrintsOneLineAndEarlierFailuresCount) {
    const auto ok = drawing("ok.dwg", kDwg2004);
    const std::string missing = dir_.file("gone folder");
    CreateDirectoryW(Widen(missing).c_str(), nullptr);
    std::string list = listOf({ok, missing});
    RemoveDirectoryW(Widen(missing).c_str());
    EXPECT_EQ(batch("run \"" + list + "\""), 1u) << output_;
    EXPECT_TRUE(Has(output_, "1/2\tOK\t" + ok)) << output_;
    EXPECT_TRUE(Has(output_, "2/2\tFolder not found\t" + missing)) << output_;

    // A row that failed in an earlier run still fails the list.
    DrawingList rows = readList(list);
    ASSERT_EQ(rows.size(), 2u);
    rows.erase(1);
    rows[0].cell(kColStatus) = "Timeouted";
    ASSERT_EQ(WriteListFile(files_, codec_, list, rows), std::nullopt);
    EXPECT_EQ(batch("run \"" + list + "\""), 1u) << output_;
    EXPECT_TRUE(Has(output_, "1/1\tTimeouted\t" + ok)) << output_;
    // --retry-failed runs it again; then there is nothing left to retry.
    EXPECT_EQ(batch("run \"" + list + "\" --retry-failed"), 0u) << output_;
    EXPECT_EQ(statusIn(list, 0), "OK");
    EXPECT_EQ(batch("run \"" + list + "\" --retry-failed"), 0u) << output_;
    EXPECT_TRUE(Has(output_, "No failed drawings to run again.")) << output_;
}

// A list that cannot be written any more stops the run before its next
// drawing: nothing would record what AutoCAD did to it.
TEST_F(Batch, AListThatCannotBeWrittenMidRunStopsBeforeTheNextDrawing) {
    const auto a = drawing("a.dwg", kDwg2004, "slow-save=3\r\n");
    const auto b = drawing("b.dwg", kDwg2004);
    const std::string list = listOf({a, b});
    test::ChildProcess child;
    ASSERT_TRUE(child.start("\"" + test::ProgramFolder() + "\\plansweeper-batch.exe\" run \"" + list + "\"",
                            dir_.file("out.txt")));
    ASSERT_TRUE(
        test::WaitUntil([] { return FindWindowW(nullptr, L"AutoCAD 2010 - [a.dwg]") != nullptr; }, 60000));
    // The list's next write finds a folder where its temporary file goes.
    CreateDirectoryW(Widen(list + ".partial").c_str(), nullptr);
    ASSERT_TRUE(child.waitFor(60000));
    RemoveDirectoryW(Widen(list + ".partial").c_str());
    output_ = ReadFileBytes(dir_.file("out.txt"));
    EXPECT_EQ(child.exitCode(), 3u) << output_;
    EXPECT_TRUE(Has(output_, "the run stops before the next drawing")) << output_;
    EXPECT_EQ(ReadFileBytes(b), kDwg2004);
    EXPECT_TRUE(Has(output_, "2/2\tNot processed\t" + b)) << output_;
}

// A volume that fills up: a drawing without room is refused, a save that
// runs out of room is never taken for a saved drawing, whether AutoCAD
// writes beside the drawing or over it, and every original survives.
TEST_F(Batch, AFullDiskLeavesEveryOriginalAndNoFalseOk) {
    if (GetFileAttributesW(L"S:\\") == INVALID_FILE_ATTRIBUTES) {
        const std::string why = ReadFileBytes("small-volume.skip");
        GTEST_SKIP() << (why.empty() ? "no small volume at S: (scripts/small-volume up makes it)" : why);
    }
    test::TempDir small("S:\\");
    const auto put = [&](const std::string& name, std::size_t filler, const std::string& directives) {
        const std::string bytes = samples::SampleDwg("AC1018", samples::Thumbnail{}, filler);
        const std::string path = small.write(name, bytes);
        if (!directives.empty())
            WriteFileBytes(path + ".standin", directives);
        return std::make_pair(path, bytes);
    };
    const auto big = put("big.dwg", 8u << 20, "");
    const auto beside = put("beside.dwg", 200 << 10, "grow=20000\r\n");
    const auto inPlace = put("inplace.dwg", 200 << 10, "grow=20000\r\nsave-in-place\r\n");
    const auto fits = put("fits.dwg", 200 << 10, "");
    const std::string list = listOf({big.first, beside.first, inPlace.first, fits.first});
    EXPECT_EQ(batch("run \"" + list + "\" --set R16=\"AutoCAD R2010 DWG\""), 1u) << output_;
    const DrawingList rows = readList(list);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].cell(kColStatus), "Skipped: Not enough disk space") << output_;
    EXPECT_EQ(rows[1].cell(kColStatus), "Not saved") << ReadFileBytes(beside.first + ".journal");
    EXPECT_EQ(rows[2].cell(kColStatus), "Not saved");
    EXPECT_EQ(rows[3].cell(kColStatus), "OK");
    for (const auto& [path, bytes] : {big, beside, inPlace})
        EXPECT_TRUE(ReadFileBytes(path) == bytes) << path << " is not as it was";
    EXPECT_EQ(SavedDrawingWholeness(files_, fits.first), Wholeness::Whole);
    EXPECT_EQ(ReadFileBytes(fits.first).substr(0, 6), "AC1024");
}

} // namespace
} // namespace ps
