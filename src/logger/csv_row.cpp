#include "logger/csv_row.h"

#include <algorithm>
#include <vector>

namespace tz::logger {

namespace {

int fieldCount(std::string_view s) {
    return static_cast<int>(std::count(s.begin(), s.end(), ',')) + 1;
}

std::vector<std::string_view> splitFields(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = s.find(',', from);
        if (comma == std::string_view::npos) {
            out.push_back(s.substr(from));
            return out;
        }
        out.push_back(s.substr(from, comma - from));
        from = comma + 1;
    }
}

// The rare case of old data in the set's own columns: lay the two rows
// over each other cell by cell, the set's cells winning.
std::string overlay(std::string prefix, std::string_view rest, const RowText& row) {
    const auto old = splitFields(rest);
    const auto own = splitFields(row.text);
    std::size_t lastOld = 0;
    for (std::size_t i = 0; i < old.size(); ++i)
        if (!old[i].empty()) lastOld = i + 1;
    const std::size_t n = std::max(own.size(), lastOld);
    const auto first = static_cast<std::size_t>(row.firstCell);
    const auto end = first + static_cast<std::size_t>(row.cells);
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0) prefix += ',';
        if (i >= first && i < end)
            prefix += own[i];
        else if (i < old.size() && !old[i].empty())
            prefix += old[i];
        else if (i < own.size())
            prefix += own[i];
    }
    return prefix;
}

} // namespace

RowText RowText::header(std::string line) {
    RowText r;
    r.cells = fieldCount(line);
    r.text = std::move(line);
    return r;
}

RowText RowText::headerEnd() {
    return RowText{",", 0, 0};
}

RowText RowText::units(const std::string& unitLine, int unitCount) {
    RowText r;
    r.text = "," + unitLine + ",";
    r.firstCell = 1;
    // The cells are the unit line without the comma behind its last unit.
    r.cells = unitCount > 0 ? fieldCount(std::string_view(unitLine).substr(
                                  0, unitLine.empty() ? 0 : unitLine.size() - 1))
                            : 0;
    return r;
}

RowText RowText::values(std::string dataLine, int valueCount) {
    RowText r;
    r.cells = valueCount > 0 ? fieldCount(std::string_view(dataLine).substr(
                                   0, dataLine.empty() ? 0 : dataLine.size() - 1))
                             : 0;
    r.text = std::move(dataLine);
    return r;
}

void appendMergedRow(std::string& out, std::string_view oldLine, int setCol, const RowText& row) {
    if (setCol <= 1) {
        out += row.text;
        return;
    }
    const int keep = setCol - 1;

    // Find where the old line's first `keep` fields end.
    int commas = 0;
    std::size_t end = std::string_view::npos;
    for (std::size_t i = 0; i < oldLine.size(); ++i) {
        if (oldLine[i] == ',' && ++commas == keep) {
            end = i;
            break;
        }
    }

    if (end == std::string_view::npos) {
        // Fewer fields than the set's column needs: pad with empty ones.
        out.append(oldLine);
        out.append(static_cast<std::size_t>(keep - 1 - commas), ',');
    } else {
        const std::string_view rest = oldLine.substr(end + 1);
        if (rest.find_first_not_of(',') != std::string_view::npos) {
            out += overlay(std::string(oldLine.substr(0, end + 1)), rest, row);
            return;
        }
        out.append(oldLine.substr(0, end));
    }
    out += ',';
    out += row.text;
}

std::string mergeRow(std::string_view oldLine, int setCol, const RowText& row) {
    std::string out;
    appendMergedRow(out, oldLine, setCol, row);
    return out;
}

} // namespace tz::logger
