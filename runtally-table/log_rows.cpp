#include "runtally-table/log_rows.hpp"

#include <array>

using namespace logformat;

namespace {

// The outcome's columns come last, after the figures, so that the columns
// of earlier versions keep their places.
constexpr std::array<std::string_view, 13> kFullColumns = {
    "log",         "samples",     "complete", "stop",           "error",   "seconds",  "benefit",
    "instability", "utilization", "missed",   "missed_percent", "outcome", "uncounted"};
constexpr std::array<std::string_view, 15> kFullWindowColumns = {
    "log",     "from",        "to",          "samples", "complete",       "stop",    "error",    "seconds",
    "benefit", "instability", "utilization", "missed",  "missed_percent", "outcome", "uncounted"};
constexpr std::array<std::string_view, 9> kShortColumns = {"log",     "samples",     "complete", "stop",     "error",
                                                           "benefit", "instability", "outcome",  "uncounted"};
constexpr std::array<std::string_view, 11> kShortWindowColumns = {
    "log", "from", "to", "samples", "complete", "stop", "error", "benefit", "instability", "outcome", "uncounted"};
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

void LogRows::write(double from, double to, const Figures& figures, const Verdict* verdict,
                    std::string_view error) const
{
    std::array<Cell, kMostColumns> cells;
    std::size_t n = 0;
    cells[n++] = Name{log};
    const bool windows = options.windows != Windows::None;
    if (windows) {
        cells[n++] = from;
        cells[n++] = to;
    }
    const bool full = options.pattern == LogPattern::Full;
    const long long samples = full ? figures.full.get_num_samples() : figures.brief.get_num_samples();
    cells[n++] = samples;
    // A ratio over no sample is no figure: a window without samples leaves it empty.
    const auto ratio = [&](double value) { return windows && samples == 0 ? Cell{} : Cell{value}; };
    const bool told = verdict != nullptr && (verdict->outcome == Outcome::Cut || verdict->outcome == Outcome::Stopped);
    const std::string stop = told ? std::to_string(verdict->at.line) + ":" + std::to_string(verdict->at.column) : "";
    cells[n++] = verdict != nullptr ? Cell{verdict->outcome == Outcome::Whole} : Cell{};
    cells[n++] = text_or_none(stop);
    cells[n++] = error.empty() ? Cell{} : Cell{error};
    if (full) {
        const MetricData& m = figures.full;
        cells[n++] = m.get_seconds();
        cells[n++] = m.get_benefit();
        cells[n++] = m.get_instability();
        cells[n++] = ratio(m.get_utilization());
        cells[n++] = m.get_missed_deadlines();
        cells[n++] = ratio(100 * m.get_missed_deadline_frequency());
    } else {
        cells[n++] = ratio(figures.brief.get_benefit());
        cells[n++] = ratio(figures.brief.get_instability());
    }
    cells[n++] = verdict != nullptr ? Cell{word_of(verdict->outcome)} : Cell{};
    if (verdict != nullptr && verdict->outcome != Outcome::Unreadable)
        cells[n++] = static_cast<long long>(verdict->rest.records);
    else
        cells[n++] = Cell{};
    writer.row(std::span<const Cell>(cells.data(), n));
}
