#pragma once

// The table's rows in one of three formats, each with its own syntax:
//   tsv   a header line, then fields separated by tabs;
//   csv   a header line, then fields separated by commas, a field that
//         holds a comma or a quote in quotes, its quotes doubled (RFC 4180);
//   json  one object per line (JSON Lines), numbers as numbers.
// Lines end with a line feed. Figures are written in the shortest form that
// reads back to the same double (std::to_chars): "nan", "-nan", "inf" and
// "-inf" where a figure is no finite number, as strings in JSON, which has
// no such numbers.
//
// A log's name is written so that it reads back to its bytes, and no raw
// control byte reaches the output:
//   tsv   escaped (common/names.hpp: \\, \t, \n, \xHH), as PostgreSQL's
//         text format escapes: TSV has no quoting;
//   csv   a name of plain text (valid UTF-8, no control character) as it
//         is, quoted as RFC 4180 quotes; any other name written escaped,
//         as diagnostics write it, and its bytes in base64 in the last
//         column, log_bytes, which is empty for plain names;
//   json  a name of valid UTF-8 as a JSON string (control characters as
//         JSON's escapes); any other written escaped, as diagnostics write
//         it, and its bytes in base64 in the member log_bytes, which is
//         null for UTF-8 names.
// So in CSV and JSON a reader takes log_bytes, decoded, where it is set,
// and the text of log otherwise.

#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <variant>

enum class Format { Tsv, Csv, Json };

// The column that holds, in CSV and JSON, the bytes of a name that the
// format cannot hold as text.
inline constexpr std::string_view kLogBytes = "log_bytes";

// A log's name, as given: bytes.
struct Name {
    std::string_view bytes;
};

// One field: none (empty; null in JSON), a text, a name, a count, a figure
// or a truth.
using Cell = std::variant<std::monostate, std::string_view, Name, long long, double, bool>;

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
    void name(std::string_view bytes);
    void cell(const Cell& value);

    std::FILE* out_;
    Format format_;
    std::span<const std::string_view> columns_;
    // The table names a log on each row (its first column is "log"): CSV
    // and JSON end it with log_bytes. The summary's row names none.
    bool named_;
    std::string line_;       // the row being written, reused
    std::string log_bytes_;  // the row's name in base64, where its format needs it
};
