// The batch run over in-memory ports, with AutoCAD played by the stand-in's
// session model running the scripts the run writes.
#include "run/run_command.h"
#include "run/run_engine.h"
#include "run/run_texts.h"
#include "run/safety_copies.h"

#include "registration.h"

#include "acad/current_pointers.h"
#include "acad/products.h"
#include "acad/profile_values.h"
#include "core/memory_file_system.h"
#include "core/memory_registry.h"
#include "support/fake_autocad.h"
#include "support/fake_ports.h"
#include "sample_drawings.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

using Behaviour = test::FakeAutoCad::Behaviour;

const std::string kDwg2000 = "AC1015" + std::string(2042, 'x'); // 2 KB
const std::string kDwg2004 = "AC1018" + std::string(4090, 'y'); // 4 KB
const std::string kDwg2007 = "AC1021" + std::string(1018, 'z'); // 1 KB
const std::string kDwg2010 = "AC1024" + std::string(1018, 'w');
const std::string kDxfUnknown =
    "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1099\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n";

class Run : public testing::Test {
protected:
    void SetUp() override {
        standin::RegisterStandins(reg, "C:\\Standin",
                                  [&](const standin::StandinProduct& p, const std::string& f) {
                                      files.addFile(f + "\\" + p.exeName, "exe");
                                      if (standin::HasConsoleEngine(p))
                                          files.addFile(f + "\\accoreconsole.exe", "exe");
                                      return true;
                                  });
        files.addFile("C:\\Program\\Plansweeper.VLX", "vlx");
        files.addFolder("C:\\Temp");
        settings.Timeout = 30;
        settings.PurgeTimes = 1;
        settings.PurgeAll = -1;
    }

    // The general product, as the settings name it.
    void useProduct(const std::string& name) { settings.ProdName = name; }

    void add(const std::string& path, const std::string& bytes, std::uint32_t attrs = kAttrArchive) {
        files.addFile(path, bytes, attrs).times = FileTimes{10, 20, 30};
        DrawingRow row;
        const auto cut = path.rfind('\\');
        row.cells[kColFilename] = path.substr(cut + 1);
        row.cells[kColPath] = path.substr(0, cut);
        row.cells[kColSizeAfter] = " ";
        list.append(row);
    }

    RunResult run(DrawingList& l, RunOptions options = {}) {
        options.rowDone = [this, inner = options.rowDone](const RowReport& r) {
            reports.push_back(r);
            if (inner)
                inner(r);
        };
        RunPorts ports{reg, files, codec, clock, prompt, pump, autocad, desktop, state, progress, runs};
        return runScript(ports, settings, l, paths, options);
    }
    RunResult run(RunOptions options = {}) { return run(list, std::move(options)); }

    std::string statusOf(std::size_t i) const { return list[i].cell(kColStatus); }
    std::string bytes(const std::string& path) const { return files.contentOf(path); }

    MemoryRegistry reg;
    MemoryFileSystem files;
    Latin1Codec codec;
    test::ManualClock clock;
    test::ScriptedPrompt prompt;
    test::CountingPump pump;
    test::FakeAutoCad autocad{files, clock, reg};
    test::QuietDesktop desktop;
    RunState state;
    NoProgress progress;
    Settings settings;
    DrawingList list;
    MemoryRunOwnership runs;
    RunPaths paths = RunPathsFor("C:\\Temp\\purge", "C:\\Program", "C:\\Temp\\", runs.ownId());
    std::vector<RowReport> reports;
};

TEST_F(Run, ConvertsDrawingsOfSeveralReleasesAndRecordsWhatHappened) {
    add("C:\\D\\a2000.dwg", kDwg2000);
    add("C:\\D\\b2004.dwg", kDwg2004);
    add("C:\\D\\c2007.DWG", kDwg2007);
    settings.R[3] = "AutoCAD R2010 DWG";    // 2000 drawings to 2010
    settings.R[4] = "Don't convert format"; // 2004 drawings stay 2004
    settings.R[5] = "AutoCAD R2004 DWG";    // 2007 drawings down to 2004
    const RunResult result = run();
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(statusOf(1), "OK");
    EXPECT_EQ(statusOf(2), "OK");
    EXPECT_EQ(list[0].cell(kColVersion), "2010");
    EXPECT_EQ(list[1].cell(kColVersion), "2004");
    EXPECT_EQ(list[2].cell(kColVersion), "2004");
    EXPECT_EQ(list[0].cell(kColSizeBefore), "2");
    EXPECT_EQ(list[1].cell(kColSizeAfter), "4");
    EXPECT_EQ(bytes("C:\\D\\a2000.dwg").substr(0, 6), "AC1024");
    EXPECT_EQ(result.processed, 3u);
    EXPECT_EQ(result.failures, 0u);
    ASSERT_EQ(autocad.starts.size(), 3u);
    EXPECT_EQ(autocad.starts[0].exe, "C:\\Standin\\AutoCAD 2010\\acad.exe");
    // The profile values were changed for the run and are back afterwards.
    EXPECT_EQ(autocad.starts[0].showProxyDialog, "0");
    EXPECT_EQ(autocad.starts[0].fileDialog, "1");
    EXPECT_FALSE(reg.keyExists(RegRoot::CurrentUser, kPendingProfileValuesKey));
    EXPECT_FALSE(reg.keyExists(RegRoot::CurrentUser, "Software\\QUILLMERE")); // no empty key stays
    // Dates restored after a normal end.
    EXPECT_EQ(files.find("C:\\D\\a2000.dwg")->times, (FileTimes{10, 20, 30}));
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[2].status, "OK");
    EXPECT_NE(result.totals.find("Total files OK: \r\n3"), std::string::npos) << result.totals;
}

// Current releases: a 2026 product writes both new formats; a 2010 product
// cannot open a 2018 drawing; a later release's drawing waits for a newer
// program and counts as not done.
TEST_F(Run, CurrentReleasesConvertBothWaysAndLaterOnesAreRefused) {
    const std::string dwg2018 = "AC1032" + std::string(1018, 'n');
    add("C:\\D\\a2000.dwg", kDwg2000);
    add("C:\\D\\b2018.dwg", dwg2018);
    add("C:\\D\\c2030.dwg", "AC1040" + std::string(1018, 'f'));
    settings.R[3] = "AutoCAD R2018 DWG";
    settings.R[8] = "AutoCAD R2013 DWG";
    useProduct("AutoCAD 2026");
    const RunResult result = run();
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(bytes("C:\\D\\a2000.dwg").substr(0, 6), "AC1032");
    EXPECT_EQ(statusOf(1), "OK");
    EXPECT_EQ(list[1].cell(kColVersion), "2013");
    EXPECT_EQ(statusOf(2), "Skipped: Drawing format newer than this program knows");
    EXPECT_EQ(list[2].cell(kColVersion), ">2018");
    EXPECT_EQ(result.failures, 1u);
    ASSERT_FALSE(autocad.starts.empty());
    EXPECT_EQ(autocad.starts[0].exe, "C:\\Standin\\AutoCAD 2026\\acad.exe");

    DrawingList older;
    older.append(list[1]);
    older[0].cells[kColStatus].clear();
    files.find("C:\\D\\b2018.dwg")->content = dwg2018;
    useProduct("AutoCAD 2010"); // it could not write the 2013 format either: the first reason is given
    run(older);
    EXPECT_EQ(older[0].cell(kColStatus), "Skipped: Cannot open that version");
}

