#include "settings/settings_form.h"

#include "acad/releases.h"

#include "core/strings.h"
#include "settings/settings_keys.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ps {
namespace {

constexpr std::string_view kTickedOnlyByMinusOne[] = {
    "IncludeSubfolders", "ArchiveAttrib", "ClosePopUps", "OnTop", "CreateBak", "RestoreTime"};

BoxCheck Range(std::string_view text, double low, double high, std::string message, bool whole = false) {
    const auto n = BoxNumber(text);
    BoxCheck check;
    check.text = std::string(text);
    if (!n || *n < low || *n > high || (whole && std::floor(*n) != *n)) {
        check.ok = false;
        check.message = std::move(message);
    }
    return check;
}

std::string Between(std::int32_t low, std::int32_t high) {
    return "Please insert a number between " + std::to_string(low) + " and " + std::to_string(high);
}

// A box's number within its key's range, with the dialog's message for it.
BoxCheck InKeyRange(std::string_view text, std::string_view key, std::string_view messageEnd,
                    bool whole = false) {
    const KeyRange range = RangeOf(key);
    return Range(text, range.low, range.high, Between(range.low, range.high) + std::string(messageEnd),
                 whole);
}

} // namespace

bool TickedFromStored(std::string_view key, std::string_view stored) {
    const auto n = BoxNumber(stored);
    for (auto k : kTickedOnlyByMinusOne)
        if (EqualsNoCase(k, key))
            return n && *n == -1;
    return n && *n != 0;
}

std::optional<double> BoxNumber(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty())
        return std::nullopt;
    std::size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        ++i;
    }
    double value = 0;
    bool digits = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, digits = true)
        value = value * 10 + (text[i] - '0');
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, digits = true, scale /= 10)
            value += (text[i] - '0') * scale;
    }
    if (!digits || i != text.size() || value > 1e12)
        return std::nullopt;
    return negative ? -value : value;
}

BoxCheck CheckBox(FormBox box, std::string_view text, bool (*exists)(std::string_view),
                  unsigned logicalProcessors) {
    switch (box) {
    case FormBox::Parallel: {
        const KeyRange range = RangeOf("Parallel");
        const auto most = static_cast<std::int32_t>(std::clamp<unsigned>(
            logicalProcessors, static_cast<unsigned>(range.low), static_cast<unsigned>(range.high)));
        return Range(text, range.low, most, Between(range.low, most) + ".", true);
    }
    case FormBox::ISavePercent:
        return InKeyRange(text, "ISAVEPERCENT", "");
    case FormBox::Timeout:
        return InKeyRange(text, "Timeout", " .");
    case FormBox::DeleteDays:
        return InKeyRange(text, "DeleteDays", "");
    case FormBox::PurgeTimes:
        return InKeyRange(text, "PurgeTimes", " .", true);
    case FormBox::SaveToFolder: {
        BoxCheck check;
        check.text = std::string(text);
        if (!check.text.empty() && check.text.back() == '\\')
            check.text.pop_back();
        check.errorTitle = false;
        if (!check.text.empty() && (exists == nullptr || !exists(check.text))) {
            check.ok = false;
            check.message = "This folder is not valid!";
        }
        return check;
    }
    case FormBox::ScriptFile: {
        BoxCheck check;
        check.text = std::string(text);
        check.errorTitle = false;
        if (!check.text.empty() && (exists == nullptr || !exists(check.text))) {
            check.ok = false;
            check.message = "This file does not exist!";
        }
        return check;
    }
    }
    return {};
}

std::optional<std::string> CheckSettingValue(std::string_view key, std::string_view value) {
    const std::string text(value);
    auto range = [&](double low, double high, bool whole) -> std::optional<std::string> {
        const auto n = BoxNumber(text);
        if (n && *n >= low && *n <= high && (!whole || std::floor(*n) == *n))
            return std::nullopt;
        return std::string(key) + " must be a" + (whole ? " whole" : "") + " number from " +
               std::to_string(static_cast<long long>(low)) + " to " +
               std::to_string(static_cast<long long>(high)) + ", not \"" + text + "\"";
    };
    if (const KeyRange limits = RangeOf(key); limits.limited())
        return !limits.also.empty() && text == limits.also ? std::nullopt
                                                           : range(limits.low, limits.high, true);
    for (const auto& family : Families()) {
        if (!EqualsNoCase(key, family.name))
            continue;
        for (auto choice : ConvertToChoices(family.family))
            if (choice == value)
                return std::nullopt;
        return std::string(key) + " must be one of the convert-to choices of its row, not \"" + text + "\"";
    }
    return std::nullopt;
}

std::vector<std::string>
CheckEffectiveSettings(const SettingsStore& store,
                       const std::function<std::string(std::string_view key)>& sourceOf,
                       const std::function<bool(std::string_view product)>& installed) {
    std::vector<std::string> problems;
    for (const auto& key : RunSettingKeys()) {
        if (EqualsNoCase(key.name, "Parallel"))
            continue; // taken up to what a run can do (DrawingsAtOnce)
        const std::string value = store.GetSetting(kSettingsApp, kSettingsSection, key.name, key.absent);
        const bool product = key.kind == KeyKind::Product || StartsWith(ToUpper(key.name), "HCA");
        std::optional<std::string> wrong;
        if (product && !value.empty() && !installed(value))
            wrong =
                std::string(key.name) + " names \"" + value + "\", which is not an installed AutoCAD product";
        else if (!product)
            wrong = CheckSettingValue(key.name, value);
        if (wrong)
            problems.push_back(*wrong + " (" + sourceOf(key.name) + ").");
    }
    return problems;
}

std::string ExplorerCommandLine(std::string_view programPath) {
    return "\"" + std::string(programPath) + "\" /nologo \"%1\"";
}

} // namespace ps
