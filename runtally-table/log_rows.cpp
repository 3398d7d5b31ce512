#include "runtally-table/log_rows.hpp"

#include <array>

using namespace logformat;

namespace {

constexpr std::array<std::string_view, 11> kFullColumns = {"log",         "samples", "complete",      "stop",
                                                           "error",       "seconds", "benefit",       "instability",
                                                           "utilization", "missed",  "missed_percent"};
constexpr std::array<std::string_view, 13> kFullWindowColumns = {
    "log",     "from",    "to",          "samples",     "complete", "stop",          "error",
    "seconds", "benefit", "instability", "utilization", "missed",   "missed_percent"};
constexpr std::array<std::string_view, 7> kShortColumns = {"log",   "samples", "complete",   "stop",
                                                           "error", "benefit", "instability"};
constexpr std::array<std::string_view, 9> kShortWindowColumns = {"log",  "from",  "to",      "samples",    "complete",
                                                                 "stop", "error", "benefit", "instability"};
constexpr std::size_t kMostColumns = kFullWindowColumns.size();

Cell text_or_none(const std::string& text)
{
    return text.empty() ? Cell{} : Cell{std::string_view(text)};
}

}  // namespace

std::span<const std::string_view> columns_of(const TableOptions& options)
{
    const bool windows = options.windows != Windows::None;
    if (options.pattern == LogPattern::Full)
        return windows ? std::span<const std::string_view>(kFullWindowColumns) : kFullColumns;
    return windows ? std::span<const std::string_view>(kShortWindowColumns) : kShortColumns;
}

void LogRows::write(double from, double to, const Figures& figures, const Verdict& verdict) const
{
    std::array<Cell, kMostColumns> cells;
    std::size_t n = 0;
    cells[n++] = std::string_view(log);
    if (options.windows != Windows::None) {
        cells[n++] = from;
        cells[n++] = to;
    }
    const bool full = options.pattern == LogPattern::Full;
    cells[n++] = full ? figures.full.get_num_samples() : figures.brief.get_num_samples();
    cells[n++] = verdict.complete;
    cells[n++] = text_or_none(verdict.stop);
    cells[n++] = text_or_none(verdict.error);
    if (full) {
        const MetricData& m = figures.full;
        cells[n++] = m.get_seconds();
        cells[n++] = m.get_benefit();
        cells[n++] = m.get_instability();
        cells[n++] = m.get_utilization();
        cells[n++] = m.get_missed_deadlines();
        cells[n++] = 100 * m.get_missed_deadline_frequency();
    } else {
        cells[n++] = figures.brief.get_benefit();
        cells[n++] = figures.brief.get_instability();
    }
    writer.row(std::span<const Cell>(cells.data(), n));
}