// A 2026 profile whose trusted paths an administrator locked would question
// or refuse the companion on every drawing: the drawing is refused instead.
TEST_F(Run, ALockedTrustedPathsValueRefusesTheDrawingBeforeAutoCadStarts) {
    const std::string variables =
        ProfilesKeyPath("AutoCAD", "R25.1", "ACAD-9101:409") + standin::kStandinProfile + "\\Variables";
    reg.putString(RegRoot::CurrentUser, variables, "TRUSTEDPATHS", "E:\\Tools");
    reg.lockValue(RegRoot::CurrentUser, variables, "TRUSTEDPATHS");
    add("C:\\D\\a.dwg", kDwg2000);
    useProduct("AutoCAD 2026");
    const RunResult result = run();
    EXPECT_EQ(statusOf(0), "Skipped: Companion not trusted by AutoCAD");
    EXPECT_EQ(result.failures, 1u);
    EXPECT_TRUE(autocad.starts.empty());
    EXPECT_EQ(bytes("C:\\D\\a.dwg"), kDwg2000);
    EXPECT_FALSE(reg.keyExists(RegRoot::CurrentUser, kPendingProfileValuesKey));
}

// From 2026 on a profile that takes its support files from a project
// (PROJECTAWARE 1) ignores its trusted paths. Installed for all users, the
// companion lies below Program Files, always trusted: the drawings run and
// the list is not touched. Installed elsewhere, no drawing could load it:
// the run says why once and stops, every drawing left as it was.
TEST_F(Run, AProjectAwareProfileOf2026TrustsOnlyAnInstallationForAllUsers) {
    const std::string variables =
        ProfilesKeyPath("AutoCAD", "R25.1", "ACAD-9101:409") + standin::kStandinProfile + "\\Variables";
    reg.putString(RegRoot::CurrentUser, variables, "TRUSTEDPATHS", "E:\\Tools");
    reg.putDword(RegRoot::CurrentUser, variables, "PROJECTAWARE", 1);
    add("C:\\D\\a.dwg", kDwg2000);
    add("C:\\D\\b.dwg", kDwg2000);
    useProduct("AutoCAD 2026");
    const RunResult refused = run();
    EXPECT_TRUE(autocad.starts.empty());
    EXPECT_EQ(statusOf(0), "");
    EXPECT_EQ(statusOf(1), "");
    const std::string why = "AutoCAD 2026 locks its trusted paths for this profile: install Plansweeper for "
                            "all users, or set PROJECTAWARE to 0 in this profile. It will not load code from "
                            "C:\\Program.";
    EXPECT_EQ(refused.stopReason, why);
    EXPECT_FALSE(reg.keyExists(RegRoot::CurrentUser, kPendingProfileValuesKey));

    paths.programFolder = "C:\\Program Files\\Plansweeper";
    files.addFile(paths.programFolder + "\\Plansweeper.VLX", "vlx");
    const RunResult ran = run();
    EXPECT_TRUE(ran.stopReason.empty());
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(statusOf(1), "OK");
    EXPECT_EQ(RegText(ReadRegValue(reg, RegRoot::CurrentUser, variables, "TRUSTEDPATHS")), "E:\\Tools");
}

TEST_F(Run, SecondRunProcessesNothingAndClearedRowsRunAgain) {
    add("C:\\D\\a.dwg", kDwg2000);
    run();
    ASSERT_EQ(statusOf(0), "OK");
    const RunResult second = run();
    EXPECT_EQ(autocad.starts.size(), 1u);
    EXPECT_EQ(second.processed, 0u);
    list[0].cell(kColStatus).clear();
    run();
    EXPECT_EQ(autocad.starts.size(), 2u);
}

TEST_F(Run, RefusalsWithTheirStatusTexts) {
    add("C:\\D\\not.dwg", "garbage!");              // not a drawing
    add("C:\\D\\2007with2004.dwg", kDwg2007);       // product too old to open it
    add("C:\\D\\2004to2010with2007.dwg", kDwg2004); // product cannot write the format
    add("C:\\D\\dontsave.dwg", kDwg2000);           // "Don't save"
    add("C:\\D\\ro.dwg", kDwg2010, kAttrReadOnly);  // read-only
    add("C:\\D\\open.dwg", kDwg2010);               // held open by another program
    files.find("C:\\D\\open.dwg")->openForWriting = true;
    add("C:\\D\\semi;colon.dwg", kDwg2010);   // the list file could not hold its name
    add("C:\\D\\\xCE\xA9mega.dwg", kDwg2010); // the script's code page cannot carry it
    settings.HCA[5] = "AutoCAD 2004";         // 2007 drawings with a 2004 product
    settings.R[5] = "AutoCAD R2004 DWG";      // ... in a format it could write
    settings.HCA[4] = "AutoCAD 2007";
    settings.R[4] = "AutoCAD R2010 DWG";
    settings.R[3] = "Don't save";
    const RunResult result = run();
    EXPECT_EQ(result.failures, 4u); // the settings' own refusals are no failures
    EXPECT_EQ(statusOf(0), "Skipped: Not recognized as a drawing file");
    EXPECT_EQ(statusOf(1), "Skipped: Cannot open that version");
    EXPECT_EQ(statusOf(2), "Skipped: Cannot save to that version");
    EXPECT_EQ(statusOf(3), "Skipped: Don't save selected");
    EXPECT_EQ(statusOf(4), "ReadOnly");
    EXPECT_EQ(statusOf(5), "Access Denied");
    EXPECT_EQ(statusOf(6), "Skipped: Name holds ';'");
    EXPECT_EQ(statusOf(7), "Skipped: Name cannot be written to the script");
    EXPECT_TRUE(autocad.starts.empty());
    EXPECT_EQ(list[0].cell(kColVersion), "???"); // measured afterwards all the same
}

// Drawings of the oldest families kept in formats their product cannot write.
TEST_F(Run, OldFormatsAProductCannotWriteAreRefused) {
    add("C:\\D\\r12.dwg", "AC1009" + std::string(1018, 'a'));
    add("C:\\D\\r13.dwg", "AC1012" + std::string(1018, 'b'));
    add("C:\\D\\r14.dwg", "AC1014" + std::string(1018, 'c'));
    useProduct("AutoCAD 2004"); // writes neither R12, R13 nor R14
    run();
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(statusOf(i), "Skipped: Cannot save to that version") << i;
    EXPECT_TRUE(autocad.starts.empty());
}

TEST_F(Run, UnknownSaveFormatWordIsRefusedNotInherited) {
    add("C:\\D\\a.dwg", kDwg2010);
    add("C:\\D\\b.dwg", kDwg2004);
    settings.R[6] = "AutoCAD R2000 DWG";
    settings.R[4] = "AutoCAD R3000 DWG"; // edited by hand
    run();
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(statusOf(1), "Skipped: Unknown save format setting R16");
    EXPECT_EQ(autocad.starts.size(), 1u);
}

