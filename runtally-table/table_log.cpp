#include "runtally-table/table_log.hpp"

#include "common/names.hpp"
#include "common/log_moves.hpp"
#include "common/diagnostics.hpp"
#include "logformat/read_sample.hpp"
#include "runtally/metric_data.hpp"
#include "runtally/tally_log.hpp"
#include "runtally2/metric_data.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

using namespace logformat;

namespace {

constexpr const char* kProgram = "runtally-table";

constexpr std::array<std::string_view, 11> kFullColumns = {
    "log", "samples", "complete", "stop", "error", "seconds",
    "benefit", "instability", "utilization", "missed", "missed_percent"};
constexpr std::array<std::string_view, 13> kFullWindowColumns = {
    "log", "from", "to", "samples", "complete", "stop", "error", "seconds",
    "benefit", "instability", "utilization", "missed", "missed_percent"};
constexpr std::array<std::string_view, 7> kShortColumns = {
    "log", "samples", "complete", "stop", "error", "benefit", "instability"};
constexpr std::array<std::string_view, 9> kShortWindowColumns = {
    "log", "from", "to", "samples", "complete", "stop", "error", "benefit", "instability"};
constexpr std::size_t kMostColumns = kFullWindowColumns.size();

// The figures of a log or of one of its windows, by runtally's accumulator
// (Full pattern) or runtally2's (Short).
struct Figures {
    MetricData full;
    runtally2::MetricData brief;

    void start_window()
    {
        full.start_window();
        brief.start_window();
    }
};

// What a row says of the reading: true, with no stop and no error, for
// every window but a log's last one.
struct Verdict {
    bool complete = true;
    std::string stop;  // "LINE:COLUMN" where the reading stopped
    std::string error;
};

Cell text_or_none(const std::string& text)
{
    return text.empty() ? Cell{} : Cell{std::string_view(text)};
}

// The rows of one log.
struct LogRows {
    const TableOptions& options;
    TableWriter& writer;
    const std::string log = {};  // the name, escaped

    void write(double from, double to, const Figures& figures, const Verdict& verdict) const
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
};

// Where the samples of a log fall: windows of sample time or of samples,
// from the first to the current, never back.
struct WindowCursor {
    const TableOptions& options;
    double index = 0;            // of the current window
    std::int64_t elapsed = 0;    // the sample time before the next sample, in microseconds
    long long in_window = 0;     // samples in the current window

    double from() const
    {
        return options.windows == Windows::OfSeconds ? index * options.seconds
                                                     : index * static_cast<double>(options.samples);
    }
    double to() const
    {
        return options.windows == Windows::OfSeconds ? (index + 1) * options.seconds
                                                     : from() + static_cast<double>(in_window);
    }

    // Before the sample in `record` is added: writes the windows it leaves
    // behind, the empty ones among them, and starts the sample's window.
    void enter(const AppData& record, Figures& figures, const LogRows& rows)
    {
        double target = index;
        if (options.windows == Windows::OfSeconds) {
            // A sample starts where the periods before it end; where periods
            // were negative, maybe before the current window: it stays in
            // it, as windows are left only forward.
            target = std::floor(static_cast<double>(elapsed) / (options.seconds * 1e6));
            elapsed += record.P;
        } else if (in_window == options.samples) {
            target = index + 1;
        }
        for (; index < target; ++index, in_window = 0) {
            rows.write(from(), to(), figures, Verdict{});
            figures.start_window();
        }
        ++in_window;
    }
};

// How the reading of a log ended: the read that gave no sample, and the
// last sample's read.
struct Ending {
    std::array<ReadNotes, 2> notes;
    std::size_t now = 0;      // notes[now] is the read that gave no sample
    std::uint64_t start = 0;  // where that read began
    std::uint64_t samples = 0;
};

// Reads as the programs read: every sample, up to the first read that is
// none. Expanded for each pattern, so that the reads know their elements.
[[gnu::always_inline]] inline Ending read_samples(LogStream& log, LogPattern pattern, const TableOptions& options,
                                                  AppData& record, Figures& figures, WindowCursor& window,
                                                  const LogRows& rows)
{
    Ending e;
    for (;; e.now ^= 1, ++e.samples) {
        e.start = log.offset();
        if (!is_sample(read_sample_noting_breaks(log, pattern, record, e.notes[e.now])))
            return e;
        if (options.windows != Windows::None)
            window.enter(record, figures, rows);
        if (pattern == LogPattern::Full)
            tally_sample(record, figures.full);
        else
            figures.brief.add_sample(record.B);
    }
}

// The verdict on a log whose reading ended so.
Verdict verdict_on(LogStream& log, const Ending& ending)
{
    const ReadNotes& last = ending.notes[ending.now ^ 1];
    const ReadNotes& after = ending.notes[ending.now];
    Verdict verdict;
    if (log.error() != 0)
        return verdict;
    // Where that read consumed nothing, its match broke off where the last
    // sample's did, if that one broke off: that is where the reading stopped.
    const bool consumed = log.offset() != ending.start;
    const MatchBreak& stop = !consumed && ending.samples > 0 && !last.complete ? last.stop : after.stop;
    if (!consumed && skip_space_to_end(log))
        return verdict;
    verdict.complete = false;
    verdict.stop = std::to_string(stop.at.line) + ":" + std::to_string(stop.at.column);
    return verdict;
}

}  // namespace

std::span<const std::string_view> columns_of(const TableOptions& options)
{
    const bool windows = options.windows != Windows::None;
    if (options.pattern == LogPattern::Full)
        return windows ? std::span<const std::string_view>(kFullWindowColumns) : kFullColumns;
    return windows ? std::span<const std::string_view>(kShortWindowColumns) : kShortColumns;
}

bool table_log(const LogName& name, const TableOptions& options, AppData& record, TableWriter& writer)
{
    const LogRows rows{options, writer, escaped_name(name.path)};
    Figures figures;
    WindowCursor window{options};
    if (name.refused != nullptr) {
        std::fprintf(stderr, "%s: %s: %s\n", kProgram, name.path.c_str(), name.refused);
        rows.write(window.from(), window.to(), figures, Verdict{false, "", name.refused});
        return false;
    }
    std::optional<LogStream> stream;
    open_log(stream, name.path);
    LogStream& log = *stream;
    log.count_lines();

    const Ending ending = options.pattern == LogPattern::Full
                              ? read_samples(log, LogPattern::Full, options, record, figures, window, rows)
                              : read_samples(log, LogPattern::Short, options, record, figures, window, rows);
    Verdict verdict = verdict_on(log, ending);
    if (close_log(kProgram, name.path.c_str(), log))
        verdict = {false, "", std::strerror(log.error())};
    rows.write(window.from(), window.to(), figures, verdict);
    return verdict.complete;
}
