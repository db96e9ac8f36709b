#include "acad/host.h"

#include "acad/releases.h"
#include "core/strings.h"

#include <utility>

namespace ps {

std::string_view AutoCadLtExeName(std::string_view productName) {
    for (auto year : {"2007", "2008", "2009"})
        if (Contains(productName, year))
            return kAcadLtExe;
    return kAcltExe;
}

std::string BatchCommandLine(std::string_view exePath, std::string_view drawingPath,
                             std::string_view scriptPathWithoutExtension) {
    std::string line = "\"";
    line.append(exePath).append("\" \"").append(drawingPath).append("\" /b \"");
    line.append(scriptPathWithoutExtension).append("\" /nologo");
    return line;
}

std::string ConsoleEnginePath(std::string_view acadExePath) {
    const auto slash = acadExePath.find_last_of("\\/");
    const std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : acadExePath.substr(0, slash + 1);
    return std::string(folder) + std::string(kAcCoreConsoleExe);
}

std::string ConsoleCommandLine(std::string_view consolePath, std::string_view drawingPath,
                               std::string_view scriptPath, std::string_view profile,
                               std::string_view language) {
    std::string line = "\"";
    line.append(consolePath).append("\" /i \"").append(drawingPath).append("\" /s \"");
    line.append(scriptPath).append("\"");
    if (!language.empty())
        line.append(" /l ").append(language);
    if (!profile.empty())
        line.append(" /p \"").append(profile).append("\"");
    return line;
}

std::string_view ProductLanguage(std::string_view productKey) {
    // Windows locale identifiers of the languages AutoCAD ships in.
    static constexpr std::pair<std::string_view, std::string_view> kLocales[] = {
        {"409", "en-US"}, {"809", "en-GB"}, {"407", "de-DE"}, {"40C", "fr-FR"},
        {"410", "it-IT"}, {"40A", "es-ES"}, {"C0A", "es-ES"}, {"416", "pt-BR"},
        {"419", "ru-RU"}, {"415", "pl-PL"}, {"405", "cs-CZ"}, {"40E", "hu-HU"},
        {"411", "ja-JP"}, {"412", "ko-KR"}, {"804", "zh-CN"}, {"404", "zh-TW"}};
    const auto colon = productKey.rfind(':');
    if (colon == std::string_view::npos)
        return {};
    const std::string locale = ToUpper(productKey.substr(colon + 1));
    for (const auto& [id, tag] : kLocales)
        if (locale == id)
            return tag;
    return {};
}

std::string InteractiveCommandLine(std::string_view exePath, std::string_view drawingPath) {
    std::string line = "\"";
    line.append(exePath).append("\" \"").append(drawingPath).append("\" /nologo");
    return line;
}

std::string_view VersionCodeOfSaveFormat(std::string_view saveAsAnswer) {
    const auto format = SaveFormatOfAnswer(saveAsAnswer);
    return format ? VersionCode(*format) : std::string_view();
}

bool IsAutoCadWindowTitle(std::string_view title) {
    return ToUpper(Left(title, 7)) == "AUTOCAD";
}

} // namespace ps