TEST_F(Run, ScriptFileDeniedAndAutoCadNotStarted) {
    add("C:\\D\\a.dwg", kDwg2010);
    files.addFolder("C:\\Temp\\purge.scr"); // the script cannot be written
    run();
    EXPECT_EQ(statusOf(0), "Script file denied access");

    files = MemoryFileSystem();
    files.addFile("C:\\Program\\Plansweeper.VLX", "vlx");
    list = DrawingList();
    add("C:\\D\\a.dwg", kDwg2010);
    run(); // no stand-in executables any more
    EXPECT_EQ(statusOf(0), "AutoCAD not started");
    EXPECT_EQ(bytes("C:\\D\\a.dwg"), kDwg2010);
}

TEST_F(Run, OkOnlyWhenTheRequestedFileWasWrittenInTheRequestedFormat) {
    add("C:\\D\\nosave.dwg", kDwg2004);
    add("C:\\D\\quits.dwg", kDwg2004);
    autocad.behave("C:\\D\\nosave.dwg", Behaviour::NoSave);
    autocad.behave("C:\\D\\quits.dwg", Behaviour::QuitAtOnce);
    RunResult result = run();
    EXPECT_EQ(statusOf(0), "Not saved");
    EXPECT_EQ(statusOf(1), "Not saved");
    EXPECT_EQ(result.failures, 2u);
}

// "OK" means the cleaning ran: the companion's record reaches the row, and
// a save the record does not vouch for is a failure with the original put back.
TEST_F(Run, OkNeedsTheCompanionsRecordOfTheCleaning) {
    add("C:\\D\\full.dwg", kDwg2004);
    add("C:\\D\\norecord.dwg", kDwg2004);
    add("C:\\D\\after.dwg", kDwg2004);
    standin::DrawingContents held;
    held.unused = {{"layers", 3}, {"blocks", 2}};
    held.proxies = 4;
    held.missingXrefs = {"Site plan"};
    held.missingFonts = {"romans_x.shx"};
    autocad.holds("C:\\D\\full.dwg", held);
    autocad.behave("C:\\D\\norecord.dwg", Behaviour::NoRecord);
    settings.PurgeAll = 0;
    settings.PurgeLayer = -1;
    const RunResult result = run();
    EXPECT_EQ(statusOf(0), "OK");
    ASSERT_TRUE(reports[0].facts.has_value());
    EXPECT_EQ(reports[0].facts->purged.at("layers"), 3);
    EXPECT_EQ(reports[0].facts->purged.at("blocks"), 0); // blocks were not purged
    EXPECT_EQ(reports[0].facts->proxies, 4);
    EXPECT_EQ(reports[0].facts->missingXrefs, std::vector<std::string>{"Site plan"});
    EXPECT_EQ(reports[0].facts->missingFonts, std::vector<std::string>{"romans_x.shx"});
    EXPECT_EQ(statusOf(1), "Not processed: AutoCAD did not run the cleaning");
    EXPECT_EQ(bytes("C:\\D\\norecord.dwg"), kDwg2004);
    // The record of the drawing before is not taken for the next one's.
    EXPECT_EQ(statusOf(2), "OK");
    EXPECT_EQ(result.failures, 1u);
}

TEST_F(Run, ATimeOutRestoresTheDrawingByteForByte) {
    add("C:\\D\\half.dwg", kDwg2004);
    add("C:\\D\\next.dwg", kDwg2004);
    autocad.behave("C:\\D\\half.dwg", Behaviour::PartialSaveThenHang);
    settings.Timeout = 5;
    run();
    EXPECT_EQ(statusOf(0), "Timeouted");
    EXPECT_EQ(bytes("C:\\D\\half.dwg"), kDwg2004);
    EXPECT_EQ(files.find("C:\\D\\half.dwl"), nullptr);
    EXPECT_TRUE(files.filesBelow("C:\\Temp\\Plansweeper").empty()); // the copy is gone too
    EXPECT_EQ(statusOf(1), "OK");                                   // and the run went on
}

TEST_F(Run, ACrashInTheMiddleOfASaveLeavesTheOriginalIntact) {
    add("C:\\D\\crash.dwg", kDwg2004);
    autocad.behave("C:\\D\\crash.dwg", Behaviour::CrashInSave);
    settings.R[4] = "AutoCAD R2010 DWG";
    run();
    EXPECT_EQ(statusOf(0), "Not saved");
    EXPECT_EQ(bytes("C:\\D\\crash.dwg"), kDwg2004);
    EXPECT_EQ(files.find("C:\\D\\crash.dwl"), nullptr); // the crashed AutoCAD's lock
}

// A full disk: a drawing without room is not started; a save cut short
// still starts with the right code but is not whole, and is put back.
TEST_F(Run, AFullDiskNeverLeavesADrawingCutShort) {
    const std::string framed = samples::SampleDwg("AC1018", samples::Thumbnail{}, 6000);
    add("D:\\Full\\big.dwg", framed);
    add("C:\\D\\cut.dwg", framed);
    add("C:\\D\\next.dwg", framed);
    files.setFreeSpace("D:", 2 * framed.size() + kDiskMarginBytes - 1);
    autocad.behave("C:\\D\\cut.dwg", Behaviour::CutShort);
    settings.R[4] = "AutoCAD R2010 DWG";
    settings.CreateBak = -1;
    const RunResult result = run();
    EXPECT_EQ(statusOf(0), "Skipped: Not enough disk space");
    EXPECT_EQ(statusOf(1), "Not saved");
    EXPECT_EQ(bytes("C:\\D\\cut.dwg"), framed);
    EXPECT_EQ(statusOf(2), "OK"); // the run goes on
    EXPECT_EQ(result.failures, 2u);
    EXPECT_EQ(autocad.starts.size(), 2u);
}

// A dry run asks each folder once, and never takes one folder's answer for
// another's: two drawings of one name in two folders are two drawings, the
// full volume refuses its drawing. A drawing cut short is told by what the
// look at it read.
TEST_F(Run, ADryRunTellsFoldersApart) {
    add("C:\\X\\q.dwg", kDwg2004);
    add("C:\\Y\\q.dwg", kDwg2004);
    add("D:\\Full\\big.dwg", kDwg2004);
    add("D:\\Full\\cut.dwg", "AC1018");
    files.addFolder("C:\\X");
    files.addFolder("C:\\Y");
    files.setFreeSpace("D:", kDiskMarginBytes);
    settings.R[4] = "AutoCAD R2010 DWG";
    RunOptions dry;
    dry.dryRun = true;
    run(dry);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_TRUE(reports[0].wouldRun);
    EXPECT_TRUE(reports[1].wouldRun);
    EXPECT_EQ(reports[2].status, "Skipped: Not enough disk space");
    EXPECT_EQ(reports[3].status, "Skipped: Drawing file is damaged");
}

