#include "runtally-table/summary.hpp"

#include "common/sum.hpp"

namespace {

constexpr std::array<std::string_view, 17> kColumns = {"logs",
                                                       "samples",
                                                       "missed",
                                                       "total_benefit",
                                                       "total_instability",
                                                       "total_utilization",
                                                       "average_benefit",
                                                       "average_instability",
                                                       "average_missed",
                                                       "missed_frequency_percent",
                                                       "seconds",
                                                       "whole_logs",
                                                       "empty_logs",
                                                       "cut_logs",
                                                       "stopped_logs",
                                                       "unreadable_logs",
                                                       "uncounted"};

static_assert(static_cast<std::size_t>(Outcome::Unreadable) == 4, "a count for each outcome, in the columns' order");

}  // namespace

void RunSummary::add(const LogSummary& log)
{
    totals_.add(log.figures);
    add_to(seconds_, log.seconds);
    ++logs_;
    ++outcomes_[static_cast<std::size_t>(log.outcome)];
    uncounted_ += log.uncounted;
}

std::span<const std::string_view> RunSummary::columns()
{
    return kColumns;
}

void RunSummary::write(TableWriter& writer) const
{
    std::array<Cell, kColumns.size()> cells;
    std::size_t n = 0;
    cells[n++] = logs_;
    cells[n++] = totals_.samples;
    cells[n++] = totals_.missed;
    cells[n++] = totals_.benefit;
    cells[n++] = totals_.instability;
    cells[n++] = totals_.utilization;
    if (logs_ > 0) {
        const Averages averages = averages_of(totals_, logs_);
        cells[n++] = averages.benefit;
        cells[n++] = averages.instability;
        cells[n++] = averages.missed;
        cells[n++] = averages.frequency_percent;
    } else {
        n += 4;  // empty
    }
    cells[n++] = seconds_;
    for (const long long count : outcomes_)
        cells[n++] = count;
    cells[n++] = uncounted_;
    writer.row(cells);
}
