// A fresh folder under the user's temporary folder for one test, removed with
// everything in it afterwards (attributes cleared first).
#pragma once

#include <string>
#include <string_view>

namespace ps::test {

class TempDir {
public:
    TempDir();
    // Below another folder, such as the root of a small volume ("S:\\").
    explicit TempDir(std::string_view parent);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + "\\" + std::string(name); }
    // Writes bytes to a file in the folder and returns its full path.
    std::string write(std::string_view name, std::string_view bytes) const;

private:
    std::string path_;
};

// Writes bytes to a file, replacing it.
void WriteFileBytes(const std::string& path, std::string_view bytes);
std::string ReadFileBytes(const std::string& path);
void RemoveTree(const std::string& path);

} // namespace ps::test