// One file is processed once per run however the list spells it, and two
// drawings of one name never save over each other in a save-to folder.
TEST_F(Run, AFileIsProcessedOnceWhateverItsSpelling) {
    add("C:\\D\\p.dwg", kDwg2004);
    add("C:\\D\\sub\\..\\P.DWG", kDwg2004);
    add("\\\\?\\C:\\D\\p.dwg", kDwg2004);
    settings.R[4] = "AutoCAD R2010 DWG";
    run();
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(statusOf(1), "Skipped: Already processed in this run");
    EXPECT_EQ(statusOf(2), "Skipped: Already processed in this run");
    EXPECT_EQ(autocad.starts.size(), 1u);

    list = DrawingList();
    add("C:\\X\\q.dwg", kDwg2004);
    add("C:\\Y\\q.dwg", kDwg2004);
    files.addFolder("E:\\Out");
    settings.bSaveToFolder = -1;
    settings.sSaveToFolder = "E:\\Out";
    run();
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(statusOf(1), "Skipped: Name already saved to that folder");
}

// The same file through another drive letter (subst, a mapped drive) or a
// link is the same drawing; a drawing another live run has claimed is left
// alone, and a claim of a run that is gone holds nothing.
TEST_F(Run, AFileIsToldByWhatTheFileSystemSaysItIs) {
    add("C:\\D\\p.dwg", kDwg2004);
    add("Z:\\p.dwg", kDwg2004);
    files.find("C:\\D\\p.dwg")->fileId = files.find("Z:\\p.dwg")->fileId = "vol1-42";
    add("C:\\D\\theirs.dwg", kDwg2004);
    add("C:\\D\\stale.dwg", kDwg2004);
    files.addFile(RunFolderOf(paths.tempFolder, "other") + "\\1.claim",
                  "F" + *files.fileId("C:\\D\\theirs.dwg") + "\n");
    files.addFile(RunFolderOf(paths.tempFolder, "killed") + "\\1.claim",
                  "F" + *files.fileId("C:\\D\\stale.dwg") + "\n");
    runs.setAlive("other", true);
    settings.R[4] = "AutoCAD R2010 DWG";
    run();
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(statusOf(1), "Skipped: Already processed in this run");
    EXPECT_EQ(statusOf(2), "Skipped: In use by another Plansweeper run");
    EXPECT_EQ(bytes("C:\\D\\theirs.dwg"), kDwg2004);
    EXPECT_EQ(statusOf(3), "OK");
    EXPECT_EQ(files.filesBelow(paths.safetyFolder), std::vector<std::string>{}); // claims released
}

TEST_F(Run, StopAnsweredYesTerminatesAndEndsTheRun) {
    add("C:\\D\\a.dwg", kDwg2004);
    add("C:\\D\\b.dwg", kDwg2004);
    autocad.behave("C:\\D\\a.dwg", Behaviour::Hang);
    prompt.answer = true;
    pump.onPump = [this](int n) {
        if (n == 3)
            state.requestStop();
    };
    RunResult result = run();
    EXPECT_EQ(statusOf(0), "Terminated");
    EXPECT_EQ(statusOf(1), "");
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(prompt.questions.size(), 1u);
    EXPECT_FALSE(state.busy());
}

TEST_F(Run, StopAfterTheCurrentDrawingWhenTheUserLetsItFinish) {
    add("C:\\D\\a.dwg", kDwg2004);
    add("C:\\D\\b.dwg", kDwg2004);
    pump.onPump = [this](int n) {
        if (n == 2)
            state.requestStop();
    };
    const RunResult result = run();
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(statusOf(1), "");
    // The drawing never reached does not count as shrunk to nothing.
    EXPECT_NE(result.totals.find("Total size before: \r\n4 KB\r\nTotal size after: \r\n4 KB"),
              std::string::npos)
        << result.totals;
    EXPECT_NE(result.totals.find("Run stopped after: \r\n1 drawing"), std::string::npos) << result.totals;
}

TEST_F(Run, UnrecognisedDxfIsSavedInTheProductsNativeFormatBesideIt) {
    add("C:\\D\\plan.dxf", kDxfUnknown);
    useProduct("AutoCAD 2007");
    run();
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(bytes("C:\\D\\plan.dwg").substr(0, 6), "AC1021");
    EXPECT_EQ(bytes("C:\\D\\plan.dxf"), kDxfUnknown);
    EXPECT_EQ(list[0].cell(kColVersion), "DXF?");
}

TEST_F(Run, SaveToFolderMeasuresTheCopyAndLeavesTheDrawing) {
    add("C:\\D\\a.dwg", std::string("AC1018") + std::string(10234, 'q'));
    files.addFolder("E:\\Out");
    settings.bSaveToFolder = -1;
    settings.sSaveToFolder = "E:\\Out";
    settings.R[4] = "AutoCAD R2000 DWG";
    run();
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(bytes("C:\\D\\a.dwg").substr(0, 6), "AC1018");
    EXPECT_EQ(bytes("E:\\Out\\a.dwg").substr(0, 6), "AC1015");
    EXPECT_EQ(list[0].cell(kColSizeAfter), "10");
    EXPECT_EQ(list[0].cell(kColVersion), "2004"); // the drawing itself
}

TEST_F(Run, DeleteBakAlsoBesideRefusedDrawings) {
    add("C:\\D\\a.dwg", kDwg2004);
    add("C:\\D\\b.dwg", kDwg2004);
    files.addFile("C:\\D\\a.bak", "old");
    files.addFile("C:\\D\\b.bak", "old");
    settings.DeleteBak = -1;
    list[1].cell(kColStatus) = "";
    settings.R[4] = "Don't save";
    run();
    EXPECT_EQ(files.find("C:\\D\\a.bak"), nullptr);
    EXPECT_EQ(files.find("C:\\D\\b.bak"), nullptr);
}

TEST_F(Run, LaterReleasesCountAsTheNewestFamilyAndRowsDoNotInfluenceEachOther) {
    add("C:\\D\\old.dwg", kDwg2000);
    add("C:\\D\\new.dwg", kDwg2010);
    settings.HCA[3] = "AutoCAD 2000"; // 2000 drawings: a release 2000 product
    settings.HCP[3] = "Plansweeper";
    useProduct("AutoCAD 2013"); // R19.0: in no family
    run();
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(statusOf(1), "OK");
    ASSERT_EQ(autocad.starts.size(), 2u);
    // Each product, override or not, is AutoCAD's current one when it starts.
    EXPECT_EQ(autocad.starts[0].currentProduct, "AutoCAD 2000");
    EXPECT_EQ(autocad.starts[0].currentProfile, "Plansweeper");
    EXPECT_EQ(autocad.starts[1].currentProduct, "AutoCAD 2013");
    // Afterwards AutoCAD's current product is the one the run found.
    EXPECT_EQ(AcadCurrentProductName(reg), "AutoCAD 2010");
    const auto first = list;

    // The same rows in the other order get the same decisions.
    DrawingList reversed;
    reversed.append(first[1]);
    reversed.append(first[0]);
    for (auto& row : reversed)
        row.cell(kColStatus).clear();
    files.find("C:\\D\\old.dwg")->content = kDwg2000;
    files.find("C:\\D\\new.dwg")->content = kDwg2010;
    autocad.starts.clear();
    run(reversed);
    EXPECT_EQ(reversed[0].cell(kColStatus), "OK");
    EXPECT_EQ(reversed[1].cell(kColStatus), "OK");
    ASSERT_EQ(autocad.starts.size(), 2u);
    EXPECT_EQ(autocad.starts[0].currentProduct, "AutoCAD 2013");
    EXPECT_EQ(autocad.starts[1].currentProduct, "AutoCAD 2000");
}

