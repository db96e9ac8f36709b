// Writes the demo folder of sample drawings:  sample-drawings <folder>
// Temporary files in it are dated two weeks back so the cleanup takes them.
#include "sample_drawings.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sample-drawings <folder>\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path root(argv[1]);
    for (const auto& f : samples::DemoFolder()) {
        std::string relative = f.name;
        for (auto& c : relative)
            if (c == '\\')
                c = '/';
        const fs::path path = root / fs::path(relative);
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(f.bytes.data(), static_cast<std::streamsize>(f.bytes.size()));
        const std::string ext = path.extension().string();
        if (ext == ".bak" || ext == ".dwl") {
            std::error_code ec;
            fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24 * 14), ec);
        }
        std::printf("%s\n", path.string().c_str());
    }
    return 0;
}
