// Benchmark: the Add Folders search (both patterns, with the version of each
// drawing read) over a generated tree, against a bare walk of the same tree
// once per pattern that reads the first six bytes of every matching file.
//
//   folder-search.exe [files] [folders]      (defaults 20000 and 500)
#include "sample_drawings.h"

#include "drawinglist/folder_search.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "platform/win_file_system.h"
#include "platform/win_system.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace ps;

int BareWalk(const std::wstring& folder, const std::wstring& pattern) {
    int read = 0;
    std::vector<std::wstring> subfolders;
    WIN32_FIND_DATAW data;
    {
        UniqueFind all(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                        FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (all) {
            do {
                const std::wstring name = data.cFileName;
                if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != L"." && name != L"..")
                    subfolders.push_back(name);
            } while (FindNextFileW(all.get(), &data));
        }
    }
    {
        UniqueFind match(FindFirstFileExW((folder + L"\\" + pattern).c_str(), FindExInfoBasic, &data,
                                          FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (match) {
            do {
                UniqueFile file(CreateFileW((folder + L"\\" + data.cFileName).c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                            nullptr));
                char head[6];
                DWORD got = 0;
                if (file && ReadFile(file.get(), head, 6, &got, nullptr))
                    ++read;
            } while (FindNextFileW(match.get(), &data));
        }
    }
    for (const auto& sub : subfolders)
        read += BareWalk(folder + L"\\" + sub, pattern);
    return read;
}

class NoPump final : public MessagePump {
public:
    void pumpOnce() override {}
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int fileCount = argc > 1 ? _wtoi(argv[1]) : 20000;
    const int folderCount = argc > 2 ? _wtoi(argv[2]) : 500;
    wchar_t tempBuffer[MAX_PATH];
    GetTempPathW(MAX_PATH, tempBuffer);
    const std::string root = Narrow(tempBuffer) + "folder-search-bench-" + std::to_string(fileCount) + "-" +
                             std::to_string(folderCount);
    WinFileSystem files;
    if (!files.attributes(root + "\\f0")) {
        // 500 folders in two levels, the drawings spread over them; one in ten a DXF.
        const std::string dwg = samples::SampleDwg("AC1018", samples::Thumbnail{32, 20, 1}, 256);
        const std::string dxf = samples::SampleDxf("AC1015");
        for (int i = 0; i < fileCount; ++i) {
            const int f = i % folderCount;
            const std::string folder =
                root + "\\f" + std::to_string(f % 25) + (f >= 25 ? "\\g" + std::to_string(f) : "");
            if (i < folderCount)
                files.createFolder(folder);
            const bool isDxf = i % 10 == 9;
            files.writeFile(folder + "\\drawing" + std::to_string(i) + (isDxf ? ".dxf" : ".dwg"),
                            isDxf ? dxf : dwg);
        }
    }
    // Both walks once before timing, so neither pays for a cold cache alone.
    BareWalk(Widen(root), L"*.dwg");

    const ULONGLONG bareStart = GetTickCount64();
    const int bareRead = BareWalk(Widen(root), L"*.dwg") + BareWalk(Widen(root), L"*.dxf");
    const double bare = static_cast<double>(GetTickCount64() - bareStart) / 1000.0;

    Settings settings;
    settings.IncludeDXF = -1;
    settings.showVersion = -1; // the version read of every drawing, as the bare walk reads its head
    DrawingList list;
    RunState state;
    NoPump pump;
    state.running(true);
    SearchContext search{list, files, settings, state, pump};
    const ULONGLONG searchStart = GetTickCount64();
    FindFilesAPI(search, root, "*.dwg");
    FindFilesAPI(search, root, "*.dxf");
    const double searched = static_cast<double>(GetTickCount64() - searchStart) / 1000.0;

    std::printf("bare walk:   %6.2f s, %d files read\n", bare, bareRead);
    std::printf("Add Folders: %6.2f s, %zu rows, %lld folders\n", searched, list.size(),
                static_cast<long long>(search.folders));
    std::printf("ratio:       %6.3f\n", searched / bare);
    return list.size() == static_cast<std::size_t>(bareRead) ? 0 : 1;
}