TEST_F(Run, TheConsoleEngineTakesTheDrawingsOfProductsThatHaveIt) {
    add("C:\\D\\new.dwg", kDwg2010);
    add("C:\\D\\old.dwg", kDwg2000);
    settings.HCA[3] = "AutoCAD 2010"; // 2000 drawings: a product without the console engine
    useProduct("AutoCAD 2013");
    settings.Profile = "Plansweeper";
    settings.UseConsole = -1;
    settings.ZoomE = -1;
    run();
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(statusOf(1), "OK");
    ASSERT_EQ(autocad.starts.size(), 2u);
    // No window, the profile named, the script without the zoom a console cannot do.
    EXPECT_EQ(autocad.starts[0].commandLine,
              "\"C:\\Standin\\AutoCAD 2013\\accoreconsole.exe\" /i \"C:\\D\\new.dwg\" "
              "/s \"C:\\Temp\\purge.scr\" /l en-US /p \"Plansweeper\"");
    EXPECT_EQ(autocad.starts[0].windowStyle, 3);
    EXPECT_FALSE(Contains(autocad.starts[0].scriptText, "zoom"));
    EXPECT_EQ(autocad.starts[1].exe, "C:\\Standin\\AutoCAD 2010\\acad.exe");
    EXPECT_TRUE(Contains(autocad.starts[1].scriptText, "zoom"));
}

TEST_F(Run, AProductOfAnUnknownEarlierReleaseIsRefused) {
    reg.putString(RegRoot::LocalMachine, "Software\\Autodesk\\AutoCAD\\R12.9\\ACAD-X:409", "ProductName",
                  "Odd");
    add("C:\\D\\a.dwg", kDwg2000);
    add("C:\\D\\b.dxf", kDxfUnknown);
    useProduct("Odd");
    run();
    // Refused either way, and for the reason that comes first.
    EXPECT_EQ(statusOf(0), "Skipped: Cannot open that version");
    EXPECT_EQ(statusOf(1), "Skipped: Cannot open that version");
    EXPECT_TRUE(autocad.starts.empty());
}

TEST_F(Run, MissingCompanionStopsTheRunAndLeavesTheRowPending) {
    add("C:\\D\\a.dwg", kDwg2004);
    add("C:\\D\\b.dwg", kDwg2004);
    add("C:\\D\\c.dwg", kDwg2004);
    settings.HCA[4] = "";
    // The first drawing goes to AutoCAD LT (no companion needed), then full AutoCAD.
    list[0].cell(kColStatus) = "OK";
    files.find("C:\\Program\\Plansweeper.VLX")->attributes = kAttrDirectory;
    RunResult result = run();
    EXPECT_TRUE(result.companionMissing);
    EXPECT_EQ(result.companionMessage, "Error in CreateSCRpurge: C:\\Program\\Plansweeper.VLX not found");
    EXPECT_EQ(prompt.messages, std::vector<std::string>{result.companionMessage});
    EXPECT_EQ(statusOf(1), "");
    EXPECT_EQ(statusOf(2), "");
    EXPECT_TRUE(autocad.starts.empty());
    EXPECT_FALSE(state.busy());
}

TEST_F(Run, EmptyListAndTotals) {
    state.showActivity(kActivityAdding); // left by an earlier search
    std::string frameAtMessage;
    prompt.onInform = [&] {
        frameAtMessage = state.productLabel();
    };
    RunResult result = run();
    EXPECT_EQ(prompt.messages, std::vector<std::string>{"No drawings in the list."});
    EXPECT_EQ(frameAtMessage, state.head()); // the message does not stand beside a stale activity
    EXPECT_FALSE(result.ranRows);
    EXPECT_EQ(result.totals,
              "Application:\r\n\r\nProfile:\r\n\r\n\r\nTotal size before: \r\n0 KB\r\nTotal size "
              "after: \r\n0 KB\r\nTotal files: \r\n0\r\nTotal files OK: \r\n0");

    DrawingRow big;
    big.cells[kColStatus] = "OK";
    big.cells[kColSizeBefore] = "16777217";
    big.cells[kColSizeAfter] = "1234567";
    list.append(big);
    big.cells[kColSizeBefore] = "1";
    big.cells[kColSizeAfter] = " ";
    big.cells[kColStatus] = "Skip";
    list.append(big);
    result = run();
    // Rows of an earlier run count in that run's totals only: files and sizes alike.
    EXPECT_NE(result.totals.find("Total size before: \r\n0 KB\r\nTotal size after: \r\n0 KB\r\nTotal files: "
                                 "\r\n0\r\nTotal files OK: \r\n0"),
              std::string::npos)
        << result.totals;
    EXPECT_EQ(TotalsText(list, std::nullopt).substr(0, 40),
              "\r\n\r\nTotal size before: \r\n16 777 218 KB\r\n");
}

TEST_F(Run, DryRunStartsNothingAndChangesNothing) {
    add("C:\\D\\a.dwg", kDwg2004);
    add("C:\\D\\b.dwg", kDwg2004);
    add("C:\\D\\refused.dwg", "garbage!");
    files.addFile("C:\\D\\a.bak", "old");
    files.addFile("C:\\D\\refused.bak", "old"); // beside a row the dry run refuses
    settings.DeleteBak = -1;
    settings.R[4] = "AutoCAD R2000 DWG";
    list[1].cell(kColStatus) = "";
    files.addFolder("C:\\Scripts");
    DrawingList copy = list;
    RunOptions options;
    options.dryRun = true;
    options.dryRunScripts = "C:\\Scripts";
    run(copy, options);
    EXPECT_TRUE(autocad.starts.empty());
    EXPECT_EQ(bytes("C:\\D\\a.dwg"), kDwg2004);
    EXPECT_NE(files.find("C:\\D\\a.bak"), nullptr);
    EXPECT_NE(files.find("C:\\D\\refused.bak"), nullptr);
    EXPECT_EQ(files.find("C:\\Temp\\purge.scr"), nullptr);
    ASSERT_NE(files.find("C:\\Scripts\\1.scr"), nullptr);
    EXPECT_NE(bytes("C:\\Scripts\\1.scr").find("_2000"), std::string::npos);
    EXPECT_NE(files.find("C:\\Scripts\\2.scr"), nullptr);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_TRUE(reports[0].wouldRun);
    EXPECT_EQ(reports[0].plan.saveFormat, SaveFormat{ReleaseFamily::R15});
    EXPECT_EQ(reports[0].plan.prodName, "AutoCAD 2010");
    EXPECT_FALSE(reg.keyExists(RegRoot::CurrentUser, kPendingProfileValuesKey));
}

