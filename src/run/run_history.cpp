#include "run/run_history.h"

#include "core/strings.h"

#include <charconv>
#include <cstdio>
#include <vector>

namespace ps {
namespace {

std::string Hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::optional<std::uint64_t> FromHex(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size() || text.size() != 16)
        return std::nullopt;
    return value;
}

} // namespace

std::string HistoryLine(std::string_view key, const HistoryEntry& entry) {
    const std::string body = std::string(key) + "\t" + Hex(entry.size) + "\t" + Hex(entry.hash) + "\t" +
                             Hex(entry.modified) + "\t" + Hex(entry.settings);
    return body + "\t" + Hex(HashBytes(body)) + "\n";
}

std::optional<std::pair<std::string, HistoryEntry>> ParseHistoryLine(std::string_view line) {
    const auto lastTab = line.rfind('\t');
    if (lastTab == std::string_view::npos)
        return std::nullopt;
    const std::string_view body = line.substr(0, lastTab);
    const auto check = FromHex(line.substr(lastTab + 1));
    if (!check || *check != HashBytes(body))
        return std::nullopt;
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const auto tab = body.find('\t', start);
        fields.push_back(
            body.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            break;
        start = tab + 1;
    }
    if (fields.size() != 5 || fields[0].empty())
        return std::nullopt;
    HistoryEntry entry;
    std::uint64_t* values[] = {&entry.size, &entry.hash, &entry.modified, &entry.settings};
    for (std::size_t i = 0; i < 4; ++i) {
        const auto value = FromHex(fields[i + 1]);
        if (!value)
            return std::nullopt;
        *values[i] = *value;
    }
    return std::pair{std::string(fields[0]), entry};
}

void RunHistory::load() {
    entries_.clear();
    lines_ = 0;
    loaded_ = true;
    const auto text = files_.readFile(path_);
    if (!text)
        return;
    std::string_view rest = *text;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        ++lines_;
        if (auto parsed = ParseHistoryLine(line))
            entries_[parsed->first] = parsed->second;
    }
}

std::optional<std::pair<std::string, HistoryEntry>>
RunHistory::now(std::string_view path, std::uint64_t settings, bool onlyIfKnown) const {
    std::string key;
    const auto stamp = files_.stamp(path, [&](const FileStamp& s) {
        key = !s.id.empty() ? s.id : ToUpper(files_.normalPath(path));
        if (!onlyIfKnown)
            return true;
        // A drawing the history does not hold, or holds at another size or
        // date, has changed whatever its bytes: they are not read.
        const auto found = entries_.find(key);
        return found != entries_.end() && found->second.size == s.size &&
               found->second.modified == s.modified;
    });
    if (!stamp || !stamp->hash)
        return std::nullopt;
    return std::pair{std::move(key), HistoryEntry{stamp->size, *stamp->hash, stamp->modified, settings}};
}

bool RunHistory::unchanged(std::string_view path, std::uint64_t settings) const {
    const auto current = now(path, settings, true);
    if (!current)
        return false;
    const auto found = entries_.find(current->first);
    return found != entries_.end() && found->second == current->second;
}

bool RunHistory::record(std::string_view path, std::uint64_t settings) {
    const auto current = now(path, settings, false);
    if (!current)
        return false;
    entries_[current->first] = current->second;
    const SharedRecordsLock lock(runs_);
    // Written afresh, one line per key, once it holds twice the lines it
    // needs: read again under the lock, so that other runs' lines stay.
    if (loaded_ && ++lines_ > 2 * entries_.size() + 1000) {
        load();
        entries_[current->first] = current->second;
        std::string all;
        for (const auto& [key, entry] : entries_)
            all += HistoryLine(key, entry);
        if (files_.replaceFileAtomically(path_, all)) {
            lines_ = entries_.size();
            return true;
        }
    }
    return files_.appendFile(path_, HistoryLine(current->first, current->second));
}

} // namespace ps
