#include "acad/host.h"

#include "core/strings.h"

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

std::string InteractiveCommandLine(std::string_view exePath, std::string_view drawingPath) {
    std::string line = "\"";
    line.append(exePath).append("\" \"").append(drawingPath).append("\" /nologo");
    return line;
}

std::string_view VersionCodeOfSaveFormat(std::string_view saveFormat) {
    constexpr std::string_view codes[] = {"AC1009", "AC1012", "AC1014", "AC1015",
                                          "AC1018", "AC1021", "AC1024"};
    const std::string lower = ToLower(saveFormat);
    for (std::size_t i = 0; i < std::size(codes); ++i)
        if (lower == kSaveAsFormats[i])
            return codes[i];
    return {};
}

bool IsAutoCadWindowTitle(std::string_view title) {
    return ToUpper(Left(title, 7)) == "AUTOCAD";
}

} // namespace ps