TEST_F(Run, LeftoverSafetyCopiesAreReported) {
    files.addFile("C:\\Temp\\Plansweeper\\Safety copies\\1-1.copy", "bytes");
    files.addFile("C:\\Temp\\Plansweeper\\Safety copies\\1-1.path", "C:\\D\\lost.dwg");
    const auto copies = LeftoverSafetyCopies(files, SafetyFolderOf(paths.tempFolder));
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].second, "C:\\D\\lost.dwg");
}

TEST(RunTexts, NumbersTimesAndLabels) {
    EXPECT_EQ(FormatThousands(0), "0");
    EXPECT_EQ(FormatThousands(999), "999");
    EXPECT_EQ(FormatThousands(1000), "1 000");
    EXPECT_EQ(FormatThousands(1234567), "1 234 567");
    EXPECT_EQ(FormatThousands(17'179'869'184), "17 179 869 184");
    EXPECT_EQ(FormatElapsed(0), "00:00:00");
    EXPECT_EQ(FormatElapsed(3'723'999), "01:02:03");
    EXPECT_EQ(FormatElapsed(90'061'000), "25:01:01");
    EXPECT_EQ(CellNumber(" "), 0);
    EXPECT_EQ(CellNumber("245"), 245);
    EXPECT_EQ(CellNumber("12 KB"), 12);
    EXPECT_EQ(ProgressBarWidth(1, 3), 80);
    EXPECT_EQ(ProgressBarWidth(2, 3), 159);
    EXPECT_EQ(ProgressBarWidth(3, 3), 239);
    EXPECT_EQ(ProgressBarWidth(2, 100), 5);
    EXPECT_EQ(ProgressBarWidth(3, 100), 7);
    EXPECT_EQ(ProgressBarWidth(1, 478), 0); // 0.5 rounds to even
    EXPECT_EQ(ProgressBarWidth(3, 478), 2); // 1.5 too
}

} // namespace
} // namespace ps

namespace ps {
namespace {

// The script is written for the product that runs the drawing: a per-format
// AutoCAD LT gets plain command lines while the general product is AutoCAD.
TEST_F(Run, AnOverrideProductGetsTheScriptOfItsOwnType) {
    add("C:\\D\\lt.dwg", kDwg2004);
    add("C:\\D\\full.dwg", kDwg2007);
    useProduct("AutoCAD 2010");
    settings.HCA[4] = "AutoCAD LT 2008";
    std::vector<std::string> scripts;
    RunOptions options;
    options.rowStarted = [&](std::uint64_t) {
        scripts.push_back(bytes("C:\\Temp\\purge.scr"));
    };
    run(options);
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(statusOf(1), "OK");
    ASSERT_EQ(scripts.size(), 2u);
    EXPECT_EQ(scripts[0].find("(load"), std::string::npos) << scripts[0];
    EXPECT_NE(scripts[1].find("(load"), std::string::npos);
    ASSERT_FALSE(autocad.starts.empty());
    EXPECT_EQ(autocad.starts[0].currentProduct, "AutoCAD LT 2008");
}

TEST_F(Run, ADrawingThatHasGoneOrCannotBeReadIsAFailureNotASkip) {
    add("C:\\D\\a.dwg", kDwg2004);
    add("C:\\D\\b.dwg", kDwg2004);
    files.deleteFile("C:\\D\\a.dwg");
    files.find("C:\\D\\b.dwg")->lockedNoSharing = true;
    list[1].cell(kColVersion) = "2004"; // as read when it was added
    list[1].cell(kColDateBefore) = "2026-12-01 08:00:00";
    const RunResult result = run();
    EXPECT_EQ(statusOf(0), "File not found");
    EXPECT_EQ(statusOf(1), "Access Denied");
    EXPECT_EQ(result.failures, 2u);
    // The locked drawing keeps what is known of it.
    EXPECT_EQ(list[1].cell(kColVersion), "2004");
    EXPECT_EQ(list[1].cell(kColDateBefore), "2026-12-01 08:00:00");
}

TEST_F(Run, WithoutASafetyCopyAutoCadIsNotStarted) {
    add("C:\\D\\a.dwg", kDwg2004);
    files.addFile(paths.safetyFolder, "a file where the folder belongs");
    run();
    EXPECT_EQ(statusOf(0), "Skipped: No safety copy");
    EXPECT_TRUE(autocad.starts.empty());
}

TEST_F(Run, ACopyThatDiffersFromItsOriginalIsNoSafetyCopy) {
    add("C:\\D\\a.dwg", kDwg2004);
    files.setCopiesCut(true);
    run();
    EXPECT_EQ(statusOf(0), "Skipped: No safety copy");
    EXPECT_TRUE(autocad.starts.empty());
}

// Converting plan.dxf would write plan.dwg beside it: an existing plan.dwg
// is another drawing and is never saved over, in a dry run neither. A
// drawing cut short by its own header never reaches AutoCAD.
TEST_F(Run, NeitherAnotherFileNorADamagedDrawingIsSavedOver) {
    add("C:\\D\\plan.dxf", kDxfUnknown);
    files.addFile("C:\\D\\plan.dwg", kDwg2000);
    add("C:\\D\\cut.dwg", "AC1024");
    add("C:\\D\\cut.dxf", kDxfUnknown.substr(0, kDxfUnknown.size() - 5));
    useProduct("AutoCAD 2010");
    RunOptions dry;
    dry.dryRun = true;
    run(dry);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports[0].status, "Skipped: Would save over another file");
    reports.clear();
    run();
    EXPECT_EQ(statusOf(0), "Skipped: Would save over another file");
    EXPECT_EQ(statusOf(1), "Skipped: Drawing file is damaged");
    EXPECT_EQ(statusOf(2), "Skipped: Drawing file is damaged");
    EXPECT_TRUE(bytes("C:\\D\\plan.dwg") == kDwg2000);
    EXPECT_TRUE(bytes("C:\\D\\cut.dwg") == "AC1024");
    EXPECT_TRUE(autocad.starts.empty());
}

// The user's own script file has gone: the rows whose script would run it
// are refused (an LT drawing runs no AutoLISP file and goes on).
TEST_F(Run, AMissingUserScriptRefusesTheRowsThatRunIt) {
    add("C:\\D\\a.dwg", kDwg2010);
    add("C:\\D\\lt.dwg", kDwg2004);
    settings.HCA[4] = "AutoCAD LT 2008"; // no AutoLISP before AutoCAD LT 2024
    settings.ScriptFile = "C:\\Mine\\gone.lsp";
    run();
    EXPECT_EQ(statusOf(0), "Skipped: Script file not found");
    EXPECT_EQ(statusOf(1), "OK");
    EXPECT_EQ(autocad.starts.size(), 1u);
}

TEST_F(Run, AutoCadsPointersAndProfileAreBackExactlyAsFound) {
    add("C:\\D\\a.dwg", kDwg2004);
    add("C:\\D\\b.dwg", kDwg2010);
    settings.HCA[4] = "AutoCAD LT 2008";
    // A current product key that does not resolve, as a broken installation leaves it.
    reg.putString(RegRoot::LocalMachine, "Software\\Autodesk\\AutoCAD\\R18.0", "CurVer", "ACAD-201:409");
    const auto before = ReadCurrentPointers(reg);
    run();
    EXPECT_EQ(ReadCurrentPointers(reg), before);
    EXPECT_FALSE(reg.keyExists(RegRoot::CurrentUser, kPendingPointersKey));
}

// Rows are sorted and removed while AutoCAD works on the first one: each
// status still lands in its own row.
TEST_F(Run, TheListMayChangeWhileAutoCadWorks) {
    add("C:\\D\\a.dwg", kDwg2004);
    add("C:\\D\\b.dwg", kDwg2004);
    add("C:\\D\\c.dwg", kDwg2004);
    add("C:\\D\\d.dwg", kDwg2004);
    bool changed = false;
    pump.onPump = [&](int) {
        if (autocad.starts.size() == 1 && !std::exchange(changed, true)) {
            list.sortByColumn(kColFilename);
            list.sortByColumn(kColFilename); // descending: d c b a
            list.erase(1);                   // c goes
            list.insert(0, DrawingRow{});    // and a row that was not there at the start comes
            list[0].cell(kColStatus) = "Skip";
        }
    };
    run();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[1].cell(kColFilename), "d.dwg");
    EXPECT_EQ(list[3].cell(kColFilename), "a.dwg");
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_EQ(statusOf(i), "OK") << list[i].cell(kColFilename);
    EXPECT_EQ(autocad.starts.size(), 3u);
}

