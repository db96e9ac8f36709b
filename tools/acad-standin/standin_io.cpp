#include "standin_io.h"

#include "platform/handles.h"
#include "platform/text.h"

#include <windows.h>

#include <cstdlib>

namespace standin {
using ps::Widen;

Popup ParsePopup(const std::string& text) {
    Popup p;
    const auto bar = text.find('|');
    p.title = text.substr(0, bar);
    if (bar != std::string::npos) {
        std::string rest = text.substr(bar + 1);
        std::size_t start = 0;
        while (start <= rest.size()) {
            const auto comma = rest.find(',', start);
            const std::string b =
                rest.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            if (!b.empty())
                p.buttons.push_back(b);
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
    }
    return p;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    ps::UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
    ps::UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD wrote = 0;
    return bytes.empty() ||
           (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) &&
            wrote == bytes.size());
}

bool FileExists(const std::string& path) {
    const DWORD attrs = GetFileAttributesW(Widen(path).c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool InstallStandin(const StandinProduct& product, const std::string& folder, const std::string& programs) {
    const std::wstring wide = Widen(folder);
    for (std::size_t i = 3; i <= wide.size(); ++i)
        if (i == wide.size() || wide[i] == L'\\')
            CreateDirectoryW(wide.substr(0, i).c_str(), nullptr);
    const auto copy = [&](const std::string& name, const std::string& as) {
        return CopyFileW(Widen(programs + "\\" + name).c_str(), Widen(folder + "\\" + as).c_str(), FALSE) !=
               FALSE;
    };
    return copy("acad.exe", product.exeName) &&
           (!HasConsoleEngine(product) || copy("accoreconsole.exe", "accoreconsole.exe"));
}

std::string WithoutExtension(const std::string& path) {
    const auto dot = path.rfind('.');
    const auto slash = path.find_last_of("\\/:");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path;
    return path.substr(0, dot);
}

std::string FileName(const std::string& path) {
    const auto slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

Directives ReadDirectives(const std::string& path) {
    Directives d;
    const auto text = ReadFileBytes(path);
    if (!text)
        return d;
    std::size_t start = 0;
    while (start < text->size()) {
        auto end = text->find('\n', start);
        if (end == std::string::npos)
            end = text->size();
        std::string line = text->substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const auto eq = line.find('=');
        const std::string key = line.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
        if (key == "hang")
            d.hang = true;
        else if (key == "crash")
            d.crash = true;
        else if (key == "crash-during-save")
            d.crashDuringSave = true;
        else if (key == "hang-in-save")
            d.hangInSave = true;
        else if (key == "no-save")
            d.noSave = true;
        else if (key == "save-in-place")
            d.saveInPlace = true;
        else if (key == "grow")
            d.growKB = std::atoi(value.c_str());
        else if (key == "proxy-objects") {
            d.proxyObjects = true;
            d.contents.proxies = value.empty() ? 1 : std::atol(value.c_str());
        } else if (key == "unused") { // <kind>:<count>, e.g. unused=layers:3
            const auto colon = value.find(':');
            if (colon != std::string::npos)
                d.contents.unused[value.substr(0, colon)] = std::atol(value.c_str() + colon + 1);
        } else if (key == "xref-missing")
            d.contents.missingXrefs.push_back(value);
        else if (key == "font-missing")
            d.contents.missingFonts.push_back(value);
        else if (key == "image-missing")
            d.contents.missingImages.push_back(value);
        else if (key == "modified")
            d.modified = true;
        else if (key == "slow-start")
            d.slowStart = std::atoi(value.c_str());
        else if (key == "slow-save")
            d.slowSave = std::atoi(value.c_str());
        else if (key == "licence-prompt")
            d.licencePrompt = true;
        else if (key == "needs-recovery")
            d.needsRecovery = true;
        else if (key == "foreign-dwg")
            d.foreignDwg = true;
        else if (key == "xref")
            d.xrefs.push_back(value);
        else if (key == "exit-code")
            d.exitCode = std::atoi(value.c_str());
        else if (key == "popup" || key == "sticky-popup" || key == "unowned-popup" || key == "hung-ui") {
            Popup p = ParsePopup(value);
            p.sticky = key == "sticky-popup";
            p.owned = key != "unowned-popup";
            p.hung = key == "hung-ui";
            d.popups.push_back(p);
        } else if (key == "helper-popup") {
            Popup p = ParsePopup(value);
            p.owned = false;
            d.helperPopups.push_back(p);
        }
    }
    return d;
}

} // namespace standin
