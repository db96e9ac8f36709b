// The run report at scale (scripts/bench-report): a list of that many
// drawings, each with its own thumbnail, written as the batch writes it
// (every picture read from its drawing, made small by the imaging component,
// the page built); the time and the page's size.
//   report <rows> <folder of drawings with thumbnails> [<report file>]
#include "core/file_facts.h"
#include "platform/text.h"
#include "platform/wic_png.h"
#include "platform/win_file_system.h"
#include "report/run_report.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    using namespace ps;
    const long rows = argc > 1 ? _wtol(argv[1]) : 1000;
    const std::string folder = argc > 2 ? Narrow(argv[2]) : std::string(".");
    WinFileSystem files;
    std::vector<std::string> drawings;
    WIN32_FIND_DATAW found{};
    const HANDLE find = FindFirstFileW(Widen(folder + "\\*.dwg").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do
            if (ThumbnailPng(files, folder + "\\" + Narrow(found.cFileName)))
                drawings.push_back(Narrow(found.cFileName));
        while (FindNextFileW(find, &found));
        FindClose(find);
    }
    if (drawings.empty()) {
        std::fputs("report: no drawings with thumbnails in the folder\n", stderr);
        return 2;
    }
    DrawingList list;
    std::map<std::uint64_t, RowDetails> details;
    for (long i = 0; i < rows; ++i) {
        DrawingRow row;
        row.cells[kColFilename] = drawings[static_cast<std::size_t>(i) % drawings.size()];
        row.cells[kColPath] = folder;
        row.cells[kColStatus] = i % 20 == 0 ? "Timeouted" : "OK";
        row.cells[kColVersion] = "2018";
        row.cells[kColSizeBefore] = "412";
        row.cells[kColSizeAfter] = "377";
        row.cells[kColDateBefore] = row.cells[kColDateAfter] = "08.12.2026 21:40:12";
        list.append(row);
        CleaningFacts facts;
        facts.purged = {{"layers", i % 13}, {"blocks", i % 5}};
        facts.missingXrefs = {"Site plan " + std::to_string(i % 7)};
        details[list[static_cast<std::size_t>(i)].id] = RowDetails{"2004", 6.4, facts, {}, {}};
    }
    const ULONGLONG start = GetTickCount64();
    // "read-only" as the fourth argument: the pictures read, not compressed (where the time goes).
    const bool readOnly = argc > 4 && std::wstring(argv[4]) == L"read-only";
    const auto pictures = ReportThumbnails(files, list, PngCompactor::reportThreads(),
                                           readOnly ? std::function<Shrink()>() : std::function<Shrink()>([] {
                                               return PngCompactor::threadShrink(kReportPictureMostSide);
                                           }));
    const ULONGLONG read = GetTickCount64();
    long n = 0;
    const std::string html =
        RunReportHtml(list, {"08.12.2026 21:40:12", "Total files: \r\n" + std::to_string(rows), &details},
                      [&](const DrawingRow& row) -> std::optional<std::string> {
                          const auto picture = pictures.find(row.id);
                          if (picture == pictures.end())
                              return std::nullopt;
                          // Every drawing of a real list has its own picture: a text chunk
                          // before the end makes each one distinct, as the report sees it.
                          std::string png = picture->second;
                          const std::string text = "tEXtn" + std::string(1, '\0') + std::to_string(n++);
                          std::string chunk(4, '\0');
                          const auto length = static_cast<std::uint32_t>(text.size() - 4);
                          for (int b = 0; b < 4; ++b)
                              chunk[static_cast<std::size_t>(b)] =
                                  static_cast<char>(length >> (24 - 8 * b) & 0xFF);
                          png.insert(png.size() - 12, chunk + text + std::string(4, '\0'));
                          return png;
                      });
    const double seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;
    if (argc > 3)
        files.writeFile(Narrow(argv[3]), html);
    std::printf("%ld rows from %zu drawings, %u threads: %.2f s (pictures %.2f s), %.2f MB\n", rows,
                drawings.size(), PngCompactor::reportThreads(), seconds,
                static_cast<double>(read - start) / 1000.0, static_cast<double>(html.size()) / 1e6);
    return 0;
}