// Several drawings at once: the same statuses and files as one at a time,
// the processes really side by side, AutoCAD's settings back afterwards.
TEST_F(Run, SeveralDrawingsAtOnceEndAsOneAtATimeWould) {
    const std::vector<std::pair<std::string, Behaviour>> drawings{
        {"C:\\D\\ok1.dwg", Behaviour::Normal},
        {"C:\\D\\hang.dwg", Behaviour::Hang},
        {"C:\\D\\crash.dwg", Behaviour::CrashInSave},
        {"C:\\D\\nosave.dwg", Behaviour::NoSave},
        {"C:\\D\\cut.dwg", Behaviour::PartialSaveThenHang},
        {"C:\\D\\ok2.dwg", Behaviour::Normal},
        {"C:\\D\\ok3.dwg", Behaviour::Normal}};
    const std::string profileKey = AcadProfileKey(reg, AcadCurrentProductName(reg), AcadCurrentProfile(reg));
    const auto profileValues = [&] {
        return std::pair(
            reg.queryValue(RegRoot::CurrentUser, profileKey + "\\General", "ShowProxyDialog"),
            reg.queryValue(RegRoot::CurrentUser, profileKey + "\\General Configuration", "IsaveBackupDwg"));
    };
    const auto fill = [&] {
        while (list.size() > 0)
            list.erase(0);
        for (const auto& [path, behaviour] : drawings) {
            add(path, kDwg2004);
            autocad.behave(path, behaviour);
        }
        add("C:\\D\\ro.dwg", kDwg2004, kAttrReadOnly);
    };
    settings.R[4] = "AutoCAD R2010 DWG";
    autocad.workFor(10'000);
    fill();
    const auto valuesBefore = profileValues();
    const std::uint64_t serialStart = clock.now;
    run();
    const std::uint64_t serialMs = clock.now - serialStart;
    // What a row ended with: its status, and its drawing's format or that it is untouched.
    const auto outcome = [&](std::size_t i) {
        const std::string now = bytes(FullPath(list[i]));
        return statusOf(i) + " " + (now == kDwg2004 ? "untouched" : now.substr(0, 6));
    };
    std::vector<std::string> serial;
    for (std::size_t i = 0; i < list.size(); ++i)
        serial.push_back(outcome(i));
    EXPECT_EQ(autocad.mostAtOnce, 1);

    fill();
    RunOptions options;
    settings.Parallel = 3;
    const std::uint64_t parallelStart = clock.now;
    const RunResult result = run(options);
    EXPECT_EQ(autocad.mostAtOnce, 3);
    EXPECT_LT((clock.now - parallelStart) * 2, serialMs);
    for (std::size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(outcome(i), serial[i]);
    EXPECT_EQ(statusOf(1), "Timeouted");
    EXPECT_EQ(statusOf(7), "ReadOnly");
    EXPECT_EQ(result.processed, list.size());
    EXPECT_EQ(reports.size(), 2 * list.size());
    EXPECT_EQ(profileValues(), valuesBefore);
    EXPECT_FALSE(reg.keyExists(RegRoot::CurrentUser, kPendingProfileValuesKey));
    EXPECT_TRUE(LeftoverSafetyCopies(files, paths.safetyFolder).empty());
}

// Stop with three drawings in progress: one question; Yes ends all three,
// their drawings untouched, and nothing further starts.
TEST_F(Run, StopWithSeveralDrawingsInProgressAsksOnceForAll) {
    for (const char* name : {"a", "b", "c", "d"}) {
        add(std::string("C:\\D\\") + name + ".dwg", kDwg2004);
        autocad.behave(std::string("C:\\D\\") + name + ".dwg", Behaviour::PartialSaveThenHang);
    }
    prompt.answer = true;
    pump.onPump = [this](int) {
        if (autocad.starts.size() == 3)
            state.requestStop();
    };
    RunOptions options;
    settings.Parallel = 3;
    const RunResult result = run(options);
    EXPECT_EQ(prompt.questions.size(), 1u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(statusOf(i), "Terminated");
        EXPECT_EQ(bytes(FullPath(list[i])), kDwg2004);
    }
    EXPECT_EQ(statusOf(3), "");
    EXPECT_EQ(autocad.starts.size(), 3u);
    EXPECT_TRUE(result.stopped);
}

// Esc lets the drawings in progress finish and starts no further one.
TEST_F(Run, EscLetsTheDrawingsInProgressFinish) {
    for (const char* name : {"a", "b", "c", "d"})
        add(std::string("C:\\D\\") + name + ".dwg", kDwg2004);
    autocad.workFor(5'000);
    pump.onPump = [this](int) {
        if (autocad.starts.size() == 2)
            state.running(false);
    };
    RunOptions options;
    settings.Parallel = 2;
    const RunResult result = run(options);
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(statusOf(1), "OK");
    EXPECT_EQ(statusOf(2), "");
    EXPECT_TRUE(result.stopped);
}

// Two 2004 drawings, then two 2007 drawings whose product or profile the
// settings make another: at 4 at once the 2007 ones wait for the first two
// (profile values must not change under a running AutoCAD).
class RunWaits : public Run {
protected:
    void runFourAtOnce() {
        for (const char* name : {"C:\\D\\a2004.dwg", "C:\\D\\b2004.dwg"})
            add(name, kDwg2004);
        for (const char* name : {"C:\\D\\c2007.dwg", "C:\\D\\d2007.dwg"})
            add(name, kDwg2007);
        useProduct("AutoCAD 2010");
        autocad.workFor(5'000);
        settings.Parallel = 4;
        run();
        EXPECT_EQ(autocad.mostAtOnce, 2);
        ASSERT_EQ(autocad.starts.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(statusOf(i), "OK");
    }
};

TEST_F(RunWaits, ADrawingOfAnotherProductWaitsForThoseInProgress) {
    settings.HCA[5] = "AutoCAD 2007";
    runFourAtOnce();
    ASSERT_EQ(autocad.starts.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(autocad.starts[i].currentProduct, i < 2 ? "AutoCAD 2010" : "AutoCAD 2007");
}

TEST_F(RunWaits, ADrawingOfAnotherProfileOfTheSameProductWaitsToo) {
    settings.HCA[5] = "AutoCAD 2010";
    settings.HCP[5] = "Plansweeper";
    runFourAtOnce();
    ASSERT_EQ(autocad.starts.size(), 4u);
    EXPECT_NE(autocad.starts[1].currentProfile, "Plansweeper");
    EXPECT_EQ(autocad.starts[2].currentProfile, "Plansweeper");
}

// A drawing as its last OK run left it, with the same cleaning settings, is
// passed over; changed content, other settings or a cut history line bring
// it back.
TEST_F(Run, UnchangedDrawingsAreNotRunAgain) {
    paths.historyFile = "C:\\AppData\\History.log";
    settings.SkipUnchanged = -1;
    add("C:\\D\\a.dwg", kDwg2004);
    add("C:\\D\\b.dwg", kDwg2004);
    run();
    ASSERT_EQ(statusOf(0), "OK");
    const auto again = [&] {
        for (auto& row : list)
            row.cell(kColStatus).clear();
        autocad.starts.clear();
        run();
    };
    again();
    EXPECT_EQ(statusOf(0), "Skipped: Unchanged since its last run");
    EXPECT_TRUE(autocad.starts.empty());
    files.find("C:\\D\\b.dwg")->content += "x"; // grown since
    again();
    EXPECT_EQ(statusOf(0), "Skipped: Unchanged since its last run");
    EXPECT_EQ(statusOf(1), "OK");
    files.find("C:\\D\\a.dwg")->content[8] ^= 1; // other bytes, same size and date
    again();
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(statusOf(1), "Skipped: Unchanged since its last run");
    settings.PurgeTimes = 2; // other cleaning
    again();
    EXPECT_EQ(autocad.starts.size(), 2u);
    // A line a kill cut short is passed over: that drawing runs again.
    std::string& history = files.find(paths.historyFile)->content;
    history.resize(history.size() - 3);
    again();
    EXPECT_EQ(statusOf(0), "Skipped: Unchanged since its last run");
    EXPECT_EQ(statusOf(1), "OK");
}

// A log a killed run's AutoCAD left where AutoCAD writes them goes once a
// day old; one another run's AutoCAD is writing stays.
TEST_F(Run, LogsAKilledRunLeftGoOnceADayOld) {
    paths.transcriptsFolder = "C:\\Transcripts";
    const std::string old = paths.logFolder + "\\killed_1a.log";
    const std::string fresh = paths.logFolder + "\\other_2b.log";
    constexpr std::uint64_t kHour = 3600ULL * 10'000'000;
    files.addFile(old, "killed");
    files.find(old)->times.modified = clock.nowFileTime() - 25 * kHour;
    files.addFile(fresh, "another run's");
    files.find(fresh)->times.modified = clock.nowFileTime() - kHour;
    add("C:\\D\\a.dwg", kDwg2004);
    run();
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(files.find(old), nullptr);
    EXPECT_NE(files.find(fresh), nullptr);
}

// Run Failed Again: the failed rows run once more, and no other row, not
// even one still to do; "OK" and rows passed over by choice stay.
TEST_F(Run, RunFailedAgainProcessesTheFailedRowsOnly) {
    for (const char* name : {"C:\\D\\ok.dwg", "C:\\D\\failed.dwg", "C:\\D\\skip.dwg", "C:\\D\\todo.dwg"})
        add(name, kDwg2004);
    list[0].cell(kColStatus) = "OK";
    list[1].cell(kColStatus) = "Timeouted";
    list[2].cell(kColStatus) = "Skip";
    RunOptions options;
    options.onlyRows = ClearFailedRows(list);
    ASSERT_EQ(options.onlyRows, std::vector<std::uint64_t>{list[1].id});
    run(options);
    EXPECT_EQ(statusOf(0), "OK");
    EXPECT_EQ(statusOf(1), "OK");
    EXPECT_EQ(statusOf(2), "Skip");
    EXPECT_EQ(statusOf(3), "");
    EXPECT_EQ(autocad.starts.size(), 1u);
}

// What the settings would refuse for whole families is known before any
// drawing: a format the row's product cannot write, a product not installed.
TEST_F(Run, ConversionsTheProductsCannotDoAreNamedBeforeTheRun) {
    settings.R[3] = "AutoCAD R2018 DWG"; // 2000 drawings to 2018, with AutoCAD 2010
    settings.R[4] = "AutoCAD R2000 DWG";
    settings.HCA[5] = "AutoCAD 2099";
    const auto problems = ConversionProblems(ProductCatalog::Read(reg), settings, "AutoCAD 2010");
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].text, "2000: AutoCAD 2010 cannot save as AutoCAD R2018 DWG");
    EXPECT_EQ(problems[1].text, "2007: AutoCAD 2099 is not installed");
}

// AutoCAD LT 2024 and later save as AutoCAD does, into any folder.
TEST(PlanRows, AutoCadLt2013OpensEveryDrawingButConvertsOnlyInPlace) {
    MemoryRegistry reg;
    reg.putString(RegRoot::LocalMachine, "Software\\Autodesk\\AutoCAD LT\\R18\\ACADLT-B001:409",
                  "ProductName", "AutoCAD LT 2013");
    reg.putString(RegRoot::LocalMachine, "Software\\Autodesk\\AutoCAD LT\\R30\\ACADLT-7109:409",
                  "ProductName", "AutoCAD LT 2024");
    const ProductCatalog products = ProductCatalog::Read(reg);
    Latin1Codec codec;
    Settings s;
    s.R[6] = "AutoCAD R2000 DWG";
    const auto plan = [&] {
        return PlanRow(products, s, "AutoCAD LT 2013", "", codec, "2010", "C:\\D\\a.dwg", "a.dwg");
    };
    EXPECT_EQ(plan().status, "");
    EXPECT_TRUE(plan().inPlace);
    s.bSaveToFolder = -1;
    s.sSaveToFolder = "E:\\Out";
    EXPECT_EQ(plan().status, "Skipped: AutoCAD LT cannot convert into another folder");
    const auto lt2024 = PlanRow(products, s, "AutoCAD LT 2024", "", codec, "2010", "C:\\D\\a.dwg", "a.dwg");
    EXPECT_EQ(lt2024.status, "");
    EXPECT_FALSE(lt2024.inPlace);
}

} // namespace
} // namespace ps
