#pragma once

// Tables that runtally-table wrote, read back (--merge): TSV, CSV and JSON
// Lines, one row a log, in either form (five values, or four with
// --short). A TSV or CSV table starts with its header, which may come again
// where tables were joined (cat a.tsv b.tsv); a JSON line names its fields,
// in any order. Each cell reads back to what was written: a figure is the
// very double of its text (std::from_chars on the shortest text that reads
// back to it), a count the integer, a name its bytes (TSV's escapes undone,
// log_bytes decoded where it is set).
//
// Anything else is refused, with the line and why: the table of another
// program, a table of windows or a summary, a line cut short or whose
// fields do not fit their columns, a row whose outcome and complete
// disagree.

#include "common/outcome.hpp"
#include "logformat/app_data.hpp"
#include "runtally-table/summary.hpp"
#include "runtally-table/table_writer.hpp"

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// The columns of a whole-log row in the five-value form, the most there are.
inline constexpr std::size_t kRowColumns = 13;

// One row read back: its cells, as TableWriter writes them, in the order of
// its form's columns (columns_of), and what the summary takes from it.
struct ReadRow {
    logformat::LogPattern pattern = logformat::LogPattern::Full;
    std::string name;                            // the log's name: its bytes
    std::array<std::string, kRowColumns> texts;  // what the text cells hold
    std::array<Cell, kRowColumns> cells;
    std::size_t size = 0;  // cells in the row
    LogSummary summary;    // the five-value form's
};

class TableReader {
public:
    // Reads `file`, which the caller closes.
    explicit TableReader(std::FILE* file);
    ~TableReader();
    TableReader(const TableReader&) = delete;
    TableReader& operator=(const TableReader&) = delete;

    // The next row into `row`; false at the end of the table, or at a line
    // that it cannot read, or a read error: problem() then tells why.
    bool next(ReadRow& row);
    // Why the reading ended early, empty where it did not.
    const std::string& problem() const { return problem_; }
    // The line of the problem, or the last line read; 0 after a read error.
    std::uint64_t line() const { return line_number_; }
    // The form of the last header or row read, and whether one was read.
    logformat::LogPattern pattern() const { return pattern_; }
    bool formed() const { return form_ != Form::None || json_; }

private:
    // The columns' meanings, by position in the form's columns.
    enum class Form { None, Tsv, Csv };
    bool refuse(std::string reason);
    bool header(std::string_view line);
    bool fields_of(std::string_view line);
    bool json_fields(std::string_view line);
    bool row_of(ReadRow& row);

    std::FILE* file_;
    char* buffer_ = nullptr;  // getline's
    std::size_t capacity_ = 0;
    std::uint64_t line_number_ = 0;
    Form form_ = Form::None;  // of the last header read
    bool json_ = false;       // a JSON row was read
    logformat::LogPattern pattern_ = logformat::LogPattern::Full;
    // The fields of the line being read, by column, and whether each is
    // empty (null in JSON) or a JSON string.
    struct Field {
        std::string text;
        bool none = false;
        bool quoted = false;
    };
    std::array<Field, kRowColumns + 1> fields_;  // the row's columns, then log_bytes
    std::string problem_;
};
