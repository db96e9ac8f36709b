#include "acad/host.h"

#include "acad/releases.h"
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

std::string_view VersionCodeOfSaveFormat(std::string_view saveAsAnswer) {
    const auto format = SaveFormatOfAnswer(saveAsAnswer);
    return format ? VersionCode(*format) : std::string_view();
}

bool IsAutoCadWindowTitle(std::string_view title) {
    return ToUpper(Left(title, 7)) == "AUTOCAD";
}

} // namespace ps
