// The value and unit rules on any line, and the merge of a row beside any
// earlier line of the document.
#include "app/text.h"
#include "logger/csv_row.h"
#include "logger/record_rules.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace tz;
using namespace tz::logger;

void check(bool ok) {
    if (!ok) std::abort();
}

bool endsWith(std::u32string_view s, std::u32string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

std::vector<std::string> fields(const std::string& s) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = s.find(',', from);
        out.push_back(s.substr(from, comma - from));
        if (comma == std::string::npos) return out;
        from = comma + 1;
    }
}

void rules(const std::u32string& line) {
    if (line.empty()) return; // value lines are never empty
    const std::u32string v = valueText(line);
    if (isSignedLine(line)) {
        check(v.size() <= 9);
        check(line.find(v) != std::u32string::npos);
    } else {
        check(v == U" " + line);
    }
    const std::u32string u = unitText(line);
    auto isDigit = [](char32_t c) { return c >= U'0' && c <= U'9'; };
    if (line.size() >= 12 && line[11] >= 0xA0) {
        // The tail behind the last digit, or the whole line without one.
        check(endsWith(line, u));
        for (char32_t c : u)
            check(u == line || !isDigit(c));
        check(u == line || isDigit(line[line.size() - u.size() - 1]));
    } else if (line.size() >= 2 && isDigit(line[1])) {
        // The tail behind the last blank, or the whole line without one.
        check(endsWith(line, u));
        for (char32_t c : u)
            check(u == line || c != U' ');
        check(u == line || line[line.size() - u.size() - 1] == U' ');
    } else {
        const std::u32string tail = line.size() > 14 ? line.substr(14) : U"";
        check(u == U"(" + line.substr(0, 6) + U")" + tail);
    }
    // Everything encodes and decodes back.
    check(text::decode(text::encode(u)) == u);
}

void merge(const std::string& oldLine, int setCol, const RowText& row) {
    const std::string out = mergeRow(oldLine, setCol, row);
    if (setCol <= 1) {
        check(out == row.text);
        return;
    }
    const auto got = fields(out);
    const auto old = fields(oldLine);
    const auto own = fields(row.text);
    const std::size_t p = static_cast<std::size_t>(setCol - 1);
    // The earlier columns keep their cells.
    for (std::size_t i = 0; i < p && i < old.size(); ++i) {
        check(i < got.size());
        check(got[i] == old[i]);
    }
    // The set's cells are in their columns.
    for (int k = 0; k < row.cells; ++k) {
        const std::size_t i = p + static_cast<std::size_t>(row.firstCell + k);
        check(i < got.size());
        check(got[i] == own[static_cast<std::size_t>(row.firstCell + k)]);
    }
    // No cell of the old line is lost unless the set wrote over it.
    for (std::size_t i = p; i < old.size(); ++i) {
        if (old[i].empty()) continue;
        const long k = static_cast<long>(i - p);
        const bool written = k >= row.firstCell && k < row.firstCell + row.cells;
        if (!written) {
            check(i < got.size());
            check(got[i] == old[i]);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const int setCol = in.ConsumeIntegralInRange<int>(1, 40);
    const int kind = in.ConsumeIntegralInRange<int>(0, 3);
    const std::string a = in.ConsumeRandomLengthString(300);
    const std::string b = in.ConsumeRemainingBytesAsString();

    // A line as the port gives it: one Latin-1 character per byte, no CR.
    std::u32string line;
    for (unsigned char c : b)
        if (c != '\r') line.push_back(c);
    rules(line);

    // Cells never hold a line end; the old line is any text without one.
    std::string oldLine, cellText;
    for (char c : a)
        if (c != '\r' && c != '\n') oldLine.push_back(c);
    cellText = text::encode(line);
    switch (kind) {
    case 0:
        merge(oldLine, setCol, RowText::header(cellText));
        break;
    case 1:
        merge(oldLine, setCol, RowText::headerEnd());
        break;
    case 2:
        merge(oldLine, setCol, RowText::units(cellText + ",", 1));
        break;
    default:
        merge(oldLine, setCol, RowText::values(cellText + ",", 1));
        break;
    }
    return 0;
}
