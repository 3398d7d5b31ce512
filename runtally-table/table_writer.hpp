#pragma once

// The table's rows in one of three formats, each with its own syntax:
//   tsv   a header line, then fields separated by tabs;
//   csv   a header line, then fields separated by commas, a field that
//         holds a comma or a quote in quotes, its quotes doubled (RFC 4180);
//   json  one object per line (JSON Lines), numbers as numbers.
// Lines end with a line feed. Names come escaped (common/names.hpp), so no
// tab, line end or invalid UTF-8 is left for a format to deal with.
// Figures are written in the shortest form that reads back to the same
// double (std::to_chars): "nan", "-nan", "inf" and "-inf" where a figure is
// no finite number, as strings in JSON, which has no such numbers.

#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <variant>

enum class Format { Tsv, Csv, Json };

// One field: none (empty; null in JSON), a text, a count, a figure or a truth.
using Cell = std::variant<std::monostate, std::string_view, long long, double, bool>;

class TableWriter {
public:
    TableWriter(std::FILE* out, Format format, std::span<const std::string_view> columns);

    // The header line; none in JSON, where each object names its fields.
    void header();
    // One row, a cell for each column.
    void row(std::span<const Cell> cells);
    // True once the output has failed: no row written since has reached it.
    bool failed() const { return std::ferror(out_) != 0; }

private:
    void text(std::string_view value);
    void cell(const Cell& value);

    std::FILE* out_;
    Format format_;
    std::span<const std::string_view> columns_;
    std::string line_;  // the row being written, reused
};
