#include "runtally-table/merge.hpp"

#include "common/diagnostics.hpp"
#include "common/names.hpp"
#include "runtally-table/program.hpp"
#include "runtally-table/summary.hpp"
#include "runtally-table/table_reader.hpp"

#include <cerrno>
#include <cstring>
#include <optional>

using namespace logformat;

namespace {

// The merged table: its form is the tables' (the first row's, or the first
// header's); the summary has one form.
struct Merged {
    const TableOptions& options;
    std::optional<TableWriter> writer;
    LogPattern pattern = LogPattern::Full;
    RunSummary summary;

    void start(LogPattern form)
    {
        if (writer)
            return;
        TableOptions table = options;
        table.pattern = pattern = form;
        writer.emplace(stdout, options.format, options.summary ? RunSummary::columns() : columns_of(table));
        writer->header();
    }
};

// Reads one table into the merged one; the problem that ended it, or empty.
std::string merge_table(std::FILE* file, Merged& merged, bool& all_pass, std::uint64_t& line)
{
    TableReader reader(file);
    ReadRow row;
    while (reader.next(row)) {
        line = reader.line();
        if (merged.options.summary && row.pattern == LogPattern::Short)
            return "a table of the four-value form (--short): runtally2 reads one log, and has no summary";
        merged.start(row.pattern);
        if (row.pattern != merged.pattern)
            return row.pattern == LogPattern::Short
                       ? "a table of the four-value form (--short) after one of five values"
                       : "a table of five values after one of the four-value form";
        if (merged.options.summary)
            merged.summary.add(row.summary);
        else
            merged.writer->row(std::span<const Cell>(row.cells.data(), row.size));
        all_pass = passes(row.summary.outcome, merged.options.allowed) && all_pass;
        if (merged.writer->failed())
            return "";
    }
    line = reader.line();
    if (reader.formed() && !merged.options.summary)
        merged.start(reader.pattern());
    return reader.problem();
}

}  // namespace

int merge_tables(LogList& tables, LogName first, const TableOptions& options)
{
    Merged merged{options, {}, LogPattern::Full, {}};
    if (options.summary)
        merged.start(LogPattern::Full);
    bool all_pass = true;
    LogName name = std::move(first);
    for (bool more = true; more && std::ferror(stdout) == 0; more = tables.next(name)) {
        if (!name.warning.empty())
            std::fputs(name.warning.c_str(), stderr);
        if (name.refused != nullptr) {
            path_failed(kProgram, name.label, name.refused);
            return 1;
        }
        std::FILE* const file = is_standard_input(name.path) ? stdin : std::fopen(name.path.c_str(), "r");
        if (file == nullptr) {
            path_failed(kProgram, name.label, std::strerror(errno));
            return 1;
        }
        std::uint64_t line = 0;
        const std::string problem = merge_table(file, merged, all_pass, line);
        if (file != stdin)
            std::fclose(file);
        if (!problem.empty()) {
            if (line == 0)
                path_failed(kProgram, name.label, problem.c_str());
            else
                std::fprintf(stderr, "%s: %s:%llu: %s\n", kProgram, printable_name(name.label).c_str(),
                             static_cast<unsigned long long>(line), problem.c_str());
            return 1;
        }
    }
    if (tables.tell_error(kProgram))
        return 1;
    merged.start(LogPattern::Full);
    if (options.summary && std::ferror(stdout) == 0)
        merged.summary.write(*merged.writer);
    return all_pass ? 0 : 1;
}
